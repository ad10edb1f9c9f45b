#include "engine/io/CDiskReadFile.h"

#include "engine/core/CLog.h"
#include "engine/io/FilePaths.h"
#include "engine/platform/PlatformSystem.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>

CDiskReadFile::CDiskReadFile(const CStringW& path) : m_name(path) {
    if (path.empty())
        return;
    const std::string native = toNativePath(path);
    // Opened first: a missing file (every archive member looked up as a
    // loose file first) then costs one failed call.
    m_stream = platformOpenFile(native, "rb");
    if (!m_stream)
        return;
    // A folder opens as a stream here but reads nothing; it is no file.
    std::error_code error;
    if (std::filesystem::is_directory(native, error)) {
        std::fclose(m_stream);
        m_stream = nullptr;
        return;
    }
    long end = -1;
    if (std::fseek(m_stream, 0, SEEK_END) == 0)
        end = std::ftell(m_stream);
    if (end < 0 || end > INT32_MAX || std::fseek(m_stream, 0, SEEK_SET) != 0) {
        if (end > INT32_MAX)
            CLog::instance()->log("File is too large to open: " + path, CLog::Error);
        std::fclose(m_stream);
        m_stream = nullptr;
        return;
    }
    m_size = int32_t(end);
}

std::string CDiskReadFile::unreadableReason(const CStringW& path) {
    if (path.empty())
        return std::string();
    const std::string native = toNativePath(path);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(native, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return std::string();
    if (error)
        return error.message();
    if (status.type() == std::filesystem::file_type::directory)
        return "a folder is in its place";
    std::FILE* stream = std::fopen(native.c_str(), "rb");
    if (!stream)
        return std::strerror(errno);
    std::fclose(stream);
    return std::string();
}

CDiskReadFile::~CDiskReadFile() {
    if (m_stream)
        std::fclose(m_stream);
}

CDiskReadFile* CDiskReadFile::create(const CStringW& path) {
    auto* file = new CDiskReadFile(path);
    if (file->isOpen())
        return file;
    file->release();
    return nullptr;
}

int32_t CDiskReadFile::read(void* buffer, int32_t count) {
    if (!m_stream || !buffer || count <= 0)
        return 0;
    return int32_t(std::fread(buffer, 1, size_t(count), m_stream));
}

int32_t CDiskReadFile::readAt(int32_t offset, void* buffer, int32_t count) {
    if (!m_stream || !buffer || count <= 0 || offset < 0)
        return 0;
    return int32_t(platformReadFileAt(m_stream, offset, buffer, size_t(count)));
}

bool CDiskReadFile::seek(int32_t position, bool relative) {
    if (!m_stream)
        return false;
    return std::fseek(m_stream, position, relative ? SEEK_CUR : SEEK_SET) == 0;
}

int32_t CDiskReadFile::position() const {
    if (!m_stream)
        return 0;
    const long at = std::ftell(m_stream);
    return at < 0 || at > INT32_MAX ? 0 : int32_t(at);
}
