#include "engine/scene/TemplateCollectionNode.h"

#include "engine/core/CUpdateScheduler.h"
#include "engine/scene/ControlNode.h"
#include "engine/scene/SceneManager.h"
#include "tests/engine/scene/SceneTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A template named `name` (Bounds 60 x 30) with one box child "Face" and a
// "Press" state, added to `collection`.
BaseNode* addTemplate(TemplateCollectionNode* collection, const char* name, const char* faceName = "Face") {
    BaseNode* templateNode = new BaseNode(CObjectName(), collection, nullptr);
    templateNode->release();
    templateNode->setName(CName(name));
    templateNode->setBounds(CVector3d(60.0f, 30.0f, 0.0f));
    BoxNode* face = new BoxNode(faceName, templateNode);
    face->release();
    face->setBounds(CVector3d(60.0f, 30.0f, 0.0f));
    static_cast<void>(face->addState(makeTimedState("Press", 50).get()));
    static_cast<void>(templateNode->addState(makeTimedState("Idle", -1).get()));
    return templateNode;
}

CRefHandle<TemplateCollectionNode> makeCollection() {
    return CRefHandle<TemplateCollectionNode>(new TemplateCollectionNode(CObjectName(), nullptr, nullptr));
}

// A manager with one scene, on a fake engine.
struct TemplateFixture {
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> collection = makeCollection();
    RecordingScene* scene = new RecordingScene("Scene");
    CRefHandle<RecordingScene> keepScene{scene};

    TemplateFixture() { manager->setEngine(engine.get()); }
};

} // namespace

TEST(TemplateCollectionNode, IndexesChildrenByNameFirstOneWinning) {
    CRefHandle<TemplateCollectionNode> collection = makeCollection();
    BaseNode* first = addTemplate(collection.get(), "Button", "First");
    addTemplate(collection.get(), "Button", "Second");
    BaseNode* list = addTemplate(collection.get(), "List");
    EXPECT_EQ(collection->findTemplate(CName("Button")), nullptr) << "indexed only once loaded";
    collection->onLoaded();
    EXPECT_EQ(collection->findTemplate(CName("Button")), first);
    EXPECT_EQ(collection->findTemplate(CName("List")), list);
    EXPECT_EQ(collection->findTemplate(CName("Other")), nullptr);
    EXPECT_EQ(collection->getContentFlags(), IContent::FlagShared);

    // A clone is indexed on its own.
    CRefHandle<BaseNode> copy(collection->clone(nullptr, nullptr));
    TemplateCollectionNode* cloned = nodeCast<TemplateCollectionNode>(copy.get());
    ASSERT_NE(cloned, nullptr);
    ASSERT_NE(cloned->findTemplate(CName("Button")), nullptr);
    EXPECT_NE(cloned->findTemplate(CName("Button")), first);
    EXPECT_EQ(cloned->findTemplate(CName("Button"))->getChildren()[0]->getName(), CName("First"));
}

TEST(TemplateCollectionNode, ApplyingEmptiesTheTargetThenCopiesChildrenStatesAndBounds) {
    CRefHandle<TemplateCollectionNode> collection = makeCollection();
    addTemplate(collection.get(), "Button");
    collection->onLoaded();
    CRefHandle<BaseNode> target(new BaseNode(CObjectName(), nullptr, nullptr));
    BoxNode* old = new BoxNode("Old", target.get());
    old->release();

    EXPECT_TRUE(collection->applyTemplate(CName("Button"), target.get()));
    EXPECT_TRUE(collection->applyTemplate(CName("Button"), target.get()));
    EXPECT_EQ(childNames(target.get()), std::vector<std::string>{"Face"}) << "applied twice: one copy";
    EXPECT_NE(target->findState(CName("Idle")), nullptr);
    EXPECT_NE(target->getChildren()[0]->findState(CName("Press")), nullptr);
    EXPECT_FLOAT_EQ(target->getBounds().x, 60.0f);
    EXPECT_TRUE(target->isTransformDirty());

    EXPECT_FALSE(collection->applyTemplate(CName("Missing"), target.get()));
    EXPECT_TRUE(target->getChildren().empty()) << "a missing template leaves the target empty";
    EXPECT_EQ(target->findState(CName("Idle")), nullptr);
    EXPECT_TRUE(collection->applyTemplate(CName(), target.get()));
    EXPECT_FALSE(collection->applyTemplate(CName("Button"), nullptr));
}

