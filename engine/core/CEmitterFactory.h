#pragma once

#include "engine/core/CEventReceiver.h"
#include "engine/core/CMap.h"
#include "engine/core/CStringW.h"

class BaseEmitter;
class CObjectName;

// Makes particle emitters by type name ("PointEmitter", "RectangleEmitter")
// for the particle-collection loaders. The emitter classes register their
// creation functions when the library that defines them is installed.
class CEmitterFactory : public CEventReceiver {
public:
    // Makes a new emitter (count 1, owned by the caller) named `contentName`.
    using Creator = BaseEmitter* (*)(const CObjectName& contentName);

    CEmitterFactory();

    // Adds the creator of `typeName`; a name already registered keeps its
    // first creator. A null creator removes the name.
    void registerEmitterType(const CStringW& typeName, Creator creator);
    [[nodiscard]] bool hasEmitterType(const CStringW& typeName) const;

    // A new emitter of `typeName` holding one reference for the caller, or
    // null when no creator is registered under that name.
    [[nodiscard]] BaseEmitter* createEmitter(const CStringW& typeName, const CObjectName& contentName) const;

protected:
    ~CEmitterFactory() override;

private:
    CMap<CStringW, Creator> m_creators;
};
