#include "engine/core/CNamedObjectRegistry.h"

#include <utility>

CNamedObjectRegistry::~CNamedObjectRegistry() {
    for (auto& entry : m_objects)
        entry.value->release();
    m_objects.clear();
}

void CNamedObjectRegistry::setObject(const CStringW& name, CRefCounted* object) {
    if (object)
        object->addRef();
    CRefCounted* old = object ? std::exchange(m_objects[name], object) : m_objects.erase(name);
    if (old)
        old->release();
}

CRefCounted* CNamedObjectRegistry::getObject(const CStringW& name) const {
    auto found = m_objects.find(name);
    return found == m_objects.end() ? nullptr : found->value;
}
