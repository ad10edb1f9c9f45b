#include "engine/scene/CSceneNodeProcessor.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/ContentType.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/core/CName.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "tests/engine/scene/SceneFileTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string nameOf(const BaseNode* node) { return node ? std::string(node->getName().str().c_str()) : "<none>"; }

std::string named(const char* type, const char* name, const std::string& content = std::string()) {
    return std::string("<SceneNode Type=\"") + type + "\"><Properties><string Name=\"Name\" Value=\"" + name +
           "\"/></Properties>" + content + "</SceneNode>";
}

std::string include(const char* file) { return std::string("<SceneNode Type=\"BaseNode\" File=\"") + file + "\"/>"; }

// A device event (10 or 11) carrying a driver for the "created" one.
class DriverEvent : public CEvent, public IDeviceServiceEvent {
public:
    DriverEvent(int32_t type, CRefCounted* driver) : CEvent(MaskDevice), m_type(type), m_driver(driver) {}
    [[nodiscard]] int32_t getType() const override { return m_type; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == KindDevice || CEvent::isKindOf(id); }
    [[nodiscard]] CRefCounted* getService() const override { return m_driver; }

private:
    int32_t m_type;
    CRefCounted* m_driver;
};

// Stands for a video driver.
class FakeDriver : public CRefCounted {};

class CSceneNodeProcessorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(fileSystem->mountArchive(fromNativePath(dir.path().string()), nullptr), nullptr);
        ASSERT_TRUE(CSceneNodeProcessor::registerWith(processors.get(), testNodeFactory()));
    }

    CRefHandle<BaseNode> load(const char16_t* name) {
        return CRefHandle<BaseNode>(manager->loadNode(CStringW(name), false));
    }
    IContent* cached(const char16_t* name) const {
        return manager->find(ContentTypeSceneNode, CObjectName(manager.get(), CStringW(name)));
    }

    TempDir dir;
    CRefHandle<CVirtualFileSystem> fileSystem{new CVirtualFileSystem};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> manager{new CContentManager(nullptr, fileSystem.get(), processors.get())};
};

TEST_F(CSceneNodeProcessorTest, ScenesLoadByTypeCodeAndNameAsCopiesOfTheCachedTree) {
    dir.write("scenes/Main.mscn", "<SceneNode Type=\"TestNode\" ClassOverride=\"NotRegistered\">"
                                  "<Properties><string Name=\"Name\" Value=\"main\"/></Properties>" +
                                      named("BaseNode", "child") + "</SceneNode>");
    CRefHandle<BaseNode> first = load(u"scenes/Main.mscn");
    CRefHandle<BaseNode> second = load(u"scenes/Main.mscn");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(nodeCast<TestNode>(first.get()), nullptr);
    EXPECT_EQ(nameOf(childAt(second.get(), 0)), "child");
    EXPECT_EQ(first->getContentName().str(), CStringW(u"scenes/Main.mscn"));
    EXPECT_EQ(first->getContentName().owner(), manager.get());
    EXPECT_EQ(sceneText(first.get()), sceneText(second.get()));

    // The cache keeps the tree it read and never hands it out.
    IContent* original = cached(u"scenes/Main.mscn");
    ASSERT_NE(original, nullptr);
    EXPECT_NE(original, static_cast<IContent*>(first.get()));
    EXPECT_NE(original, static_cast<IContent*>(second.get()));
    EXPECT_EQ(original->referenceCount(), 1);
    EXPECT_EQ(manager->folderDepth(), 1u);
}

TEST_F(CSceneNodeProcessorTest, CachingFollowsTheSharingFlags) {
    dir.write("Shared.mscn", named("SharedTestNode", "shared"));
    dir.write("Plain.mscn", named("BaseNode", "plain"));
    CRefHandle<BaseNode> shared = load(u"Shared.mscn");
    CRefHandle<BaseNode> sharedAgain = load(u"Shared.mscn");
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared, sharedAgain);
    EXPECT_EQ(cached(u"Shared.mscn"), static_cast<IContent*>(shared.get()));
    EXPECT_EQ(shared->referenceCount(), 3);

    // With caching off a fresh load is the reader's tree itself, not cached.
    manager->setCachingEnabled(false);
    CRefHandle<BaseNode> fresh = load(u"Plain.mscn");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->referenceCount(), 1);
    EXPECT_EQ(cached(u"Plain.mscn"), nullptr);
    EXPECT_EQ(load(u"Shared.mscn"), shared);
}

