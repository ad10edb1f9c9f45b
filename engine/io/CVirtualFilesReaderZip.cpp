#include "engine/io/CVirtualFilesReaderZip.h"

#include "engine/core/CLog.h"
#include "engine/io/ArchiveSupport.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CRangeReadFile.h"
#include "engine/io/CSharedReadFile.h"
#include "engine/io/IReadableFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr uint32_t kEndOfCentralSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr int64_t kLocalHeaderSize = 30;
constexpr int64_t kCentralHeaderSize = 46;
constexpr int64_t kEndOfCentralSize = 22;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint32_t kZip64Marker = 0xFFFFFFFF;
// Deflate cannot expand data by more than about 1032 to 1: a larger stated
// size is a lie.
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kInflateSlack = 1024;
// The output of a deflated member starts at this many times its compressed
// size (at least kFirstOutputBlock) and grows as the data really produces
// more: a lying header costs no more memory than the data can fill.
constexpr uint64_t kFirstOutputRatio = 8;
constexpr uint64_t kFirstOutputBlock = 64 * 1024;

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

// What the end records and the central directory say.
struct CentralDirectory {
    bool endFound = false;      // an end of central directory record was found
    uint64_t declaredCount = 0; // members the end record announces
    // Where the archive really starts: offsets in the directory count from
    // there (bytes put in front of an archive, as by self-extractors, move
    // everything by this much).
    int64_t shift = 0;
    // Readable records, ordered by local header offset (as stored, before
    // the shift).
    std::vector<CentralRecord> records;
    // What is wrong with the directory, for the mount's one log line; null
    // when nothing is.
    const char* problem = nullptr;
};

// The Zip64 end record, found through the locator that must sit right before
// the 32-bit end record at `endPosition`. False when there is none.
bool readZip64End(IReadableFile* source, int64_t endPosition, uint64_t& count, int64_t& size, int64_t& offset,
                  int64_t& recordPosition) {
    constexpr int64_t kLocatorSize = 20;
    constexpr int64_t kRecordSize = 56;
    uint8_t locator[kLocatorSize];
    if (endPosition < kLocatorSize + kRecordSize ||
        !readExactlyAt(source, endPosition - kLocatorSize, locator, kLocatorSize) ||
        readLe32(locator) != kZip64LocatorSignature)
        return false;
    // The record's stated offset counts from the archive's start; with bytes
    // in front of the archive it lies further on, right before the locator
    // when the record carries no extension data.
    uint8_t record[kRecordSize];
    const uint64_t stated = readLe64(locator + 8);
    const int64_t candidates[] = {stated <= uint64_t(INT32_MAX) ? int64_t(stated) : -1,
                                  endPosition - kLocatorSize - kRecordSize};
    for (int64_t at : candidates) {
        if (at < 0 || !readExactlyAt(source, at, record, kRecordSize) || readLe32(record) != kZip64EndSignature)
            continue;
        count = readLe64(record + 32);
        const uint64_t directorySize = readLe64(record + 40);
        const uint64_t directoryOffset = readLe64(record + 48);
        if (directorySize > uint64_t(INT32_MAX) || directoryOffset > uint64_t(INT32_MAX))
            return false;
        size = int64_t(directorySize);
        offset = int64_t(directoryOffset);
        recordPosition = at;
        return true;
    }
    return false;
}

