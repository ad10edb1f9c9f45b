#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CStringW.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"

// A growing in-memory file made of fixed-size blocks, readable and writable
// through one shared position. Writes may overwrite and extend at the end;
// seeking past the end fails, so the file never has holes.
class CVirtualFile : public IReadableFile, public IWritableFile {
public:
    // A block size of 0 or less stands for kDefaultBlockSize.
    CVirtualFile(const CStringW& name, int32_t blockSize);

    static constexpr int32_t kDefaultBlockSize = 65536;

    int32_t read(void* buffer, int32_t count) override;
    int32_t write(const void* buffer, int32_t count) override;
    [[nodiscard]] bool seek(int32_t position, bool relative) override;
    [[nodiscard]] int32_t size() const override { return m_size; }
    [[nodiscard]] int32_t position() const override { return m_position; }
    [[nodiscard]] const CStringW& fileName() const override { return m_name; }
    // The rest of the file when it lies in one block; null when it spans two.
    [[nodiscard]] const uint8_t* remainingBlock(int32_t& count) const override;

    [[nodiscard]] int32_t blockSize() const { return m_blockSize; }
    [[nodiscard]] uint32_t blockCount() const { return m_blocks.size(); }

protected:
    ~CVirtualFile() override;

private:
    CArray<uint8_t*> m_blocks;
    int32_t m_blockSize;
    int32_t m_size = 0;
    int32_t m_position = 0;
    CStringW m_name;
};
