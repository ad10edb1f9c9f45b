// The labels over a building place and its serve-area display: a place made
// from a template with the bonus labels, the feature display, the workers
// label, the serve-area marker and the outline.

#include "engine/core/CRefHandle.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/config/GActiveFeature.h"
#include "game/config/GUniqUpgradeConfig.h"
#include "game/nodes/GConvexHullNode.h"
#include "game/nodes/GTwoSpritesProgressBarNode.h"
#include "game/world/GBuildingNode.h"
#include "tests/game/world/StandInLevel.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

template <class T> T* add(BaseNode* parent, const char* name, std::initializer_list<const char*> states = {}) {
    auto* node = new T(CObjectName(), parent, nullptr);
    node->setName(CName(name));
    for (const char* state : states) {
        CRefHandle<CNodeState> s(new CNodeState(CName(state)));
        (void)node->addState(s.get());
    }
    node->release();
    return node;
}

std::string stateOf(const BaseNode* node) {
    const CNodeState* state = node ? node->getCurrentState() : nullptr;
    return state ? state->getName().str().c_str() : "";
}

// States applied to a node's subtree show on its children.
std::string childStateOf(const BaseNode* node) {
    return node && !node->getChildren().empty() ? stateOf(node->getChildren()[0]) : "";
}

std::string textOf(const BaseNode* node) {
    const auto* text = nodeCast<TextNode>(node);
    return text ? std::string(CString(text->getText()).c_str()) : "";
}

// A level of two places side by side (0 and 1) made from templates: the
// labels come from the template collection, the marker and the outline from
// the place's own template.
struct DisplayScene {
    StandInLevel level;
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> templates{new TemplateCollectionNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GBuildingConfig> house = makeBuildingType("House1", GBuildingType::Apartment, 1);
    CRefHandle<GBuildingConfig> empty = makeBuildingType("Place", GBuildingType::BuildingPlace, 0);
    CRefHandle<GBuildingNode> places[2];

    DisplayScene() {
        auto* smile = add<TextNode>(templates.get(), "SmileIcon",
                                    {"Red", "Blue", "Green", "IncomeUpgrade", "Highlight", "NegativeIncome", "Normal"});
        add<TextNode>(smile, "IncomeBonusText");
        add<TextNode>(templates.get(), "RatingText", {"Red", "Green"});
        add<BaseNode>(add<SpriteNode>(templates.get(), "FeatureText"), "Face",
                      {"Rating", "Guests", "RatingUpgrade", "GuestsUpgrade", "Normal"});
        add<TextNode>(add<BaseNode>(templates.get(), "WorkersText"), "Text");
        add<BaseNode>(templates.get(), "License", {"Appear", "Disappear"});
        for (const char* name : {"House1", "Place"}) {
            auto* look = add<BaseNode>(templates.get(), name);
            look->setBounds(CVector3d(100.0f, 80.0f, 0.0f));
            add<BaseNode>(add<BaseNode>(look, "Selector"), "Frame", {"Green"});
            add<BaseNode>(look, "ServeAreaMarker", {"Green", "Hide", "Disappear", "Source", "Receiver"});
            auto* hull = add<GConvexHullNode>(look, "ServeAreaConvexHull", {"Appear", "Disappear"});
            add<BaseNode>(hull, "HullElement");
            hull->onLoaded();
            auto* feature = add<BaseNode>(look, "Feature");
            add<BaseNode>(feature, "FeatureIcon", {"Appear", "Disappear", "Hide"});
            add<GTwoSpritesProgressBarNode>(feature, "FeatureProgress");
        }
        templates->onLoaded();
        manager->setTemplateCollection(templates.get());
        level.headquarters = nullptr;
        for (int i = 0; i < 2; ++i) {
            places[i].reset(new GBuildingNode(CObjectName(), nullptr, manager.get()));
            GBuildingNode& p = *places[i];
            p.setPosition(CVector3d(120.0f * float(i), 0.0f, 0.0f));
            p.setBounds(CVector3d(100.0f, 80.0f, 0.0f));
            p.setPlaceNumber(i);
            level.places.push_back(&p);
            p.setLevelScene(&level);
            p.setType(i == 0 ? house.get() : empty.get(), false, false);
            p.setTemplateName(i == 0 ? house->Name : empty->Name);
            p.setReachable(true);
            p.setRequiredServices(true);
        }
    }

    GBuildingNode& place(int i) { return *places[i]; }
};

} // namespace