CentralDirectory readCentralDirectory(IReadableFile* source, int64_t fileSize) {
    CentralDirectory result;
    if (fileSize < kEndOfCentralSize) {
        result.problem = fileSize == 0 ? "the file is empty" : "it has no end record (cut short, or not a zip)";
        return result;
    }
    // The end record sits within the last 22 + 65535 bytes (its comment).
    const int64_t tailSize = std::min<int64_t>(fileSize, kEndOfCentralSize + 0xFFFF);
    std::vector<uint8_t> tail(static_cast<size_t>(tailSize));
    if (!readExactlyAt(source, fileSize - tailSize, tail.data(), tailSize)) {
        result.problem = "its end could not be read";
        return result;
    }
    int64_t end = -1;
    for (int64_t i = tailSize - kEndOfCentralSize; i >= 0; --i) {
        if (readLe32(&tail[size_t(i)]) == kEndOfCentralSignature) {
            end = i;
            break;
        }
    }
    if (end < 0) {
        result.problem = "it has no end record (cut short, or not a zip)";
        return result;
    }
    result.endFound = true;
    const int64_t endPosition = fileSize - tailSize + end;
    result.declaredCount = readLe16(&tail[size_t(end) + 10]);
    int64_t directorySize = readLe32(&tail[size_t(end) + 12]);
    int64_t directoryOffset = readLe32(&tail[size_t(end) + 16]);
    // The directory ends where the end record (or the Zip64 end record)
    // starts: the difference from its stated place is the shift.
    int64_t directoryEnd = endPosition;
    uint64_t count64 = 0;
    int64_t size64 = 0;
    int64_t offset64 = 0;
    int64_t record64 = 0;
    if (readZip64End(source, endPosition, count64, size64, offset64, record64)) {
        result.declaredCount = count64;
        directorySize = size64;
        directoryOffset = offset64;
        directoryEnd = record64;
    } else if (result.declaredCount == 0xFFFF || directorySize == kZip64Marker || directoryOffset == kZip64Marker) {
        result.problem = "its Zip64 end record is missing or damaged";
        return result;
    }
    const int64_t directoryStart = directoryEnd - directorySize;
    if (directoryStart < 0 || directoryStart < directoryOffset) {
        result.problem = "its central directory lies outside the file";
        return result;
    }
    result.shift = directoryStart - directoryOffset;
    std::vector<uint8_t> directory(static_cast<size_t>(directorySize));
    if (!readExactlyAt(source, directoryStart, directory.data(), directorySize)) {
        result.problem = "its central directory could not be read";
        return result;
    }

    int64_t at = 0;
    uint64_t seen = 0;
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
        ++seen;
        CentralRecord record{readLe32(h + 42), readLe32(h + 16), readLe32(h + 20), readLe32(h + 24)};
        if (applyZip64Extra(h + kCentralHeaderSize + nameLength, uint32_t(extraLength), record.uncompressedSize,
                            record.compressedSize, record.localOffset))
            result.records.push_back(record);
        at += recordSize;
    }
    if (seen != result.declaredCount)
        result.problem = "its central directory is damaged";
    std::sort(result.records.begin(), result.records.end(),
              [](const CentralRecord& a, const CentralRecord& b) { return a.localOffset < b.localOffset; });
    return result;
}

