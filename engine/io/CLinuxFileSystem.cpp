#include "engine/io/CLinuxFileSystem.h"

#include "engine/core/CEngine.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/io/DesktopFileSystem.h"
#include "engine/io/FilePaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

// $variable when it holds an absolute path, else $HOME / fallback; empty when
// neither is known.
CStringW xdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return fromNativePath(value);
    const char* home = std::getenv("HOME");
    if (!home || !home[0])
        return CStringW();
    return fromNativePath(std::string(home) + "/" + fallback);
}

} // namespace

bool CLinuxFileSystem::exists(const CStringW& path, bool alsoArchives) const {
    if (alsoArchives && CVirtualFileSystem::exists(path, true))
        return true;
    std::error_code error;
    return !path.empty() && std::filesystem::exists(toNativePath(path), error);
}

void CLinuxFileSystem::setApplicationNames(const CStringW& publisher, const CStringW& title) {
    m_publisher = publisher;
    m_title = title;
}

CStringW CLinuxFileSystem::applicationFolder(const CStringW& base, const char* what) const {
    if (base.empty())
        return CStringW();
    CStringW publisher;
    CStringW title;
    if (const CEngine* engine = findEngineInstance()) {
        publisher = engine->getSetting("PublisherName");
        title = engine->getSetting("TitleName");
    } else if (!m_publisher.empty() || !m_title.empty()) {
        publisher = m_publisher;
        title = m_title;
    } else {
        publisher = CEngine::DefaultPublisherName;
        title = CEngine::DefaultTitleName;
    }
    // Without both levels the files would land straight in the shared data
    // folder, among every other program's.
    if (publisher.empty() || title.empty()) {
        CLog::instance()->log(CString("No ") + what + " folder: the publisher or title name is empty", CLog::Warning);
        return CStringW();
    }
    CStringW folder = base;
    for (const CStringW* level : {&publisher, &title}) {
        folder += u'/';
        folder += *level;
        // Creation failures are left to whoever writes there.
        std::error_code error;
        std::filesystem::create_directories(toNativePath(folder), error);
    }
    return folder;
}

CStringW CLinuxFileSystem::getUserFolder() {
    if (!storedUserFolder().empty())
        return storedUserFolder();
    return applicationFolder(xdgFolder("XDG_DATA_HOME", ".local/share"), "user");
}

CStringW CLinuxFileSystem::getCommonFolder() {
    if (!storedCommonFolder().empty())
        return storedCommonFolder();
    return applicationFolder(m_commonRoot.empty() ? xdgFolder("XDG_CONFIG_HOME", ".config") : m_commonRoot, "common");
}

CStringW CLinuxFileSystem::getCacheFolder() {
    if (!storedCacheFolder().empty())
        return storedCacheFolder();
    std::error_code error;
    std::filesystem::create_directory("cache", error);
    return CStringW(u"cache");
}

CVirtualFileSystem* createDesktopFileSystem() { return new CLinuxFileSystem; }
