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
// library). The dictionary, the property-data factory and the node factory
// are made on the first ask: their getters are defined beside their classes
// (CDictionary.cpp, CPropertyDataFactory.cpp, CNodeFactory.cpp), so whoever
// links the class and asks for it gets one, never null. The image and sound
// format registries wait for their installers (the device installs them).
// The named-object registry, the emitter factory and the random generator
// (seeded with 5489) are created here.
class CEngineManagers {
public:
    // The one object, built on the first call.
    [[nodiscard]] static CEngineManagers& instance();

    CEngineManagers(const CEngineManagers&) = delete;
    CEngineManagers& operator=(const CEngineManagers&) = delete;

    // The getters hand out no reference. These three make their registry on
    // the first ask (after an installer's null, too) and never answer null;
    // they are defined in the libraries of their classes.
    [[nodiscard]] CPropertyDataFactory* getPropertyDataFactory();
    [[nodiscard]] CDictionary* getDictionary();
    [[nodiscard]] CNodeFactory* getNodeFactory();

    [[nodiscard]] CNamedObjectRegistry* getNamedObjectRegistry() const { return m_namedObjects.get(); }
    [[nodiscard]] CImageFormatRegistry* getImageFormatRegistry() const { return m_imageFormats.get(); }
    [[nodiscard]] CEmitterFactory* getEmitterFactory() const { return m_emitterFactory.get(); }
    [[nodiscard]] CRandom* getRandom() const { return m_random.get(); }
    [[nodiscard]] CSoundFormatRegistry* getSoundFormatRegistry() const { return m_soundFormats.get(); }

    // Installers for the registries of higher libraries: each adopts the
    // reference the caller passes and releases the one it replaces (a test
    // may put its own dictionary in). T is the registry's class, complete at
    // the caller.
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