bool hasLocalHeaderAt(IReadableFile* source, int64_t position) {
    uint8_t signature[4];
    return readExactlyAt(source, position, signature, 4) && readLe32(signature) == kLocalHeaderSignature;
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

bool CVirtualFilesReaderZip::hasCentralDirectory(IReadableFile* file) {
    return file && !readCentralDirectory(file, file->size()).records.empty();
}

void CVirtualFilesReaderZip::scanLocalHeaders() {
    IReadableFile* source = m_source.get();
    const int64_t fileSize = source->size();
    int64_t position = std::max<int32_t>(source->position(), 0);
    const CentralDirectory central = readCentralDirectory(source, fileSize);
    const std::vector<CentralRecord>& records = central.records;
    // Offsets in the directory count from where the archive starts.
    const int64_t shift = central.shift;
    auto centralRecordAt = [&](int64_t position) -> const CentralRecord* {
        const int64_t localOffset = position - shift;
        auto it = std::lower_bound(records.begin(), records.end(), localOffset,
                                   [](const CentralRecord& r, int64_t offset) { return r.localOffset < offset; });
        return it != records.end() && it->localOffset == localOffset ? &*it : nullptr;
    };

    // The members follow one another from the archive's first one: at the
    // start of the file, or else where the directory places it (after bytes
    // put in front of the archive).
    if (!records.empty() && !hasLocalHeaderAt(source, position))
        position = records.front().localOffset + shift;
    const char* stopped = nullptr;
    std::vector<uint8_t> name;
    for (;;) {
        uint8_t h[kLocalHeaderSize];
        if (position + kLocalHeaderSize > fileSize || !readExactlyAt(source, position, h, kLocalHeaderSize) ||
            readLe32(h) != kLocalHeaderSignature) {
            // The walk ends at the directory, the end record, or damage.
            if (central.endFound && m_entries.size() < records.size())
                stopped = "a member's header is missing or damaged";
            break;
        }
        ZipLocalHeader header;
        header.signature = readLe32(h);
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
        name.resize(header.nameLength);
        if (dataOffset > fileSize || !readExactlyAt(source, nameOffset, name.data(), header.nameLength)) {
            stopped = "a member's header runs past the end";
            break;
        }

        // The local header holds no usable sizes for these members: the
        // central directory knows them.
        const bool descriptor = (header.flags & kFlagDataDescriptor) != 0;
        if (descriptor || header.compressedSize == kZip64Marker || header.uncompressedSize == kZip64Marker) {
            const CentralRecord* record = centralRecordAt(position);
            if (!record) {
                stopped = "a member's sizes are missing from the central directory";
                break;
            }
            header.crc32 = record->crc32;
            header.compressedSize = record->compressedSize;
            header.uncompressedSize = record->uncompressedSize;
        }
        const int64_t dataEnd = dataOffset + header.compressedSize;
        if (dataEnd > fileSize) {
            stopped = "a member's data runs past the end";
            break;
        }

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
        auto next = std::upper_bound(records.begin(), records.end(), position - shift,
                                     [](int64_t offset, const CentralRecord& r) { return offset < r.localOffset; });
        if (next == records.end())
            break;
        if (next->localOffset + shift < dataEnd) {
            stopped = "the central directory places members inside one another";
            break;
        }
        position = next->localOffset + shift;
    }

    // One line says what is wrong with the archive as a whole.
    const char* problem = stopped;
    if (!problem && !central.endFound && fileSize > 0 && !m_entries.empty())
        problem = "it has no end record (cut short?)";
    if (!problem && m_entries.empty())
        problem = central.problem ? central.problem : "it holds no members";
    if (!problem && central.problem)
        problem = central.problem;
    if (problem) {
        const bool empty = central.endFound && central.declaredCount == 0 && m_entries.empty() && !stopped;
        CLog::instance()->log(CStringW(u"Zip archive ") + m_archiveName + u": " + CStringW(problem) +
                                  (m_entries.empty() ? CStringW()
                                                     : CStringW(u"; members read: ") +
                                                           CStringW(std::to_string(m_entries.size()).c_str())),
                              empty ? CLog::Warning : CLog::Error);
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
    if (uncompressed > kMaxMemberSize) {
        log->log("File is too large to open from an archive: " + entry.path, CLog::Error);
        return nullptr;
    }
    if (uncompressed > compressed * kMaxInflateRatio + kInflateSlack) {
        log->log("File has a damaged compressed size: " + entry.path, CLog::Error);
        return nullptr;
    }
    std::unique_ptr<uint8_t[]> input(new (std::nothrow) uint8_t[size_t(compressed)]);
    if (!input)
        return nullptr;
    if (!readExactlyAt(m_source.get(), entry.dataOffset, input.get(), int64_t(compressed))) {
        log->log("Could not read compressed file: " + entry.path, CLog::Error);
        return nullptr;
    }

    z_stream stream{};
    stream.next_in = input.get();
    stream.avail_in = uInt(compressed);
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return nullptr;
    // The output grows only as far as the data fills it.
    uint64_t capacity = std::min(uncompressed, std::max(compressed * kFirstOutputRatio, kFirstOutputBlock));
    std::unique_ptr<uint8_t[]> output(new (std::nothrow) uint8_t[size_t(std::max<uint64_t>(capacity, 1))]);
    int result = Z_OK;
    while (output) {
        stream.next_out = output.get() + stream.total_out;
        stream.avail_out = uInt(capacity - stream.total_out);
        result = inflate(&stream, Z_FINISH);
        if (result != Z_BUF_ERROR || stream.avail_out != 0 || capacity == uncompressed)
            break;
        // Full, and the data goes on: grow towards the stated size.
        const uint64_t grown = std::min(uncompressed, capacity * 2);
        std::unique_ptr<uint8_t[]> larger(new (std::nothrow) uint8_t[size_t(grown)]);
        if (larger)
            std::memcpy(larger.get(), output.get(), size_t(stream.total_out));
        output = std::move(larger);
        capacity = grown;
    }
    const uint64_t produced = stream.total_out;
    inflateEnd(&stream);
    if (!output)
        return nullptr;
    if (result != Z_STREAM_END || produced != uncompressed) {
        log->log("File has damaged compressed data: " + entry.path, CLog::Error);
        return nullptr;
    }
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
