#pragma once

#include "engine/core/CRefCounted.h"

#include <cstdint>

class CStringW;

// A file that can be written: a disk file or a memory file. Whoever gets a
// file from a factory owns one reference.
class IWritableFile : public virtual CRefCounted {
public:
    // Writes up to `count` bytes from `buffer`; answers the number written
    // (0 on failure and for a negative count).
    virtual int32_t write(const void* buffer, int32_t count) = 0;
    // Moves to `position`, counted from the start, or from the current
    // position when `relative` is set.
    [[nodiscard]] virtual bool seek(int32_t position, bool relative) = 0;
    [[nodiscard]] virtual int32_t position() const = 0;
    [[nodiscard]] virtual const CStringW& fileName() const = 0;
    // Finishes the file: pushes every byte written so far to where the file
    // keeps it and, with `toDisk`, down to the disk itself, then closes it
    // (later writes fail). True when every write since opening and these
    // steps succeeded: a write may be taken on trust and fail only here.
    // Memory files have nothing to push and stay usable.
    [[nodiscard]] virtual bool close(bool toDisk) {
        static_cast<void>(toDisk);
        return true;
    }

protected:
    ~IWritableFile() override = default;
};
