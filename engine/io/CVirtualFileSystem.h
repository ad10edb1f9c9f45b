#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_set>
#include <utility>

class IArchiveOpener;
class IArchiveReader;
class IReadableFile;
class IWritableFile;
class CXmlStreamReader;
class CXmlStreamWriter;

// The one place through which the engine opens files. A path is looked up as
// a loose file relative to the current folder first, then in every mounted
// archive (folders, zip archives, packed archives) in mount order. It also
// makes memory files and knows the user, common and cache folders.
//
// Every file handed out carries one reference for the caller; mounted
// archives belong to the file system.
class CVirtualFileSystem : public CRefCounted {
public:
    // Registers the packed, zip and folder openers, in that order.
    CVirtualFileSystem();

    // True when `path` names a file on disk, or, with `alsoArchives`, when a
    // mounted archive has it.
    [[nodiscard]] virtual bool exists(const CStringW& path, bool alsoArchives) const;
    [[nodiscard]] virtual bool remove(const CStringW& path);
    [[nodiscard]] virtual bool rename(const CStringW& oldPath, const CStringW& newPath);
    // Waits until the entries of `folder` (names made, moved or removed) are
    // on the disk; false with `reason` set when that fails.
    [[nodiscard]] virtual bool syncFolder(const CStringW& folder, std::string& reason);
    // `prefix` followed by six random digits, naming no file in `folder` (on
    // disk; archives are not consulted). Empty when no free name was found.
    [[nodiscard]] virtual CStringW makeUniqueName(const CStringW& folder, const CStringW& prefix);

    // The loose file, else the first mounted archive's member; null when
    // neither has `path`. Nothing is logged. A path once found only in an
    // archive is not looked for on disk again, so opening a member costs no
    // failed call, until a file of that name is written or renamed into
    // place through this file system.
    [[nodiscard]] virtual IReadableFile* openForRead(const CStringW& path);
    // Why `path`, which did not open for reading, cannot be read: something
    // in its place on disk, loose or in a mounted folder, that is no
    // readable file ("a folder is in its place", the system's reason). Empty
    // when it is simply missing.
    [[nodiscard]] std::string unreadableReason(const CStringW& path) const;
    // A file over `data` (new[]-allocated when `ownsData`); null for null data.
    [[nodiscard]] virtual IReadableFile* wrapBufferForRead(void* data, int32_t size, const CStringW& name,
                                                           bool ownsData);
    // A growing memory file, also readable (it is a CVirtualFile).
    [[nodiscard]] virtual IWritableFile* createVirtualFile(const CStringW& name, int32_t blockSize);
    [[nodiscard]] virtual IWritableFile* wrapBufferForWrite(void* data, int32_t size, const CStringW& name,
                                                            bool ownsData);
    // A disk file emptied first, or appended to; null when it cannot be opened.
    [[nodiscard]] virtual IWritableFile* openForWrite(const CStringW& path, bool append);
    // Replaces the file `path` so that a failed or interrupted save never
    // damages it: `write` fills a new file beside it ("<path>.tmp") and
    // answers whether everything went in; the file is then closed, and must
    // have reached the disk whole (every write, the sync and the close
    // succeeded); `check` (when given) may read it back and refuse it; only
    // then is it renamed over `path`, with the folder synced before and after.
    // On any failure before the rename the temporary file is removed, `path`
    // stays byte for byte as it was, and the result is false. Failures of the
    // disk file are logged by it ("Can't create file: ", "Can't write file: "),
    // a refused read-back ("Can't save file: "), the rename and the folder
    // syncs here ("Can't replace file: "), each with its reason; the caller
    // knows what it was writing, and reports that as it sees fit. A folder sync
    // failing after the rename also answers false, although the new file is
    // then already in place.
    [[nodiscard]] bool writeFileSafely(const CStringW& path, const std::function<bool(IWritableFile*)>& write,
                                       const std::function<bool(IReadableFile*)>& check = {});

