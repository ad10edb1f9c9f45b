#include "engine/core/CEmitterFactory.h"

#include "engine/core/CObjectName.h"

CEmitterFactory::CEmitterFactory() = default; // receiver mask 0: it takes no posted events

CEmitterFactory::~CEmitterFactory() = default;

void CEmitterFactory::registerEmitterType(const CStringW& typeName, Creator creator) {
    if (creator) {
        if (!m_creators.contains(typeName))
            m_creators[typeName] = creator;
    }
    else
        (void)m_creators.erase(typeName);
}

bool CEmitterFactory::hasEmitterType(const CStringW& typeName) const { return m_creators.contains(typeName); }

BaseEmitter* CEmitterFactory::createEmitter(const CStringW& typeName, const CObjectName& contentName) const {
    auto found = m_creators.find(typeName);
    if (found == m_creators.end())
        return nullptr;
    return found->value(contentName);
}
