#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes packed asset archives ("mca"): a plain 16-byte header (the magic
// "MCA\0", the directory's offset, the entry count, 4 unused bytes), then
// the members' bytes and the directory (per entry: a 2-byte name length, the
// 8-bit name, the data offset and size), every byte from position 16 on
// XORed with the password byte at (position - 16) mod its length.
struct McaMember {
    std::string name;          // '/'-separated, each byte one character (0-255)
    std::vector<uint8_t> data; // stored as is
};

// The archive's bytes; false with a reason when a name or size cannot be stored.
[[nodiscard]] bool buildMcaArchive(std::vector<McaMember> members, const std::string& password,
                                   std::vector<uint8_t>& out, std::string* error);

// Every regular file under `folder`, named by its path relative to it, in
// name order. Names must be Latin-1 (UTF-8 on disk is turned into 8-bit
// characters); false with a reason otherwise.
[[nodiscard]] bool collectMcaMembers(const std::string& folder, std::vector<McaMember>& out, std::string* error);

// Packs `folder` into the archive file at `path` (written whole to a
// temporary file, then renamed over the old one).
[[nodiscard]] bool packMcaFolder(const std::string& folder, const std::string& path, const std::string& password,
                                 std::string* error);