TEST_F(CSceneNodeProcessorTest, TemplateCollectionsAreSharedAndIndexedOnceRead) {
    dir.write("scenes/TemplateCollection.mscn", "<SceneNode Type=\"TemplateCollectionNode\">" +
                                                    named("BaseNode", "Button", named("BaseNode", "label")) +
                                                    named("BaseNode", "Panel") + "</SceneNode>");
    CRefHandle<TemplateCollectionNode> collection(
        manager->loadNode<TemplateCollectionNode>(CStringW(u"scenes/TemplateCollection.mscn"), false));
    ASSERT_NE(nodeCast<TemplateCollectionNode>(collection.get()), nullptr);
    EXPECT_EQ(cached(u"scenes/TemplateCollection.mscn"), static_cast<IContent*>(collection.get()));
    BaseNode* button = collection->findTemplate(CName("Button"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(nameOf(childAt(button, 0)), "label");
    EXPECT_NE(collection->findTemplate(CName("Panel")), nullptr);
}

TEST_F(CSceneNodeProcessorTest, PurgeDropsWhatOnlyTheCacheHolds) {
    dir.write("Shared.mscn", named("SharedTestNode", "shared"));
    dir.write("Plain.mscn", named("BaseNode", "before"));
    CRefHandle<BaseNode> shared = load(u"Shared.mscn");
    CRefHandle<BaseNode> plain = load(u"Plain.mscn");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(manager->cachedCount(), 2u);

    // The copy the caller holds does not keep the cached tree.
    manager->purge();
    EXPECT_EQ(cached(u"Plain.mscn"), nullptr);
    EXPECT_EQ(cached(u"Shared.mscn"), static_cast<IContent*>(shared.get()));
    EXPECT_EQ(nameOf(plain.get()), "before");

    // Once purged, the next load reads the file again.
    dir.write("Plain.mscn", named("BaseNode", "after"));
    EXPECT_EQ(nameOf(load(u"Plain.mscn").get()), "after");

    shared.reset();
    manager->purge();
    EXPECT_EQ(manager->cachedCount(), 0u);
}

TEST_F(CSceneNodeProcessorTest, IncludedFilesAreFoundBesideTheIncludingFileAsIndependentCopies) {
    dir.write("scenes/menu/Main.mscn",
              named("BaseNode", "main",
                    include("parts/Button.mscn") + include("parts/Button.mscn") +
                        // What an including element holds is not read, here or for the parent.
                        "<SceneNode Type=\"BaseNode\" File=\"parts/Button.mscn\">"
                        "<Properties><string Name=\"Name\" Value=\"wrong\"/></Properties></SceneNode>" +
                        include("parts/Missing.mscn") + named("BaseNode", "last")));
    dir.write("scenes/menu/parts/Button.mscn", named("TestNode", "button", named("BaseNode", "label")));
    // Whatever folder was current before, the file's own folder counts.
    manager->pushFolder(CStringW(u"elsewhere/Other.mscn"));
    LogCapture log;
    CRefHandle<BaseNode> main = load(u"scenes/menu/Main.mscn");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(manager->popFolder(), CStringW(u"elsewhere/Other.mscn"));
    EXPECT_EQ(nameOf(main.get()), "main");
    ASSERT_EQ(main->getChildren().size(), 4u);
    for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NE(nodeCast<TestNode>(childAt(main.get(), i)), nullptr);
        EXPECT_EQ(nameOf(childAt(main.get(), i)), "button");
        EXPECT_EQ(nameOf(childAt(childAt(main.get(), i), 0)), "label");
        EXPECT_EQ(childAt(main.get(), i)->getParent(), main.get());
    }
    EXPECT_NE(childAt(main.get(), 0), childAt(main.get(), 1));
    childAt(main.get(), 0)->setName(CName("changed"));
    EXPECT_EQ(nameOf(childAt(main.get(), 1)), "button");
    EXPECT_NE(cached(u"scenes/menu/parts/Button.mscn"), static_cast<IContent*>(childAt(main.get(), 1)));
    EXPECT_EQ(nameOf(childAt(main.get(), 3)), "last");
    EXPECT_TRUE(log.contains("scenes/menu/Main.mscn: can't load included file parts/Missing.mscn"));
}

TEST_F(CSceneNodeProcessorTest, AnIncludedSharedTreeIsCopiedIntoTheTree) {
    dir.write("Shared.mscn", named("SharedTestNode", "shared"));
    dir.write("Main.mscn", named("BaseNode", "main", include("Shared.mscn") + include("Shared.mscn")));
    CRefHandle<BaseNode> main = load(u"Main.mscn");
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(main->getChildren().size(), 2u);
    IContent* original = cached(u"Shared.mscn");
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(static_cast<BaseNode*>(original)->getParent(), nullptr);
    EXPECT_NE(childAt(main.get(), 0), childAt(main.get(), 1));
    EXPECT_NE(static_cast<IContent*>(childAt(main.get(), 0)), original);
    EXPECT_EQ(nameOf(childAt(main.get(), 1)), "shared");
}

TEST_F(CSceneNodeProcessorTest, AFileThatIncludesItselfIsRefusedInsteadOfRecursing) {
    dir.write("Self.mscn", named("BaseNode", "self", include("Self.mscn") + named("BaseNode", "kept")));
    dir.write("A.mscn", named("BaseNode", "a", include("B.mscn")));
    dir.write("B.mscn", named("BaseNode", "b", include("A.mscn")));
    {
        LogCapture log;
        CRefHandle<BaseNode> self = load(u"Self.mscn");
        ASSERT_NE(self, nullptr);
        ASSERT_EQ(self->getChildren().size(), 1u);
        EXPECT_EQ(nameOf(childAt(self.get(), 0)), "kept");
        EXPECT_TRUE(log.contains("refers to itself: Self.mscn"));
    }
    {
        LogCapture log;
        CRefHandle<BaseNode> a = load(u"A.mscn");
        ASSERT_NE(a, nullptr);
        ASSERT_EQ(a->getChildren().size(), 1u);
        EXPECT_EQ(nameOf(childAt(a.get(), 0)), "b");
        EXPECT_TRUE(childAt(a.get(), 0)->getChildren().empty());
        EXPECT_TRUE(log.contains("refers to itself: A.mscn"));
    }
    EXPECT_EQ(manager->folderDepth(), 1u);
}

TEST_F(CSceneNodeProcessorTest, FilesIncludingEachOtherCannotMultiplyWithoutLimit) {
    // L0 is a node with 20 children; each further level holds ten copies of
    // the one below: L4 would be 211 111 nodes, L6 over 21 million.
    std::string leaves;
    for (int i = 0; i < 20; ++i)
        leaves += named("BaseNode", "leaf");
    dir.write("L0.mscn", named("BaseNode", "l0", leaves));
    for (int level = 1; level <= 6; ++level) {
        const std::string below = "L" + std::to_string(level - 1) + ".mscn";
        std::string copies;
        for (int i = 0; i < 10; ++i)
            copies += include(below.c_str());
        dir.write("L" + std::to_string(level) + ".mscn", named("BaseNode", "level", copies));
    }
    {
        LogCapture log;
        EXPECT_EQ(load(u"L6.mscn"), nullptr);
        EXPECT_EQ(log.count("nodes in one load"), 1u);
        EXPECT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.contains("L6.mscn"));
    }
    // The count starts again with the next load: 21 111 nodes are fine.
    CRefHandle<BaseNode> three = load(u"L3.mscn");
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(three->getChildren().size(), 10u);
    EXPECT_EQ(childAt(childAt(childAt(three.get(), 9), 9), 9)->getChildren().size(), 20u);
}

