#pragma once

#include "engine/core/CStringW.h"
#include "engine/io/IReadableFile.h"

#include <cstdio>
#include <string>

// A disk file opened for reading. Folders and files of 2 GiB or more do not
// open. Its size is measured once, when it opens.
class CDiskReadFile : public IReadableFile {
public:
    explicit CDiskReadFile(const CStringW& path);

    // A new open file (owned by the caller), or null when `path` does not
    // open; nothing is logged for a missing file.
    [[nodiscard]] static CDiskReadFile* create(const CStringW& path);

    // Why `path` names something on disk that does not open as a file ("a
    // folder is in its place", the system's reason); empty when it is
    // missing (or opens).
    [[nodiscard]] static std::string unreadableReason(const CStringW& path);

    int32_t read(void* buffer, int32_t count) override;
    [[nodiscard]] bool seek(int32_t position, bool relative) override;
    [[nodiscard]] int32_t size() const override { return m_size; }
    [[nodiscard]] int32_t position() const override;
    [[nodiscard]] const CStringW& fileName() const override { return m_name; }
    // One positioned read where the system has it (an archive member opens
    // with one call); where the position is left afterwards is not promised.
    int32_t readAt(int32_t offset, void* buffer, int32_t count) override;
    [[nodiscard]] virtual bool isOpen() const { return m_stream != nullptr; }

protected:
    ~CDiskReadFile() override;

private:
    CStringW m_name;
    std::FILE* m_stream = nullptr;
    int32_t m_size = 0;
};
