#include "engine/content/CContentManager.h"

#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/CImageContentProcessor.h"
#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"
#include "tests/engine/content/ContentTestSupport.h"
#include "tests/support/FileFaults.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

constexpr uint32_t kTest = makeContentType("test");

class CContentManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(fileSystem->mountArchive(fromNativePath(dir.path().string()), nullptr), nullptr);
    }

    // A processor for `type` whose objects get `flags`, registered with the
    // manager (which keeps it alive).
    TestProcessor* addProcessor(uint32_t type, uint32_t flags) {
        CRefHandle<TestProcessor> processor(new TestProcessor(type, flags, &journal, &alive));
        EXPECT_TRUE(processors->registerProcessor(processor.get()));
        return processor.get();
    }

    // The text of what a load handed out; the handle releases it.
    static std::string textOf(const CRefHandle<IContent>& content) {
        return content ? static_cast<TestContent*>(content.get())->text() : std::string("<null>");
    }

    CRefHandle<IContent> load(uint32_t type, const char16_t* name, bool relative = false) {
        return CRefHandle<IContent>(manager->load(type, name, relative));
    }

    CStringW diskPath(const std::string& relative) const { return fromNativePath((dir.path() / relative).string()); }

    TempDir dir;
    int alive = 0;
    ProcessorJournal journal;
    CRefHandle<CVirtualFileSystem> fileSystem{new CVirtualFileSystem};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> manager{new CContentManager(nullptr, fileSystem.get(), processors.get())};
};

TEST_F(CContentManagerTest, LoadsThroughTheProcessorOfTheTypeUnderTheFullName) {
    TestProcessor* processor = addProcessor(kTest, IContent::FlagShared);
    dir.write("data/a.txt", "alpha");

    CRefHandle<IContent> content = load(kTest, u"data/a.txt");
    ASSERT_TRUE(content);
    EXPECT_EQ(textOf(content), "alpha");
    EXPECT_EQ(content->getContentName().owner(), manager.get());
    EXPECT_EQ(narrow(content->getContentName().str()), "data/a.txt");
    EXPECT_EQ(manager->find(kTest, CObjectName(manager.get(), u"data/a.txt")), content.get());
    // Names are exact: another spelling is another entry, another type finds nothing.
    EXPECT_EQ(manager->find(kTest, CObjectName(manager.get(), u"data/A.txt")), nullptr);
    EXPECT_EQ(manager->find(makeContentType("othr"), content->getContentName()), nullptr);
    EXPECT_EQ(processor->loadCount(), 1);
}

TEST_F(CContentManagerTest, TheEngineCreatesOneOverItsServices) {
    CRefHandle<CEngine> engine(new CEngine(CEngineCreationParams{}));
    engine->setFileSystem(CRefHandle<CVirtualFileSystem>::share(fileSystem.get()).detach());
    engine->setContentProcessorsManager(CRefHandle<CContentProcessorsManager>::share(processors.get()).detach());
    CRefHandle<CContentManager> created(engine->createContentManager());
    ASSERT_TRUE(created);
    EXPECT_EQ(created->referenceCount(), 1) << "the caller holds the only reference";
    EXPECT_EQ(created->getFileSystem(), fileSystem.get());
    EXPECT_EQ(created->getProcessors(), processors.get());
    EXPECT_EQ(created->getVideoDriver(), nullptr) << "a headless engine has no driver";
    EXPECT_FALSE(engine->isListener(created.get())) << "the caller decides whether it listens";

    // It loads through the engine's processors from the engine's files.
    addProcessor(kTest, IContent::FlagShared);
    dir.write("a.txt", "alpha");
    CRefHandle<IContent> content(created->load(kTest, u"a.txt", false));
    EXPECT_EQ(textOf(content), "alpha");
}

TEST_F(CContentManagerTest, SharedContentIsTheCachedObjectItself) {
    TestProcessor* processor = addProcessor(kTest, IContent::FlagShared);
    dir.write("a.txt", "alpha");

    CRefHandle<IContent> first = load(kTest, u"a.txt");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->referenceCount(), 2); // the cache and the caller
    CRefHandle<IContent> second = load(kTest, u"a.txt");
    EXPECT_EQ(second.get(), first.get());
    EXPECT_EQ(first->referenceCount(), 3);
    EXPECT_EQ(processor->loadCount(), 1);
}

