#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/io/IReadableFile.h"

#include <mutex>

// A file read by several users on several threads: an archive reader wraps
// its archive file in one, so that the windows onto its stored members (which
// the audio thread may stream from) and the reader's own reads never pair one
// user's seek with another's read. `readAt` is one locked seek-and-read;
// read, seek and position lock each call on its own, so users that share the
// file should read through `readAt`.
class CSharedReadFile : public IReadableFile {
public:
    // Takes a reference on `file`, which must not be null.
    explicit CSharedReadFile(IReadableFile* file);

    int32_t read(void* buffer, int32_t count) override;
    [[nodiscard]] bool seek(int32_t position, bool relative) override;
    [[nodiscard]] int32_t size() const override { return m_file->size(); }
    [[nodiscard]] int32_t position() const override;
    [[nodiscard]] const CStringW& fileName() const override { return m_file->fileName(); }
    int32_t readAt(int32_t offset, void* buffer, int32_t count) override;

protected:
    ~CSharedReadFile() override;

private:
    CRefHandle<IReadableFile> m_file;
    mutable std::mutex m_lock;
};