TEST_F(CSceneNodeProcessorTest, NestingIsCountedAcrossIncludedFiles) {
    // 100 levels, the deepest including a file of 40 more: too deep together.
    std::string outer = named("BaseNode", "deepest", include("Inner.mscn"));
    for (int i = 1; i < 100; ++i)
        outer = "<SceneNode Type=\"BaseNode\">" + outer + "</SceneNode>";
    std::string inner = named("BaseNode", "inner");
    for (int i = 1; i < 40; ++i)
        inner = "<SceneNode Type=\"BaseNode\">" + inner + "</SceneNode>";
    dir.write("Outer.mscn", outer);
    dir.write("Inner.mscn", inner);
    LogCapture log;
    CRefHandle<BaseNode> root = load(u"Outer.mscn");
    ASSERT_NE(root, nullptr);
    const BaseNode* deepest = root.get();
    while (!deepest->getChildren().empty())
        deepest = childAt(deepest, 0);
    EXPECT_EQ(nameOf(deepest), "deepest");
    EXPECT_TRUE(log.contains("Can't read scene file: nodes nested deeper than 128 levels: Inner.mscn"));
    // On its own the inner file is fine.
    EXPECT_NE(load(u"Inner.mscn"), nullptr);
}

TEST_F(CSceneNodeProcessorTest, ADamagedFileGivesNullALogLineAndNothingInTheCache) {
    dir.write("Broken.mscn", "<SceneNode Type=\"BaseNode\"><SceneNode Type=\"BaseNode\"><Properties>");
    dir.write("Main.mscn", named("BaseNode", "main", include("Broken.mscn") + named("BaseNode", "kept")));
    {
        LogCapture log;
        EXPECT_EQ(load(u"Broken.mscn"), nullptr);
        EXPECT_TRUE(log.contains("Can't read scene file: the document ends inside a node element: Broken.mscn"));
        EXPECT_EQ(manager->cachedCount(), 0u);
        EXPECT_EQ(manager->folderDepth(), 1u);
    }
    // Included, it gives no child; the including file still loads.
    CRefHandle<BaseNode> main = load(u"Main.mscn");
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(main->getChildren().size(), 1u);
    EXPECT_EQ(nameOf(childAt(main.get(), 0)), "kept");
    EXPECT_EQ(cached(u"Broken.mscn"), nullptr);
    EXPECT_EQ(manager->cachedCount(), 1u);
}

