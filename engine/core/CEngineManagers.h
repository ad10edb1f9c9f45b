#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CServicePtr.h"

class CDictionary;
class CEmitterFactory;
class CImageFormatRegistry;
class CNamedObjectRegistry;
class CNodeFactory;
class CPropertyDataFactory;
class CRandom;
class CSoundFormatRegistry;

// The process-wide registries that exist before and independently of the
// engine object: the property-value factory, the dictionary, the image and
// sound format registries, the node factory, the emitter factory, the random
// generator and a named-object registry. Reached through `instance` at any
// time, start-up included; alive until the process ends.
//
// The classes of several registries live in higher libraries than this one
// (property values and nodes in the scene library, the dictionary and the
// image formats in the content library, the sound formats in the sound
// library). Those slots stay null until the application installs them, in
// this order: property-data factory, sound format registry, dictionary,
// image format registry, node factory. The named-object registry, the
// emitter factory and the random generator (seeded with 5489) are created
// here.
class CEngineManagers {
public:
    // The one object, built on the first call.
    [[nodiscard]] static CEngineManagers& instance();

    CEngineManagers(const CEngineManagers&) = delete;
    CEngineManagers& operator=(const CEngineManagers&) = delete;

    // The getters hand out no reference.
    [[nodiscard]] CPropertyDataFactory* getPropertyDataFactory() const { return m_propertyDataFactory.get(); }
    [[nodiscard]] CDictionary* getDictionary() const { return m_dictionary.get(); }
    [[nodiscard]] CNamedObjectRegistry* getNamedObjectRegistry() const { return m_namedObjects.get(); }
    [[nodiscard]] CImageFormatRegistry* getImageFormatRegistry() const { return m_imageFormats.get(); }
    [[nodiscard]] CNodeFactory* getNodeFactory() const { return m_nodeFactory.get(); }
    [[nodiscard]] CEmitterFactory* getEmitterFactory() const { return m_emitterFactory.get(); }
    [[nodiscard]] CRandom* getRandom() const { return m_random.get(); }
    [[nodiscard]] CSoundFormatRegistry* getSoundFormatRegistry() const { return m_soundFormats.get(); }

    // Installers for the registries of higher libraries: each adopts the
    // reference the caller passes and releases the one it replaces. T is the
    // registry's class, complete at the caller.
    template <class T> void setPropertyDataFactory(T* factory) { m_propertyDataFactory.reset(factory); }
    template <class T> void setDictionary(T* dictionary) { m_dictionary.reset(dictionary); }
    template <class T> void setImageFormatRegistry(T* registry) { m_imageFormats.reset(registry); }
    template <class T> void setNodeFactory(T* factory) { m_nodeFactory.reset(factory); }
    template <class T> void setSoundFormatRegistry(T* registry) { m_soundFormats.reset(registry); }

private:
    CEngineManagers();
    ~CEngineManagers();

    CServicePtr<CPropertyDataFactory> m_propertyDataFactory;
    CServicePtr<CDictionary> m_dictionary;
    CServicePtr<CNamedObjectRegistry> m_namedObjects;
    CServicePtr<CImageFormatRegistry> m_imageFormats;
    CServicePtr<CNodeFactory> m_nodeFactory;
    CServicePtr<CEmitterFactory> m_emitterFactory;
    CServicePtr<CRandom> m_random;
    CServicePtr<CSoundFormatRegistry> m_soundFormats;
};
