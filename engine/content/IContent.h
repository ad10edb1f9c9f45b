#pragma once

#include "engine/core/CEventReceiver.h"
#include "engine/core/CMap.h"
#include "engine/core/CObjectName.h"

#include <cstdint>

class CEvent;

// Every asset the content manager loads and caches: scene trees, images,
// textures, fonts, particle collections, sounds. An object carries its type
// code (see ContentType.h), its content flags and the name it was loaded
// under (owner: the content manager that loaded it).
//
// The flags decide what the cache does with the object: FlagShared hands the
// cached object itself to every loader, FlagNeverCached keeps it out of the
// cache, and with neither every load hands out a `clone` of the cached one.
class IContent : public CEventReceiver {
public:
    static constexpr uint32_t FlagShared = 1;
    static constexpr uint32_t FlagNeverCached = 2;

    // Content does not take part in event routing unless a class says so.
    bool handleEvent(CEvent*) override { return false; }
    bool routeToParent(int, CEvent*) override { return false; }
    bool routeToChildren(int, CEvent*) override { return false; }

    // A new, independent copy (count 1, owned by the caller); null when the
    // class cannot be copied.
    [[nodiscard]] virtual IContent* clone() const { return nullptr; }
    [[nodiscard]] virtual uint32_t getContentType() const = 0;

    [[nodiscard]] uint32_t getContentFlags() const { return m_contentFlags; }
    void setContentFlags(uint32_t flags) { m_contentFlags = flags; }
    [[nodiscard]] const CObjectName& getContentName() const { return m_contentName; }
    void setContentName(const CObjectName& name) { m_contentName = name; }

protected:
    IContent() = default;
    IContent(const CObjectName& name, uint32_t flags) : m_contentFlags(flags), m_contentName(name) {}
    ~IContent() override = default;

private:
    uint32_t m_contentFlags = 0;
    CObjectName m_contentName;
};

// The cached objects of one type, by name id. Used by the content manager's
// cache and handed to processors when they are notified.
using CContentMap = CMap<int32_t, IContent*>;
