#include "engine/io/CVirtualFilesReaderZip.h"

#include "engine/core/CLog.h"
#include "engine/io/ArchiveSupport.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CRangeReadFile.h"
#include "engine/io/CSharedReadFile.h"
#include "engine/io/IReadableFile.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr uint32_t kEndOfCentralSignature = 0x06054b50;
constexpr int64_t kLocalHeaderSize = 30;
constexpr int64_t kCentralHeaderSize = 46;
constexpr int64_t kEndOfCentralSize = 22;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint32_t kZip64Marker = 0xFFFFFFFF;
// Deflate cannot expand data by more than about 1032 to 1: a larger stated
// size is a lie, and allocating it would let a tiny file claim gigabytes.
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kInflateSlack = 1024;

// What the central directory says about the member whose local header is at
// `localOffset`.
struct CentralRecord {
    uint32_t localOffset;
    uint32_t crc32;
    uint32_t compressedSize;
    uint32_t uncompressedSize;
};

// Replaces the 32-bit fields marked 0xFFFFFFFF by the values of the Zip64
// extra field. False when a value is missing or too large for this reader.
bool applyZip64Extra(const uint8_t* extra, uint32_t length, uint32_t& uncompressed, uint32_t& compressed,
                     uint32_t& offset) {
    uint32_t at = 0;
    while (at + 4 <= length) {
        const uint16_t id = readLe16(extra + at);
        const uint16_t size = readLe16(extra + at + 2);
        at += 4;
        if (uint64_t(at) + size > length)
            return false;
        if (id == kZip64ExtraId) {
            uint32_t used = 0;
            for (uint32_t* field : {&uncompressed, &compressed, &offset}) {
                if (*field != kZip64Marker)
                    continue;
                if (used + 8 > size)
                    return false;
                const uint64_t value = readLe64(extra + at + used);
                if (value > INT32_MAX)
                    return false;
                *field = uint32_t(value);
                used += 8;
            }
            return true;
        }
        at += size;
    }
    return uncompressed != kZip64Marker && compressed != kZip64Marker && offset != kZip64Marker;
}

// The central directory's records, ordered by local header offset; empty
// when the archive has none that can be trusted.
std::vector<CentralRecord> readCentralDirectory(IReadableFile* source, int64_t fileSize) {
    std::vector<CentralRecord> records;
    if (fileSize < kEndOfCentralSize)
        return records;
    // The end record sits within the last 22 + 65535 bytes (its comment).
    const int64_t tailSize = std::min<int64_t>(fileSize, kEndOfCentralSize + 0xFFFF);
    std::vector<uint8_t> tail(static_cast<size_t>(tailSize));
    if (!readExactlyAt(source, fileSize - tailSize, tail.data(), tailSize))
        return records;
    int64_t end = -1;
    for (int64_t i = tailSize - kEndOfCentralSize; i >= 0; --i) {
        if (readLe32(&tail[size_t(i)]) == kEndOfCentralSignature) {
            end = i;
            break;
        }
    }
    if (end < 0)
        return records;
    const int64_t endPosition = fileSize - tailSize + end;
    const int64_t directorySize = readLe32(&tail[size_t(end) + 12]);
    const int64_t directoryOffset = readLe32(&tail[size_t(end) + 16]);
    if (directoryOffset + directorySize > endPosition)
        return records;
    std::vector<uint8_t> directory(static_cast<size_t>(directorySize));
    if (!readExactlyAt(source, directoryOffset, directory.data(), directorySize))
        return records;

    int64_t at = 0;
    while (at + kCentralHeaderSize <= directorySize) {
        const uint8_t* h = &directory[size_t(at)];
        if (readLe32(h) != kCentralHeaderSignature)
            break;
        const int64_t nameLength = readLe16(h + 28);
        const int64_t extraLength = readLe16(h + 30);
        const int64_t commentLength = readLe16(h + 32);
        const int64_t recordSize = kCentralHeaderSize + nameLength + extraLength + commentLength;
        if (at + recordSize > directorySize)
            break;
        CentralRecord record{readLe32(h + 42), readLe32(h + 16), readLe32(h + 20), readLe32(h + 24)};
        if (applyZip64Extra(h + kCentralHeaderSize + nameLength, uint32_t(extraLength), record.uncompressedSize,
                            record.compressedSize, record.localOffset))
            records.push_back(record);
        at += recordSize;
    }
    std::sort(records.begin(), records.end(),
              [](const CentralRecord& a, const CentralRecord& b) { return a.localOffset < b.localOffset; });
    return records;
}

CStringW widenName(const uint8_t* bytes, size_t count) {
    std::u16string wide(count, u'\0');
    for (size_t i = 0; i < count; ++i)
        wide[i] = char16_t(int16_t(int8_t(bytes[i])));
    return CStringW(std::u16string_view(wide));
}

} // namespace

CVirtualFilesReaderZip::CVirtualFilesReaderZip(IReadableFile* source) {
    if (!source)
        return;
    // Stored members open as windows onto this file: they and the reader
    // share it, possibly across threads.
    m_source.reset(new CSharedReadFile(source));
    m_archiveName = withForwardSlashes(source->fileName());
    scanLocalHeaders();
    sortEntriesByPath(m_entries);
}

CVirtualFilesReaderZip::~CVirtualFilesReaderZip() = default;

