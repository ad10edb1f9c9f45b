#pragma once

#include "engine/core/CRefCounted.h"

#include <cstdint>

class CStringW;

// A file that can be read: a disk file, a memory block, an archive member or
// a window onto another file. Sizes, positions and counts are bytes in signed
// 32-bit integers. Whoever gets a file from a factory owns one reference.
class IReadableFile : public virtual CRefCounted {
public:
    // Copies up to `count` bytes into `buffer`; answers the number copied
    // (0 at the end, on failure and for a negative count).
    virtual int32_t read(void* buffer, int32_t count) = 0;
    // Moves to `position`, counted from the start, or from the current
    // position when `relative` is set.
    [[nodiscard]] virtual bool seek(int32_t position, bool relative) = 0;
    [[nodiscard]] virtual int32_t size() const = 0;
    [[nodiscard]] virtual int32_t position() const = 0;
    [[nodiscard]] virtual const CStringW& fileName() const = 0;
    // Copies up to `count` bytes from `offset` (counted from the start) into
    // `buffer`; answers the number copied, 0 when `offset` cannot be reached.
    // This version seeks, then reads; a file shared between threads makes the
    // pair one step (CSharedReadFile).
    virtual int32_t readAt(int32_t offset, void* buffer, int32_t count) {
        if (!seek(offset, false))
            return 0;
        return read(buffer, count);
    }
    // The bytes from the current position to the end, for a file whose rest
    // lies in one block of memory: answers their first byte and sets `count`
    // (0 at the end). Null for every other file (the default), which must be
    // read. The block stays valid until the file is written or released.
    [[nodiscard]] virtual const uint8_t* remainingBlock(int32_t& count) const {
        count = 0;
        return nullptr;
    }

protected:
    ~IReadableFile() override = default;
};
