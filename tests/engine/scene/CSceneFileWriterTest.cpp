#include "engine/scene/CSceneFileWriter.h"

#include "engine/content/ContentType.h"
#include "engine/core/CName.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CSceneFileReader.h"
#include "tests/engine/scene/PropertyTestSupport.h"
#include "tests/engine/scene/SceneFileTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CRefHandle<BaseNode> newNode() { return CRefHandle<BaseNode>(new BaseNode(CObjectName(), nullptr, nullptr)); }

TEST(CSceneFileWriter, ADefaultNodeWritesItsTypeAndNothingElse) {
    CRefHandle<BaseNode> node = newNode();
    EXPECT_EQ(sceneText(node.get()), "<SceneNode Type=\"BaseNode\">\r\n</SceneNode>\r\n");

    // Read from an element that had only a Type, it writes the same.
    CRefHandle<BaseNode> read = readScene("<SceneNode Type=\"TestNode\"/>");
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(sceneText(read.get()), "<SceneNode Type=\"TestNode\">\r\n</SceneNode>\r\n");
}

TEST(CSceneFileWriter, WritesPropertiesThenStatesThenChildren) {
    // Interned in this order but added the other way round: states are
    // written in the order they were added (a file's own order), whatever
    // the name ids.
    const CName first("WriterFirstState");
    const CName second("WriterSecondState");
    CRefHandle<BaseNode> root = newNode();
    root->setName(CName("root"));
    root->setPosition(CVector3d(1.0f, 2.0f, 0.0f));
    root->setDefaultState(first);
    CRefHandle<CNodeState> secondState(new CNodeState(second));
    CRefHandle<CNodeState> firstState(new CNodeState(first));
    firstState->setNextState(second);
    ASSERT_TRUE(root->addState(secondState.get()));
    ASSERT_TRUE(root->addState(firstState.get()));
    CRefHandle<BaseNode> child(new TestNode(CObjectName(), root.get(), nullptr));
    // A template root hangs on its parent but is not part of the file.
    CRefHandle<BaseNode> templateRoot = newNode();
    templateRoot->setNotSerialised(true);
    root->addChild(templateRoot.get());

    EXPECT_EQ(sceneText(root.get()), "<SceneNode Type=\"BaseNode\">\r\n"
                                     "\t<Properties>\r\n"
                                     "\t\t<string Name=\"Name\" Value=\"root\" />\r\n"
                                     "\t\t<vector3d Name=\"Position\" Value=\"1;2;0\" />\r\n"
                                     "\t\t<string Name=\"DefaultState\" Value=\"WriterFirstState\" />\r\n"
                                     "\t</Properties>\r\n"
                                     "\t<States>\r\n"
                                     "\t\t<State Name=\"WriterSecondState\">\r\n"
                                     "\t\t</State>\r\n"
                                     "\t\t<State Name=\"WriterFirstState\" NextState=\"WriterSecondState\">\r\n"
                                     "\t\t</State>\r\n"
                                     "\t</States>\r\n"
                                     "\t<SceneNode Type=\"TestNode\">\r\n"
                                     "\t</SceneNode>\r\n"
                                     "</SceneNode>\r\n");
    EXPECT_EQ(sceneText(templateRoot.get()), "");
    // The reference addChild took for the template root is its owner's.
    templateRoot->release();
}

TEST(CSceneFileWriter, ReadWriteReadGivesAnEqualTreeWithoutWhereItCameFrom) {
    CRefHandle<BaseNode> read = readScene(R"(<?xml version="1.0"?>
<SceneNode Type="BaseNode" ClassOverride="TestNode">
  <Uses><AtlasTextureCollection Value="Ui.atxc"/></Uses>
  <Properties>
    <string Name="Name" Value="menu"/>
    <color Name="TintColor" Value="80ff0000"/>
    <vector3d Name="Scale" Value="1;1;1"/>
    <int Name="NodeLayout" Value="305419896"/>
    <bool Name="ChildrenClipped" Value="true"/>
    <bool Name="DebugDataVisible" Value="true"/>
    <int Name="Unknown" Value="3"/>
  </Properties>
  <States>
    <Properties><string Name="DefaultState" Value="Normal"/></Properties>
    <State Name="Normal" NextState="Idle">
      <StartAnimator Type="SetProps"><bool Name="Visible" Value="true"/></StartAnimator>
      <Animator Type="KeyFrame" Period="200">
        <Properties><float Name="Alpha" Value="0"/></Properties>
        <KeyFrame t="0" Value0="0"/><KeyFrame t="100" Value0="1"/>
      </Animator>
    </State>
    <State Name="Idle"/>
  </States>
  <SceneNode Type="BaseNode">
    <Properties><string Name="Name" Value="button"/><vector2d Name="PivotPoint" Value="5;6"/></Properties>
    <SceneNode Type="TestNode"/>
  </SceneNode>
  <SceneNode Type="BaseNode" File="Part.mscn"/>
</SceneNode>)");
    ASSERT_NE(read, nullptr);
    const std::string written = sceneText(read.get());
    EXPECT_NE(written.find("<SceneNode Type=\"BaseNode\" ClassOverride=\"TestNode\">"), std::string::npos);
    EXPECT_NE(written.find("<AtlasTextureCollection Value=\"Ui.atxc\" />"), std::string::npos);
    EXPECT_EQ(written.find("File"), std::string::npos);
    EXPECT_EQ(written.find("Unknown"), std::string::npos);
    EXPECT_EQ(written.find("Scale"), std::string::npos);
    EXPECT_NE(written.find("<SceneNode Type=\"TestNode\">"), std::string::npos);
    // DefaultState moves into the node's Properties.
    EXPECT_LT(written.find("DefaultState"), written.find("</Properties>"));
    // DebugDataVisible is written when set but never read.
    EXPECT_EQ(written.find("DebugDataVisible"), std::string::npos);

    CRefHandle<BaseNode> again = readScene(written);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(sceneText(again.get()), written);
    EXPECT_EQ(again->getTypeName(), CStringW(u"TestNode"));
    EXPECT_EQ(again->getNodeLayout(), 305419896u);
    EXPECT_TRUE(again->areChildrenClipped());
    EXPECT_EQ(again->getTintColor(), read->getTintColor());
    EXPECT_EQ(again->getDefaultState(), CName("Normal"));
    ASSERT_NE(again->findState(CName("Normal")), nullptr);
    EXPECT_EQ(again->findState(CName("Normal"))->getKeys().size(), 1u);
    EXPECT_EQ(again->findState(CName("Normal"))->getStartKeys().size(), 1u);
    ASSERT_EQ(again->getChildren().size(), 1u);
    EXPECT_EQ(childAt(again.get(), 0)->getPivotPoint().y, 6.0f);
    EXPECT_EQ(childAt(childAt(again.get(), 0), 0)->getTypeName(), CStringW(u"TestNode"));
}

