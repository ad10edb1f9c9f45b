#include "engine/content/CContentManager.h"

#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/IContentProcessor.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEvent.h"
#include "engine/core/CEventHandlerTable.h"
#include "engine/core/CLog.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"

namespace {

void logWarning(const CStringW& text) { CLog::instance()->log(text, CLog::Warning); }

// Types whose missing file may be replaced by the engine's raw image format.
bool hasImageFallback(uint32_t type) {
    return type == ContentTypeImage || type == ContentTypeImageTexture || type == ContentTypeAtlasTexture;
}

// A file being saved: writes go to a temporary file beside the target, while
// the processor sees the target's name (writers choose the format by its
// extension, and relative names are made against its folder).
// The wrapper holds its own reference, so a processor or writer that keeps
// it past the save never reaches a released file.
class CSavingFile : public IWritableFile {
public:
    CSavingFile(IWritableFile* temporary, const CStringW& targetName)
        : m_temporary(CRefHandle<IWritableFile>::share(temporary)), m_targetName(targetName) {}

    int32_t write(const void* buffer, int32_t count) override { return m_temporary->write(buffer, count); }
    [[nodiscard]] bool seek(int32_t position, bool relative) override { return m_temporary->seek(position, relative); }
    [[nodiscard]] int32_t position() const override { return m_temporary->position(); }
    [[nodiscard]] const CStringW& fileName() const override { return m_targetName; }

protected:
    ~CSavingFile() override = default;

private:
    CRefHandle<IWritableFile> m_temporary;
    CStringW m_targetName;
};

} // namespace

CContentManager::CContentManager(CRefCounted* videoDriver, CVirtualFileSystem* fileSystem,
                                 CContentProcessorsManager* processors)
    : m_videoDriver(CRefHandle<CRefCounted>::share(videoDriver)),
      m_fileSystem(CRefHandle<CVirtualFileSystem>::share(fileSystem)),
      m_processors(CRefHandle<CContentProcessorsManager>::share(processors)) {
    setMask(CEvent::MaskDevice);
    m_folders.push_back(CStringW());
}

// The engine's factory lives here, beside the class: the core library that
// declares it cannot build a content manager.
CContentManager* CEngine::createContentManager() {
    return new CContentManager(getVideoDriverObject(), getFileSystem(), getContentProcessorsManager());
}

CContentManager::~CContentManager() {
    clear();
    m_processors.reset();
    m_videoDriver.reset();
    m_fileSystem.reset();
}

const CEventHandlerTable& CContentManager::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(CEventReceiver::handlerTable());
        t.add<&CContentManager::onVideoDriverReleased>(IDeviceServiceEvent::VideoDriverReleased);
        t.add<&CContentManager::onVideoDriverCreated>(IDeviceServiceEvent::VideoDriverCreated);
        return t;
    }();
    return table;
}

bool CContentManager::handleEvent(CEvent* event) { return handleWithTable(handlerTable(), event); }

bool CContentManager::onVideoDriverReleased(CEvent*) {
    m_videoDriver.reset();
    return false;
}

bool CContentManager::onVideoDriverCreated(CEvent* event) {
    const auto* serviceEvent = dynamic_cast<const IDeviceServiceEvent*>(event);
    m_videoDriver = CRefHandle<CRefCounted>::share(serviceEvent ? serviceEvent->getService() : nullptr);
    return false;
}

bool CContentManager::routeToChildren(int, CEvent* event) {
    if (!m_processors)
        return false;
    struct Record {
        uint32_t type;
        int32_t priority;
        IContentProcessor* processor;
    };
    CArray<Record> records;
    for (const auto& entry : m_cache) {
        if (entry.value.empty())
            continue;
        if (IContentProcessor* processor = m_processors->findProcessor(entry.key))
            records.push_back({entry.key, processor->getPriority(), processor});
    }
    // Equal priorities keep ascending type order.
    records.sort([](const Record& a, const Record& b) {
        return a.priority != b.priority ? a.priority < b.priority : a.type < b.type;
    });
    for (const Record& record : records) {
        // An earlier processor may have changed the cache: look the map up
        // again rather than keep a reference into it.
        auto found = m_cache.find(record.type);
        if (found != m_cache.end())
            record.processor->notify(event, found->value);
    }
    return false;
}

