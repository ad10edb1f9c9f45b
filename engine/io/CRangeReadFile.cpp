#include "engine/io/CRangeReadFile.h"

#include <algorithm>

CRangeReadFile::CRangeReadFile(IReadableFile* parent, int32_t offset, int32_t size, const CStringW& name)
    : m_name(name), m_start(std::max(offset, 0)),
      m_end(int32_t(std::min<int64_t>(int64_t(m_start) + std::max(size, 0), INT32_MAX))),
      m_parent(CRefHandle<IReadableFile>::share(parent)) {}

CRangeReadFile::~CRangeReadFile() = default;

CRangeReadFile* CRangeReadFile::create(IReadableFile* parent, int32_t offset, int32_t size, const CStringW& name) {
    return new CRangeReadFile(parent, offset, size, name);
}

int32_t CRangeReadFile::read(void* buffer, int32_t count) {
    if (!m_parent || !buffer || count <= 0)
        return 0;
    const int64_t start = int64_t(m_start) + m_position;
    const int64_t cut = std::min<int64_t>(count, m_end - start);
    if (cut <= 0)
        return 0;
    // One step on the parent: windows on other threads may share it, and a
    // parent that cannot reach the start hands out nothing.
    const int32_t got = m_parent->readAt(int32_t(start), buffer, int32_t(cut));
    if (got <= 0)
        return 0;
    m_position += got;
    return got;
}

bool CRangeReadFile::seek(int32_t position, bool relative) {
    const int64_t target = relative ? int64_t(m_position) + position : int64_t(position);
    m_position = int32_t(std::clamp<int64_t>(target, 0, m_end - m_start));
    return true;
}
