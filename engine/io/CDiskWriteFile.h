#pragma once

#include "engine/core/CStringW.h"
#include "engine/io/IWritableFile.h"

#include <cstdio>

// A disk file opened for writing: emptied first, or appended to.
class CDiskWriteFile : public IWritableFile {
public:
    CDiskWriteFile(const CStringW& path, bool append);

    // A new open file (owned by the caller), or null when `path` cannot be
    // opened for writing; nothing is logged.
    [[nodiscard]] static CDiskWriteFile* create(const CStringW& path, bool append);

    int32_t write(const void* buffer, int32_t count) override;
    [[nodiscard]] bool seek(int32_t position, bool relative) override;
    [[nodiscard]] int32_t position() const override;
    [[nodiscard]] const CStringW& fileName() const override { return m_name; }
    [[nodiscard]] bool isOpen() const { return m_stream != nullptr; }

protected:
    ~CDiskWriteFile() override;

private:
    CStringW m_name;
    std::FILE* m_stream = nullptr;
};
