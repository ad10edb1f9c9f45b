#include "game/config/ObjectsConfiguration.h"

#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFileSystem.h"
#include "tests/game/config/ConfigTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const kFiles[] = {"BuildingsConfiguration.xml", "WorkersConfiguration.xml", "TrainsConfiguration.xml",
                              "RRStationButtonsConfiguration.xml"};

CRefHandle<ObjectsConfiguration> readAllFiles() {
    CRefHandle<ObjectsConfiguration> objects(new ObjectsConfiguration);
    for (const char* file : kFiles)
        EXPECT_TRUE(objects->readFromXml(*xmlReader(fixtureText(file)))) << file;
    return objects;
}

std::vector<std::string> templates(const CArray<GRRStationItem>& list) {
    std::vector<std::string> names;
    for (const GRRStationItem& item : list)
        names.push_back(item.Template.str().c_str());
    return names;
}

} // namespace

TEST(ObjectsConfiguration, TheFirstRecordOfANameWinsAcrossFiles) {
    CRefHandle<ObjectsConfiguration> objects = readAllFiles();
    const GBuildingConfig* bakery = objects->findBuilding(CName("Bakery"));
    ASSERT_NE(bakery, nullptr);
    EXPECT_EQ(bakery->Level, 2);

    const GWorkerConfig* builder = objects->findWorker(CName("Builder"));
    ASSERT_NE(builder, nullptr);
    EXPECT_EQ(builder->Velocity, 200);
    EXPECT_EQ(builder->TemplateID, CName("BuilderTemplate"));
    // Speeds of 0 and below keep the defaults.
    EXPECT_EQ(builder->MinimumVelocity, 100);
    EXPECT_EQ(builder->MaximumVelocity, 300);

    const GWorkerConfig* guide = objects->findWorker(CName("Guide"));
    ASSERT_NE(guide, nullptr);
    EXPECT_EQ(guide->MinimumVelocity, 90);
    EXPECT_EQ(guide->MaximumVelocity, 210);

    EXPECT_EQ(objects->findBuilding(CName("Nowhere")), nullptr);
    EXPECT_EQ(objects->findWorker(CName()), nullptr);
}

