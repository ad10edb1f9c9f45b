#include "engine/io/CVirtualFileSystem.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/core/CRandom.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CDiskReadFile.h"
#include "engine/io/CDiskWriteFile.h"
#include "engine/io/CFolderArchiveLoader.h"
#include "engine/io/CPackedArchiveLoader.h"
#include "engine/io/CVirtualFile.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/io/CZipArchiveLoader.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IArchiveOpener.h"
#include "engine/io/IArchiveReader.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"
#include "engine/platform/CPlatformWriteFile.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

// makeUniqueName gives up after this many names in use.
constexpr int kUniqueNameAttempts = 100000;

} // namespace

CVirtualFileSystem::CVirtualFileSystem() {
    registerArchiveLoader(new CPackedArchiveLoader(this));
    registerArchiveLoader(new CZipArchiveLoader(this));
    registerArchiveLoader(new CFolderArchiveLoader);
}

CVirtualFileSystem::~CVirtualFileSystem() {
    for (IArchiveReader* archive : m_archives)
        archive->release();
    m_archives.clear();
    for (IArchiveOpener* loader : m_loaders)
        loader->release();
    m_loaders.clear();
}

bool CVirtualFileSystem::exists(const CStringW& path, bool alsoArchives) const {
    if (alsoArchives)
        for (IArchiveReader* archive : m_archives)
            if (archive->find(path) != -1)
                return true;
    CRefHandle<CDiskReadFile> file(CDiskReadFile::create(path));
    return bool(file);
}

bool CVirtualFileSystem::remove(const CStringW& path) { return std::remove(toNativePath(path).c_str()) == 0; }

bool CVirtualFileSystem::rename(const CStringW& oldPath, const CStringW& newPath) {
    forgetMissingLoose(newPath);
    return platformRenameFile(toNativePath(oldPath), toNativePath(newPath), nullptr);
}

bool CVirtualFileSystem::syncFolder(const CStringW& folder, std::string& reason) {
    return platformSyncFolder(toNativePath(folder), &reason);
}

CStringW CVirtualFileSystem::makeUniqueName(const CStringW& folder, const CStringW& prefix) {
    CRandom* shared = CEngineManagers::instance().getRandom();
    if (!m_random && !shared) {
        CLog::instance()->log("Could not make a file name: no random generator", CLog::Error);
        return CStringW();
    }
    for (int attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
        const uint32_t draw = m_random ? m_random() : shared->next();
        char digits[16];
        std::snprintf(digits, sizeof digits, "%06u", unsigned(draw % 999999u));
        CStringW name = prefix + digits;
        if (!exists(folder + u"/" + name, false))
            return name;
    }
    CLog::instance()->log("Could not find a free file name in: " + folder, CLog::Error);
    return CStringW();
}

IReadableFile* CVirtualFileSystem::openForRead(const CStringW& path) {
    const std::u16string key(path.c_str());
    bool lookOnDisk = true;
    {
        std::lock_guard<std::mutex> guard(m_notLooseLock);
        lookOnDisk = m_notLoose.find(key) == m_notLoose.end();
    }
    if (lookOnDisk)
        if (CDiskReadFile* loose = CDiskReadFile::create(path))
            return loose;
    for (IArchiveReader* archive : m_archives)
        if (IReadableFile* file = archive->open(path)) {
            if (lookOnDisk) {
                std::lock_guard<std::mutex> guard(m_notLooseLock);
                m_notLoose.insert(key);
            }
            return file;
        }
    return nullptr;
}

void CVirtualFileSystem::forgetMissingLoose(const CStringW& path) {
    std::lock_guard<std::mutex> guard(m_notLooseLock);
    m_notLoose.erase(std::u16string(path.c_str()));
}

std::string CVirtualFileSystem::unreadableReason(const CStringW& path) const {
    std::string reason = CDiskReadFile::unreadableReason(path);
    for (const IArchiveReader* archive : m_archives) {
        if (!reason.empty())
            break;
        if (std::strcmp(archive->typeName(), "mount") == 0)
            reason = CDiskReadFile::unreadableReason(archive->archiveName() + path);
    }
    return reason;
}

IReadableFile* CVirtualFileSystem::wrapBufferForRead(void* data, int32_t size, const CStringW& name, bool ownsData) {
    if (!data)
        return nullptr;
    return new CBufferFile(data, size, name, ownsData);
}

IWritableFile* CVirtualFileSystem::createVirtualFile(const CStringW& name, int32_t blockSize) {
    return new CVirtualFile(name, blockSize);
}

IWritableFile* CVirtualFileSystem::wrapBufferForWrite(void* data, int32_t size, const CStringW& name, bool ownsData) {
    if (!data)
        return nullptr;
    return new CBufferFile(data, size, name, ownsData);
}

IWritableFile* CVirtualFileSystem::openForWrite(const CStringW& path, bool append) {
    forgetMissingLoose(path);
    return CDiskWriteFile::create(path, append);
}

