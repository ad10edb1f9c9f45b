#pragma once

#include "engine/content/IContent.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"

#include <cstdint>

class CContentProcessorsManager;
class CEvent;
class CEventHandlerTable;
class CVirtualFileSystem;
class IContentProcessor;
class IReadableFile;

// The one content manager: loads assets through the processors registered
// for their type codes, caches them by type and exact name (no case folding,
// no separator normalisation), hands out the cached object or a copy as the
// object's content flags say, and saves objects back through the processors.
//
// The cache holds one reference on every object in it. Failed loads and
// saves answer null or false and leave the cache as it was; the manager logs
// only what no one else can (a file that refers to itself, loads nested too
// deeply, an object that cannot be copied), processors log their own reasons.
class CContentManager : public IContentManager {
public:
    // The engine's listener priority for the content manager.
    static constexpr int32_t ListenerPriority = 1;
    // Extensions tried, in order, for an image, texture or atlas texture whose
    // file is missing.
    static constexpr const char16_t* ImageFallbackExtension = u".mimg";
    // Loads nested deeper than this (a file that refers to files that refer
    // to files ...) fail instead of exhausting the stack.
    static constexpr uint32_t MaxLoadDepth = 64;

    // Takes a reference to each service (the driver is kept through its
    // reference count, its class belonging to a higher library). Caching on,
    // folder stack [""], cache empty.
    CContentManager(CRefCounted* videoDriver, CVirtualFileSystem* fileSystem, CContentProcessorsManager* processors);

    // Pre-handlers, the class table (event 10 drops the driver, 11 takes the
    // new one; neither consumes the event), post-handlers.
    bool handleEvent(CEvent* event) override;
    // Notifies the processors of the cached types, lowest priority first.
    // Never consumes the event.
    bool routeToChildren(int phase, CEvent* event) override;

    void setCachingEnabled(bool enabled) override { m_cachingEnabled = enabled; }
    [[nodiscard]] bool isCachingEnabled() const override { return m_cachingEnabled; }

    [[nodiscard]] IContent* loadFromFile(uint32_t type, IReadableFile* file) override;
    [[nodiscard]] IContent* load(uint32_t type, const CStringW& name, bool relative) override;
    [[nodiscard]] IContent* find(uint32_t type, const CObjectName& name) const override;
    [[nodiscard]] bool save(uint32_t type, IContent* content, const CStringW& fileName, const void* parameter) override;

    [[nodiscard]] bool addToCache(IContent* content, const CObjectName& name) override;
    [[nodiscard]] bool addToCache(IContent* content) override;
    void remove(IContent* content) override;
    void purge() override;
    void clear() override;

    void pushFolder(const CStringW& path) override;
    CStringW popFolder() override;
    [[nodiscard]] CStringW makeAbsoluteName(const CStringW& name) const override;
    [[nodiscard]] CStringW makeRelativeName(const CStringW& name) const override;

    virtual bool onVideoDriverReleased(CEvent* event);
    virtual bool onVideoDriverCreated(CEvent* event);

    // Services; no reference handed out.
    [[nodiscard]] CRefCounted* getVideoDriver() const { return m_videoDriver.get(); }
    [[nodiscard]] CVirtualFileSystem* getFileSystem() const { return m_fileSystem.get(); }
    [[nodiscard]] CContentProcessorsManager* getProcessors() const { return m_processors.get(); }

    // How many objects the cache holds, over all types.
    [[nodiscard]] uint32_t cachedCount() const;
    [[nodiscard]] uint32_t folderDepth() const { return m_folders.size(); }

    [[nodiscard]] static const CEventHandlerTable& handlerTable();

    // The name tried for a missing image file: `fullName` with its extension
    // (from the last '.' after the last separator) replaced by
    // ImageFallbackExtension, which a name without one simply gets.
    [[nodiscard]] static CStringW imageFallbackName(const CStringW& fullName);

protected:
    ~CContentManager() override;

private:
    struct LoadKey {
        uint32_t type;
        int32_t id;
        friend bool operator==(const LoadKey& a, const LoadKey& b) { return a.type == b.type && a.id == b.id; }
    };

    // The processor's object for `file`, cached when the cache takes it.
    // `cached` tells whether it is in the cache (holding the processor's
    // reference) or not (the caller holds it).
    IContent* loadThroughProcessor(uint32_t type, IReadableFile* file, const CObjectName& key, bool& cached);
    // The processor's object for `file`, handed out by the sharing rule.
    IContent* loadKeyed(uint32_t type, const CObjectName& key, IReadableFile* file);
    // What the caller of a load gets for `content`, which the cache holds
    // (or which the caller already owns when `cached` is false).
    IContent* handOut(IContent* content, bool cached);
    // Opens `fullName`, trying the image fallback for image-like types.
    IReadableFile* openContentFile(uint32_t type, const CStringW& fullName);
    [[nodiscard]] const CStringW& topFolder() const { return m_folders[m_folders.size() - 1]; }

    CRefHandle<CRefCounted> m_videoDriver;
    CRefHandle<CVirtualFileSystem> m_fileSystem;
    bool m_cachingEnabled = true;
    CRefHandle<CContentProcessorsManager> m_processors;
    CArray<CStringW> m_folders;
    CMap<uint32_t, CContentMap> m_cache;
    // The loads under way, to refuse a file that (indirectly) loads itself.
    CArray<LoadKey> m_loading;
};
