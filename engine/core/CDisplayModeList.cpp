#include "engine/core/CDisplayModeList.h"

CDisplayModeList::~CDisplayModeList() = default;

const CDisplayMode& CDisplayModeList::addMode(const CDisplayMode& mode) {
    const int64_t existing = m_modes.indexOf(mode);
    if (existing >= 0)
        return m_modes[uint32_t(existing)];
    m_modes.push_back(mode);
    m_modes.sort();
    return m_modes[uint32_t(m_modes.indexOf(mode))];
}
