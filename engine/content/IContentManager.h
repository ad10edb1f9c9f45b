#pragma once

#include "engine/content/ContentType.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CStringW.h"

#include <cstdint>

class BaseNode;
class CObjectName;
class IContent;
class IReadableFile;

// The content manager as the rest of the engine sees it: loads assets by type
// code and name through the content processors, caches them by type and name
// id, saves them back, and resolves names relative to the file being read or
// written (the folder stack).
//
// `load` and `loadFromFile` hand out one reference for the caller (the cached
// object itself for shared content, else a copy or the fresh object); `find`
// hands out none. Failures give null or false.
class IContentManager : public CEventReceiver {
public:
    // With caching off, fresh loads are not cached; what is cached stays
    // cached and is still found.
    virtual void setCachingEnabled(bool enabled) = 0;
    [[nodiscard]] virtual bool isCachingEnabled() const = 0;

    // Loads (or finds in the cache) the object of `type` held by the open
    // `file`, keyed by the file's name; the caller keeps its file reference.
    [[nodiscard]] virtual IContent* loadFromFile(uint32_t type, IReadableFile* file) = 0;
    // Loads (or finds in the cache) the object of `type` named `name`; with
    // `relative` the name is resolved against the top of the folder stack.
    [[nodiscard]] virtual IContent* load(uint32_t type, const CStringW& name, bool relative) = 0;
    // The object cached under `type` and `name`'s id, or null; no reference.
    [[nodiscard]] virtual IContent* find(uint32_t type, const CObjectName& name) const = 0;

    // Writes `content` as `type` to the file `fileName` (not resolved against
    // the folder stack). `parameter` goes unchanged to the type's processor
    // (the image writers read it as a pointer to the quality; null: default).
    [[nodiscard]] virtual bool save(uint32_t type, IContent* content, const CStringW& fileName,
                                    const void* parameter) = 0;

    // Caches `content` under its own name, or under `name`; false when the
    // object is null, caching is off, the object is never cached, or the
    // name is taken (the cached object stays).
    [[nodiscard]] virtual bool addToCache(IContent* content, const CObjectName& name) = 0;
    [[nodiscard]] virtual bool addToCache(IContent* content) = 0;
    // Drops `content` from the cache when it is the object cached under its
    // type and name.
    virtual void remove(IContent* content) = 0;
    // Releases every cached object that only the cache holds.
    virtual void purge() = 0;
    // Releases every cached object and empties the cache.
    virtual void clear() = 0;

    // The folder stack: the bottom entry is the empty path and is never
    // popped (popping it answers an empty path).
    virtual void pushFolder(const CStringW& path) = 0;
    virtual CStringW popFolder() = 0;
    // `name` resolved against, or made relative to, the top of the stack.
    [[nodiscard]] virtual CStringW makeAbsoluteName(const CStringW& name) const = 0;
    [[nodiscard]] virtual CStringW makeRelativeName(const CStringW& name) const = 0;

    // `load` of a scene-node tree ('snod'); N is the node class, complete
    // where this is called.
    template <class N = BaseNode> [[nodiscard]] N* loadNode(const CStringW& name, bool relative) {
        return static_cast<N*>(load(ContentTypeSceneNode, name, relative));
    }

protected:
    IContentManager() = default;
    ~IContentManager() override = default;
};