TEST(GBuildingDisplay, IncomeAndHappinessLabelsShowTheirSizeInTheirColour) {
    DisplayScene scene;
    GBuildingNode& house = scene.place(0);
    ASSERT_NE(house.getSmileIcon(), nullptr);
    ASSERT_NE(house.getRatingText(), nullptr);
    const struct {
        int percent;
        const char* text;
        const char* state;
    } incomes[] = {{15, "+15%", "Green"}, {14, "+14%", "Blue"}, {-5, "-5%", "Red"}, {-10, "-10%", "Red"}};
    for (const auto& c : incomes) {
        SCOPED_TRACE(c.percent);
        house.showIncomeBonus(c.percent);
        EXPECT_TRUE(house.getSmileIcon()->isVisible());
        EXPECT_EQ(textOf(house.getSmileIcon()), c.text);
        EXPECT_EQ(stateOf(house.getSmileIcon()), c.state);
    }
    house.showIncomeBonus(-1);
    EXPECT_TRUE(house.getSmileIcon()->isVisible()) << "-1 changes nothing";
    house.showIncomeBonus(0);
    EXPECT_FALSE(house.getSmileIcon()->isVisible());
    house.setTask(GBuildingNode::TaskBuild, nullptr);
    house.showIncomeBonus(20);
    EXPECT_FALSE(house.getSmileIcon()->isVisible()) << "hidden while busy";
    house.setTask(GBuildingNode::TaskNone, nullptr);

    house.showHappinessBonus(-3);
    EXPECT_TRUE(house.getRatingText()->isVisible());
    EXPECT_EQ(textOf(house.getRatingText()), "3");
    EXPECT_EQ(stateOf(house.getRatingText()), "Red");
    house.showHappinessBonus(4);
    EXPECT_EQ(stateOf(house.getRatingText()), "Green");
    scene.place(1).showHappinessBonus(4);
    EXPECT_FALSE(scene.place(1).getRatingText()->isVisible()) << "an empty place has nobody to please";

    // The unlucky empty place shows its luck as its bonus.
    scene.level.configuration->IncomeBonus2 = -10;
    scene.place(1).setLuckinessType(-1);
    EXPECT_TRUE(scene.place(1).getSmileIcon()->isVisible());
    EXPECT_EQ(textOf(scene.place(1).getSmileIcon()), "-10%");
    EXPECT_EQ(stateOf(scene.place(1).getSmileIcon()), "Red");
}

TEST(GBuildingDisplay, TheUpgradeBadgeFollowsUpgradesAndPreviews) {
    DisplayScene scene;
    GBuildingNode& house = scene.place(0);
    BaseNode* badge = house.getFeatureText();
    ASSERT_NE(badge, nullptr);
    EXPECT_FALSE(badge->isVisible());

    CRefHandle<GUniqUpgradeConfig> income(new GUniqUpgradeConfig);
    income->Name = CName("Fountain");
    income->UniqUpIncomeBonus = 10;
    house.applyUniqueUpgrade(income.get());
    EXPECT_TRUE(badge->isVisible());
    EXPECT_EQ(childStateOf(badge), "RatingUpgrade");

    house.updateBonusText();
    EXPECT_EQ(childStateOf(badge), "Normal") << "Rating, then Normal";
    house.setIncomeBonusPreview(5);
    house.updateBonusText();
    EXPECT_EQ(childStateOf(badge), "Rating") << "a running preview leaves out Normal";
    house.clearIncomeBonusPreview();

    house.clearUniqueUpgrades();
    house.setGuestsBonusPreview(2);
    house.updateBonusText();
    EXPECT_TRUE(badge->isVisible());
    EXPECT_EQ(childStateOf(badge), "Guests");
    house.clearGuestsBonusPreview();
    house.updateBonusText();
    EXPECT_FALSE(badge->isVisible()) << "nothing applied, nothing previewed";

    house.showBonusText(3, false);
    EXPECT_FALSE(badge->isVisible());

    house.applyUniqueUpgrade(income.get());
    house.updateBonusText();
    EXPECT_TRUE(badge->isVisible());
    house.setDamageState(GBuildingNode::DamageBroken, true);
    EXPECT_FALSE(badge->isVisible()) << "a broken place hides it";
}

TEST(GBuildingDisplay, FeatureRewardsFillTheStoreAndItsText) {
    DisplayScene scene;
    GBuildingNode& house = scene.place(0);
    CRefHandle<GActiveFeature> feature(GActiveFeature::create(u"GoldPercent"));
    ASSERT_NE(feature, nullptr);
    CRefHandle<GBuildingConfig> type = makeBuildingType("Mine", GBuildingType::Apartment, 1);
    type->ActiveFeatures->add(feature.get());
    house.setType(type.get(), false, false);
    scene.level.headquartersGold = 1000;
    house.addResource(nameIdMaterials(), 4);
    house.loadFeatureRewards();
    EXPECT_EQ(house.getResource(nameIdMaterials()), 0) << "the store is the reward";
    EXPECT_GE(house.getGold(), 1);
    EXPECT_EQ(house.getGold(), house.getFeatures()->get(0)->getReward().find(nameIdGold())->value);
}