bool CVirtualFileSystem::writeFileSafely(const CStringW& path, const std::function<bool(IWritableFile*)>& write,
                                         const std::function<bool(IReadableFile*)>& check) {
    const CStringW temporary = path + u".tmp";
    bool written = false;
    {
        CRefHandle<IWritableFile> file(openForWrite(temporary, false));
        if (!file)
            return false;
        written = write && write(file.get());
        // Every byte is on the disk before the name points at it: after a
        // crash the name may otherwise lead to an empty or partial file.
        // The file closes here even when the writer kept a reference.
        written = file->close(true) && written;
    }
    if (written && check) {
        CRefHandle<IReadableFile> file(openForRead(temporary));
        written = file && check(file.get());
        if (!written)
            CLog::instance()->log(CStringW(u"Can't save file: ") + path + u": it did not read back as written",
                                  CLog::Error);
    }
    if (!written) {
        static_cast<void>(remove(temporary));
        return false;
    }
    // The folder's entry for the new file is on the disk before the rename,
    // and the rename itself after it.
    const CStringW folder = fromNativePath(std::filesystem::path(toNativePath(path)).parent_path().string());
    std::string reason;
    if (!syncFolder(folder, reason)) {
        CLog::instance()->log(CStringW(u"Can't replace file: ") + path + u": " + fromNativePath(reason), CLog::Error);
        static_cast<void>(remove(temporary));
        return false;
    }
    forgetMissingLoose(path);
    if (!rename(temporary, path)) {
        CLog::instance()->log("Can't replace file: " + path, CLog::Error);
        static_cast<void>(remove(temporary));
        return false;
    }
    if (!syncFolder(folder, reason)) {
        // The new file is in place, but a crash could still bring back the
        // old one: the save is not reported as done.
        CLog::instance()->log(CStringW(u"Can't make file replacement last: ") + path + u": " + fromNativePath(reason),
                              CLog::Error);
        return false;
    }
    return true;
}

IArchiveReader* CVirtualFileSystem::createArchiveFromContent(IReadableFile* file, const char* password) {
    for (IArchiveOpener* loader : m_loaders) {
        if (!file->seek(0, false) || !loader->canLoadFile(file) || !file->seek(0, false))
            continue;
        if (IArchiveReader* reader = loader->createFromFile(file, password))
            return reader;
    }
    return nullptr;
}

IArchiveReader* CVirtualFileSystem::addArchive(IArchiveReader* adopted) {
    m_archives.push_back(adopted);
    return adopted;
}

IArchiveReader* CVirtualFileSystem::mountArchiveFile(IReadableFile* file, const char* password) {
    if (!file)
        return nullptr;
    if (IArchiveReader* reader = createArchiveFromContent(file, password))
        return addArchive(reader);
    CLog::instance()->log("Could not create archive for: " + file->fileName(), CLog::Error);
    return nullptr;
}

IArchiveReader* CVirtualFileSystem::mountArchive(const CStringW& path, const char* password) {
    for (IArchiveOpener* loader : m_loaders)
        if (loader->canLoadPath(path))
            if (IArchiveReader* reader = loader->createFromPath(path, password))
                return addArchive(reader);
    CRefHandle<IReadableFile> file(openForRead(path));
    if (file)
        if (IArchiveReader* reader = createArchiveFromContent(file.get(), password))
            return addArchive(reader);
    CLog::instance()->log("Could not create archive for: " + path, CLog::Error);
    return nullptr;
}

CRefHandle<IArchiveReader> CVirtualFileSystem::unmount(IArchiveReader* archive) {
    for (uint32_t i = 0; i < m_archives.size(); ++i) {
        if (m_archives[i] == archive) {
            m_archives.erase(i);
            return CRefHandle<IArchiveReader>(archive);
        }
    }
    return nullptr;
}

IArchiveReader* CVirtualFileSystem::archiveAt(int32_t index) const {
    if (index < 0 || uint32_t(index) >= m_archives.size())
        return nullptr;
    return m_archives[uint32_t(index)];
}

void CVirtualFileSystem::registerArchiveLoader(IArchiveOpener* loader) {
    if (loader)
        m_loaders.push_back(loader);
}

CXmlStreamReader* CVirtualFileSystem::openXmlReader(IReadableFile* file) {
    return file ? new CXmlStreamReader(file) : nullptr;
}

CXmlStreamReader* CVirtualFileSystem::openXmlReader(const CStringW& path) {
    CRefHandle<IReadableFile> file(openForRead(path));
    return openXmlReader(file.get());
}

CXmlStreamWriter* CVirtualFileSystem::openXmlWriter(IWritableFile* file) {
    return file ? new CXmlStreamWriter(file) : nullptr;
}

CXmlStreamWriter* CVirtualFileSystem::openXmlWriter(const CStringW& path) {
    CRefHandle<IWritableFile> file(openForWrite(path, false));
    return openXmlWriter(file.get());
}
