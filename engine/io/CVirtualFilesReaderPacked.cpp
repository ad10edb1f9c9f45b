#include "engine/io/CVirtualFilesReaderPacked.h"

#include "engine/core/CLog.h"
#include "engine/io/ArchiveSupport.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CSharedReadFile.h"
#include "engine/io/IReadableFile.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// A directory record takes at least its length, offset and size fields.
constexpr int64_t kMinimumRecordSize = 10;

} // namespace

CVirtualFilesReaderPacked::CVirtualFilesReaderPacked(IReadableFile* source, const char* password)
    : m_password(password) {
    if (!source)
        return;
    // Members may be opened from several threads.
    m_source.reset(new CSharedReadFile(source));
    m_archiveName = withForwardSlashes(source->fileName());
    if (!readDirectory())
        m_entries.clear();
    sortEntriesByPath(m_entries);
}

CVirtualFilesReaderPacked::~CVirtualFilesReaderPacked() = default;

void CVirtualFilesReaderPacked::unscramble(uint8_t* data, int64_t count, const CString& password, uint32_t& key) {
    const uint32_t length = password.length();
    if (length == 0)
        return;
    const auto* bytes = reinterpret_cast<const uint8_t*>(password.c_str());
    for (int64_t i = 0; i < count; ++i) {
        data[i] ^= bytes[key];
        if (++key == length)
            key = 0;
    }
}

uint32_t CVirtualFilesReaderPacked::keyAt(int64_t position) const {
    const uint32_t length = m_password.length();
    return length == 0 ? 0 : uint32_t((position - kHeaderSize) % length);
}

bool CVirtualFilesReaderPacked::readDirectory() {
    IReadableFile* source = m_source.get();
    const int64_t fileSize = source->size();
    uint8_t header[kHeaderSize];
    if (!source->seek(0, false) || source->read(header, kHeaderSize) != kHeaderSize ||
        std::memcmp(header, kMagic, sizeof kMagic) != 0)
        return false;
    const int64_t directoryOffset = readLe32(header + 4);
    const int64_t count = readLe32(header + 8);
    if (directoryOffset < kHeaderSize || directoryOffset > fileSize ||
        count > (fileSize - directoryOffset) / kMinimumRecordSize)
        return false;
    if (!source->seek(int32_t(directoryOffset), false))
        return false;

    uint32_t key = keyAt(directoryOffset);
    int64_t refused = 0;
    std::vector<uint8_t> record;
    std::u16string name;
    for (int64_t i = 0; i < count; ++i) {
        uint8_t length[2];
        if (source->read(length, 2) != 2)
            return false;
        unscramble(length, 2, m_password, key);
        const int32_t nameLength = readLe16(length);
        record.resize(size_t(nameLength) + 8);
        if (source->read(record.data(), int32_t(record.size())) != int32_t(record.size()))
            return false;
        unscramble(record.data(), int64_t(record.size()), m_password, key);

        const int64_t offset = readLe32(&record[size_t(nameLength)]);
        const int64_t size = readLe32(&record[size_t(nameLength) + 4]);
        if (offset < kHeaderSize || offset + size > fileSize) {
            ++refused;
            continue;
        }
        name.assign(size_t(nameLength), u'\0');
        for (int32_t k = 0; k < nameLength; ++k)
            name[size_t(k)] = char16_t(record[size_t(k)]);
        ArchiveEntry entry;
        entry.path = CStringW(std::u16string_view(name));
        entry.dataOffset = uint32_t(offset);
        entry.dataSize = uint32_t(size);
        m_entries.push_back(entry);
    }
    if (refused)
        CLog::instance()->log("Ignored entries outside the archive in: " + m_archiveName, CLog::Warning);
    return true;
}

IReadableFile* CVirtualFilesReaderPacked::openEntry(int32_t index) {
    if (index < 0 || uint32_t(index) >= m_entries.size())
        return nullptr;
    const ArchiveEntry& entry = m_entries[uint32_t(index)];
    if (entry.dataSize == 0)
        return nullptr;
    // The directory checked that the member lies inside the file.
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[entry.dataSize]);
    if (!block)
        return nullptr;
    const int32_t size = int32_t(entry.dataSize);
    if (!readExactlyAt(m_source.get(), entry.dataOffset, block.get(), size))
        return nullptr;
    uint32_t key = keyAt(entry.dataOffset);
    unscramble(block.get(), size, m_password, key);
    return new CBufferFile(block.release(), size, entry.path, true);
}

IReadableFile* CVirtualFilesReaderPacked::open(const CStringW& path) {
    const int32_t index = find(path);
    return index < 0 ? nullptr : openEntry(index);
}

int32_t CVirtualFilesReaderPacked::find(const CStringW& path) { return findEntryByPath(m_entries, path); }

const ArchiveEntry* CVirtualFilesReaderPacked::entryAt(int32_t index) const {
    if (index < 0 || uint32_t(index) >= m_entries.size())
        return nullptr;
    return &m_entries[uint32_t(index)];
}
