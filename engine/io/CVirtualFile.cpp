#include "engine/io/CVirtualFile.h"

#include "engine/core/CLog.h"

#include <algorithm>
#include <cstring>
#include <new>

CVirtualFile::CVirtualFile(const CStringW& name, int32_t blockSize)
    : m_blockSize(blockSize > 0 ? blockSize : kDefaultBlockSize), m_name(name) {}

CVirtualFile::~CVirtualFile() {
    for (uint8_t* block : m_blocks)
        delete[] block;
}

int32_t CVirtualFile::write(const void* buffer, int32_t count) {
    if (count <= 0 || !buffer)
        return 0;
    const int64_t end = int64_t(m_position) + count;
    const int64_t capacity = int64_t(m_blockSize) * m_blocks.size();
    // A write that ends exactly on a block boundary already adds the block
    // after it.
    if (end > INT32_MAX) {
        CLog::instance()->log("Not enough memory for write data in virtualFile " + m_name, CLog::Error);
        return 0;
    }
    if (end >= capacity) {
        const int64_t wanted = end / m_blockSize + 1;
        while (int64_t(m_blocks.size()) < wanted) {
            uint8_t* block = new (std::nothrow) uint8_t[size_t(m_blockSize)];
            if (!block) {
                CLog::instance()->log("Not enough memory for write data in virtualFile " + m_name, CLog::Error);
                return 0;
            }
            m_blocks.push_back(block);
        }
    }
    const auto* from = static_cast<const uint8_t*>(buffer);
    int32_t left = count;
    int32_t at = m_position;
    while (left > 0) {
        const int32_t offset = at % m_blockSize;
        const int32_t part = std::min(left, m_blockSize - offset);
        std::memcpy(m_blocks[uint32_t(at / m_blockSize)] + offset, from, size_t(part));
        from += part;
        at += part;
        left -= part;
    }
    m_position = at;
    if (m_position > m_size)
        m_size = m_position;
    return count;
}

int32_t CVirtualFile::read(void* buffer, int32_t count) {
    if (count <= 0 || !buffer)
        return 0;
    const int32_t cut = std::min(count, m_size - m_position);
    if (cut <= 0)
        return 0;
    auto* to = static_cast<uint8_t*>(buffer);
    int32_t left = cut;
    int32_t at = m_position;
    while (left > 0) {
        const int32_t offset = at % m_blockSize;
        const int32_t part = std::min(left, m_blockSize - offset);
        std::memcpy(to, m_blocks[uint32_t(at / m_blockSize)] + offset, size_t(part));
        to += part;
        at += part;
        left -= part;
    }
    m_position = at;
    return cut;
}

bool CVirtualFile::seek(int32_t position, bool relative) {
    const int64_t target = relative ? int64_t(m_position) + position : int64_t(position);
    if (target < 0 || target > m_size)
        return false;
    m_position = int32_t(target);
    return true;
}

const uint8_t* CVirtualFile::remainingBlock(int32_t& count) const {
    count = 0;
    if (m_position >= m_size)
        return nullptr;
    const int32_t block = m_position / m_blockSize;
    if ((m_size - 1) / m_blockSize != block)
        return nullptr;
    count = m_size - m_position;
    return m_blocks[uint32_t(block)] + m_position % m_blockSize;
}
