#include "engine/io/CDiskWriteFile.h"

#include "engine/core/CLog.h"
#include "engine/io/FilePaths.h"

#include <climits>
#include <cstring>

namespace {

// Writes smaller than this are gathered; larger ones go straight through.
constexpr std::size_t kBufferSize = 64 * 1024;

} // namespace

CDiskWriteFile::CDiskWriteFile(const CStringW& path, bool append) : m_name(path) {
    if (path.empty())
        return;
    static_cast<void>(m_file.open(toNativePath(path), append, &m_openError));
}

CDiskWriteFile::~CDiskWriteFile() {
    if (m_file.isOpen())
        static_cast<void>(close(false));
}

CDiskWriteFile* CDiskWriteFile::create(const CStringW& path, bool append) {
    auto* file = new CDiskWriteFile(path, append);
    if (file->isOpen())
        return file;
    const std::string reason = path.empty() ? std::string("no name") : file->m_openError;
    CLog::instance()->log(CStringW(u"Can't create file: ") + path + u": " + fromNativePath(reason), CLog::Error);
    file->release();
    return nullptr;
}

bool CDiskWriteFile::failed(const std::string& reason) {
    if (!m_error)
        CLog::instance()->log(CStringW(u"Can't write file: ") + m_name + u": " + fromNativePath(reason), CLog::Error);
    m_error = true;
    return false;
}

bool CDiskWriteFile::pushBuffer() {
    if (m_buffer.empty())
        return true;
    std::string reason;
    const bool pushed = m_file.write(m_buffer.data(), m_buffer.size(), &reason);
    m_buffer.clear();
    return pushed || failed(reason);
}

int32_t CDiskWriteFile::write(const void* buffer, int32_t count) {
    if (!m_file.isOpen() || m_error || !buffer || count <= 0)
        return 0;
    const std::size_t size = std::size_t(count);
    if (m_buffer.size() + size > kBufferSize && !pushBuffer())
        return 0;
    if (size >= kBufferSize) {
        std::string reason;
        return m_file.write(buffer, size, &reason) ? count : (failed(reason), 0);
    }
    if (m_buffer.capacity() < kBufferSize)
        m_buffer.reserve(kBufferSize);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    return count;
}

bool CDiskWriteFile::seek(int32_t position, bool relative) {
    if (!m_file.isOpen() || m_error || !pushBuffer())
        return false;
    std::string reason;
    return m_file.seek(position, relative, &reason) || failed(reason);
}

int32_t CDiskWriteFile::position() const {
    if (!m_file.isOpen())
        return 0;
    const int64_t at = m_file.position();
    if (at < 0)
        return 0;
    const int64_t total = at + int64_t(m_buffer.size());
    return total > INT32_MAX ? 0 : int32_t(total);
}

bool CDiskWriteFile::close(bool toDisk) {
    if (!m_file.isOpen())
        return false;
    std::string reason;
    if (!m_error && pushBuffer() && toDisk && !m_file.sync(&reason))
        failed(reason);
    // Closed in every case; its own failure (a write the system put off)
    // counts like any other.
    if (!m_file.close(&reason))
        failed(reason);
    return !m_error;
}
