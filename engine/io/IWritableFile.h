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

protected:
    ~IWritableFile() override = default;
};
