#include "engine/core/CEngineManagers.h"

#include "engine/core/CEmitterFactory.h"
#include "engine/core/CLog.h"
#include "engine/core/CNameTable.h"
#include "engine/core/CNamedObjectRegistry.h"
#include "engine/core/CRandom.h"

CEngineManagers& CEngineManagers::instance() {
    static CEngineManagers managers;
    return managers;
}

CEngineManagers::CEngineManagers() {
    // Process-wide objects that the registries use while they are destroyed
    // at exit must be built first, so that they are destroyed after.
    (void)CLog::instance();
    (void)CNameTable::instance();
    (void)CNameTableW::instance();

    m_namedObjects.reset(new CNamedObjectRegistry);
    m_emitterFactory.reset(new CEmitterFactory);
    m_random.reset(new CRandom);
}

CEngineManagers::~CEngineManagers() {
    m_propertyDataFactory.reset();
    m_soundFormats.reset();
    m_dictionary.reset();
    m_namedObjects.reset();
    m_imageFormats.reset();
    m_nodeFactory.reset();
    m_emitterFactory.reset();
    m_random.reset();
}