TEST(CSceneFileWriter, KeepsClassOverridesAndTheCollectionsAFileUses) {
    CRefHandle<FakeContentManager> manager(new FakeContentManager);
    manager->addAvailable(ContentTypeAtlasCollection, u"scenes/atlases/Ui.atxc");
    manager->addAvailable(ContentTypeAtlasCollection, u"scenes/Common.atxc");
    CRefHandle<BaseNode> read = readScene(R"(<SceneNode Type="BaseNode">
  <Uses><AtlasTextureCollection Value="atlases/Ui.atxc"/><AtlasTextureCollection Value="Common.atxc"/></Uses>
  <Uses><AtlasTextureCollection Value="atlases/Ui.atxc"/></Uses>
  <SceneNode Type="BaseNode" ClassOverride="TestNode"/>
  <SceneNode Type="TestNode" ClassOverride="NoSuchClass"/>
</SceneNode>)",
                                          manager.get(), CStringW(u"scenes/Menu.mscn"));
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->getChildren().size(), 2u);
    EXPECT_EQ(childAt(read.get(), 0)->getTypeName(), CStringW(u"TestNode"));
    EXPECT_EQ(childAt(read.get(), 1)->getTypeName(), CStringW(u"TestNode")) << "an unknown override falls back";

    // Saved beside the file it came from, the collections are named as read.
    manager->pushFolder(CStringW(u"scenes/Copy.mscn"));
    const std::string written = sceneText(read.get());
    EXPECT_EQ(written, "<SceneNode Type=\"BaseNode\">\r\n"
                       "\t<Uses>\r\n"
                       "\t\t<AtlasTextureCollection Value=\"atlases/Ui.atxc\" />\r\n"
                       "\t\t<AtlasTextureCollection Value=\"Common.atxc\" />\r\n"
                       "\t</Uses>\r\n"
                       "\t<SceneNode Type=\"BaseNode\" ClassOverride=\"TestNode\">\r\n"
                       "\t</SceneNode>\r\n"
                       "\t<SceneNode Type=\"TestNode\" ClassOverride=\"NoSuchClass\">\r\n"
                       "\t</SceneNode>\r\n"
                       "</SceneNode>\r\n");

    // A copy keeps them too, and reading the saved text loads the same files.
    CRefHandle<BaseNode> copy(read->clone(nullptr, nullptr));
    EXPECT_EQ(sceneText(copy.get()), written);
    manager->loads.clear();
    CRefHandle<BaseNode> again = readScene(written, manager.get(), CStringW(u"scenes/Copy.mscn"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(manager->loads, (std::vector<std::u16string>{u"scenes/atlases/Ui.atxc", u"scenes/Common.atxc"}));
    EXPECT_EQ(childAt(again.get(), 0)->getTypeName(), CStringW(u"TestNode"));
}

TEST(CSceneFileWriter, RefusesTreesDeeperThanTheReaderTakes) {
    CRefHandle<BaseNode> root = newNode();
    BaseNode* last = root.get();
    for (uint32_t i = 1; i < CSceneFileReader::MaxDepth; ++i)
        last = CRefHandle<BaseNode>(new BaseNode(CObjectName(), last, nullptr)).get();
    const std::string deepest = sceneText(root.get());
    ASSERT_NE(deepest, "<failed>");
    EXPECT_NE(readScene(deepest), nullptr);

    CRefHandle<BaseNode> extra(new BaseNode(CObjectName(), last, nullptr));
    LogCapture log;
    EXPECT_EQ(sceneText(root.get()), "<failed>");
    EXPECT_TRUE(log.contains("Can't write scene file: nodes nested deeper than 128 levels"));
}

TEST(CSceneFileWriter, NothingToWriteTo) {
    CRefHandle<BaseNode> node = newNode();
    CSceneFileWriter writer(nullptr);
    EXPECT_FALSE(writer.writeNode(node.get()));
    EXPECT_FALSE(writer.writeDocument(node.get(), nullptr, CStringW()));
}

} // namespace
