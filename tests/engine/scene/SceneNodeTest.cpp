#include "engine/scene/SceneNode.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/CSceneNodeProcessor.h"
#include "engine/scene/SceneManager.h"
#include "tests/engine/scene/SceneTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A scene stack whose scenes come from files in a temporary folder.
struct FileSceneFixture {
    TempDir dir;
    CRefHandle<CVirtualFileSystem> fileSystem{new CVirtualFileSystem};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> content{new CContentManager(nullptr, fileSystem.get(), processors.get())};
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    RecordingScene* main = new RecordingScene(CObjectName(content.get(), u"scenes/Main.mscn"), nullptr, nullptr);
    CRefHandle<RecordingScene> keepMain{main};

    FileSceneFixture() {
        EXPECT_NE(fileSystem->mountArchive(fromNativePath(dir.path().string()), nullptr), nullptr);
        EXPECT_TRUE(CSceneNodeProcessor::registerWith(processors.get(), CNodeFactory::getShared()));
        dir.write("scenes/Options.mscn", "<SceneNode Type=\"SceneNode\"><Properties>"
                                         "<string Name=\"Name\" Value=\"Options\"/></Properties></SceneNode>");
        dir.write("scenes/Plain.mscn", "<SceneNode Type=\"BaseNode\"/>");
        manager->setEngine(engine.get());
        EXPECT_TRUE(manager->setScene(main));
    }
};

} // namespace

TEST(SceneNode, IsAControlWithItsOwnIdentity) {
    CRefHandle<SceneNode> scene(new SceneNode(CObjectName(), nullptr, nullptr));
    EXPECT_EQ(scene->getTypeName(), CStringW(u"SceneNode"));
    EXPECT_TRUE(scene->isKindOf(SceneNode::TypeId));
    EXPECT_TRUE(scene->isKindOf(ControlNode::TypeId));
    EXPECT_TRUE(scene->isKindOf(0));
    EXPECT_FALSE(scene->isKindOf(SceneNode::MessageBoxTypeId));
    EXPECT_EQ(scene->getPropertyTable().getCount(), ControlNode::propertyTable().getCount());
    CRefHandle<BaseNode> copy(scene->clone(nullptr, nullptr));
    EXPECT_NE(nodeCast<SceneNode>(copy.get()), nullptr);

    // Without a manager nothing navigates.
    CRefHandle<SceneNode> other(new SceneNode(CObjectName(), nullptr, nullptr));
    EXPECT_FALSE(scene->navigateTo(other.get(), false));
    EXPECT_FALSE(scene->navigateBack(0));
    EXPECT_EQ(scene->showMessageBox(CName("Box"), {}, u"", u""), nullptr);
}

TEST(SceneNode, NavigateToFromASceneBelowStillLeavesTheCurrentOne) {
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<SceneManager> manager(new SceneManager(CObjectName(), nullptr, nullptr));
    manager->setEngine(engine.get());
    RecordingScene* a = new RecordingScene("A");
    RecordingScene* b = new RecordingScene("B");
    RecordingScene* c = new RecordingScene("C");
    CRefHandle<RecordingScene> keepA(a), keepB(b), keepC(c);
    ASSERT_TRUE(manager->setScene(a));
    ASSERT_TRUE(a->navigateTo(b, true));
    ASSERT_EQ(manager->getCurrentScene(), b);
    ASSERT_TRUE(a->navigateTo(c, true));
    EXPECT_EQ(c->getSceneBelow(), b);
    EXPECT_EQ(manager->getCurrentScene(), c);
    EXPECT_TRUE(b->isVisible()) << "kept visible under the overlay";
    EXPECT_FALSE(a->navigateTo(nullptr, true));
}

TEST(SceneNode, StopStateOnChildrenEndsATransitionHalfAtOnce) {
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<SceneManager> manager(new SceneManager(CObjectName(), nullptr, nullptr));
    manager->setEngine(engine.get());
    RecordingScene* scene = new RecordingScene("A");
    CRefHandle<RecordingScene> keep(scene);
    for (const char* name : {"One", "Two"}) {
        BoxNode* child = new BoxNode(name, scene);
        child->release();
        static_cast<void>(child->addState(makeTimedState("NavTo", -1).get()));
    }
    ASSERT_TRUE(manager->setScene(scene));
    EXPECT_TRUE(manager->isInTransition(scene));
    scene->stopStateOnChildren(CName("NavTo"));
    EXPECT_FALSE(manager->isInTransition(scene));
    EXPECT_TRUE(scene->isFocused());
}

TEST(SceneNode, NavigateToFileLoadsASceneAndShowsIt) {
    FileSceneFixture f;
    CRefHandle<SceneNode> options = f.main->navigateToFile(u"scenes/Options.mscn", false);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->getName(), CName("Options"));
    EXPECT_EQ(f.manager->getCurrentScene(), options.get());
    EXPECT_EQ(options->getParent(), f.manager.get());
    static_cast<void>(f.manager->update(0));
    EXPECT_EQ(options->referenceCount(), 2) << "the stack and the caller's handle hold the loaded scene";

    const struct {
        const char* what;
        const char16_t* path;
    } refused[] = {
        {"empty path", u""},
        {"missing file", u"scenes/Missing.mscn"},
        {"root is not a scene", u"scenes/Plain.mscn"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        EXPECT_EQ(options->navigateToFile(c.path, false), nullptr);
        EXPECT_EQ(f.manager->getCurrentScene(), options.get());
    }

    // A scene loaded by no content manager cannot load others.
    CRefHandle<SceneNode> loose(new SceneNode(CObjectName(), nullptr, nullptr));
    EXPECT_EQ(loose->navigateToFile(u"scenes/Options.mscn", false), nullptr);

    // Closed by the manager, the scene lives on in the caller's handle.
    ASSERT_TRUE(options->navigateBack(0));
    static_cast<void>(f.manager->update(0));
    EXPECT_EQ(options->getParent(), nullptr) << "closed and off the stack";
    EXPECT_EQ(options->referenceCount(), 1);
    EXPECT_EQ(options->getName(), CName("Options"));
}
