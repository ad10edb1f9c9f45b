#include "engine/io/CWin32FileSystem.h"

#include "engine/core/CEngine.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/io/DesktopFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/platform/PlatformWindowsInfo.h"

#include <filesystem>
#include <system_error>

bool CWin32FileSystem::exists(const CStringW& path, bool alsoArchives) const {
    if (alsoArchives && CVirtualFileSystem::exists(path, true))
        return true;
    std::error_code error;
    return !path.empty() && std::filesystem::exists(toNativePath(path), error);
}

CStringW CWin32FileSystem::applicationFolder(const std::string& base, bool shared, const char* what) const {
    if (base.empty())
        return CStringW();
    CStringW publisher = CEngine::DefaultPublisherName;
    CStringW title = CEngine::DefaultTitleName;
    if (const CEngine* engine = findEngineInstance()) {
        publisher = engine->getSetting("PublisherName");
        title = engine->getSetting("TitleName");
    }
    // Without both levels the files would land straight in the shared data
    // folder, among every other program's.
    if (publisher.empty() || title.empty()) {
        CLog::instance()->log(CString("No ") + what + " folder: the publisher or title name is empty", CLog::Warning);
        return CStringW();
    }
    CStringW folder = fromNativePath(base);
    for (const CStringW* level : {&publisher, &title}) {
        folder += u'\\';
        folder += *level;
        // Creation failures are left to whoever writes there.
        std::error_code error;
        const bool made = std::filesystem::create_directory(toNativePath(folder), error);
        if (made && shared && level == &title)
            (void)platformGrantUsersFullAccess(toNativePath(folder));
    }
    return folder;
}

CStringW CWin32FileSystem::getUserFolder() {
    if (!storedUserFolder().empty())
        return storedUserFolder();
    return applicationFolder(platformApplicationDataFolder(false), false, "user");
}

CStringW CWin32FileSystem::getCommonFolder() {
    if (!storedCommonFolder().empty())
        return storedCommonFolder();
    return applicationFolder(platformApplicationDataFolder(true), true, "common");
}

CStringW CWin32FileSystem::getCacheFolder() {
    if (!storedCacheFolder().empty())
        return storedCacheFolder();
    std::error_code error;
    std::filesystem::create_directory("cache", error);
    return CStringW(u"cache");
}

CVirtualFileSystem* createDesktopFileSystem() { return new CWin32FileSystem; }