IContent* CContentManager::find(uint32_t type, const CObjectName& name) const {
    auto byType = m_cache.find(type);
    if (byType == m_cache.end())
        return nullptr;
    auto entry = byType->value.find(name.id());
    return entry == byType->value.end() ? nullptr : entry->value;
}

IContent* CContentManager::load(uint32_t type, const CStringW& name, bool relative) {
    if (name.empty())
        return nullptr;
    const CStringW fullName = relative ? combinePath(topFolder(), name) : name;
    const CObjectName key(this, fullName);
    if (IContent* cached = find(type, key))
        return handOut(cached, true);
    // A missing processor or file is reported to nobody: the caller sees null.
    if (!m_processors || !m_processors->findProcessor(type))
        return nullptr;
    CRefHandle<IReadableFile> file(openContentFile(type, fullName));
    if (!file) {
        // A missing file is the caller's to report; something in its place
        // that does not read (a folder, a file without permission) is said.
        const std::string reason = m_fileSystem ? m_fileSystem->unreadableReason(fullName) : std::string();
        if (!reason.empty())
            logWarning(u"Can't load content: " + fullName + u": " + fromNativePath(reason));
        return nullptr;
    }
    return loadKeyed(type, key, file.get());
}

IContent* CContentManager::loadFromFile(uint32_t type, IReadableFile* file) {
    if (!file)
        return nullptr;
    const CObjectName key(this, file->fileName());
    if (IContent* cached = find(type, key))
        return handOut(cached, true);
    return loadKeyed(type, key, file);
}

IContent* CContentManager::loadKeyed(uint32_t type, const CObjectName& key, IReadableFile* file) {
    bool cached = false;
    IContent* content = loadThroughProcessor(type, file, key, cached);
    if (!content)
        return nullptr;
    IContent* result = handOut(content, cached);
    // A fresh object that no caller can get (its copy failed) does not stay
    // in the cache.
    if (!result && cached)
        remove(content);
    return result;
}

IContent* CContentManager::loadThroughProcessor(uint32_t type, IReadableFile* file, const CObjectName& key,
                                                bool& cached) {
    cached = false;
    IContentProcessor* processor = m_processors ? m_processors->findProcessor(type) : nullptr;
    if (!processor)
        return nullptr;
    const LoadKey loadKey{type, key.id()};
    if (m_loading.indexOf(loadKey) >= 0) {
        logWarning(u"Can't load content: it refers to itself: " + key.str());
        return nullptr;
    }
    if (m_loading.size() >= MaxLoadDepth) {
        logWarning(u"Can't load content: nested too deeply: " + key.str());
        return nullptr;
    }
    m_loading.push_back(loadKey);
    IContent* content = processor->load(this, file, key);
    m_loading.pop_back();
    // A processor logs its own reason for a file it cannot read.
    if (!content)
        return nullptr;
    // The cache keeps the processor's reference; the caller's is added by
    // the sharing rule. An object the cache refuses goes to the caller as is.
    cached = addToCache(content);
    if (cached)
        content->release();
    return content;
}

IContent* CContentManager::handOut(IContent* content, bool cached) {
    if (!cached)
        return content;
    if (content->getContentFlags() & (IContent::FlagNeverCached | IContent::FlagShared)) {
        content->addRef();
        return content;
    }
    IContent* copy = content->clone();
    if (!copy)
        logWarning(u"Can't copy content: " + content->getContentName().str());
    return copy;
}

IReadableFile* CContentManager::openContentFile(uint32_t type, const CStringW& fullName) {
    if (!m_fileSystem)
        return nullptr;
    if (IReadableFile* file = m_fileSystem->openForRead(fullName))
        return file;
    if (!hasImageFallback(type))
        return nullptr;
    return m_fileSystem->openForRead(imageFallbackName(fullName));
}

