#include "engine/scene/CNodeFactory.h"

#include "engine/core/CEngineManagers.h"
#include "engine/scene/Animator.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/ControlNode.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/SetStates.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

CRefHandle<CNodeFactory> makeFactory() { return CRefHandle<CNodeFactory>(new CNodeFactory); }

int g_otherCreations = 0;

BaseNode* createOtherNode(const CObjectName& name) {
    ++g_otherCreations;
    return new BaseNode(name, nullptr, nullptr);
}

} // namespace

TEST(CNodeFactory, CreatesTheEngineClassesDetachedWithOneReference) {
    CRefHandle<CNodeFactory> factory = makeFactory();
    const CObjectName name(nullptr, u"Loaded");
    const struct {
        const char16_t* className;
        int32_t typeId;
    } cases[] = {
        {u"BaseNode", BaseNode::TypeId},
        {u"TemplateCollectionNode", TemplateCollectionNode::TypeId},
        {u"ControlNode", ControlNode::TypeId},
        {u"SceneNode", SceneNode::TypeId},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(CString(c.className).c_str());
        CRefHandle<BaseNode> node = factory->createNode(c.className, name);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->getTypeId(), c.typeId);
        EXPECT_EQ(node->getTypeName(), CStringW(c.className));
        EXPECT_EQ(node->referenceCount(), 1);
        EXPECT_EQ(node->getParent(), nullptr);
        EXPECT_EQ(node->getSceneManager<BaseNode>(), nullptr);
        EXPECT_EQ(node->getContentName(), name);
    }
    for (const char16_t* key : {u"KeyFrame", u"SetProps", u"SetStates"}) {
        SCOPED_TRACE(CString(key).c_str());
        CRefHandle<Animator> created = factory->createKey(key);
        ASSERT_NE(created, nullptr);
        EXPECT_EQ(created->getTypeName(), CStringW(key));
        EXPECT_EQ(created->referenceCount(), 1);
    }
}

TEST(CNodeFactory, UnknownOrWronglyCasedNamesGiveNullAndALogLine) {
    CRefHandle<CNodeFactory> factory = makeFactory();
    const struct {
        const char* what;
        bool key;
        const char16_t* className;
    } cases[] = {
        {"lower case", false, u"controlnode"},
        {"not registered", false, u"SpriteNode"},
        {"a key name in the node map", false, u"SetStates"},
        {"a node name in the key map", true, u"SceneNode"},
        {"empty", true, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        if (c.key)
            EXPECT_EQ(factory->createKey(c.className), nullptr);
        else
            EXPECT_EQ(factory->createNode(c.className, CObjectName()), nullptr);
        EXPECT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.contains(c.key ? "Unknown animation key class" : "Unknown node class"));
    }
    EXPECT_TRUE(factory->isKeyClassRegistered(u"SetStates"));
    EXPECT_FALSE(factory->isNodeClassRegistered(u"SetStates"));
}

TEST(CNodeFactory, FirstRegistrationWins) {
    CRefHandle<CNodeFactory> factory = makeFactory();
    g_otherCreations = 0;
    EXPECT_FALSE(factory->registerNodeClass(u"ControlNode", &createOtherNode));
    CRefHandle<BaseNode> control = factory->createNode(u"ControlNode", CObjectName());
    EXPECT_EQ(control->getTypeId(), ControlNode::TypeId);
    EXPECT_EQ(g_otherCreations, 0);

    EXPECT_TRUE(factory->registerNodeClass(u"GameNode", &createOtherNode));
    EXPECT_FALSE(factory->registerNodeClass(u"GameNode", [](const CObjectName&) -> BaseNode* { return nullptr; }));
    EXPECT_NE(factory->createNode(u"GameNode", CObjectName()), nullptr);
    EXPECT_EQ(g_otherCreations, 1);
    EXPECT_FALSE(factory->registerNodeClass(u"Null", nullptr));
    EXPECT_FALSE(factory->registerKeyClass(u"SetProps", []() -> Animator* { return nullptr; }));
    EXPECT_NE(factory->createKey(u"SetProps"), nullptr);
}

TEST(CNodeFactory, SharedFactoryLivesInTheEngineManagers) {
    CNodeFactory* shared = CNodeFactory::getShared();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(CEngineManagers::instance().getNodeFactory(), shared);
    EXPECT_EQ(CNodeFactory::getShared(), shared);
}