    // Mounts the archive `file` holds, recognised by its content. Answers the
    // mounted reader (owned by the file system), or null after logging
    // "Could not create archive for: " and the file's name. Null file: null.
    virtual IArchiveReader* mountArchiveFile(IReadableFile* file, const char* password);
    // Mounts `path`, recognised by its name first, then by its content (it may
    // lie in an archive mounted before). Failure logs as above.
    virtual IArchiveReader* mountArchive(const CStringW& path, const char* password);
    // Removes `archive` from the mounted list; the handle takes over the
    // list's reference (null when it was not mounted).
    virtual CRefHandle<IArchiveReader> unmount(IArchiveReader* archive);
    [[nodiscard]] int32_t archiveCount() const { return int32_t(m_archives.size()); }
    [[nodiscard]] IArchiveReader* archiveAt(int32_t index) const;

    // Appends `loader` after those registered before; takes over the caller's
    // reference. A null loader is ignored.
    void registerArchiveLoader(IArchiveOpener* loader);
    [[nodiscard]] int32_t archiveLoaderCount() const { return int32_t(m_loaders.size()); }

    // An XML reader over the whole of `file`, which the caller may release
    // right after; null for a null file.
    [[nodiscard]] virtual CXmlStreamReader* openXmlReader(IReadableFile* file);
    // openForRead(path), then a reader over it; null when the file does not open.
    [[nodiscard]] virtual CXmlStreamReader* openXmlReader(const CStringW& path);
    // An XML writer over `file`, holding its own reference; null for a null file.
    [[nodiscard]] virtual CXmlStreamWriter* openXmlWriter(IWritableFile* file);
    // openForWrite(path, false), then a writer over it; null when the file
    // does not open.
    [[nodiscard]] virtual CXmlStreamWriter* openXmlWriter(const CStringW& path);

    // The folders for the player's files, for files shared by every player
    // and for files that may be thrown away. This class answers what was set
    // (empty until then); platform file systems supply defaults.
    virtual void setUserFolder(const CStringW& path) { m_userFolder = path; }
    [[nodiscard]] virtual CStringW getUserFolder() { return m_userFolder; }
    virtual void setCommonFolder(const CStringW& path) { m_commonFolder = path; }
    [[nodiscard]] virtual CStringW getCommonFolder() { return m_commonFolder; }
    virtual void setCacheFolder(const CStringW& path) { m_cacheFolder = path; }
    [[nodiscard]] virtual CStringW getCacheFolder() { return m_cacheFolder; }

    // Where makeUniqueName draws its numbers: by default the twister of the
    // engine managers' shared generator; an empty source restores that.
    void setRandomSource(std::function<uint32_t()> source) { m_random = std::move(source); }

protected:
    ~CVirtualFileSystem() override;

    // The mount by content shared by both mount operations: a new reader
    // (not yet mounted) for the caller, or null when no opener recognises
    // `file`.
    [[nodiscard]] IArchiveReader* createArchiveFromContent(IReadableFile* file, const char* password);
    // Appends `adopted` to the mounted list, which takes over its reference;
    // answers it.
    IArchiveReader* addArchive(IArchiveReader* adopted);

    // Stored folders, for the platform defaults.
    [[nodiscard]] const CStringW& storedUserFolder() const { return m_userFolder; }
    [[nodiscard]] const CStringW& storedCommonFolder() const { return m_commonFolder; }
    [[nodiscard]] const CStringW& storedCacheFolder() const { return m_cacheFolder; }

private:
    // Forgets that `path` has no loose file: one is being made.
    void forgetMissingLoose(const CStringW& path);

    CArray<IArchiveOpener*> m_loaders;
    CArray<IArchiveReader*> m_archives;
    // Paths found in an archive with no loose file before them; opened from
    // any thread.
    std::unordered_set<std::u16string> m_notLoose;
    mutable std::mutex m_notLooseLock;
    CStringW m_userFolder;
    CStringW m_commonFolder;
    CStringW m_cacheFolder;
    std::function<uint32_t()> m_random;
};