CStringW CContentManager::imageFallbackName(const CStringW& fullName) {
    // The extension starts at the last '.' of the file part; a '.' in a
    // folder name is not cut.
    int dot = -1;
    for (uint32_t i = fullName.length(); i-- > 0 && !isPathSeparator(fullName[i]);) {
        if (fullName[i] == u'.') {
            dot = int(i);
            break;
        }
    }
    return (dot < 0 ? fullName : fullName.subString(0, dot)) + ImageFallbackExtension;
}

bool CContentManager::save(uint32_t type, IContent* content, const CStringW& fileName, const void* parameter) {
    if (!content || fileName.empty()) {
        logWarning(u"Can't save content: nothing to save to: " + fileName);
        return false;
    }
    // A file that does not open is reported by the file system, a
    // processor's refusal by the processor.
    IContentProcessor* processor = m_processors ? m_processors->findProcessor(type) : nullptr;
    if (!processor || !processor->canSave() || !m_fileSystem) {
        logWarning((m_fileSystem ? u"Can't save content: nothing saves its type: "
                                 : u"Can't save content: no file system: ") +
                   fileName);
        return false;
    }
    // Written beside the target and renamed over it only once everything was
    // written, so that a failed save leaves the old file as it was.
    return m_fileSystem->writeFileSafely(fileName, [&](IWritableFile* temporary) {
        CRefHandle<IWritableFile> saving(new CSavingFile(temporary, fileName));
        return processor->save(this, content, saving.get(), parameter);
    });
}

bool CContentManager::addToCache(IContent* content, const CObjectName& name) {
    if (!content || !m_cachingEnabled || (content->getContentFlags() & IContent::FlagNeverCached))
        return false;
    CContentMap& byName = m_cache[content->getContentType()];
    if (!byName.insert(name.id(), content).second)
        return false;
    content->addRef();
    return true;
}

bool CContentManager::addToCache(IContent* content) {
    return content && addToCache(content, content->getContentName());
}

void CContentManager::remove(IContent* content) {
    if (!content)
        return;
    auto byType = m_cache.find(content->getContentType());
    if (byType == m_cache.end())
        return;
    auto entry = byType->value.find(content->getContentName().id());
    // Only the very object: another one cached under the same name stays.
    if (entry == byType->value.end() || entry->value != content)
        return;
    byType->value.erase(entry);
    content->release();
}

void CContentManager::purge() {
    // Releasing an object may release others it held (and so bring their
    // count down to 1) or call back into the cache: walk a list of the keys
    // and look each entry up when its turn comes.
    CArray<LoadKey> keys;
    for (const auto& byType : m_cache)
        for (const auto& entry : byType.value)
            keys.push_back({byType.key, entry.key});
    for (const LoadKey& key : keys) {
        auto byType = m_cache.find(key.type);
        if (byType == m_cache.end())
            continue;
        auto entry = byType->value.find(key.id);
        if (entry == byType->value.end() || entry->value->referenceCount() != 1)
            continue;
        IContent* content = entry->value;
        byType->value.erase(entry);
        content->release();
    }
}

void CContentManager::clear() {
    // Empty the cache before releasing, so that destructors calling back
    // into the manager find a consistent (empty) cache.
    CMap<uint32_t, CContentMap> cache = std::move(m_cache);
    m_cache.clear();
    for (const auto& byType : cache)
        for (const auto& entry : byType.value)
            entry.value->release();
}

uint32_t CContentManager::cachedCount() const {
    uint32_t count = 0;
    for (const auto& byType : m_cache)
        count += byType.value.size();
    return count;
}

void CContentManager::pushFolder(const CStringW& path) { m_folders.push_back(path); }

CStringW CContentManager::popFolder() {
    if (m_folders.size() <= 1)
        return CStringW();
    CStringW top = topFolder();
    m_folders.pop_back();
    return top;
}

CStringW CContentManager::makeAbsoluteName(const CStringW& name) const { return combinePath(topFolder(), name); }

CStringW CContentManager::makeRelativeName(const CStringW& name) const { return makeRelativePath(topFolder(), name); }
