// A level scene file with one building place, read with its template
// collection: the place binds its template's children, and changing its
// type, task and damage applies the states the templates define.

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CSceneNodeProcessor.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/nodes/GEllipseSectorNode.h"
#include "game/nodes/GPolygonNode.h"
#include "game/world/GBuildingNode.h"
#include "tests/game/world/StandInLevel.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string states(std::initializer_list<const char*> names) {
    std::string text = "<States>";
    for (const char* name : names)
        text += std::string("<State Name=\"") + name + "\"/>";
    return text + "</States>";
}

std::string node(const char* type, const char* name, const std::string& properties = {},
                 const std::string& content = {}) {
    return std::string("<SceneNode Type=\"") + type + "\"><Properties><string Name=\"Name\" Value=\"" + name + "\"/>" +
           properties + "</Properties>" + content + "</SceneNode>";
}

std::string at(float x, float y) {
    return "<vector3d Name=\"Position\" Value=\"" + std::to_string(x) + ";" + std::to_string(y) + ";0\"/>";
}

const std::string kTemplates =
    "<SceneNode Type=\"TemplateCollectionNode\">" +
    node("BaseNode", "RepairIcon", {}, states({"Appear", "Disappear"})) +
    node("BaseNode", "DirtyIcon", {}, states({"Appear", "Disappear"})) +
    node("BaseNode", "UnreachableMarker", {}, node("BaseNode", "Sign", {}, states({"Show", "Hide"}))) +
    node("BaseNode", "MoneyBurst") + node("BaseNode", "License", {}, states({"Disappear"})) +
    node("BaseNode", "House1", "<vector3d Name=\"Bounds\" Value=\"100;80;0\"/>",
         node("GPolygonNode", "Body", "<string Name=\"Vertices\" Value=\"0;0,100;0,100;80,0;80\"/>") +
             node("BaseNode", "StarIcons", {},
                  node("BaseNode", "Stars", {},
                       states({"Level0", "Level1", "Level2", "Level3", "LevelUp0", "LevelUp1", "Hide"}))) +
             node("BaseNode", "WorkerArrivalPosition", at(10, 70)) +
             node("BaseNode", "WorkerArrivalPosition", at(11, 71)) +
             node("BaseNode", "WorkerArrivalPosition", at(90, 70)) +
             node("BaseNode", "Progress", at(70, 0),
                  node("BaseNode", "Face") + node("GEllipseSectorNode", "Sector", {}, states({"Alert"})) +
                      node("BaseNode", "Hand"))) +
    "</SceneNode>";

const std::string kLevel =
    "<SceneNode Type=\"BaseNode\">" +
    node("GBuildingNode", "Place1",
         at(200, 100) + "<vector3d Name=\"Bounds\" Value=\"100;80;0\"/>" +
             "<string Name=\"TemplateName\" Value=\"House1\"/><int Name=\"LuckinessType\" Value=\"-1\"/>") +
    "</SceneNode>";

// The states a node applies to its subtree show on its children.
CName childState(const BaseNode* node) {
    const BaseNode* child = node && !node->getChildren().empty() ? node->getChildren()[0] : nullptr;
    const CNodeState* state = child ? child->getCurrentState() : nullptr;
    return state ? state->getName() : CName();
}

CName currentState(const BaseNode* node) {
    const CNodeState* state = node ? node->getCurrentState() : nullptr;
    return state ? state->getName() : CName();
}

class GBuildingSceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(fileSystem->mountArchive(fromNativePath(dir.path().string()), nullptr), nullptr);
        CNodeFactory* factory = CNodeFactory::getShared();
        registerStandardNodes(*factory);
        (void)factory->registerNodeClass(CStringW(u"GBuildingNode"), &GBuildingNode::create);
        (void)factory->registerNodeClass(CStringW(u"GPolygonNode"), &GPolygonNode::create);
        (void)factory->registerNodeClass(CStringW(u"GEllipseSectorNode"), &GEllipseSectorNode::create);
        ASSERT_TRUE(CSceneNodeProcessor::registerWith(processors.get(), factory));
        (void)dir.write("Templates.mscn", kTemplates);
        (void)dir.write("Level.mscn", kLevel);
        collection.reset(content->loadNode<TemplateCollectionNode>(CStringW(u"Templates.mscn"), false));
        ASSERT_TRUE(collection);
        manager->setTemplateCollection(collection.get());
        level.reset(content->loadNode(CStringW(u"Level.mscn"), false));
        ASSERT_TRUE(level);
        place = nodeCast<GBuildingNode>(level->findChild(CName("Place1"), 1));
        ASSERT_NE(place, nullptr);
        level->setSceneManager(manager.get(), nullptr);
        place->applyTemplate();
    }

    TempDir dir;
    CRefHandle<CVirtualFileSystem> fileSystem{new CVirtualFileSystem};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> content{new CContentManager(nullptr, fileSystem.get(), processors.get())};
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> collection;
    CRefHandle<BaseNode> level;
    GBuildingNode* place = nullptr;
};

} // namespace

TEST_F(GBuildingSceneTest, APlaceReadFromItsSceneBindsItsTemplateAndShowsItsStates) {
    EXPECT_EQ(place->getLuckinessType(), -1);
    ASSERT_NE(place->getStarIcons(), nullptr);
    ASSERT_NE(place->getUnreachableMarker(), nullptr);
    EXPECT_TRUE(place->getUnreachableMarker()->isVisible());
    EXPECT_EQ(childState(place->getUnreachableMarker()), CName("Show"));
    EXPECT_EQ(currentState(place->getLicenseMarker()), CName("Disappear"));
    EXPECT_EQ(place->getArrivalPoints().size(), 2u) << "two of the three points lie within 3 of each other";

    // Built as a two-star apartment, then levelled up: the stars of the old
    // level show while the task runs.
    auto house1 = makeBuildingType("House1", GBuildingType::Apartment, 1);
    auto house2 = makeBuildingType("House2", GBuildingType::Apartment, 2);
    place->setType(house1.get(), false, false);
    place->setType(house2.get(), false, false);
    EXPECT_TRUE(place->getStarIcons()->isVisible());
    EXPECT_EQ(childState(place->getStarIcons()), CName("LevelUp0")) << "after Level1";
    place->setTask(GBuildingNode::TaskBuild, nullptr);
    EXPECT_EQ(childState(place->getUnreachableMarker()), CName("Show")) << "unchanged until the damage changes";

    // Damage: the repair icon appears from its template, then gives way.
    place->setTask(GBuildingNode::TaskNone, nullptr);
    place->setReachable(true);
    place->setRequiredServices(true);
    place->setDamageState(GBuildingNode::DamageBroken, false);
    ASSERT_NE(place->getDamageIcon(), nullptr);
    EXPECT_EQ(place->getDamageIcon()->getName(), CName("RepairIcon"));
    EXPECT_EQ(currentState(place->getDamageIcon()), CName("Appear"));
    EXPECT_EQ(childState(place->getUnreachableMarker()), CName("Hide"));
    BaseNode* repair = place->getDamageIcon();
    place->setDamageState(GBuildingNode::DamageDirty, false);
    EXPECT_EQ(currentState(repair), CName("Disappear"));
    EXPECT_EQ(place->getDamageIcon()->getName(), CName("DirtyIcon"));

    // The income clock of the template.
    BaseNode* clock = place->getTemplateRoot()->findChild(CName("Progress"), 1);
    ASSERT_NE(clock, nullptr);
    updateIncomeClock(clock, 0.8f);
    const auto* sector = nodeCast<GEllipseSectorNode>(clock->getChildren()[1]);
    ASSERT_NE(sector, nullptr);
    EXPECT_EQ(sector->getAngle2(), 288);
    EXPECT_EQ(currentState(sector), CName("Alert"));
    EXPECT_FLOAT_EQ(clock->getChildren()[2]->getRotation().z, 288.0f);
}
