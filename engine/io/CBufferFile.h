#pragma once

#include "engine/core/CStringW.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"

// A fixed-size file over a memory block given by the caller, readable and
// writable through one position. Writes never grow it. When `ownsData` is
// set the block was allocated with new[] and is freed with the file.
class CBufferFile : public IReadableFile, public IWritableFile {
public:
    // A null block or a negative size gives an empty file.
    CBufferFile(void* data, int32_t size, const CStringW& name, bool ownsData);

    int32_t read(void* buffer, int32_t count) override;
    int32_t write(const void* buffer, int32_t count) override;
    [[nodiscard]] bool seek(int32_t position, bool relative) override;
    [[nodiscard]] int32_t size() const override { return m_size; }
    [[nodiscard]] int32_t position() const override { return m_position; }
    [[nodiscard]] const CStringW& fileName() const override { return m_name; }
    [[nodiscard]] const uint8_t* remainingBlock(int32_t& count) const override;

    [[nodiscard]] const uint8_t* data() const { return m_data; }

protected:
    ~CBufferFile() override;

private:
    uint8_t* m_data;
    int32_t m_size;
    int32_t m_position = 0;
    CStringW m_name;
    bool m_ownsData;
};
