#include "tests/engine/io/IoFixtures.h"

#include "engine/io/CBufferFile.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <random>

void putLe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = uint8_t(value);
    bytes[at + 1] = uint8_t(value >> 8);
}

void putLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + size_t(i)] = uint8_t(value >> (8 * i));
}

namespace {

void append16(std::vector<uint8_t>& bytes, uint16_t value) {
    bytes.resize(bytes.size() + 2);
    putLe16(bytes, bytes.size() - 2, value);
}

void append32(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.resize(bytes.size() + 4);
    putLe32(bytes, bytes.size() - 4, value);
}

void appendBytes(std::vector<uint8_t>& bytes, const void* data, size_t count) {
    const auto* from = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), from, from + count);
}

} // namespace

std::vector<uint8_t> deflateRaw(const std::vector<uint8_t>& data) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&stream, uLong(data.size())));
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = uInt(data.size());
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::vector<uint8_t> randomBytes(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(count);
    for (auto& b : bytes)
        b = uint8_t(random());
    return bytes;
}

BuiltZip buildZip(const std::vector<ZipMember>& members) {
    BuiltZip zip;
    std::vector<uint8_t> central;
    for (const ZipMember& member : members) {
        const std::vector<uint8_t> stored = member.method == 8 ? deflateRaw(member.data) : member.data;
        const uint32_t crc = uint32_t(crc32(0, member.data.data(), uInt(member.data.size())));
        const uint16_t flags = member.descriptor ? 0x0008 : 0;
        const uint32_t localOffset = uint32_t(zip.bytes.size());
        zip.localOffsets.push_back(localOffset);

        append32(zip.bytes, 0x04034b50);
        append16(zip.bytes, 20);
        append16(zip.bytes, flags);
        append16(zip.bytes, member.method);
        append16(zip.bytes, 0);
        append16(zip.bytes, 0x21);
        append32(zip.bytes, member.descriptor ? 0 : crc);
        append32(zip.bytes, member.descriptor ? 0 : uint32_t(stored.size()));
        append32(zip.bytes, member.descriptor ? 0 : uint32_t(member.data.size()));
        append16(zip.bytes, uint16_t(member.name.size()));
        append16(zip.bytes, 0);
        appendBytes(zip.bytes, member.name.data(), member.name.size());
        zip.dataOffsets.push_back(zip.bytes.size());
        appendBytes(zip.bytes, stored.data(), stored.size());
        if (member.descriptor) {
            append32(zip.bytes, 0x08074b50);
            append32(zip.bytes, crc);
            append32(zip.bytes, uint32_t(stored.size()));
            append32(zip.bytes, uint32_t(member.data.size()));
        }

        append32(central, 0x02014b50);
        append16(central, 20);
        append16(central, 20);
        append16(central, flags);
        append16(central, member.method);
        append16(central, 0);
        append16(central, 0x21);
        append32(central, crc);
        append32(central, uint32_t(stored.size()));
        append32(central, uint32_t(member.data.size()));
        append16(central, uint16_t(member.name.size()));
        append16(central, 0);
        append16(central, 0);
        append16(central, 0);
        append16(central, 0);
        append32(central, 0);
        append32(central, localOffset);
        appendBytes(central, member.name.data(), member.name.size());
    }
    zip.centralOffset = zip.bytes.size();
    appendBytes(zip.bytes, central.data(), central.size());
    zip.endOffset = zip.bytes.size();
    append32(zip.bytes, 0x06054b50);
    append16(zip.bytes, 0);
    append16(zip.bytes, 0);
    append16(zip.bytes, uint16_t(members.size()));
    append16(zip.bytes, uint16_t(members.size()));
    append32(zip.bytes, uint32_t(central.size()));
    append32(zip.bytes, uint32_t(zip.centralOffset));
    append16(zip.bytes, 0);
    return zip;
}

std::vector<uint8_t> buildPackedArchive(const std::vector<PackedMember>& members, const std::string& password,
                                        bool directoryFirst) {
    size_t directorySize = 0;
    for (const PackedMember& member : members)
        directorySize += 2 + member.name.size() + 8;
    size_t dataSize = 0;
    for (const PackedMember& member : members)
        dataSize += member.data.size();

    const size_t directoryOffset = directoryFirst ? 16 : 16 + dataSize;
    size_t dataOffset = directoryFirst ? 16 + directorySize : 16;
    std::vector<uint8_t> bytes(16, 0);
    std::memcpy(bytes.data(), "MCA", 4);
    putLe32(bytes, 4, uint32_t(directoryOffset));
    putLe32(bytes, 8, uint32_t(members.size()));
    putLe32(bytes, 12, 0xDEADBEEF);

    std::vector<uint8_t> directory;
    std::vector<uint8_t> data;
    for (const PackedMember& member : members) {
        append16(directory, uint16_t(member.name.size()));
        appendBytes(directory, member.name.data(), member.name.size());
        append32(directory, uint32_t(dataOffset));
        append32(directory, uint32_t(member.data.size()));
        appendBytes(data, member.data.data(), member.data.size());
        dataOffset += member.data.size();
    }
    if (directoryFirst) {
        appendBytes(bytes, directory.data(), directory.size());
        appendBytes(bytes, data.data(), data.size());
    } else {
        appendBytes(bytes, data.data(), data.size());
        appendBytes(bytes, directory.data(), directory.size());
    }
    if (!password.empty())
        for (size_t p = 16; p < bytes.size(); ++p)
            bytes[p] ^= uint8_t(password[(p - 16) % password.size()]);
    return bytes;
}

CRefHandle<IReadableFile> memoryFile(const std::vector<uint8_t>& bytes, const CStringW& name) {
    auto* copy = new uint8_t[bytes.size() + 1];
    if (!bytes.empty())
        std::memcpy(copy, bytes.data(), bytes.size());
    return CRefHandle<IReadableFile>(new CBufferFile(copy, int32_t(bytes.size()), name, true));
}

std::vector<uint8_t> readToEnd(IReadableFile* file) {
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    for (;;) {
        const int32_t got = file->read(chunk, sizeof chunk);
        if (got <= 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

CStringW widePath(const std::filesystem::path& path) { return fromNativePath(path.string()); }

bool runCommand(const std::string& command) { return std::system(command.c_str()) == 0; }

WorkingDirectoryScope::WorkingDirectoryScope(const std::filesystem::path& folder)
    : m_previous(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
}

WorkingDirectoryScope::~WorkingDirectoryScope() {
    std::error_code error;
    std::filesystem::current_path(m_previous, error);
}
