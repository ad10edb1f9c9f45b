#include "engine/scene/CSceneFileReader.h"

#include "engine/content/ContentType.h"
#include "engine/core/CName.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/SetProps.h"
#include "tests/engine/scene/PropertyTestSupport.h"
#include "tests/engine/scene/SceneFileTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string nameOf(const BaseNode* node) { return node ? std::string(node->getName().str().c_str()) : "<none>"; }

// `levels` nested node elements, each named by its level.
std::string nestedScene(uint32_t levels) {
    std::string text;
    for (uint32_t i = 0; i < levels; ++i)
        text += "<SceneNode Type=\"BaseNode\"><Properties><string Name=\"Name\" Value=\"n" + std::to_string(i) +
                "\"/></Properties>";
    for (uint32_t i = 0; i < levels; ++i)
        text += "</SceneNode>";
    return text;
}

TEST(CSceneFileReader, ReadsPropertiesStatesAndChildrenInOrder) {
    CRefHandle<BaseNode> root = readScene(R"(<?xml version="1.0"?>
<SceneNode Type="BaseNode">
  <Properties>
    <string Name="Name" Value="root"/>
    <vector3d Name="Position" Value="10;20;5"/>
    <bool Name="Visible" Value="false"/>
  </Properties>
  <States>
    <Properties><string Name="DefaultState" Value="Normal"/></Properties>
    <State Name="Normal" NextState="Idle">
      <StartAnimator Type="SetProps"><bool Name="Visible" Value="true"/></StartAnimator>
    </State>
    <State Name="Idle"/>
  </States>
  <SceneNode Type="TestNode"><Properties><string Name="Name" Value="first"/></Properties></SceneNode>
  <SceneNode Type="BaseNode">
    <Properties><string Name="Name" Value="second"/></Properties>
    <SceneNode Type="BaseNode"><Properties><string Name="Name" Value="grandchild"/></Properties></SceneNode>
  </SceneNode>
</SceneNode>)");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(nameOf(root.get()), "root");
    EXPECT_EQ(root->getPosition().z, 5.0f);
    EXPECT_FALSE(root->isVisible());
    EXPECT_EQ(root->getDefaultState(), CName("Normal"));
    ASSERT_EQ(root->getStates().size(), 2u);
    CNodeState* normal = root->findState(CName("Normal"));
    ASSERT_NE(normal, nullptr);
    EXPECT_EQ(normal->getNextState(), CName("Idle"));
    EXPECT_EQ(normal->getNode(), root.get());
    EXPECT_EQ(normal->getStartKeys().size(), 1u);
    ASSERT_NE(root->findState(CName("Idle")), nullptr);
    EXPECT_TRUE(root->findState(CName("Idle"))->getNextState().empty());

    ASSERT_EQ(root->getChildren().size(), 2u);
    EXPECT_EQ(nameOf(childAt(root.get(), 0)), "first");
    EXPECT_NE(nodeCast<TestNode>(childAt(root.get(), 0)), nullptr);
    EXPECT_EQ(childAt(root.get(), 0)->getParent(), root.get());
    EXPECT_EQ(nameOf(childAt(childAt(root.get(), 1), 0)), "grandchild");
}

