#include "engine/io/CDiskWriteFile.h"

#include "engine/io/FilePaths.h"

#include <climits>

CDiskWriteFile::CDiskWriteFile(const CStringW& path, bool append) : m_name(path) {
    if (path.empty())
        return;
    m_stream = std::fopen(toNativePath(path).c_str(), append ? "ab" : "wb");
}

CDiskWriteFile::~CDiskWriteFile() {
    if (m_stream)
        std::fclose(m_stream);
}

CDiskWriteFile* CDiskWriteFile::create(const CStringW& path, bool append) {
    auto* file = new CDiskWriteFile(path, append);
    if (file->isOpen())
        return file;
    file->release();
    return nullptr;
}

int32_t CDiskWriteFile::write(const void* buffer, int32_t count) {
    if (!m_stream || !buffer || count <= 0)
        return 0;
    return int32_t(std::fwrite(buffer, 1, size_t(count), m_stream));
}

bool CDiskWriteFile::seek(int32_t position, bool relative) {
    if (!m_stream)
        return false;
    return std::fseek(m_stream, position, relative ? SEEK_CUR : SEEK_SET) == 0;
}

int32_t CDiskWriteFile::position() const {
    if (!m_stream)
        return 0;
    const long at = std::ftell(m_stream);
    return at < 0 || at > INT32_MAX ? 0 : int32_t(at);
}
