#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CStringW.h"

#include <cstdint>

class IReadableFile;

// Pieces the archive readers share: little-endian fields, the archive's name,
// exact reads at an offset, and the directory kept sorted by path. The
// little-endian fields also serve the image codecs, the pixel converters and
// the profile file's trailer; they are inline for the converters' loops.

[[nodiscard]] inline uint16_t readLe16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
[[nodiscard]] inline uint32_t readLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
[[nodiscard]] inline uint64_t readLe64(const uint8_t* p) {
    return uint64_t(readLe32(p)) | uint64_t(readLe32(p + 4)) << 32;
}
inline void writeLe16(uint8_t* p, uint32_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}
inline void writeLe32(uint8_t* p, uint32_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value >> 16);
    p[3] = uint8_t(value >> 24);
}

// `name` with every '\' turned into '/', as archives report their names.
[[nodiscard]] CStringW withForwardSlashes(const CStringW& name);

// Reads exactly `count` bytes at `offset` through the file's readAt; false
// for an offset or count outside 0 to 2^31 - 1 and for a short read.
[[nodiscard]] bool readExactlyAt(IReadableFile* file, int64_t offset, void* buffer, int64_t count);

// Sorts `entries` (records with a `path`) by path, exact 16-bit order.
template <class Entry> void sortEntriesByPath(CArray<Entry>& entries) {
    entries.sort([](const Entry& a, const Entry& b) { return a.path < b.path; });
}

// The index of the entry whose path equals `path` exactly in entries sorted
// by sortEntriesByPath, or -1.
template <class Entry> [[nodiscard]] int32_t findEntryByPath(const CArray<Entry>& entries, const CStringW& path) {
    uint32_t low = 0;
    uint32_t high = entries.size();
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        const int order = entries[middle].path.compare(path);
        if (order == 0)
            return int32_t(middle);
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return -1;
}