void CVirtualFilesReaderZip::scanLocalHeaders() {
    IReadableFile* source = m_source.get();
    const int64_t fileSize = source->size();
    int64_t position = std::max<int32_t>(source->position(), 0);

    // Read only when a member needs it: sizes in a data descriptor or in a
    // Zip64 field.
    bool centralRead = false;
    std::vector<CentralRecord> central;
    auto centralRecordAt = [&](int64_t localOffset) -> const CentralRecord* {
        if (!centralRead) {
            central = readCentralDirectory(source, fileSize);
            centralRead = true;
        }
        auto it = std::lower_bound(central.begin(), central.end(), localOffset,
                                   [](const CentralRecord& r, int64_t offset) { return r.localOffset < offset; });
        return it != central.end() && it->localOffset == localOffset ? &*it : nullptr;
    };

    std::vector<uint8_t> name;
    for (;;) {
        uint8_t h[kLocalHeaderSize];
        if (position + kLocalHeaderSize > fileSize || !readExactlyAt(source, position, h, kLocalHeaderSize))
            break;
        ZipLocalHeader header;
        header.signature = readLe32(h);
        if (header.signature != kLocalHeaderSignature)
            break;
        header.versionNeeded = readLe16(h + 4);
        header.flags = readLe16(h + 6);
        header.method = readLe16(h + 8);
        header.modificationTime = readLe16(h + 10);
        header.modificationDate = readLe16(h + 12);
        header.crc32 = readLe32(h + 14);
        header.compressedSize = readLe32(h + 18);
        header.uncompressedSize = readLe32(h + 22);
        header.nameLength = readLe16(h + 26);
        header.extraLength = readLe16(h + 28);

        const int64_t nameOffset = position + kLocalHeaderSize;
        const int64_t dataOffset = nameOffset + header.nameLength + header.extraLength;
        if (dataOffset > fileSize)
            break;
        name.resize(header.nameLength);
        if (!readExactlyAt(source, nameOffset, name.data(), header.nameLength))
            break;

        // The local header holds no usable sizes for these members: the
        // central directory knows them.
        const bool descriptor = (header.flags & kFlagDataDescriptor) != 0;
        if (descriptor || header.compressedSize == kZip64Marker || header.uncompressedSize == kZip64Marker) {
            const CentralRecord* record = centralRecordAt(position);
            if (!record)
                break;
            header.crc32 = record->crc32;
            header.compressedSize = record->compressedSize;
            header.uncompressedSize = record->uncompressedSize;
        }
        const int64_t dataEnd = dataOffset + header.compressedSize;
        if (dataEnd > fileSize)
            break;

        ZipEntry entry;
        entry.path = widenName(name.data(), name.size());
        const int slash = entry.path.findLast(u'/');
        if (slash >= 0)
            entry.directory = entry.path.subString(0, slash + 1);
        entry.dataOffset = uint32_t(dataOffset);
        entry.dataSize = header.compressedSize;
        entry.header = header;
        m_entries.push_back(entry);

        if (!descriptor) {
            position = dataEnd;
            continue;
        }
        // A data descriptor of 12 to 24 bytes follows; the next member's
        // header is the next one the central directory names.
        auto next = std::upper_bound(central.begin(), central.end(), position,
                                     [](int64_t offset, const CentralRecord& r) { return offset < r.localOffset; });
        if (next == central.end() || next->localOffset < dataEnd)
            break;
        position = next->localOffset;
    }
}

IReadableFile* CVirtualFilesReaderZip::openEntry(int32_t index) {
    if (index < 0 || uint32_t(index) >= m_entries.size())
        return nullptr;
    const ZipEntry& entry = m_entries[uint32_t(index)];
    const ZipLocalHeader& header = entry.header;
    CLog* log = CLog::instance();
    if (header.flags & kFlagEncrypted) {
        log->log("File is encrypted, which is not supported: " + entry.path, CLog::Error);
        return nullptr;
    }
    if (header.method == 0)
        return CRangeReadFile::create(m_source.get(), int32_t(entry.dataOffset), int32_t(header.compressedSize),
                                      entry.path);
    if (header.method != 8) {
        log->log("File has unsupported compression method: " + entry.path, CLog::Error);
        return nullptr;
    }

    const uint64_t compressed = header.compressedSize;
    const uint64_t uncompressed = header.uncompressedSize;
    if (uncompressed > INT32_MAX || uncompressed > compressed * kMaxInflateRatio + kInflateSlack) {
        log->log("File has a damaged compressed size: " + entry.path, CLog::Error);
        return nullptr;
    }
    std::unique_ptr<uint8_t[]> output(new (std::nothrow) uint8_t[size_t(uncompressed)]);
    std::unique_ptr<uint8_t[]> input(new (std::nothrow) uint8_t[size_t(compressed)]);
    if (!output || !input)
        return nullptr;
    if (!readExactlyAt(m_source.get(), entry.dataOffset, input.get(), int64_t(compressed))) {
        log->log("Could not read compressed file: " + entry.path, CLog::Error);
        return nullptr;
    }

    z_stream stream{};
    stream.next_in = input.get();
    stream.avail_in = uInt(compressed);
    stream.next_out = output.get();
    stream.avail_out = uInt(uncompressed);
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return nullptr;
    const int result = inflate(&stream, Z_FINISH);
    const uint64_t produced = stream.total_out;
    inflateEnd(&stream);
    if (result != Z_STREAM_END || produced != uncompressed) {
        log->log("File has damaged compressed data: " + entry.path, CLog::Error);
        return nullptr;
    }
    input.reset();
    return new CBufferFile(output.release(), int32_t(uncompressed), entry.path, true);
}

IReadableFile* CVirtualFilesReaderZip::open(const CStringW& path) {
    const int32_t index = find(path);
    return index < 0 ? nullptr : openEntry(index);
}

int32_t CVirtualFilesReaderZip::find(const CStringW& path) { return findEntryByPath(m_entries, path); }

const ArchiveEntry* CVirtualFilesReaderZip::entryAt(int32_t index) const {
    if (index < 0 || uint32_t(index) >= m_entries.size())
        return nullptr;
    return &m_entries[uint32_t(index)];
}
