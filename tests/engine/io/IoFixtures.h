#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class IReadableFile;

// Builders of archives for the file-layer tests, written from the formats'
// definitions so that damaged variants can be made field by field.

struct ZipMember {
    std::string name;
    std::vector<uint8_t> data;
    uint16_t method = 0;     // 0 stored, 8 deflated; any other number stores the bytes as they are
    bool descriptor = false; // sizes and CRC only in a data descriptor after the data
};

struct BuiltZip {
    std::vector<uint8_t> bytes;
    std::vector<size_t> localOffsets; // of each member's local header
    std::vector<size_t> dataOffsets;  // of each member's data
    size_t centralOffset = 0;
    size_t endOffset = 0; // of the end of central directory record
};

[[nodiscard]] BuiltZip buildZip(const std::vector<ZipMember>& members);

struct PackedMember {
    std::string name;
    std::vector<uint8_t> data;
};

// A packed archive with the directory after the data, or right after the
// header when `directoryFirst`.
[[nodiscard]] std::vector<uint8_t> buildPackedArchive(const std::vector<PackedMember>& members,
                                                      const std::string& password, bool directoryFirst = false);

[[nodiscard]] std::vector<uint8_t> deflateRaw(const std::vector<uint8_t>& data);
[[nodiscard]] std::vector<uint8_t> randomBytes(size_t count, uint32_t seed);

void putLe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value);
void putLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value);

// A memory file holding a copy of `bytes`.
[[nodiscard]] CRefHandle<IReadableFile> memoryFile(const std::vector<uint8_t>& bytes, const CStringW& name);
// Everything from the file's current position to its end.
[[nodiscard]] std::vector<uint8_t> readToEnd(IReadableFile* file);

[[nodiscard]] CStringW widePath(const std::filesystem::path& path);

// Runs a shell command; true when it exits with 0.
[[nodiscard]] bool runCommand(const std::string& command);

// Makes `folder` the current folder for the object's life.
class WorkingDirectoryScope {
public:
    explicit WorkingDirectoryScope(const std::filesystem::path& folder);
    ~WorkingDirectoryScope();
    WorkingDirectoryScope(const WorkingDirectoryScope&) = delete;
    WorkingDirectoryScope& operator=(const WorkingDirectoryScope&) = delete;

private:
    std::filesystem::path m_previous;
};