TEST_F(CContentManagerTest, UnsharedContentIsHandedOutAsCopies) {
    TestProcessor* processor = addProcessor(kTest, 0);
    dir.write("scene.txt", "tree");

    CRefHandle<IContent> first = load(kTest, u"scene.txt");
    CRefHandle<IContent> second = load(kTest, u"scene.txt");
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_TRUE(static_cast<TestContent*>(first.get())->isCopy());
    EXPECT_TRUE(static_cast<TestContent*>(second.get())->isCopy());
    IContent* cached = manager->find(kTest, first->getContentName());
    ASSERT_NE(cached, nullptr);
    EXPECT_FALSE(static_cast<TestContent*>(cached)->isCopy());
    EXPECT_EQ(cached->referenceCount(), 1);
    EXPECT_EQ(first->referenceCount(), 1);
    EXPECT_EQ(processor->loadCount(), 1);
}

TEST_F(CContentManagerTest, NeverCachedContentIsReadOnEveryLoad) {
    TestProcessor* processor = addProcessor(kTest, IContent::FlagNeverCached | IContent::FlagShared);
    dir.write("set.txt", "collection");

    CRefHandle<IContent> first = load(kTest, u"set.txt");
    CRefHandle<IContent> second = load(kTest, u"set.txt");
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(first->referenceCount(), 1);
    EXPECT_EQ(processor->loadCount(), 2);
    EXPECT_EQ(manager->cachedCount(), 0u);
    EXPECT_FALSE(manager->addToCache(first.get()));
}

TEST_F(CContentManagerTest, CachingOffHandsOutFreshObjectsAndKeepsWhatWasCached) {
    TestProcessor* processor = addProcessor(kTest, IContent::FlagShared);
    dir.write("old.txt", "old");
    dir.write("new.txt", "new");
    CRefHandle<IContent> old = load(kTest, u"old.txt");

    manager->setCachingEnabled(false);
    EXPECT_FALSE(manager->isCachingEnabled());
    CRefHandle<IContent> fresh = load(kTest, u"new.txt");
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->referenceCount(), 1);
    EXPECT_EQ(manager->find(kTest, fresh->getContentName()), nullptr);
    // What was cached before is still found and shared.
    CRefHandle<IContent> again = load(kTest, u"old.txt");
    EXPECT_EQ(again.get(), old.get());
    EXPECT_EQ(processor->loadCount(), 2);
    EXPECT_EQ(manager->cachedCount(), 1u);
}

TEST_F(CContentManagerTest, PurgeDropsOnlyWhatTheCacheAloneHolds) {
    TestProcessor* processor = addProcessor(kTest, IContent::FlagShared);
    dir.write("a.txt", "alpha");
    dir.write("b.txt", "beta");
    CRefHandle<IContent> a = load(kTest, u"a.txt");
    load(kTest, u"b.txt"); // released at once: only the cache holds it
    EXPECT_EQ(alive, 2);

    manager->purge();
    EXPECT_EQ(alive, 1);
    EXPECT_EQ(manager->find(kTest, a->getContentName()), a.get());
    EXPECT_EQ(a->referenceCount(), 2);

    a.reset();
    manager->purge();
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(manager->cachedCount(), 0u);
    load(kTest, u"a.txt");
    EXPECT_EQ(processor->loadCount(), 3); // read again after the purge
}

TEST_F(CContentManagerTest, RemoveDropsOnlyTheVeryObject) {
    addProcessor(kTest, IContent::FlagShared);
    dir.write("a.txt", "alpha");
    CRefHandle<IContent> cached = load(kTest, u"a.txt");
    ASSERT_TRUE(cached);
    // Another object of the same type and name that the cache does not hold.
    CRefHandle<IContent> stranger(new TestContent(kTest, cached->getContentName(), IContent::FlagShared, "x", &alive));

    manager->remove(stranger.get());
    EXPECT_EQ(manager->find(kTest, cached->getContentName()), cached.get());
    EXPECT_EQ(cached->referenceCount(), 2);
    EXPECT_EQ(stranger->referenceCount(), 1);

    manager->remove(cached.get());
    EXPECT_EQ(manager->find(kTest, cached->getContentName()), nullptr);
    EXPECT_EQ(cached->referenceCount(), 1);
    manager->remove(nullptr);
}

