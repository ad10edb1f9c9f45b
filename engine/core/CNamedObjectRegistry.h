#pragma once

#include "engine/core/CEventReceiver.h"
#include "engine/core/CMap.h"
#include "engine/core/CStringW.h"

// Process-wide objects kept by name, one reference held per entry; all are
// released when the registry goes.
class CNamedObjectRegistry : public CEventReceiver {
public:
    CNamedObjectRegistry() = default;

    // Keeps `object` (taking a reference) under `name`, releasing the object
    // it replaces; a null object removes the entry.
    void setObject(const CStringW& name, CRefCounted* object);
    // The object under `name`, or null; no reference is handed out.
    [[nodiscard]] CRefCounted* getObject(const CStringW& name) const;
    [[nodiscard]] uint32_t size() const { return m_objects.size(); }

protected:
    ~CNamedObjectRegistry() override;

private:
    CMap<CStringW, CRefCounted*> m_objects;
};