TEST(ObjectsConfiguration, TrainRanges) {
    CRefHandle<ObjectsConfiguration> objects = readAllFiles();
    const GTrainConfig* first = objects->findTrain(CName("Train1"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Velocity, 120);
    EXPECT_EQ(first->ReleaseTimeoutRange, (GIntRange{15000, 30000}));
    const GTrainConfig* second = objects->findTrain(CName("Train2"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Velocity, 100);
    EXPECT_EQ(second->ReleaseTimeoutRange, (GIntRange{15000, 0}));
}

TEST(ObjectsConfiguration, StationItemsOfTheLastElementSortedByAmount) {
    CRefHandle<ObjectsConfiguration> objects(new ObjectsConfiguration);
    EXPECT_EQ(objects->getStationItems(), nullptr);
    objects = readAllFiles();
    const RRStationItems* items = objects->getStationItems();
    ASSERT_NE(items, nullptr);
    // "Stale" from the workers file was replaced; "sale" in lower case buys.
    EXPECT_EQ(templates(items->getList(RRStationItems::Materials)),
              (std::vector<std::string>{"Buy10", "NotASale", "Buy30", "Buy50"}));
    EXPECT_EQ(templates(items->getList(RRStationItems::Gold)), std::vector<std::string>{"BuyGold5"});
    EXPECT_EQ(templates(items->getList(RRStationItems::SaleMaterials)), std::vector<std::string>{"Sell3"});
    EXPECT_EQ(templates(items->getList(RRStationItems::SaleGold)), (std::vector<std::string>{"Nothing", "SellGold2"}));

    const GRRStationItem& both = items->getList(RRStationItems::Materials)[2];
    EXPECT_EQ(both.resource, CName("Materials"));
    EXPECT_EQ(both.amount, 30);
    EXPECT_EQ(both.moneyMinimum, 3000);
    EXPECT_EQ(both.moneyMaximum, 4000);
    const GRRStationItem& gold = items->getList(RRStationItems::Gold)[0];
    EXPECT_EQ(gold.resource, CName("Gold"));
    EXPECT_EQ(gold.amount, 5);
    EXPECT_FALSE(gold.sale);
    const GRRStationItem& nothing = items->getList(RRStationItems::SaleGold)[0];
    EXPECT_TRUE(nothing.sale);
    EXPECT_EQ(nothing.amount, 0);
}

TEST(ObjectsConfiguration, UniqueUpgradeLookup) {
    CRefHandle<ObjectsConfiguration> objects = readAllFiles();
    const GUniqUpgradeConfig* oven = objects->findUniqUpgrade(CName("Up1"), CName("Bakery"));
    ASSERT_NE(oven, nullptr);
    EXPECT_EQ(oven->Name, CName("Oven"));
    EXPECT_EQ(oven->AllowedFromLevel, 7);
    EXPECT_EQ(oven->UniqUpIncomeBonus, 15);
    EXPECT_EQ(oven->UniqUpGuestsBonus, 2);
    // The Build of a unique upgrade is taken as read.
    EXPECT_EQ(oven->Build.Time, 50);
    EXPECT_EQ(oven->Build.Workers, 0);
    EXPECT_EQ(oven->Build.Resources.find(CName("Gold"))->value, 3);

    EXPECT_EQ(objects->findUniqUpgrade(CName("Up2"), CName("Bakery"))->Name, CName("Chimney"));
    EXPECT_EQ(objects->findUniqUpgrade(CName("Up2"), CName("Mill")), nullptr);
    EXPECT_EQ(objects->findUniqUpgrade(CName("Up1"), CName("Mill"))->Name, CName("Oven"));
    // Any type: the smallest name id among the matches.
    const GUniqUpgradeConfig* any = objects->findUniqUpgrade(CName(), CName("Bakery"));
    ASSERT_NE(any, nullptr);
    const int smallest = std::min(uint32_t(CName("Oven").id()), uint32_t(CName("Chimney").id()));
    EXPECT_EQ(uint32_t(any->Name.id()), uint32_t(smallest));
}

TEST(ObjectsConfiguration, RecordsWithoutANameShareTheEmptyNameAndComeLast) {
    CRefHandle<ObjectsConfiguration> objects(new ObjectsConfiguration);
    objects->readFromXml(*xmlReader(R"(<ObjectsConfiguration>
        <Worker><Velocity Value="1"/></Worker>
        <Worker><Velocity Value="2"/></Worker>
        <Worker><Name Value="Zed"/></Worker>
        </ObjectsConfiguration>)"));
    ASSERT_EQ(objects->getWorkers().size(), 2u);
    EXPECT_EQ(objects->findWorker(CName())->Velocity, 1);
    auto last = objects->getWorkers().begin();
    ++last;
    EXPECT_TRUE(last->value->Name.empty());
}

TEST(ObjectsConfiguration, HeldRecordsSurviveAReload) {
    CRefHandle<ObjectsConfiguration> objects = readAllFiles();
    CRefHandle<GBuildingConfig> held = CRefHandle<GBuildingConfig>::share(objects->findBuilding(CName("Bakery")));
    CRefHandle<GTrainConfig> train = CRefHandle<GTrainConfig>::share(objects->findTrain(CName("Train1")));
    objects->clear();
    EXPECT_EQ(objects->findBuilding(CName("Bakery")), nullptr);
    EXPECT_EQ(objects->getStationItems(), nullptr);
    EXPECT_EQ(held->Level, 2); // still readable under ASan
    EXPECT_EQ(held->referenceCount(), 1);
    EXPECT_EQ(train->Velocity, 120);

    objects->readFromXml(*xmlReader(fixtureText("BuildingsConfiguration.xml")));
    EXPECT_NE(objects->findBuilding(CName("Bakery")), held.get());
}

TEST(ObjectsConfiguration, DocumentCutShortKeepsItsRecords) {
    LogCapture log;
    CRefHandle<ObjectsConfiguration> objects(new ObjectsConfiguration);
    EXPECT_FALSE(objects->readFromXml(
        *xmlReader(R"(<ObjectsConfiguration><Worker><Name Value="A"/></Worker><Worker><Name Value="B"/>)")));
    EXPECT_NE(objects->findWorker(CName("A")), nullptr);
    EXPECT_NE(objects->findWorker(CName("B")), nullptr);
    EXPECT_EQ(log.count("ObjectsConfiguration"), 1u);
}

TEST(ObjectsConfiguration, ReloadReadsTheSharedFilesInOrder) {
    TempDir dir;
    // The trains file is missing: passed over without a message.
    for (const char* file :
         {"BuildingsConfiguration.xml", "WorkersConfiguration.xml", "RRStationButtonsConfiguration.xml"})
        dir.write(std::string("levels/common/") + file, fixtureText(file));
    CRefHandle<CVirtualFileSystem> files(new CVirtualFileSystem);
    ASSERT_NE(files->mountArchive(CStringW(dir.path().u16string()), nullptr), nullptr);

    LogCapture log;
    CRefHandle<ObjectsConfiguration> objects(new ObjectsConfiguration);
    objects->readFromXml(
        *xmlReader(R"(<ObjectsConfiguration><Worker><Name Value="Old"/></Worker></ObjectsConfiguration>)"));
    objects->reload(files.get());
    EXPECT_EQ(objects->findWorker(CName("Old")), nullptr);
    EXPECT_EQ(objects->findWorker(CName("Builder"))->Velocity, 200);
    EXPECT_NE(objects->findWorker(CName("Guide")), nullptr);
    EXPECT_EQ(objects->findTrain(CName("Train1")), nullptr);
    ASSERT_NE(objects->getStationItems(), nullptr);
    EXPECT_TRUE(log.lines().empty());

    objects->reload(files.get(), true);
    EXPECT_NE(objects->findBuilding(CName("Bakery")), nullptr);
    EXPECT_EQ(objects->findWorker(CName("Guide")), nullptr);
    EXPECT_EQ(objects->getStationItems(), nullptr);
}
