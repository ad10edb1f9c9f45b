#pragma once

#include "engine/core/CStringW.h"
#include "engine/io/IWritableFile.h"
#include "engine/platform/CPlatformWriteFile.h"

#include <cstdint>
#include <string>
#include <vector>

// A disk file opened for writing: emptied first, or appended to. Small writes
// are gathered in a buffer; every failure (of a write, of pushing the buffer,
// of the sync or the close) is kept, logged once ("Can't write file: ", the
// name and the system's reason), and makes later writes and close() fail.
class CDiskWriteFile : public IWritableFile {
public:
    CDiskWriteFile(const CStringW& path, bool append);

    // A new open file (owned by the caller), or null after logging "Can't
    // create file: ", the name and the system's reason when `path` cannot be
    // opened for writing.
    [[nodiscard]] static CDiskWriteFile* create(const CStringW& path, bool append);

    int32_t write(const void* buffer, int32_t count) override;
    [[nodiscard]] bool seek(int32_t position, bool relative) override;
    [[nodiscard]] int32_t position() const override;
    [[nodiscard]] const CStringW& fileName() const override { return m_name; }
    [[nodiscard]] bool close(bool toDisk) override;
    [[nodiscard]] bool isOpen() const { return m_file.isOpen(); }
    // True once any write, push, sync or close has failed.
    [[nodiscard]] bool hasError() const { return m_error; }

protected:
    // Closes the file when nobody did; a failure is logged.
    ~CDiskWriteFile() override;

private:
    // Hands the buffered bytes to the system.
    bool pushBuffer();
    // Keeps the failure and logs the first one.
    bool failed(const std::string& reason);

    CStringW m_name;
    // Why the file could not be opened, for create's log line.
    std::string m_openError;
    CPlatformWriteFile m_file;
    std::vector<uint8_t> m_buffer;
    bool m_error = false;
};