TEST_F(CSceneNodeProcessorTest, ASavedTreeLoadsBackEqual) {
    dir.write("scenes/Main.mscn",
              named("BaseNode", "main",
                    include("Part.mscn") +
                        "<States><Properties><string Name=\"DefaultState\" Value=\"Normal\"/></Properties>"
                        "<State Name=\"Normal\"><StartAnimator Type=\"SetProps\">"
                        "<bool Name=\"Visible\" Value=\"true\"/></StartAnimator></State></States>"));
    dir.write("scenes/Part.mscn", named("TestNode", "part", named("BaseNode", "inner")));
    CRefHandle<BaseNode> main = load(u"scenes/Main.mscn");
    ASSERT_NE(main, nullptr);

    const CStringW savedPath = fromNativePath((dir.path() / "Saved.mscn").string());
    ASSERT_TRUE(manager->save(ContentTypeSceneNode, main.get(), savedPath, nullptr));
    const std::vector<uint8_t> bytes = readAllBytes(dir.path() / "Saved.mscn");
    EXPECT_GT(bytes.size(), 2u);
    CRefHandle<BaseNode> again = load(u"Saved.mscn");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(sceneText(again.get()), sceneText(main.get()));
    EXPECT_NE(nodeCast<TestNode>(childAt(again.get(), 0)), nullptr);
    EXPECT_EQ(nameOf(childAt(childAt(again.get(), 0), 0)), "inner");
    EXPECT_EQ(again->getDefaultState(), CName("Normal"));

    // Only node trees are saved as scene files.
    CRefHandle<BaseNode> none;
    LogCapture log;
    EXPECT_FALSE(manager->save(ContentTypeSceneNode, none.get(), savedPath, nullptr));
}

TEST_F(CSceneNodeProcessorTest, RegistersOnceAndFollowsTheVideoDriver) {
    EXPECT_FALSE(CSceneNodeProcessor::registerWith(processors.get(), testNodeFactory()));
    EXPECT_FALSE(CSceneNodeProcessor::registerWith(nullptr));
    auto* processor = dynamic_cast<CSceneNodeProcessor*>(processors->findProcessor(ContentTypeSceneNode));
    ASSERT_NE(processor, nullptr);
    EXPECT_EQ(processor->getContentType(), 0x646F6E73u);
    EXPECT_TRUE(processor->canSave());
    EXPECT_EQ(processor->getNodeFactory(), testNodeFactory());
    EXPECT_EQ(processor->getPriority(), 0);

    CRefHandle<CRefCounted> driver(new FakeDriver);
    CRefHandle<DriverEvent> created(new DriverEvent(IDeviceServiceEvent::VideoDriverCreated, driver.get()));
    EXPECT_FALSE(processors->routeToChildren(0, created.get()));
    EXPECT_EQ(processor->getVideoDriver(), driver.get());
    CRefHandle<DriverEvent> released(new DriverEvent(IDeviceServiceEvent::VideoDriverReleased, nullptr));
    EXPECT_FALSE(processors->routeToChildren(0, released.get()));
    EXPECT_EQ(processor->getVideoDriver(), nullptr);
}

} // namespace