TEST(GBuildingDisplay, FeatureDisplayReadsTheProgressAsARatio) {
    DisplayScene scene;
    GBuildingNode& house = scene.place(0);
    GTwoSpritesProgressBarNode* progress = house.getFeatureProgress();
    ASSERT_NE(progress, nullptr);
    house.updateFeatureDisplay();
    EXPECT_FALSE(progress->isVisible()) << "no features";
    EXPECT_EQ(stateOf(house.getFeatureIcon()), "Disappear");

    CRefHandle<GActiveFeature> feature(GActiveFeature::create(u"GoldPercent"));
    ASSERT_NE(feature, nullptr);
    feature->DurationTime = 4000;
    feature->RechargeTime = 10000;
    CRefHandle<GBuildingConfig> type = makeBuildingType("Mill", GBuildingType::Apartment, 1);
    type->ActiveFeatures->add(feature.get());
    house.setType(type.get(), false, false);
    EXPECT_TRUE(progress->isVisible());
    // A copy starts recharging from nothing: 10000 ms to go.
    GActiveFeature* own = house.getFeatures()->get(0);
    ASSERT_NE(own, nullptr);
    EXPECT_FLOAT_EQ(progress->getValue(), 1.0f - own->getProgressRatio());

    // The place's update runs the feature (the headquarters holds gold to
    // share): active for 1000 of 4000 ms leaves three quarters of the bar.
    scene.level.headquartersGold = 100;
    EXPECT_TRUE(house.update(50));
    ASSERT_EQ(own->getState(), GActiveFeature::Ready);
    EXPECT_EQ(stateOf(house.getFeatureIcon()), "Appear");
    house.getFeatures()->activate(0);
    for (int t = 0; t < 1000; t += 50)
        EXPECT_TRUE(house.update(50));
    EXPECT_FLOAT_EQ(progress->getValue(), 0.75f) << "a ratio, never milliseconds";
    EXPECT_EQ(stateOf(house.getFeatureIcon()), "Disappear");
    for (int t = 0; t < 3000 + 2500; t += 50)
        EXPECT_TRUE(house.update(50));
    EXPECT_EQ(own->getState(), GActiveFeature::Recharging);
    EXPECT_FLOAT_EQ(progress->getValue(), 0.25f) << "a quarter recharged";

    house.setWorkersText(3);
    ASSERT_NE(house.getWorkersText(), nullptr);
    EXPECT_TRUE(house.getWorkersText()->isVisible());
    EXPECT_EQ(textOf(house.getWorkersText()->findChild(CName("Text"), 1)), "3");
    house.setWorkersText(0);
    EXPECT_FALSE(house.getWorkersText()->isVisible());
}

TEST(GBuildingDisplay, HoverShowsTheMarkersAndAfterItsDelayTheOutline) {
    DisplayScene scene;
    GBuildingNode& source = scene.place(1);
    GBuildingNode& served = scene.place(0);
    auto* hull = nodeCast<GConvexHullNode>(source.getServeAreaHull());
    ASSERT_NE(hull, nullptr);
    ASSERT_NE(hull->getElementHolder(), nullptr);
    EXPECT_FALSE(hull->isVisible());

    // A shop under the pointer in the build list, to stand on place 1 and
    // serve place 0.
    CRefHandle<GBuildingConfig> shop = makeBuildingType("Shop", GBuildingType::Commercial, 1);
    ServeArea area;
    area.Name = CName("Food");
    area.Color = CName("Green");
    area.Area.push_back(CVector2di(-1, 0));
    shop->ServeAreas.push_back(area);
    CArray<GBuildingNode*> places;
    source.getServedBuildings(places, shop.get());
    ASSERT_EQ(places.size(), 1u);
    source.setServeAreaMarkerRole(true);
    served.setServeAreaMarkerRole(false);
    served.showServeAreaMarker(true);
    EXPECT_EQ(stateOf(served.getServeAreaMarker()), "Green") << "in the serve area's colour";
    EXPECT_EQ(childStateOf(served.getSelector()), "Green");
    EXPECT_TRUE(served.isServeAreaMarkerShown());
    EXPECT_TRUE(source.isServeAreaSource());

    const struct {
        const char* what;
        int hoverMs;
        bool built;
    } hovers[] = {{"shorter than the delay", 450, false}, {"as long as the delay", 500, true}};
    for (const auto& h : hovers) {
        SCOPED_TRACE(h.what);
        source.showServeArea(places);
        EXPECT_TRUE(hull->isVisible());
        for (int t = 0; t < h.hoverMs; t += 50)
            EXPECT_TRUE(source.update(50));
        EXPECT_EQ(hull->getElementHolder()->getChildren().empty(), !h.built);
        EXPECT_EQ(stateOf(hull) == "Appear", h.built);
        source.hideServeArea();
        EXPECT_EQ(stateOf(hull), "Disappear");
        for (int t = 0; t < 3000; t += 50)
            EXPECT_TRUE(source.update(50));
        EXPECT_EQ(hull->getElementHolder()->getChildren().empty(), !h.built) << "a short hover never builds it";
        EXPECT_EQ(source.getHullShowCountdown(), -1);
    }

    // Left alone, the outline goes ServeAreaHullHideDelay after it appeared
    // (its countdown runs from the update that built it).
    scene.level.global->ServeAreaHullHideDelay = 1000;
    source.showServeArea(places);
    for (int t = 0; t < 500; t += 50)
        EXPECT_TRUE(source.update(50));
    EXPECT_EQ(stateOf(hull), "Appear");
    EXPECT_EQ(source.getHullHideCountdown(), 950);
    for (int t = 0; t < 900; t += 50)
        EXPECT_TRUE(source.update(50));
    EXPECT_EQ(stateOf(hull), "Appear");
    EXPECT_TRUE(source.update(50));
    EXPECT_EQ(stateOf(hull), "Disappear");
    EXPECT_TRUE(source.getOutlinedPlaces().empty());

    served.showServeAreaMarker(false);
    EXPECT_EQ(stateOf(served.getServeAreaMarker()), "Disappear");
    served.showServeAreaMarker(false);
    EXPECT_EQ(stateOf(served.getServeAreaMarker()), "Hide");
}