TEST(CSceneFileReader, ClassOverrideFallsBackToType) {
    const struct {
        const char* what;
        const char* attributes;
        const char* expectedType;
    } cases[] = {
        {"known override", R"(Type="BaseNode" ClassOverride="TestNode")", "TestNode"},
        {"unknown override", R"(Type="TestNode" ClassOverride="NoSuchNode")", "TestNode"},
        {"empty override", R"(Type="TestNode" ClassOverride="")", "TestNode"},
        {"class names are case-sensitive", R"(Type="testnode" ClassOverride="BASENODE")", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        // As the root and as a child.
        CRefHandle<BaseNode> root = readScene(std::string("<SceneNode ") + c.attributes + "/>");
        CRefHandle<BaseNode> parent =
            readScene(std::string("<SceneNode Type=\"BaseNode\"><SceneNode ") + c.attributes + "/></SceneNode>");
        ASSERT_NE(parent, nullptr);
        if (c.expectedType) {
            ASSERT_NE(root, nullptr);
            EXPECT_EQ(root->getTypeName(), CStringW(c.expectedType));
            ASSERT_EQ(parent->getChildren().size(), 1u);
            EXPECT_EQ(childAt(parent.get(), 0)->getTypeName(), CStringW(c.expectedType));
            EXPECT_TRUE(log.lines().empty());
        } else {
            EXPECT_EQ(root, nullptr);
            EXPECT_TRUE(log.contains("unknown root node class \"testnode\""));
            EXPECT_TRUE(parent->getChildren().empty());
            EXPECT_TRUE(log.contains("unknown node class \"testnode\", element skipped"));
        }
    }
}

TEST(CSceneFileReader, AChildOfUnknownClassIsSkippedWithItsWholeContent) {
    LogCapture log;
    CRefHandle<BaseNode> root = readScene(R"(
<SceneNode Type="BaseNode">
  <Properties><string Name="Name" Value="root"/></Properties>
  <SceneNode Type="MissingNode">
    <Properties><string Name="Name" Value="inner"/><bool Name="Visible" Value="false"/></Properties>
    <SceneNode Type="BaseNode"><Properties><string Name="Name" Value="orphan"/></Properties></SceneNode>
    <SceneNode Type="BaseNode"/>
  </SceneNode>
  <SceneNode Type="BaseNode"><Properties><string Name="Name" Value="after"/></Properties></SceneNode>
</SceneNode>)");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(nameOf(root.get()), "root");
    EXPECT_TRUE(root->isVisible());
    ASSERT_EQ(root->getChildren().size(), 1u);
    EXPECT_EQ(nameOf(childAt(root.get(), 0)), "after");
    EXPECT_EQ(log.count("unknown node class \"MissingNode\""), 1u);
}

TEST(CSceneFileReader, AnEmptyChildElementTakesNothingOfItsParent) {
    CRefHandle<BaseNode> root = readScene(R"(
<SceneNode Type="BaseNode">
  <SceneNode Type="TestNode"/>
  <Properties><string Name="Name" Value="root"/></Properties>
  <SceneNode Type="BaseNode"/>
</SceneNode>)");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(nameOf(root.get()), "root");
    ASSERT_EQ(root->getChildren().size(), 2u);
    auto* empty = nodeCast<TestNode>(childAt(root.get(), 0));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(nameOf(empty), "");
    EXPECT_TRUE(empty->getChildren().empty());
    EXPECT_EQ(empty->loadedCalls, 1);
}

TEST(CSceneFileReader, EveryNodeIsToldOnceThatItWasLoaded) {
    CRefHandle<BaseNode> root =
        readScene("<SceneNode Type=\"TestNode\"><SceneNode Type=\"TestNode\"><SceneNode Type=\"TestNode\">"
                  "</SceneNode></SceneNode></SceneNode>");
    ASSERT_NE(root, nullptr);
    auto* child = nodeCast<TestNode>(childAt(root.get(), 0));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(static_cast<TestNode*>(root.get())->loadedCalls, 1);
    EXPECT_EQ(child->loadedCalls, 1);
    EXPECT_EQ(nodeCast<TestNode>(childAt(child, 0))->loadedCalls, 1);
}

TEST(CSceneFileReader, StatesKeepTheFirstOfANameAndAreReplacedByALaterStatesElement) {
    CRefHandle<BaseNode> root = readScene(R"(
<SceneNode Type="BaseNode">
  <States><State Name="Old"/></States>
  <States>
    <State Name="Normal" NextState="First"/>
    <State Name="Normal" NextState="Second"/>
    <State Name="Press"></State>
  </States>
</SceneNode>)");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->findState(CName("Old")), nullptr);
    ASSERT_EQ(root->getStates().size(), 2u);
    ASSERT_NE(root->findState(CName("Normal")), nullptr);
    EXPECT_EQ(root->findState(CName("Normal"))->getNextState(), CName("First"));
    EXPECT_NE(root->findState(CName("Press")), nullptr);
}

TEST(CSceneFileReader, WarnsOfStatesThatCanNeverFinish) {
    LogCapture log;
    CRefHandle<BaseNode> root = readScene(R"(
<SceneNode Type="BaseNode">
  <States>
    <State Name="Show">
      <StartAnimator Type="SetProps"><bool Name="Visible" Value="true"/></StartAnimator>
      <EndAnimator Type="SetStates"/>
    </State>
    <State Name="Stuck">
      <Animator Type="SetProps" Name="Reveal"><bool Name="Visible" Value="true"/></Animator>
    </State>
    <State Name="Waiting"><Animator Type="SetStates"/></State>
  </States>
</SceneNode>)",
                                          nullptr, CStringW(u"scenes/Menu.mscn"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getStates().size(), 3u) << "the states are still read";
    EXPECT_TRUE(log.contains("WRN: Scene file scenes/Menu.mscn: state \"Stuck\" has a SetProps main key \"Reveal\""));
    EXPECT_TRUE(log.contains("WRN: Scene file scenes/Menu.mscn: state \"Waiting\" has a SetStates main key,"));
    EXPECT_FALSE(log.contains("\"Show\"")) << "start and end keys are where these belong";
}

TEST(CSceneFileReader, UsesLoadsAtlasCollectionsRelativeToTheFileAndKeepsNone) {
    CRefHandle<FakeContentManager> manager(new FakeContentManager);
    manager->addAvailable(ContentTypeAtlasCollection, u"scenes/menu/Ui.atxc");
    CRefHandle<BaseNode> root = readScene(R"(
<SceneNode Type="BaseNode">
  <Uses>
    <AtlasTextureCollection Value="Ui.atxc"/>
    <Other Value="Ignored.atxc"/>
    <AtlasTextureCollection Value="../Missing.atxc"/>
  </Uses>
  <SceneNode Type="BaseNode"><Uses><AtlasTextureCollection Value="Ui.atxc"/></Uses></SceneNode>
</SceneNode>)",
                                          manager.get(), CStringW(u"scenes/menu/Main.mscn"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(manager->loads, (std::vector<std::u16string>{u"scenes/menu/Ui.atxc", u"scenes/menu/../Missing.atxc",
                                                           u"scenes/menu/Ui.atxc"}));
    // Only the fake's own reference is left; the folder stack is back at its bottom.
    IContent* collection = manager->object(ContentTypeAtlasCollection, u"scenes/menu/Ui.atxc");
    EXPECT_EQ(collection->referenceCount(), 2);
    collection->release();
    EXPECT_TRUE(manager->popFolder().empty());
    // Children carry the manager and an empty name; the root carries the file's name.
    EXPECT_EQ(root->getContentName().str(), CStringW(u"scenes/menu/Main.mscn"));
    EXPECT_EQ(childAt(root.get(), 0)->getContentName().owner(), manager.get());
    EXPECT_TRUE(childAt(root.get(), 0)->getContentName().empty());
}

TEST(CSceneFileReader, AnIncludedFileNeedsAContentManager) {
    LogCapture log;
    CRefHandle<BaseNode> root =
        readScene("<SceneNode Type=\"BaseNode\"><SceneNode Type=\"BaseNode\" File=\"Part.mscn\"/></SceneNode>");
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->getChildren().empty());
    EXPECT_TRUE(log.contains("without a content manager: Part.mscn"));
}

TEST(CSceneFileReader, DamagedDocumentsGiveNullAndOneLine) {
    const struct {
        const char* what;
        std::string text;
        const char* reason;
    } cases[] = {
        {"empty", "", "holds no SceneNode element"},
        {"no node element", "<?xml version=\"1.0\"?><Scene><Properties/></Scene>", "holds no SceneNode element"},
        {"unknown root class", "<SceneNode Type=\"Nothing\"><SceneNode Type=\"BaseNode\"/></SceneNode>",
         "unknown root node class \"Nothing\""},
        {"ends inside the root", "<SceneNode Type=\"BaseNode\"><Properties></Properties>", "ends inside"},
        {"ends inside a child", "<SceneNode Type=\"BaseNode\"><SceneNode Type=\"BaseNode\"></SceneNode>",
         "ends inside"},
        {"ends inside properties", "<SceneNode Type=\"BaseNode\"><Properties><int Name=\"a\" Value=\"1\"/>",
         "ends inside"},
        {"ends inside states", "<SceneNode Type=\"BaseNode\"><States><State Name=\"A\">", "ends inside"},
        {"ends inside uses", "<SceneNode Type=\"BaseNode\"><Uses>", "ends inside"},
        {"ends inside a skipped child", "<SceneNode Type=\"BaseNode\"><SceneNode Type=\"Nope\"><SceneNode>",
         "ends inside"},
        {"ends inside an included child", "<SceneNode Type=\"BaseNode\"><SceneNode File=\"x.mscn\">", "ends inside"},
        {"nested too deeply", nestedScene(CSceneFileReader::MaxDepth + 1), "nested deeper than 128 levels"},
        {"cut in a tag", "<SceneNode Type=\"BaseNode\"></Scene", "ends inside"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        EXPECT_EQ(readScene(c.text, nullptr, CStringW(u"bad.mscn")), nullptr);
        EXPECT_EQ(log.count("Can't read scene file"), 1u);
        EXPECT_EQ(log.count(c.reason), 1u);
        EXPECT_TRUE(log.contains("bad.mscn"));
    }
}

TEST(CSceneFileReader, TheDepthLimitCountsFromTheRoot) {
    CRefHandle<BaseNode> deepest = readScene(nestedScene(CSceneFileReader::MaxDepth));
    ASSERT_NE(deepest, nullptr);
    const BaseNode* node = deepest.get();
    uint32_t levels = 1;
    while (!node->getChildren().empty()) {
        node = childAt(node, 0);
        ++levels;
    }
    EXPECT_EQ(levels, CSceneFileReader::MaxDepth);
    EXPECT_EQ(nameOf(node), "n127");
}

TEST(CSceneFileReader, OnlyTheFirstRootElementIsRead) {
    CRefHandle<BaseNode> root = readScene("<SceneNode Type=\"TestNode\"/><SceneNode Type=\"BaseNode\">"
                                          "<Properties><string Name=\"Name\" Value=\"second\"/></Properties>"
                                          "</SceneNode>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getTypeName(), CStringW(u"TestNode"));
    EXPECT_EQ(nameOf(root.get()), "");
}

TEST(CSceneFileReader, NodesReadAndWriteTheirElementsThroughTheirOwnHooks) {
    CRefHandle<BaseNode> root = readScene("<SceneNode Type=\"BaseNode\"><SceneNode Type=\"HookTestNode\">"
                                          "<Properties><string Name=\"Name\" Value=\"hooked\"/></Properties>"
                                          "</SceneNode></SceneNode>");
    ASSERT_NE(root, nullptr);
    auto* hooked = nodeCast<HookTestNode>(childAt(root.get(), 0));
    ASSERT_NE(hooked, nullptr);
    EXPECT_EQ(hooked->readCalls, 1);
    EXPECT_EQ(nameOf(hooked), "hooked");
    EXPECT_NE(sceneText(root.get()).find("<!--hook-->\t<SceneNode Type=\"HookTestNode\">"), std::string::npos)
        << sceneText(root.get());
}

TEST(CSceneFileReader, ResolveClassPrefersAKnownOverride) {
    CNodeFactory* factory = testNodeFactory();
    EXPECT_EQ(CSceneFileReader::resolveClass(factory, CStringW(u"TestNode"), CStringW(u"BaseNode")),
              CStringW(u"TestNode"));
    EXPECT_EQ(CSceneFileReader::resolveClass(factory, CStringW(u"Nope"), CStringW(u"BaseNode")), CStringW(u"BaseNode"));
    EXPECT_TRUE(CSceneFileReader::resolveClass(factory, CStringW(u"Nope"), CStringW(u"Nada")).empty());
    EXPECT_TRUE(CSceneFileReader::resolveClass(nullptr, CStringW(u"TestNode"), CStringW(u"BaseNode")).empty());
}

} // namespace

TEST(CSceneFileReader, StateKeysComeFromTheReadersOwnFactory) {
    CRefHandle<CNodeFactory> local(new CNodeFactory);
    ASSERT_TRUE(local->registerKeyClass(CStringW(u"LocalKey"), []() -> Animator* { return new SetProps(); }));
    ASSERT_FALSE(CNodeFactory::getShared()->isKeyClassRegistered(CStringW(u"LocalKey")));
    const std::string text = R"(<SceneNode Type="BaseNode"><States>
  <State Name="Shown"><StartAnimator Type="LocalKey"><bool Name="Visible" Value="true"/></StartAnimator></State>
</States></SceneNode>)";
    CRefHandle<CXmlStreamReader> xml(new CXmlStreamReader(text.data(), text.size()));
    uint32_t depth = 0;
    CSceneFileReader reader(xml.get(), local.get(), depth, CStringW(u"local.mscn"));
    LogCapture log;
    CRefHandle<BaseNode> root = reader.readDocument(CObjectName(), CStringW(u"local.mscn"));
    ASSERT_NE(root, nullptr);
    CNodeState* shown = root->findState(CName("Shown"));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->getStartKeys().size(), 1u);
    EXPECT_FALSE(log.contains("Unknown animation key class"));
}
