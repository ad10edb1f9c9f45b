#pragma once

#include "engine/core/CMap.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"

class IContentManager;
class IPropertyData;

// Makes empty property values by type name ("int", "vector2d" ...), as the
// readers of property bags need. The fifteen engine kinds are registered by
// the constructor; type names are compared exactly (case-sensitive).
class CPropertyDataFactory : public CRefCounted {
public:
    // Makes a value holding the kind's zero. The content manager (may be
    // null) is kept by the content-valued kinds and by nested bags.
    using CreateFunction = CRefHandle<IPropertyData> (*)(IContentManager* contentManager);

    CPropertyDataFactory();

    // The factory the engine managers hold, installed there on first use when
    // the application has not installed one yet. No reference for the caller.
    [[nodiscard]] static CPropertyDataFactory* getShared();

    // Adds the pair; a name already registered keeps its first function
    // (false then).
    [[nodiscard]] bool registerType(const CStringW& typeName, CreateFunction create);
    // A new value (count 1) of the named kind, or null for a name that is
    // not registered.
    [[nodiscard]] CRefHandle<IPropertyData> create(const CStringW& typeName, IContentManager* contentManager) const;
    [[nodiscard]] bool isRegistered(const CStringW& typeName) const { return m_creators.contains(typeName); }

protected:
    ~CPropertyDataFactory() override;

private:
    CMap<CStringW, CreateFunction> m_creators;
};