TEST_F(CContentManagerTest, AddToCacheKeepsTheFirstObjectOfAName) {
    const CObjectName name(manager.get(), u"made/in/code");
    CRefHandle<IContent> first(new TestContent(kTest, name, IContent::FlagShared, "1", &alive));
    CRefHandle<IContent> second(new TestContent(kTest, name, IContent::FlagShared, "2", &alive));

    EXPECT_TRUE(manager->addToCache(first.get()));
    EXPECT_FALSE(manager->addToCache(second.get()));
    EXPECT_FALSE(manager->addToCache(nullptr));
    EXPECT_EQ(manager->find(kTest, name), first.get());
    EXPECT_EQ(first->referenceCount(), 2);
    EXPECT_EQ(second->referenceCount(), 1);

    // Under a second name the same object is found by either.
    const CObjectName alias(manager.get(), u"alias");
    EXPECT_TRUE(manager->addToCache(first.get(), alias));
    EXPECT_EQ(manager->find(kTest, alias), first.get());
    EXPECT_EQ(first->referenceCount(), 3);

    manager->setCachingEnabled(false);
    EXPECT_FALSE(manager->addToCache(second.get(), CObjectName(manager.get(), u"other")));
}

TEST_F(CContentManagerTest, ClearReleasesEveryObjectOnceAndHoldersKeepTheirs) {
    addProcessor(kTest, IContent::FlagShared);
    dir.write("a.txt", "alpha");
    dir.write("b.txt", "beta");
    CRefHandle<IContent> held = load(kTest, u"a.txt");
    load(kTest, u"b.txt");

    manager->clear();
    EXPECT_EQ(manager->cachedCount(), 0u);
    EXPECT_EQ(alive, 1);
    EXPECT_EQ(held->referenceCount(), 1);
}

TEST_F(CContentManagerTest, FolderStackResolvesRelativeNames) {
    addProcessor(kTest, IContent::FlagShared);
    dir.write("levels/common/c.txt", "common");

    manager->pushFolder(u"levels/one/Level.xml");
    EXPECT_EQ(manager->folderDepth(), 2u);
    EXPECT_EQ(narrow(manager->makeAbsoluteName(u"../common/c.txt")), "levels/common/c.txt");
    EXPECT_EQ(narrow(manager->makeRelativeName(u"levels/common/c.txt")), "../common/c.txt");
    CRefHandle<IContent> relative = load(kTest, u"../common/c.txt", true);
    ASSERT_TRUE(relative);
    EXPECT_EQ(narrow(relative->getContentName().str()), "levels/common/c.txt");
    // Not relative: the name is taken as it is.
    {
        LogCapture log;
        EXPECT_FALSE(load(kTest, u"../common/c.txt", false));
    }

    EXPECT_EQ(narrow(manager->popFolder()), "levels/one/Level.xml");
    // The bottom entry stays: popping it answers an empty path.
    EXPECT_EQ(narrow(manager->popFolder()), "");
    EXPECT_EQ(manager->folderDepth(), 1u);
    CRefHandle<IContent> plain = load(kTest, u"levels/common/c.txt", true);
    EXPECT_EQ(plain.get(), relative.get());
}

TEST_F(CContentManagerTest, NestedLoadsResolveAgainstTheFileBeingRead) {
    addProcessor(kTest, IContent::FlagShared);
    dir.write("scenes/menu/Main.txt", "include:../parts/Button.txt");
    dir.write("scenes/parts/Button.txt", "button");

    CRefHandle<IContent> main = load(kTest, u"scenes/menu/Main.txt");
    EXPECT_EQ(textOf(main), "with button");
    EXPECT_NE(manager->find(kTest, CObjectName(manager.get(), u"scenes/parts/Button.txt")), nullptr);
    EXPECT_EQ(manager->folderDepth(), 1u);
}

