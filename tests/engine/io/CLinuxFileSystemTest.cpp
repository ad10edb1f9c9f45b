#include "engine/io/CLinuxFileSystem.h"

#include "engine/core/CEngine.h"
#include "engine/io/FilePaths.h"
#include "tests/engine/io/IoFixtures.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for the object's life.
class EnvironmentScope {
public:
    EnvironmentScope(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_previous = old;
        setenv(name, value.c_str(), 1);
    }
    ~EnvironmentScope() {
        if (m_previous)
            setenv(m_name, m_previous->c_str(), 1);
        else
            unsetenv(m_name);
    }
    EnvironmentScope(const EnvironmentScope&) = delete;
    EnvironmentScope& operator=(const EnvironmentScope&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_previous;
};

} // namespace

TEST(CLinuxFileSystem, UserAndCommonFoldersFollowXdgAndAreCreated) {
    TempDir dir;
    EnvironmentScope data("XDG_DATA_HOME", (dir.path() / "data").string());
    EnvironmentScope config("XDG_CONFIG_HOME", (dir.path() / "config").string());
    CRefHandle<CLinuxFileSystem> fileSystem(new CLinuxFileSystem);
    fileSystem->setApplicationNames(u"Velmora", u"Brindlemoor");

    EXPECT_EQ(fileSystem->getUserFolder(), widePath(dir.path() / "data/Velmora/Brindlemoor"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "data/Velmora/Brindlemoor"));
    EXPECT_EQ(fileSystem->getCommonFolder(), widePath(dir.path() / "config/Velmora/Brindlemoor"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "config/Velmora/Brindlemoor"));

    // Recomputed, and the folders made again, on every call.
    fs::remove_all(dir.path() / "data");
    EXPECT_EQ(fileSystem->getUserFolder(), widePath(dir.path() / "data/Velmora/Brindlemoor"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "data/Velmora/Brindlemoor"));

    fileSystem->setCommonRoot(widePath(dir.path() / "shared"));
    EXPECT_EQ(fileSystem->getCommonFolder(), widePath(dir.path() / "shared/Velmora/Brindlemoor"));
    fileSystem->setUserFolder(u"chosen");
    EXPECT_EQ(fileSystem->getUserFolder(), CStringW(u"chosen"));
}

TEST(CLinuxFileSystem, FallsBackToTheHomeFolder) {
    TempDir dir;
    EnvironmentScope home("HOME", dir.path().string());
    EnvironmentScope data("XDG_DATA_HOME", "relative/is/ignored");
    EnvironmentScope config("XDG_CONFIG_HOME", "");
    CRefHandle<CLinuxFileSystem> fileSystem(new CLinuxFileSystem);
    fileSystem->setApplicationNames(u"P", u"T");
    EXPECT_EQ(fileSystem->getUserFolder(), widePath(dir.path() / ".local/share/P/T"));
    EXPECT_EQ(fileSystem->getCommonFolder(), widePath(dir.path() / ".config/P/T"));
}

TEST(CLinuxFileSystem, FolderNamesComeFromTheEngineElseTheGivenNamesElseTheDefaults) {
    TempDir dir;
    EnvironmentScope data("XDG_DATA_HOME", (dir.path() / "data").string());
    CRefHandle<CLinuxFileSystem> fileSystem(new CLinuxFileSystem);
    ASSERT_EQ(findEngineInstance(), nullptr);

    EXPECT_EQ(fileSystem->getUserFolder(), widePath(dir.path() / "data/MRX/MRX Title"));
    fileSystem->setApplicationNames(u"Given", u"Names");
    EXPECT_EQ(fileSystem->getUserFolder(), widePath(dir.path() / "data/Given/Names"));

    CRefHandle<CEngine> engine(new CEngine(CEngineCreationParams()));
    setEngineInstance(engine.get());
    engine->setSetting("PublisherName", u"Velmora");
    engine->setSetting("TitleName", u"Brindlemoor");
    EXPECT_EQ(fileSystem->getUserFolder(), widePath(dir.path() / "data/Velmora/Brindlemoor"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "data/Velmora/Brindlemoor"));
    engine.reset(); // clears the registration
    EXPECT_EQ(fileSystem->getUserFolder(), widePath(dir.path() / "data/Given/Names"));
}

TEST(CLinuxFileSystem, AnEmptyNameGivesNoFolderRatherThanTheSharedDataFolder) {
    TempDir dir;
    EnvironmentScope data("XDG_DATA_HOME", (dir.path() / "data").string());
    EnvironmentScope config("XDG_CONFIG_HOME", (dir.path() / "config").string());
    CRefHandle<CLinuxFileSystem> fileSystem(new CLinuxFileSystem);
    const struct {
        const char* what;
        const char16_t* publisher;
        const char16_t* title;
        bool engine;
    } cases[] = {
        {"given publisher only", u"P", u"", false},
        {"given title only", u"", u"T", false},
        {"engine without a title", u"P", u"", true},
        {"engine without a publisher", u"", u"T", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<CEngine> engine;
        if (c.engine) {
            engine.reset(new CEngine(CEngineCreationParams()));
            engine->setSetting("PublisherName", c.publisher);
            engine->setSetting("TitleName", c.title);
            setEngineInstance(engine.get());
        } else {
            fileSystem->setApplicationNames(c.publisher, c.title);
        }
        LogCapture log;
        EXPECT_TRUE(fileSystem->getUserFolder().empty());
        EXPECT_TRUE(fileSystem->getCommonFolder().empty());
        EXPECT_TRUE(log.contains("WRN: No user folder: the publisher or title name is empty"));
        EXPECT_TRUE(log.contains("WRN: No common folder: the publisher or title name is empty"));
        EXPECT_FALSE(fs::exists(dir.path() / "data"));
    }
}

TEST(CLinuxFileSystem, CacheFolderIsMadeInTheCurrentFolder) {
    TempDir dir;
    WorkingDirectoryScope inside(dir.path());
    CRefHandle<CLinuxFileSystem> fileSystem(new CLinuxFileSystem);
    EXPECT_EQ(fileSystem->getCacheFolder(), CStringW(u"cache"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "cache"));
}

TEST(CLinuxFileSystem, FoldersCountAsExisting) {
    TempDir dir;
    dir.write("sub/file.txt", std::string("x"));
    CRefHandle<CLinuxFileSystem> fileSystem(new CLinuxFileSystem);
    EXPECT_TRUE(fileSystem->exists(widePath(dir.path() / "sub"), false));
    EXPECT_TRUE(fileSystem->exists(widePath(dir.path() / "sub/file.txt"), true));
    EXPECT_FALSE(fileSystem->exists(widePath(dir.path() / "none"), true));
    EXPECT_FALSE(fileSystem->exists(CStringW(), false));
}
