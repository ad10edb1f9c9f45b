#include "game/config/ComicsConfiguration.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/GlobalConfig.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/TabsConfiguration.h"
#include "game/config/UpgradesConfiguration.h"
#include "tests/game/config/ConfigTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> names(const CArray<CName>* list) {
    std::vector<std::string> out;
    if (list) {
        for (CName name : *list)
            out.push_back(name.str().c_str());
    }
    return out;
}

} // namespace

// Every configuration file may be a root alone: it reads as empty, whole.
TEST(ConfigurationFiles, SelfClosingRootReadsAsEmptyWithoutAWarning) {
    const struct {
        const char* text;
        std::function<bool(CXmlStreamReader&)> read;
    } cases[] = {
        {"<GlobalConfig/>", [](CXmlStreamReader& r) { return CRefHandle<GlobalConfig>(new GlobalConfig)->readFromXml(r); }},
        {"<ObjectsConfiguration/>",
         [](CXmlStreamReader& r) { return CRefHandle<ObjectsConfiguration>(new ObjectsConfiguration)->readFromXml(r); }},
        {"<UpgradesConfiguration/>",
         [](CXmlStreamReader& r) { return CRefHandle<UpgradesConfiguration>(new UpgradesConfiguration)->readFromXml(r); }},
        {"<TabsConfiguration/>",
         [](CXmlStreamReader& r) { return CRefHandle<TabsConfiguration>(new TabsConfiguration)->readFromXml(r); }},
        {"<ComicsConfiguration/>",
         [](CXmlStreamReader& r) { return CRefHandle<ComicsConfiguration>(new ComicsConfiguration)->readFromXml(r); }},
        {"<Level/>",
         [](CXmlStreamReader& r) {
             CRefHandle<LevelConfiguration>(new LevelConfiguration)->readFromXml(r);
             return true;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        LogCapture log;
        EXPECT_TRUE(c.read(*xmlReader(std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n") + c.text)));
        EXPECT_TRUE(log.lines().empty());
    }
}

TEST(UpgradesConfiguration, FixtureRecords) {
    CRefHandle<UpgradesConfiguration> upgrades(new UpgradesConfiguration);
    EXPECT_TRUE(upgrades->readFromXml(*xmlReader(fixtureText("UpgradesConfiguration.xml"))));
    EXPECT_EQ(upgrades->getUpgrades().size(), 2u);

    const GUpgradeConfig* better = upgrades->find(CName("BetterBakery"));
    ASSERT_NE(better, nullptr);
    EXPECT_EQ(better->Price, 3); // the first of the name stays
    EXPECT_EQ(better->Type, CName("Building"));
    EXPECT_EQ(better->Button, CName("BetterBakeryButton"));
    EXPECT_EQ(better->Info, u"HQ_BetterBakery");
    EXPECT_EQ(better->Level, 2);
    EXPECT_EQ(better->RequiredRank, u"Expert");
    EXPECT_EQ(names(&better->AllowsBuilding), (std::vector<std::string>{"Bakery3", "BakeryGold", "Mill"}));
    ASSERT_EQ(better->AllowsBuildingFeature.size(), 2u);
    EXPECT_EQ(better->AllowsBuildingFeature[0].FeatureName, CName("GoldRush"));
    EXPECT_EQ(better->AllowsBuildingFeature[1].Building, CName("Mill"));
    EXPECT_TRUE(better->AllowsBuildingFeature[1].FeatureName.empty());
    GLevelModifierValues values;
    better->Modifiers->applyAll(values);
    EXPECT_FLOAT_EQ(values.BuildTimeM, 0.9f);

    // An empty LevelModifiers element leaves the following AllowsBuilding.
    const GUpgradeConfig* cheap = upgrades->find(CName("CheapWorkers"));
    ASSERT_NE(cheap, nullptr);
    EXPECT_EQ(cheap->Modifiers->size(), 0u);
    EXPECT_EQ(names(&cheap->AllowsBuilding), std::vector<std::string>{"Inn"});

    // A second reading replaces every record.
    EXPECT_TRUE(upgrades->readFromXml(
        *xmlReader(R"(<UpgradesConfiguration><Upgrade><Name Value="Only"/></Upgrade></UpgradesConfiguration>)")));
    EXPECT_EQ(upgrades->getUpgrades().size(), 1u);
    EXPECT_EQ(upgrades->find(CName("BetterBakery")), nullptr);
}

TEST(TabsConfiguration, ButtonsCollectPerTabType) {
    // Names interned earlier do not change the file order.
    (void)CName("Shops");
    CRefHandle<TabsConfiguration> tabs(new TabsConfiguration);
    EXPECT_TRUE(tabs->readFromXml(*xmlReader(fixtureText("TabsConfiguration.xml"))));
    EXPECT_EQ(names(tabs->find(CName("Houses"))),
              (std::vector<std::string>{"House1", "House2", "House3", "", "House4"}));
    // The empty "Empty" tab makes no list and leaves the "Shops" tab after it.
    EXPECT_EQ(tabs->find(CName("Empty")), nullptr);
    EXPECT_EQ(names(tabs->find(CName("Shops"))), std::vector<std::string>{"Shop1"});
    EXPECT_EQ(tabs->getTabs().size(), 2u);
    EXPECT_EQ(names(&tabs->getTabOrder()), (std::vector<std::string>{"Houses", "Shops"}));
}

TEST(ComicsConfiguration, EntriesByLevel) {
    CRefHandle<ComicsConfiguration> comics(new ComicsConfiguration);
    EXPECT_TRUE(comics->readFromXml(*xmlReader(fixtureText("ComicsConfiguration.xml"))));
    ASSERT_NE(comics->find(5), nullptr);
    EXPECT_STREQ(comics->find(5)->ScenePath.c_str(), "scenes/comics/Comic1.mscn");
    ASSERT_NE(comics->find(0), nullptr);
    EXPECT_STREQ(comics->find(0)->ScenePath.c_str(), "scenes/comics/Intro.mscn");
    EXPECT_EQ(comics->find(12)->Level, 12);
    EXPECT_EQ(comics->find(7), nullptr);
}

TEST(SharedConfigurations, DocumentsCutShortKeepWhatWasRead) {
    LogCapture log;
    CRefHandle<ComicsConfiguration> comics(new ComicsConfiguration);
    EXPECT_FALSE(comics->readFromXml(
        *xmlReader(R"(<ComicsConfiguration><Comics><Level Value="3"/></Comics><Comics><Level Value="4"/>)")));
    EXPECT_NE(comics->find(3), nullptr);
    EXPECT_NE(comics->find(4), nullptr);

    CRefHandle<TabsConfiguration> tabs(new TabsConfiguration);
    EXPECT_FALSE(tabs->readFromXml(*xmlReader(R"(<TabsConfiguration><Tab Type="A"><Button Template="B"/>)")));
    EXPECT_EQ(names(tabs->find(CName("A"))), std::vector<std::string>{"B"});

    CRefHandle<UpgradesConfiguration> upgrades(new UpgradesConfiguration);
    EXPECT_FALSE(upgrades->readFromXml(*xmlReader("")));
    EXPECT_EQ(log.count("Configuration cut short"), 3u);
}
