#include "engine/scene/CPropertyDataFactory.h"

#include "engine/core/CEngineManagers.h"
#include "engine/scene/CPropertyDataAtlasTexture.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/CPropertyDataColorf.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataFont.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataProperties.h"
#include "engine/scene/CPropertyDataRect.h"
#include "engine/scene/CPropertyDataSound.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyDataStringW.h"
#include "engine/scene/CPropertyDataStringWArray.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyDataVector3d.h"

namespace {

// A create function for kinds whose empty value ignores the manager.
template <class T> CRefHandle<IPropertyData> createPlain(IContentManager*) { return CRefHandle<IPropertyData>(new T); }

// ... and for kinds that keep it.
template <class T> CRefHandle<IPropertyData> createWithManager(IContentManager* contentManager) {
    return CRefHandle<IPropertyData>(new T(contentManager));
}

CRefHandle<IPropertyData> createProperties(IContentManager* contentManager) {
    return CRefHandle<IPropertyData>(new CPropertyDataProperties(nullptr, contentManager));
}

} // namespace

CPropertyDataFactory::CPropertyDataFactory() {
    const struct {
        const char16_t* name;
        CreateFunction create;
    } kinds[] = {
        {u"bool", &createPlain<CPropertyDataBool>},
        {u"int", &createPlain<CPropertyDataInt>},
        {u"float", &createPlain<CPropertyDataFloat>},
        {u"color", &createPlain<CPropertyDataColor>},
        {u"colorf", &createPlain<CPropertyDataColorf>},
        {u"vector2d", &createPlain<CPropertyDataVector2d>},
        {u"vector3d", &createPlain<CPropertyDataVector3d>},
        {u"rect", &createPlain<CPropertyDataRect>},
        {u"string", &createPlain<CPropertyDataString>},
        {u"stringw", &createPlain<CPropertyDataStringW>},
        {u"stringwArray", &createPlain<CPropertyDataStringWArray>},
        {u"font", &createWithManager<CPropertyDataFont>},
        {u"atlasTexture", &createWithManager<CPropertyDataAtlasTexture>},
        {u"sound", &createWithManager<CPropertyDataSound>},
        {u"properties", &createProperties},
    };
    for (const auto& kind : kinds)
        static_cast<void>(registerType(kind.name, kind.create));
}

CPropertyDataFactory::~CPropertyDataFactory() = default;

CPropertyDataFactory* CPropertyDataFactory::getShared() { return CEngineManagers::instance().getPropertyDataFactory(); }

// Defined here rather than in the core library, which cannot build the factory.
CPropertyDataFactory* CEngineManagers::getPropertyDataFactory() {
    if (!m_propertyDataFactory.get())
        m_propertyDataFactory.reset(new CPropertyDataFactory);
    return m_propertyDataFactory.get();
}

bool CPropertyDataFactory::registerType(const CStringW& typeName, CreateFunction create) {
    if (!create)
        return false;
    return m_creators.insert(typeName, create).second;
}

CRefHandle<IPropertyData> CPropertyDataFactory::create(const CStringW& typeName,
                                                       IContentManager* contentManager) const {
    auto found = m_creators.find(typeName);
    if (found == m_creators.end())
        return nullptr;
    return found->value(contentManager);
}
