#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/IReadableFile.h"

// A read-only window of `size` bytes from `offset` onto a parent file, which
// it keeps alive. Every read is one readAt on the parent, so several windows
// may share one parent (on several threads when the parent is a
// CSharedReadFile). Seeks clamp to the window instead of failing.
class CRangeReadFile : public IReadableFile {
public:
    // Takes a reference on `parent` (may be null: the window is then empty).
    // Negative offsets and sizes count as 0.
    CRangeReadFile(IReadableFile* parent, int32_t offset, int32_t size, const CStringW& name);

    [[nodiscard]] static CRangeReadFile* create(IReadableFile* parent, int32_t offset, int32_t size,
                                                const CStringW& name);

    int32_t read(void* buffer, int32_t count) override;
    [[nodiscard]] bool seek(int32_t position, bool relative) override;
    [[nodiscard]] int32_t size() const override { return m_end - m_start; }
    [[nodiscard]] int32_t position() const override { return m_position; }
    [[nodiscard]] const CStringW& fileName() const override { return m_name; }

protected:
    ~CRangeReadFile() override;

private:
    CStringW m_name;
    int32_t m_start;
    int32_t m_end;
    int32_t m_position = 0;
    CRefHandle<IReadableFile> m_parent;
};
