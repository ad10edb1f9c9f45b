#pragma once

#include "engine/core/CStringW.h"
#include "engine/io/CDiskReadFile.h"

// A disk file opened through a mounted folder: it opens `diskPath` but is
// named by the path asked of the folder.
class CFolderReadFile : public CDiskReadFile {
public:
    CFolderReadFile(const CStringW& diskPath, const CStringW& requestedPath)
        : CDiskReadFile(diskPath), m_requestedPath(requestedPath) {}

    [[nodiscard]] const CStringW& fileName() const override { return m_requestedPath; }

protected:
    ~CFolderReadFile() override = default;

private:
    CStringW m_requestedPath;
};
