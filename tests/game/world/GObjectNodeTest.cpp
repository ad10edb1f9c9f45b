#include "game/world/GObjectNode.h"

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "game/config/IGameLevel.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

CRefHandle<GObjectNode> newObject() {
    return CRefHandle<GObjectNode>(new GObjectNode(CObjectName(), nullptr, nullptr));
}

// The entries in key order, to compare whole maps.
std::vector<std::pair<CName, int>> entriesOf(const GResourceMap& map) {
    std::vector<std::pair<CName, int>> entries;
    for (const auto& entry : map)
        entries.emplace_back(entry.key, entry.value);
    return entries;
}

GResourceMap amounts(std::initializer_list<std::pair<const char*, int>> entries) {
    GResourceMap map;
    for (const auto& [name, amount] : entries)
        map[CName(name)] = amount;
    return map;
}

class FakeLevel : public IGameLevel {
public:
    CEventReceiver* getLevelReceiver() override { return nullptr; }
    LevelConfiguration* getLevelConfiguration() const override { return configuration; }
    ObjectsConfiguration* getObjectsConfiguration() const override { return objects; }
    const GLevelModifierValues* getModifierValues() const override { return nullptr; }
    float getLevelIncome() const override { return 0.0f; }
    int getHeadquartersGold() const override { return 0; }
    LevelConfiguration* configuration = reinterpret_cast<LevelConfiguration*>(0x10);
    ObjectsConfiguration* objects = reinterpret_cast<ObjectsConfiguration*>(0x20);
};

} // namespace

TEST(GObjectNode, IdentifiesItselfAsAControl) {
    CRefHandle<GObjectNode> object = newObject();
    EXPECT_EQ(object->getTypeId(), 2060);
    EXPECT_TRUE(object->isKindOf(2060));
    EXPECT_TRUE(object->isKindOf(ControlNode::TypeId));
    EXPECT_TRUE(object->isKindOf(0));
    EXPECT_EQ(object->getClassName(), u"GObjectNode");
    EXPECT_EQ(object->getUpdateInterval(), 30u);
    EXPECT_TRUE(object->update(30));
}

TEST(GObjectNode, StoreAmounts) {
    CRefHandle<GObjectNode> object = newObject();
    EXPECT_EQ(object->getResource(CName("Gold")), 0);
    EXPECT_TRUE(object->getResources().empty()); // asking makes no entry
    EXPECT_TRUE(object->isEmpty());
    EXPECT_TRUE(object->hasResources(GResourceMap()));

    object->addResource(CName("Gold"), -5);
    EXPECT_EQ(object->getResource(CName("Gold")), -5);
    EXPECT_TRUE(object->isEmpty());
    object->addResources(amounts({{"Gold", 10}, {"Money", 300}}));
    EXPECT_EQ(object->getGold(), 5);
    EXPECT_EQ(object->getMoney(), 300);
    EXPECT_FALSE(object->isEmpty());
    EXPECT_TRUE(object->hasResource(CName("Money"), 300));
    EXPECT_FALSE(object->hasResource(CName("Money"), 301));
    EXPECT_TRUE(object->hasResources(amounts({{"Gold", 5}, {"Money", 1}})));
    EXPECT_FALSE(object->hasResources(amounts({{"Gold", 5}, {"Key", 1}})));

    // Amounts from files cannot wrap around.
    object->addResource(CName("Money"), 2147483647);
    EXPECT_EQ(object->getMoney(), 2147483647);
}

TEST(GObjectNode, TakingResourcesEmptiesTheStoreAndNoEntryLingersAtZero) {
    CRefHandle<GObjectNode> object = newObject();
    object->addResources(amounts({{"Gold", 5}, {"Materials", 7}, {"Key", -2}}));
    GResourceMap target = amounts({{"Gold", 1}});
    object->takeResources(target);
    EXPECT_EQ(entriesOf(target), entriesOf(amounts({{"Gold", 6}, {"Materials", 7}, {"Key", -2}})));
    EXPECT_TRUE(object->getResources().empty());
    EXPECT_TRUE(object->isEmpty());

    // Spending down to nothing leaves no entry behind; neither does clearing.
    object->addResources(amounts({{"Money", 300}, {"Gold", 2}}));
    object->addResource(CName("Money"), -300);
    EXPECT_EQ(entriesOf(object->getResources()), entriesOf(amounts({{"Gold", 2}})));
    object->clearResources();
    EXPECT_TRUE(object->getResources().empty());
}

TEST(GObjectNode, QuestItemsAreTheNonStandardResources) {
    CRefHandle<GObjectNode> object = newObject();
    object->addResources(amounts(
        {{"Gold", 1}, {"Materials", 1}, {"Money", 1}, {"Workers", 1}, {"Guests", 1}, {"BurstMoney", 1}, {"Key", 2}}));
    const GResourceMap others = object->getOtherResources();
    EXPECT_EQ(others.size(), 2u);
    EXPECT_TRUE(others.contains(CName("Key")));
    EXPECT_TRUE(others.contains(CName("BurstMoney")));

    EXPECT_TRUE(GObjectNode::isStandardResource(CName("BurstMoney")));
    EXPECT_TRUE(GObjectNode::isStandardResource(CName("Guests")));
    EXPECT_FALSE(GObjectNode::isStandardResource(CName("Key")));
    EXPECT_FALSE(GObjectNode::isStandardResource(CName()));
}

TEST(GObjectNode, CopiesTakeTheStoreOnlyFromAnotherObject) {
    CRefHandle<GObjectNode> source = newObject();
    source->addResource(CName("Gold"), 9);
    CRefHandle<BaseNode> copy(source->clone(nullptr, nullptr));
    const GObjectNode* copied = nodeCast<GObjectNode>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->getGold(), 9);

    CRefHandle<ControlNode> control(new ControlNode(CObjectName(), nullptr, nullptr));
    CRefHandle<GObjectNode> target = newObject();
    target->addResource(CName("Money"), 4);
    target->copyFrom(control.get(), nullptr);
    EXPECT_EQ(target->getMoney(), 4);
    target->copyFrom(source.get(), nullptr);
    EXPECT_EQ(target->getMoney(), 0);
    EXPECT_EQ(target->getGold(), 9);
}

TEST(GObjectNode, JoiningALevelTakesItsConfigurations) {
    FakeLevel level;
    CRefHandle<GObjectNode> object = newObject();
    object->setLevelScene(&level);
    EXPECT_EQ(object->getLevelScene(), &level);
    EXPECT_EQ(object->getLevelConfiguration(), level.configuration);
    EXPECT_EQ(object->getObjectsConfiguration(), level.objects);
    object->setLevelScene(nullptr);
    EXPECT_EQ(object->getLevelScene(), &level);
}