TEST(GBuildingDisplay, TheLicenceMarkerShowsWhileARequiredServiceIsMissing) {
    DisplayScene scene;
    GBuildingNode& house = scene.place(0);
    BaseNode* licence = house.getLicenseMarker();
    ASSERT_NE(licence, nullptr);
    CRefHandle<GBuildingConfig> bakery = makeBuildingType("Bakery", GBuildingType::Produce, 1);
    bakery->RequiredServeAreas.push_back(CName("Water"));
    house.setType(bakery.get(), false, false);
    house.updateRequiredServices();
    EXPECT_FALSE(house.hasRequiredServices());
    EXPECT_TRUE(licence->isVisible());
    EXPECT_EQ(stateOf(licence), "Appear");

    CRefHandle<GBuildingConfig> well = makeBuildingType("Well", GBuildingType::Service, 1);
    ServeArea water;
    water.Name = CName("Water");
    water.Area.push_back(CVector2di(-1, 0));
    well->ServeAreas.push_back(water);
    scene.place(1).setType(well.get(), false, false);
    house.updateRequiredServices();
    EXPECT_TRUE(house.hasRequiredServices());
    EXPECT_EQ(stateOf(licence), "Disappear");

    // No requirement: the marker stays away.
    house.setType(scene.house.get(), false, false);
    scene.place(1).setType(scene.empty.get(), false, false);
    house.updateRequiredServices();
    EXPECT_TRUE(house.hasRequiredServices());
    EXPECT_EQ(stateOf(licence), "Disappear");
}

TEST(GBuildingDisplay, AnUpgradeOrANewProviderWritesTheIncomeUpgradeLine) {
    DisplayScene scene;
    GBuildingNode& house = scene.place(0);
    BaseNode* line = house.getSmileIcon()->findChild(CName("IncomeBonusText"), 0);
    ASSERT_NE(line, nullptr);
    house.showIncomeUpgrade();
    EXPECT_EQ(textOf(line), "") << "no upgrade applied";

    CRefHandle<GUniqUpgradeConfig> income(new GUniqUpgradeConfig);
    income->Name = CName("Fountain");
    income->UniqUpIncomeBonus = 10;
    house.applyUniqueUpgrade(income.get());
    house.updateServiceBonuses();
    house.showIncomeUpgrade();
    EXPECT_EQ(textOf(line), "+10%");

    // A shop completed on place 1 that gives the house its income bonus.
    CRefHandle<GBuildingConfig> shop = makeBuildingType("Shop", GBuildingType::Commercial, 1);
    shop->ServeName = CName("Shop");
    ServeArea area;
    area.Name = CName("Food");
    area.IncomeBonus = 5;
    area.Area.push_back(CVector2di(-1, 0));
    shop->ServeAreas.push_back(area);
    scene.place(1).setType(shop.get(), false, true);
    house.updateServiceBonuses();
    ASSERT_EQ(house.getProvider(GBuildingNode::ProvidesIncomeBonus, CName("Shop")), &scene.place(1));
    house.showIncomeUpgradeFor(&scene.place(1));
    EXPECT_EQ(textOf(line), "+15%");
    house.showIncomeUpgradeFor(&scene.place(0));
    EXPECT_EQ(textOf(line), "+15%") << "not its provider: unchanged";
}