TEST(TemplateCollectionNode, ControlAppliesItsTemplateOnceItJoinsALiveScene) {
    TemplateFixture f;
    addTemplate(f.collection.get(), "Button");
    f.collection->onLoaded();
    f.manager->setTemplateCollection(f.collection.get());
    RecordingControl* button = new RecordingControl("Button", f.scene);
    button->release();
    button->setPosition(CVector3d(200.0f, 100.0f, 0.0f));
    button->setTemplateName(CName("Button"));
    EXPECT_EQ(button->getTemplateRoot(), nullptr) << "no manager yet";

    ASSERT_TRUE(f.manager->setScene(f.scene));
    f.manager->updateAbsoluteTransformation();
    ControlNode* root = button->getTemplateRoot();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getName(), CName("TemplateRoot"));
    EXPECT_TRUE(root->isNotSerialised());
    EXPECT_EQ(root->getParent(), button);
    EXPECT_EQ(childNames(button), std::vector<std::string>{}) << "the root is not a listed child";
    EXPECT_EQ(childNames(root), std::vector<std::string>{"Face"});

    // The template is the control's hit area.
    EXPECT_TRUE(button->hitTest(CVector3d(230.0f, 110.0f, 0.0f)));
    EXPECT_FALSE(button->hitTest(CVector3d(100.0f, 110.0f, 0.0f)));

    // A new collection re-applies every template; the root is reused.
    CRefHandle<TemplateCollectionNode> other = makeCollection();
    addTemplate(other.get(), "Button", "OtherFace");
    other->onLoaded();
    f.manager->setTemplateCollection(other.get());
    EXPECT_EQ(button->getTemplateRoot(), root);
    EXPECT_EQ(childNames(root), std::vector<std::string>{"OtherFace"});

    // The template's "Press" (50 ms) delays the click.
    EXPECT_TRUE(button->click());
    static_cast<void>(f.manager->update(0));
    EXPECT_TRUE(button->isClickLatched());
    f.manager->getSceneSchedulerOf(f.scene)->update(50);
    EXPECT_FALSE(button->isClickLatched());
    static_cast<void>(f.manager->update(0));
    EXPECT_EQ(f.scene->record.count(66), 1);
}

TEST(TemplateCollectionNode, TemplateThatAppliesItselfIsRefused) {
    // "Loop" holds a control using "Loop"; "Ping" and "Pong" hold each other.
    TemplateFixture f;
    auto addNesting = [&f](const char* name, const char* inner) {
        BaseNode* templateNode = addTemplate(f.collection.get(), name);
        ControlNode* nested = new ControlNode(CObjectName(), templateNode, nullptr);
        nested->release();
        nested->setName(CName("Nested"));
        nested->setTemplateName(CName(inner));
    };
    addNesting("Loop", "Loop");
    addNesting("Ping", "Pong");
    addNesting("Pong", "Ping");
    addTemplate(f.collection.get(), "Plain");
    f.collection->onLoaded();
    f.manager->setTemplateCollection(f.collection.get());

    const struct {
        const char* what;
        const char* templateName;
        int depth; // templates copied along the chain before the refusal
    } cases[] = {
        {"itself", "Loop", 1},
        {"through another", "Ping", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingScene* scene = new RecordingScene("Scene");
        CRefHandle<RecordingScene> keepScene(scene);
        ControlNode* control = new ControlNode(CObjectName(), scene, nullptr);
        control->release();
        control->setTemplateName(CName(c.templateName));
        LogCapture log;
        ASSERT_TRUE(f.manager->setScene(scene));
        EXPECT_TRUE(log.contains("Template applies itself"));
        ControlNode* level = control;
        for (int i = 0; i < c.depth; ++i) {
            ASSERT_NE(level->getTemplateRoot(), nullptr);
            level = nodeCast<ControlNode>(level->getTemplateRoot()->findChild(CName("Nested"), 1));
            ASSERT_NE(level, nullptr);
        }
        ASSERT_NE(level->getTemplateRoot(), nullptr);
        EXPECT_TRUE(level->getTemplateRoot()->getChildren().empty()) << "the repeated template is not copied";
    }

    // The chain is released afterwards: the same template applies again.
    RecordingScene* scene = new RecordingScene("Scene");
    CRefHandle<RecordingScene> keepScene(scene);
    ControlNode* plain = new ControlNode(CObjectName(), scene, nullptr);
    plain->release();
    plain->setTemplateName(CName("Plain"));
    ControlNode* again = new ControlNode(CObjectName(), scene, nullptr);
    again->release();
    again->setTemplateName(CName("Plain"));
    ASSERT_TRUE(f.manager->setScene(scene));
    EXPECT_EQ(childNames(plain->getTemplateRoot()), std::vector<std::string>{"Face"});
    EXPECT_EQ(childNames(again->getTemplateRoot()), std::vector<std::string>{"Face"});
}