TEST_F(CContentManagerTest, MissingImageFilesFallBackToTheRawImageFormat) {
    dir.write("pics/tree.mimg", "raw tree");
    dir.write("v1.2/leaf.mimg", "raw leaf");
    const uint32_t types[] = {ContentTypeImage, ContentTypeImageTexture, ContentTypeAtlasTexture};
    for (uint32_t type : types)
        addProcessor(type, IContent::FlagShared);
    addProcessor(ContentTypeSceneNode, IContent::FlagShared);
    addProcessor(ContentTypeFont, IContent::FlagShared);

    for (uint32_t type : types) {
        SCOPED_TRACE(typeName(type));
        CRefHandle<IContent> content = load(type, u"pics/tree.png");
        EXPECT_EQ(textOf(content), "raw tree");
        // Cached under the name that was asked for.
        EXPECT_EQ(manager->find(type, CObjectName(manager.get(), u"pics/tree.png")), content.get());
        // A '.' in a folder name is not taken for the extension.
        EXPECT_EQ(textOf(load(type, u"v1.2/leaf")), "raw leaf");
    }
    for (uint32_t type : {ContentTypeSceneNode, ContentTypeFont}) {
        SCOPED_TRACE(typeName(type));
        LogCapture log;
        EXPECT_FALSE(load(type, u"pics/tree.png"));
        // A file that does not open is reported to nobody.
        EXPECT_TRUE(log.lines().empty());
    }
}

