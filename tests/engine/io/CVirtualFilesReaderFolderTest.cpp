#include "engine/io/CVirtualFilesReaderFolder.h"

#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"
#include "tests/engine/io/IoFixtures.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace fs = std::filesystem;

namespace {

std::string text(IReadableFile* file) {
    const auto bytes = readToEnd(file);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(CVirtualFilesReaderFolder, MountedFolderNamesFilesByTheRequestedPath) {
    TempDir dir;
    dir.write("assets/scenes/a.mscn", std::string("scene"));
    WorkingDirectoryScope inside(dir.path());
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    IArchiveReader* folder = fileSystem->mountArchive(u"assets", nullptr);
    ASSERT_NE(folder, nullptr);
    EXPECT_STREQ(folder->typeName(), "mount");
    EXPECT_EQ(folder->archiveName(), widePath(fs::current_path() / "assets") + u"/");
    EXPECT_EQ(folder->entryCount(), 0);
    EXPECT_EQ(folder->entryAt(0), nullptr);
    EXPECT_EQ(folder->openEntry(0), nullptr);

    for (const char16_t* path : {u"scenes/a.mscn", u"scenes\\a.mscn"}) {
        CRefHandle<IReadableFile> file(folder->open(path));
        ASSERT_TRUE(file);
        EXPECT_EQ(file->fileName(), CStringW(path));
        EXPECT_EQ(text(file.get()), "scene");
    }
    EXPECT_EQ(folder->find(u"scenes/a.mscn"), 1);
    EXPECT_EQ(folder->find(u"scenes/b.mscn"), -1);
    EXPECT_EQ(folder->find(u"scenes"), -1);
    EXPECT_EQ(folder->open(CStringW()), nullptr);
}

TEST(CVirtualFilesReaderFolder, PathThatNamesNoFolderMountsNothing) {
    TempDir dir;
    dir.write("file", std::string("not a folder"));
    WorkingDirectoryScope inside(dir.path());
    const fs::path before = fs::current_path();
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    LogCapture log;
    // "file" is no folder, and no other opener recognises its content.
    EXPECT_EQ(fileSystem->mountArchive(u"missing", nullptr), nullptr);
    EXPECT_EQ(fileSystem->mountArchive(u"file", nullptr), nullptr);
    EXPECT_EQ(log.count("ERR: Could not create archive for: "), 2u);
    EXPECT_EQ(fs::current_path(), before);
    EXPECT_EQ(fileSystem->archiveCount(), 0);
}

// Assets are often authored where case does not matter: the exact name wins,
// any other case is found as a fallback, with a debug line.
TEST(CVirtualFilesReaderFolder, FallsBackToAMatchIgnoringCase) {
    TempDir dir;
    dir.write("root/Scenes/Menu/Main.MSCN", std::string("main"));
    dir.write("root/both/a.txt", std::string("lower"));
    dir.write("root/both/A.txt", std::string("upper"));
    CRefHandle<IArchiveReader> folder(new CVirtualFilesReaderFolder(widePath(dir.path() / "root")));

    {
        LogCapture log(true);
        CRefHandle<IReadableFile> file(folder->open(u"scenes\\menu/main.mscn"));
        ASSERT_TRUE(file);
        EXPECT_EQ(text(file.get()), "main");
        EXPECT_EQ(file->fileName(), CStringW(u"scenes\\menu/main.mscn"));
        EXPECT_EQ(log.count("DBG: Opened by a match that ignores case: "), 1u);
    }
    LogCapture log(true);
    CRefHandle<IReadableFile> lower(folder->open(u"both/a.txt"));
    CRefHandle<IReadableFile> upper(folder->open(u"both/A.txt"));
    ASSERT_TRUE(lower && upper);
    EXPECT_EQ(text(lower.get()), "lower");
    EXPECT_EQ(text(upper.get()), "upper");
    EXPECT_EQ(log.count("DBG: "), 0u);
    EXPECT_EQ(folder->open(u"scenes/menu/other.mscn"), nullptr);
    EXPECT_EQ(folder->open(u"Scenes/Menu"), nullptr);
}

// A folder mounted before an archive sees every lookup meant for the archive:
// each folder is listed once, on its first miss, and later misses use that.
TEST(CVirtualFilesReaderFolder, ListsEachFolderOnceForTheCaseFallback) {
    TempDir dir;
    dir.write("root/Scenes/Menu/Main.MSCN", std::string("main"));
    CRefHandle<CVirtualFilesReaderFolder> folder(new CVirtualFilesReaderFolder(widePath(dir.path() / "root")));
    EXPECT_EQ(folder->listedFolderCount(), 0u);
    CRefHandle<IReadableFile> exact(folder->open(u"Scenes/Menu/Main.MSCN"));
    ASSERT_TRUE(exact);
    EXPECT_EQ(folder->listedFolderCount(), 0u); // exact hits list nothing

    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(folder->find(u"scenes/menu/other.mscn"), -1);
        EXPECT_EQ(folder->find(u"textures/atlas.png"), -1);
        EXPECT_EQ(folder->listedFolderCount(), 3u); // root, Scenes, Scenes/Menu
    }
    LogCapture log(true);
    CRefHandle<IReadableFile> file(folder->open(u"SCENES/menu/main.mscn"));
    ASSERT_TRUE(file);
    EXPECT_EQ(text(file.get()), "main");
    EXPECT_EQ(log.count("DBG: Opened by a match that ignores case: "), 1u);
    EXPECT_EQ(folder->listedFolderCount(), 3u);
}
