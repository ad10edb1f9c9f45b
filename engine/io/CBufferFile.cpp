#include "engine/io/CBufferFile.h"

#include <algorithm>
#include <cstring>

CBufferFile::CBufferFile(void* data, int32_t size, const CStringW& name, bool ownsData)
    : m_data(static_cast<uint8_t*>(data)), m_size(data && size > 0 ? size : 0), m_name(name), m_ownsData(ownsData) {}

CBufferFile::~CBufferFile() {
    if (m_ownsData)
        delete[] m_data;
}

int32_t CBufferFile::read(void* buffer, int32_t count) {
    if (!buffer)
        return 0;
    const int32_t cut = std::min(count, m_size - m_position);
    if (cut <= 0)
        return 0;
    std::memcpy(buffer, m_data + m_position, size_t(cut));
    m_position += cut;
    return cut;
}

int32_t CBufferFile::write(const void* buffer, int32_t count) {
    if (!buffer)
        return 0;
    const int32_t cut = std::min(count, m_size - m_position);
    if (cut <= 0)
        return 0;
    std::memcpy(m_data + m_position, buffer, size_t(cut));
    m_position += cut;
    return cut;
}

bool CBufferFile::seek(int32_t position, bool relative) {
    const int64_t target = relative ? int64_t(m_position) + position : int64_t(position);
    if (target < 0 || target > m_size)
        return false;
    m_position = int32_t(target);
    return true;
}

const uint8_t* CBufferFile::remainingBlock(int32_t& count) const {
    count = m_data ? m_size - m_position : 0;
    return m_data ? m_data + m_position : nullptr;
}