TEST(CContentManager, ImageFallbackNameReplacesTheExtensionOfTheFilePart) {
    const struct {
        const char16_t* name;
        const char* fallback;
    } cases[] = {
        {u"pics/tree.png", "pics/tree.mimg"},
        {u"x.", "x.mimg"},
        {u"x", "x.mimg"},
        {u"v1.2/leaf", "v1.2/leaf.mimg"},
        {u"v1.2\\leaf", "v1.2\\leaf.mimg"},
        {u"a/b.c.jpg", "a/b.c.mimg"},
        {u"dir/.png", "dir/.mimg"},
        {u"dir./", "dir./.mimg"},
        {u"", ".mimg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fallback);
        EXPECT_EQ(narrow(CContentManager::imageFallbackName(c.name)), c.fallback);
    }
}

TEST_F(CContentManagerTest, FailedLoadsGiveNullALogLineAndAnUnchangedCache) {
    addProcessor(kTest, IContent::FlagShared);
    dir.write("bad.txt", "bad data");
    dir.write("loop.txt", "include:loop.txt");
    dir.write("ring/a.txt", "include:b.txt");
    dir.write("ring/b.txt", "include:a.txt");
    dir.write("half/a.txt", "include:b.txt");
    dir.write("half/b.txt", "bad inner file");
    std::filesystem::create_directories(dir.path() / "folder.txt");
    // The manager reports only what no processor can see; a missing file or
    // processor is reported to nobody, a processor logs its own reasons
    // (this one has none).
    const struct {
        const char* what;
        uint32_t type;
        const char16_t* name;
        const char* logged;
    } cases[] = {
        {"missing file", kTest, u"none.txt", nullptr},
        {"a folder in its place", kTest, u"folder.txt",
         "WRN: Can't load content: folder.txt: a folder is in its place"},
        {"no processor for the type", makeContentType("none"), u"bad.txt", nullptr},
        {"processor refuses the file", kTest, u"bad.txt", nullptr},
        {"inner file fails", kTest, u"half/a.txt", nullptr},
        {"file loads itself", kTest, u"loop.txt", "WRN: Can't load content: it refers to itself: loop.txt"},
        {"files load each other", kTest, u"ring/a.txt", "WRN: Can't load content: it refers to itself: ring/a.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        EXPECT_FALSE(load(c.type, c.name));
        if (c.logged) {
            EXPECT_EQ(log.lines().size(), 1u);
            EXPECT_TRUE(log.contains(c.logged)) << c.logged;
        } else {
            EXPECT_TRUE(log.lines().empty());
        }
        EXPECT_EQ(manager->cachedCount(), 0u);
        EXPECT_EQ(alive, 0);
        EXPECT_EQ(manager->folderDepth(), 1u);
    }
    // An empty name asks for nothing.
    LogCapture log;
    EXPECT_FALSE(load(kTest, u""));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(CContentManagerTest, UnsharedContentThatCannotBeCopiedIsNotLeftInTheCache) {
    addProcessor(kTest, 0)->setCloneable(false);
    dir.write("unique.txt", "unique");

    LogCapture log;
    EXPECT_FALSE(load(kTest, u"unique.txt"));
    EXPECT_TRUE(log.contains("WRN: Can't copy content: unique.txt"));
    EXPECT_EQ(manager->cachedCount(), 0u);
    EXPECT_EQ(alive, 0);
}

TEST_F(CContentManagerTest, LongChainsOfNestedLoadsStopAtTheDepthLimit) {
    addProcessor(kTest, IContent::FlagShared);
    const int files = int(CContentManager::MaxLoadDepth) + 5;
    for (int i = 0; i < files; ++i)
        dir.write("chain/" + std::to_string(i) + ".txt", "include:" + std::to_string(i + 1) + ".txt");
    dir.write("chain/" + std::to_string(files) + ".txt", "end");

    LogCapture log;
    EXPECT_FALSE(load(kTest, u"chain/0.txt"));
    EXPECT_TRUE(log.contains("nested too deeply"));
    EXPECT_EQ(manager->folderDepth(), 1u);
    // Every file of the chain failed with it, and none stays cached.
    EXPECT_EQ(manager->cachedCount(), 0u);
    EXPECT_EQ(alive, 0);
}

TEST_F(CContentManagerTest, LoadFromFileKeysByTheFileName) {
    TestProcessor* processor = addProcessor(kTest, IContent::FlagShared);
    char first[] = "first";
    char second[] = "second";
    CRefHandle<IReadableFile> file(fileSystem->wrapBufferForRead(first, 5, u"mem/one.bin", false));
    CRefHandle<IReadableFile> sameName(fileSystem->wrapBufferForRead(second, 6, u"mem/one.bin", false));

    CRefHandle<IContent> a(manager->loadFromFile(kTest, file.get()));
    CRefHandle<IContent> b(manager->loadFromFile(kTest, sameName.get()));
    EXPECT_EQ(textOf(a), "first");
    EXPECT_EQ(b.get(), a.get()); // found in the cache: the second file is not read
    EXPECT_EQ(processor->loadCount(), 1);
    EXPECT_EQ(file->referenceCount(), 1); // the caller keeps the file
    EXPECT_EQ(manager->loadFromFile(kTest, nullptr), nullptr);
    LogCapture log;
    EXPECT_EQ(manager->loadFromFile(makeContentType("none"), file.get()), nullptr);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(CContentManagerTest, ABrokenImageLogsOnlyTheImageProcessorsLine) {
    CRefHandle<CImageFormatRegistry> registry(new CImageFormatRegistry);
    CRefHandle<CImageContentProcessor> images(new CImageContentProcessor(registry.get()));
    ASSERT_TRUE(processors->registerProcessor(images.get()));
    dir.write("pics/broken.png", "not a picture");

    LogCapture log;
    EXPECT_FALSE(load(ContentTypeImage, u"pics/broken.png"));
    // The image registry's line (after the PNG decoder's own), and nothing
    // from the manager.
    EXPECT_EQ(log.count("WRN: Can't load image: pics/broken.png"), 1u);
    EXPECT_EQ(log.count("content"), 0u);
}

TEST_F(CContentManagerTest, SaveWritesThroughTheProcessorUnderTheTargetName) {
    TestProcessor* processor = addProcessor(kTest, IContent::FlagShared);
    CRefHandle<IContent> content(new TestContent(kTest, CObjectName(), IContent::FlagShared, "saved", &alive));
    const char suffix = '!';

    std::filesystem::create_directories(dir.path() / "out");

    ASSERT_TRUE(manager->save(kTest, content.get(), diskPath("out/file.txt"), &suffix));
    const std::vector<uint8_t> bytes = readAllBytes(dir.path() / "out/file.txt");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "saved!");
    // The processor sees the target's name (writers choose by its extension).
    EXPECT_EQ(processor->openedNames().back(), narrow(diskPath("out/file.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out/file.txt.tmp"));
}

TEST_F(CContentManagerTest, FailedSavesLeaveTheOldFileIntact) {
    TestProcessor* processor = addProcessor(kTest, IContent::FlagShared);
    addProcessor(makeContentType("read"), IContent::FlagShared)->setCanSave(false);
    CRefHandle<IContent> content(new TestContent(kTest, CObjectName(), IContent::FlagShared, "new text", &alive));
    const std::filesystem::path target = dir.write("keep.txt", "old text");
    // Every failure says why: the manager when nothing is to be saved or
    // nothing saves the type, the file system when the file does not open;
    // processors log their own reasons (this one has none).
    const struct {
        const char* what;
        uint32_t type;
        IContent* content;
        CStringW fileName;
        int32_t failAfter;
        const char* logged;
    } cases[] = {
        {"writer fails midway", kTest, content.get(), diskPath("keep.txt"), 3, nullptr},
        {"type cannot be saved", makeContentType("read"), content.get(), diskPath("keep.txt"), -1,
         "WRN: Can't save content: nothing saves its type: "},
        {"type has no processor", makeContentType("none"), content.get(), diskPath("keep.txt"), -1,
         "WRN: Can't save content: nothing saves its type: "},
        {"no object", kTest, nullptr, diskPath("keep.txt"), -1, "WRN: Can't save content: nothing to save to: "},
        {"folder cannot be written", kTest, content.get(), diskPath("missing/keep.txt"), -1,
         "ERR: Can't create file: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        processor->failSaveAfter(c.failAfter);
        LogCapture log;
        EXPECT_FALSE(manager->save(c.type, c.content, c.fileName, nullptr));
        if (c.logged) {
            EXPECT_EQ(log.lines().size(), 1u);
            EXPECT_TRUE(log.contains(c.logged));
        } else {
            EXPECT_TRUE(log.lines().empty());
        }
        const std::vector<uint8_t> bytes = readAllBytes(target);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "old text");
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "keep.txt.tmp"));
    }
}

TEST_F(CContentManagerTest, SaveFailingAtAnyCallLeavesTheOldFile) {
    addProcessor(kTest, IContent::FlagShared);
    CRefHandle<IContent> content(new TestContent(kTest, CObjectName(), IContent::FlagShared, "new text", &alive));
    const std::filesystem::path target = dir.path() / "keep.txt";
    FileFaults::eachCallFailing([&] { dir.write("keep.txt", "old text"); },
                                [&] { return manager->save(kTest, content.get(), diskPath("keep.txt"), nullptr); },
                                [&](PlatformFileCall, bool afterRename, bool saved) {
                                    EXPECT_FALSE(saved);
                                    const std::vector<uint8_t> bytes = readAllBytes(target);
                                    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
                                              afterRename ? "new text" : "old text");
                                    EXPECT_FALSE(std::filesystem::exists(dir.path() / "keep.txt.tmp"));
                                });
}

TEST_F(CContentManagerTest, AFileKeptPastTheSaveStaysUsable) {
    TestProcessor* processor = addProcessor(kTest, IContent::FlagShared);
    processor->keepSavedFiles(true);
    CRefHandle<IContent> content(new TestContent(kTest, CObjectName(), IContent::FlagShared, "saved", &alive));

    ASSERT_TRUE(manager->save(kTest, content.get(), diskPath("kept.txt"), nullptr));
    ASSERT_EQ(processor->keptFiles().size(), 1u);
    // The save is over and its own references are gone; the kept file still
    // reaches the file it wrapped (under the sanitizer a released one would
    // be a use after free), which the save closed: the saved file cannot
    // change behind the manager's back.
    IWritableFile* kept = processor->keptFiles().back().get();
    EXPECT_EQ(narrow(kept->fileName()), narrow(diskPath("kept.txt")));
    EXPECT_EQ(kept->write("!", 1), 0);
    EXPECT_EQ(readAllBytes(dir.path() / "kept.txt"), std::vector<uint8_t>({'s', 'a', 'v', 'e', 'd'}));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "kept.txt.tmp"));
}

TEST_F(CContentManagerTest, DestructionReleasesTheCacheAndTheServices) {
    addProcessor(kTest, IContent::FlagShared);
    dir.write("a.txt", "alpha");
    CRefHandle<TestService> driver(new TestService);
    CRefHandle<CContentManager> own(new CContentManager(driver.get(), fileSystem.get(), processors.get()));
    EXPECT_EQ(driver->referenceCount(), 2);
    EXPECT_EQ(processors->referenceCount(), 3);
    CRefHandle<IContent> held(own->load(kTest, u"a.txt", false));
    own->load(kTest, u"a.txt", false)->release();

    own.reset();
    EXPECT_EQ(driver->referenceCount(), 1);
    EXPECT_EQ(processors->referenceCount(), 2);
    EXPECT_EQ(held->referenceCount(), 1);
    EXPECT_EQ(alive, 1);
}

} // namespace
