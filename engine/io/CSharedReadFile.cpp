#include "engine/io/CSharedReadFile.h"

CSharedReadFile::CSharedReadFile(IReadableFile* file) : m_file(CRefHandle<IReadableFile>::share(file)) {}

CSharedReadFile::~CSharedReadFile() = default;

int32_t CSharedReadFile::read(void* buffer, int32_t count) {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_file->read(buffer, count);
}

bool CSharedReadFile::seek(int32_t position, bool relative) {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_file->seek(position, relative);
}

int32_t CSharedReadFile::position() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_file->position();
}

int32_t CSharedReadFile::readAt(int32_t offset, void* buffer, int32_t count) {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_file->readAt(offset, buffer, count);
}
