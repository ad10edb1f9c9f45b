// The game's own configuration under assets/, read by the game's readers:
// every file loads to its end without a log line, and the records hang
// together (every name one record gives is a record of the right kind, the
// apartments grow level by level, the station never buys back dearer than it
// sells).

#include "engine/core/CStringW.h"
#include "engine/core/Utf8.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/ComicsConfiguration.h"
#include "game/config/GActiveFeature.h"
#include "game/config/GActiveFeatureList.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GProduceItemConfig.h"
#include "game/config/GTrainConfig.h"
#include "game/config/GUniqUpgradeConfig.h"
#include "game/config/GWorkerConfig.h"
#include "game/config/GlobalConfig.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/RRStationItems.h"
#include "game/config/TabsConfiguration.h"
#include "game/config/UpgradesConfiguration.h"
#include "tests/game/config/ConfigTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const std::string kAssets = std::string(BM_SOURCE_DIR) + "/assets/";

std::string assetText(const std::string& path) {
    std::ifstream in(kAssets + path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string str(CName name) { return name.empty() ? std::string() : std::string(name.str().c_str()); }

// A node of a scene file as far as the templates matter: its name, class,
// states (each with the state it hands on to) and children.
struct OutlineNode {
    std::string name;
    std::string cls;
    std::map<std::string, std::string> states;
    std::vector<std::unique_ptr<OutlineNode>> children;

    const OutlineNode* child(const std::string& wanted) const {
        for (const auto& c : children)
            if (c->name == wanted)
                return c.get();
        return nullptr;
    }
};

std::string utf8(const CStringW& text) { return utf16ToUtf8(text.view()); }

std::unique_ptr<OutlineNode> sceneOutline(const std::string& text) {
    CRefHandle<CXmlStreamReader> reader = xmlReader(text);
    auto root = std::make_unique<OutlineNode>();
    std::vector<OutlineNode*> open;
    int statesDepth = 0;
    while (reader->readNext()) {
        const std::string element = utf8(CStringW(reader->nodeName()));
        if (reader->nodeType() == CXmlStreamReader::Element) {
            if (element == "SceneNode") {
                OutlineNode* node = root.get();
                if (!open.empty()) {
                    open.back()->children.push_back(std::make_unique<OutlineNode>());
                    node = open.back()->children.back().get();
                }
                const CStringW cls = reader->attribute("ClassOverride");
                node->cls = utf8(cls.empty() ? reader->attribute("Type") : cls);
                open.push_back(node);
            } else if (element == "States") {
                ++statesDepth;
            } else if (element == "State" && statesDepth > 0 && !open.empty()) {
                open.back()->states[utf8(reader->attribute("Name"))] = utf8(reader->attribute("NextState"));
            } else if (element == "string" && statesDepth == 0 && !open.empty() &&
                       utf8(reader->attribute("Name")) == "Name") {
                open.back()->name = utf8(reader->attribute("Value"));
            }
        } else if (reader->nodeType() == CXmlStreamReader::ElementEnd) {
            if (element == "SceneNode" && !open.empty())
                open.pop_back();
            else if (element == "States")
                --statesDepth;
        }
    }
    return root;
}

// A state applied to a figure reaches its picture: the figure has it and so
// has its "Body", whose every later picture hands on within the body and
// comes round again.
void expectAnimation(const OutlineNode& figure, const std::string& state) {
    SCOPED_TRACE(figure.name + " " + state);
    EXPECT_TRUE(figure.states.count(state));
    const OutlineNode* body = figure.child("Body");
    ASSERT_NE(body, nullptr);
    ASSERT_TRUE(body->states.count(state));
    std::set<std::string> seen;
    for (std::string at = state; !at.empty() && seen.insert(at).second;) {
        auto found = body->states.find(at);
        ASSERT_NE(found, body->states.end()) << at;
        at = found->second;
        if (!at.empty()) {
            EXPECT_EQ(at.rfind(state, 0), 0u) << at; // stays within its own pictures
        }
    }
}

// The catalogue as the loading screen fills it, from the assets folder.
CRefHandle<ObjectsConfiguration> loadObjects() {
    CRefHandle<CVirtualFileSystem> files(new CVirtualFileSystem);
    EXPECT_NE(files->mountArchive(CStringW(std::filesystem::path(kAssets).u16string()), nullptr), nullptr);
    CRefHandle<ObjectsConfiguration> objects(new ObjectsConfiguration);
    objects->reload(files.get());
    return objects;
}

class GameConfigurationAssets : public ::testing::Test {
protected:
    void SetUp() override {
        LogCapture log;
        objects = loadObjects();
        for (const char16_t* file : ObjectsConfiguration::FileNames) {
            const std::string path = std::filesystem::path(file).string().substr(std::string("levels/").size());
            EXPECT_TRUE(CRefHandle<ObjectsConfiguration>(new ObjectsConfiguration)
                            ->readFromXml(*xmlReader(assetText("levels/" + path))))
                << path;
        }
        EXPECT_TRUE(log.lines().empty()) << log.lines().front();
    }

    // The record of that name; a missing one fails the test at once.
    const GBuildingConfig& building(const char* name) const {
        const GBuildingConfig* record = objects->findBuilding(CName(name));
        if (!record)
            throw std::runtime_error(std::string("no building record ") + name);
        return *record;
    }

    CRefHandle<ObjectsConfiguration> objects;
};

TEST_F(GameConfigurationAssets, EveryNamedRecordExistsWithItsKind) {
    EXPECT_EQ(building("BuildingPlace").Kind, GBuildingType::BuildingPlace);
    EXPECT_EQ(building("BuildingPlace").Level, 0);
    const GBuildingConfig& office = building("MajorOffice1");
    EXPECT_EQ(office.Kind, GBuildingType::MajorOffice);
    EXPECT_FALSE(office.CanBeDestroyed);
    EXPECT_EQ(building("LumberMill1").Kind, GBuildingType::Produce);
    EXPECT_EQ(building("GoldenMine1").Kind, GBuildingType::Produce);
    EXPECT_GT(building("RailRoadStation1").TrainArrivalTimeRange.max, 0);

    std::set<int> kinds;
    std::set<std::string> serveNames;
    for (const auto& entry : objects->getBuildings()) {
        const GBuildingConfig& b = *entry.value;
        SCOPED_TRACE(str(b.Name));
        kinds.insert(int(b.Kind));
        EXPECT_EQ(b.WorkerWorkStates.size(), 4u);
        EXPECT_FALSE(b.DisplayName.empty());
        for (const ServeArea& area : b.ServeAreas) {
            EXPECT_FALSE(area.Area.empty());
            serveNames.insert(str(area.Name));
            EXPECT_EQ(area.Name, b.ServeName);
        }
        // What a level may name: the next levels, the piles a building leaves.
        for (CName next : b.Upgrades) {
            const GBuildingConfig* up = objects->findBuilding(next);
            ASSERT_NE(up, nullptr) << str(next);
            EXPECT_EQ(up->Kind, b.Kind);
            EXPECT_EQ(up->Level, b.Level + 1);
            EXPECT_GE(up->Income, b.Income);
        }
        if (b.RandomResource.TimeRange.max > 0) {
            const GBuildingConfig* pile = objects->findBuilding(b.RandomResource.Template);
            ASSERT_NE(pile, nullptr) << str(b.RandomResource.Template);
            EXPECT_EQ(pile->Kind, GBuildingType::OnRoad);
        }
    }
    for (int kind = 0; kind < int(GBuildingType::Count); ++kind)
        EXPECT_TRUE(kinds.count(kind)) << utf16ToUtf8(buildingTypeName(kind));
    // A licence a building asks for is an area some other building gives.
    for (const auto& entry : objects->getBuildings()) {
        for (CName required : entry.value->RequiredServeAreas)
            EXPECT_TRUE(serveNames.count(str(required))) << str(entry.value->Name) << " needs " << str(required);
    }
}

TEST_F(GameConfigurationAssets, NamesAndDescriptionsAreInBothDictionaries) {
    const std::string dictionaries[] = {assetText("strings/Dictionary.xml"),
                                        assetText("../assets_ru/strings/Dictionary.xml")};
    for (const auto& entry : objects->getBuildings()) {
        const GBuildingConfig& b = *entry.value;
        std::string description = utf16ToUtf8(b.Description.view());
        ASSERT_GT(description.size(), 2u) << str(b.Name);
        ASSERT_EQ(description.front(), '%');
        description = description.substr(1, description.size() - 2);
        for (const std::string& dictionary : dictionaries) {
            for (const std::string& key : {std::string(b.DisplayName.c_str()), description})
                EXPECT_NE(dictionary.find("n=\"" + key + "\""), std::string::npos) << key;
        }
    }
}

TEST_F(GameConfigurationAssets, SoundCuesTheBuildingsNameAreInTheSoundPack) {
    const std::string pack = assetText("sounds/SoundPack.xml");
    std::set<std::string> cues;
    for (const auto& entry : objects->getBuildings()) {
        cues.insert(str(entry.value->BuiltSoundCueName));
        cues.insert(str(entry.value->SelectedSoundCueName));
    }
    // The level's music and air, one of each per setting, and the cues the world plays by name.
    for (const char* name : {"GameMusicSetting1",
                             "GameMusicSetting2",
                             "GameMusicSetting3",
                             "GameMusicSetting4",
                             "MapMusic",
                             "LevelCompleted",
                             "ObjectivesWindow",
                             "TutorialWindow",
                             "Building",
                             "Destroying",
                             "Broken",
                             "Income",
                             "MoneyLetter",
                             "UpgradedHouse",
                             "TradePostArrival",
                             "WorkedLumberMill",
                             "WorkedGoldenMine",
                             "TimeOver",
                             "AlmostEnd",
                             "Rain",
                             "GameAmbientSetting1",
                             "GameAmbientSetting2",
                             "GameAmbientSetting3",
                             "GameAmbientSetting4"})
        cues.insert(name);
    cues.erase("");
    for (const std::string& cue : cues)
        EXPECT_NE(pack.find("Name=\"" + cue + "\""), std::string::npos) << cue;
}

TEST_F(GameConfigurationAssets, ApartmentsGrowFromOneToFour) {
    const GBuildingConfig* previous = nullptr;
    for (const char* name : {"Apartment1", "Apartment2", "Apartment3", "Apartment4"}) {
        SCOPED_TRACE(name);
        const GBuildingConfig& a = building(name);
        EXPECT_EQ(a.Kind, GBuildingType::Apartment);
        if (previous) {
            ASSERT_EQ(previous->Upgrades.size(), 1u);
            EXPECT_EQ(previous->Upgrades[0], a.Name);
            EXPECT_GT(a.GuestsCount, previous->GuestsCount);
            EXPECT_GT(a.Income, previous->Income);
            EXPECT_GT(a.Build.Resources.find(CName("Money"))->value,
                      previous->Build.Resources.find(CName("Money"))->value);
            EXPECT_GE(a.RequiredServeAreas.size(), previous->RequiredServeAreas.size());
        }
        // An apartment pays its own building cost back within ten days.
        EXPECT_LT(a.Build.Resources.find(CName("Money"))->value, a.Income * 10);
        previous = &a;
    }
    EXPECT_TRUE(building("Apartment4").Upgrades.empty());
}

TEST_F(GameConfigurationAssets, MillAndMineProduceForMoney) {
    for (auto [name, resource] : {std::pair{"LumberMill1", "Materials"}, std::pair{"LumberMill2", "Materials"},
                                  std::pair{"GoldenMine1", "Gold"}}) {
        SCOPED_TRACE(name);
        const GBuildingConfig& b = building(name);
        ASSERT_FALSE(b.ProduceItems.empty());
        int lastAmount = 0;
        for (const auto& item : b.ProduceItems) {
            ASSERT_TRUE(item->ProducedResources.contains(CName(resource)));
            ASSERT_TRUE(item->RequiredResources.contains(CName("Money")));
            const int amount = item->ProducedResources.find(CName(resource))->value;
            EXPECT_GT(amount, lastAmount);
            EXPECT_GE(item->Workers, 1);
            EXPECT_GE(item->Time, 1000);
            lastAmount = amount;
        }
    }
}

TEST_F(GameConfigurationAssets, WorkersTrainsAndStation) {
    for (const char* name : {"Worker1", "Dilizhans1", "Gertruda1"}) {
        const GWorkerConfig* worker = objects->findWorker(CName(name));
        ASSERT_NE(worker, nullptr) << name;
        EXPECT_EQ(worker->TemplateID, CName(name));
        EXPECT_LE(worker->MinimumVelocity, worker->Velocity);
        EXPECT_LE(worker->Velocity, worker->MaximumVelocity);
    }
    const GTrainConfig* train = objects->findTrain(CName("Train1"));
    ASSERT_NE(train, nullptr);
    EXPECT_GT(train->Velocity, 0);
    EXPECT_LE(train->ReleaseTimeoutRange.min, train->ReleaseTimeoutRange.max);

    const RRStationItems* items = objects->getStationItems();
    ASSERT_NE(items, nullptr);
    // Selling back what was just bought always loses money.
    for (auto [buy, sell] : {std::pair{RRStationItems::Materials, RRStationItems::SaleMaterials},
                             std::pair{RRStationItems::Gold, RRStationItems::SaleGold}}) {
        ASSERT_FALSE(items->getList(buy).empty());
        ASSERT_FALSE(items->getList(sell).empty());
        for (const GRRStationItem& bought : items->getList(buy)) {
            EXPECT_FALSE(bought.Template.empty());
            for (const GRRStationItem& sold : items->getList(sell)) {
                if (sold.amount == bought.amount) {
                    EXPECT_LT(sold.moneyMaximum, bought.moneyMinimum) << bought.amount;
                }
            }
        }
    }
}

// The town of a level clones its figures and buildings from the template
// collection of its own scene manager.
constexpr const char* kTownTemplates = "levels/common/TemplateCollection.mscn";

TEST_F(GameConfigurationAssets, MovingFiguresHaveTheirTemplatesPartsAndAnimations) {
    const std::unique_ptr<OutlineNode> collection = sceneOutline(assetText(kTownTemplates));
    const std::vector<std::string> sectors = {"Right", "RightUp",  "Up",   "LeftUp",
                                              "Left",  "LeftDown", "Down", "RightDown"};
    const std::vector<std::string> sides = {"Left", "Right", "Up", "Down"};
    // Each record's template, of the class that walks it.
    const std::map<std::string, std::string> classes = {
        {"Worker1", "GWorkerNode"}, {"Gertruda1", "GGertrudaNode"}, {"Dilizhans1", "GDilizhansNode"}};
    for (const auto& [name, cls] : classes) {
        const GWorkerConfig* worker = objects->findWorker(CName(name.c_str()));
        ASSERT_NE(worker, nullptr) << name;
        const OutlineNode* tpl = collection->child(str(worker->TemplateID));
        ASSERT_NE(tpl, nullptr) << name;
        EXPECT_EQ(tpl->cls, cls);
    }

    const OutlineNode* worker = collection->child("Worker1");
    ASSERT_NE(worker, nullptr);
    expectAnimation(*worker, "Stand");
    for (const std::string& sector : sectors)
        for (const char* load : {"", "Wood", "Gold"})
            expectAnimation(*worker, "Move" + sector + load);
    for (const std::string& side : sides)
        expectAnimation(*worker, "Work" + side);
    // The work a building asks of the worker, by its record.
    for (const auto& entry : objects->getBuildings())
        for (CName state : entry.value->WorkerWorkStates)
            expectAnimation(*worker, str(state));

    const OutlineNode* guide = collection->child("Gertruda1");
    ASSERT_NE(guide, nullptr);
    expectAnimation(*guide, "Stand");
    for (const std::string& sector : sectors)
        expectAnimation(*guide, "Move" + sector);
    for (const std::string& side : sides)
        expectAnimation(*guide, "Work" + side + "Talk");

    // The stagecoach is drawn by its two parts, each a walking figure.
    const OutlineNode* parts = collection->child("DilizhansNew");
    ASSERT_NE(parts, nullptr);
    for (const char* part : {"Horse", "Telega"}) {
        const OutlineNode* figure = parts->child(part);
        ASSERT_NE(figure, nullptr) << part;
        EXPECT_EQ(figure->cls, "GCharacterNode");
        expectAnimation(*figure, "Stand");
        for (const std::string& sector : sectors)
            expectAnimation(*figure, "Move" + sector);
    }

    const GTrainConfig* record = objects->findTrain(CName("Train1"));
    ASSERT_NE(record, nullptr);
    const OutlineNode* train = collection->child(str(record->TemplateID));
    ASSERT_NE(train, nullptr);
    EXPECT_EQ(train->cls, "GTrainNode");
    for (const char* phase : {"Coming", "Arrived", "Leaved"})
        for (const char* way : {"Left", "Right"})
            expectAnimation(*train, std::string(phase) + way);
}

// A place hands the states it is given to its template's parts (never to
// the template's root), and a part takes a state only when it has it: every
// state the place applies must be a state of the part that shows it.
void expectPartStates(const OutlineNode& tpl, const std::string& part, const std::vector<std::string>& states) {
    const OutlineNode* found = tpl.child(part);
    ASSERT_NE(found, nullptr) << tpl.name << " has no " << part;
    for (const std::string& state : states)
        EXPECT_TRUE(found->states.count(state)) << tpl.name << "/" << part << " lacks " << state;
}

// What a building place binds and applies: its hover and focus ring (with
// the serve colours), its picture's own looks, an apartment's stars, a
// mill's smoke, a feature's sign, the serve area's patch, the signs and
// badges it clones, the building site and the income clock.
TEST_F(GameConfigurationAssets, BuildingTemplatesHaveThePartsAndStatesAPlaceApplies) {
    const std::unique_ptr<OutlineNode> collection = sceneOutline(assetText(kTownTemplates));
    std::set<std::string> colours;
    for (const auto& entry : objects->getBuildings())
        for (const ServeArea& area : entry.value->ServeAreas)
            colours.insert(str(area.Color));
    ASSERT_FALSE(colours.empty());
    const std::vector<std::string> hover = {"Normal", "NormalHover", "FocusHover", "FocusKillHover",
                                            "NormalKillHover", "Focus", "KillFocus", "Press"};
    for (const auto& entry : objects->getBuildings()) {
        const GBuildingConfig& b = *entry.value;
        SCOPED_TRACE(str(b.Name));
        const OutlineNode* tpl = collection->child(str(b.Name));
        ASSERT_NE(tpl, nullptr);
        expectPartStates(*tpl, "Selector", hover);
        // The ring under the selector takes the serve colours and the looks.
        const OutlineNode* ring = tpl->child("Selector")->child("Ring");
        ASSERT_NE(ring, nullptr);
        for (const std::string& colour : colours)
            EXPECT_TRUE(ring->states.count(colour)) << colour;
        ASSERT_NE(tpl->child("Image"), nullptr);
        if (b.Kind == GBuildingType::OnRoad) {
            expectPartStates(*tpl, "Image", {"Building", "Built", "Appear", "Normal", "Impending", "ImpendingOff"});
            expectPartStates(*tpl, "Selector", {"FirstOnRoad", "FirstOnRoadOff", "DisableHover", "Selected"});
            ASSERT_NE(tpl->child("ProgressBar"), nullptr);
            EXPECT_EQ(tpl->child("ProgressBar")->cls, "GProgressBarWithSignNode");
        } else {
            expectPartStates(*tpl, "Image", {"AfterBuild", "Destroy", "Restoring", "CancelRestoring", "Jump"});
            expectPartStates(*tpl, "ServeAreaMarker", {"Hide", "Disappear"});
            for (const std::string& colour : colours)
                expectPartStates(*tpl, "ServeAreaMarker", {colour});
            const OutlineNode* marker = tpl->child("ServeAreaMarker");
            ASSERT_FALSE(marker->children.empty());
            for (const char* role : {"Source", "Receiver"})
                EXPECT_TRUE(marker->children[0]->states.count(role)) << role;
        }
        if (b.Kind == GBuildingType::Produce) {
            expectPartStates(*tpl, "Image", {"StartProduce", "StopProduce"});
            expectPartStates(*tpl, "Smoke", {"StartProduce", "StopProduce"});
        }
        if (b.ActiveFeatures && b.ActiveFeatures->size() > 0)
            expectPartStates(*tpl, "Marker", {"Appear", "Hide"});
        const OutlineNode* stars = tpl->child("StarIcons");
        EXPECT_EQ(stars != nullptr, b.Kind == GBuildingType::Apartment);
        if (stars) {
            ASSERT_FALSE(stars->children.empty());
            for (const auto& star : stars->children) {
                for (const char* state : {"Level0", "Level1", "Level2", "Level3", "LevelUp0", "LevelUp1", "LevelUp2",
                                          "LevelUp3", "NextLevel0", "NextLevel1", "NextLevel2", "Hide"})
                    EXPECT_TRUE(star->states.count(state)) << state;
            }
        }
    }

    const std::map<std::string, std::vector<std::string>> signs = {
        {"RepairIcon", {"Appear", "Disappear"}},
        {"DirtyIcon", {"Appear", "Disappear"}},
        {"UnreachableMarker", {"Show", "Hide"}},
        {"License", {"Disappear"}},
        {"MoneyBurst", {}},
        {"FeatureText", {"Rating", "Guests", "RatingUpgrade", "GuestsUpgrade", "Normal"}},
        {"SmileIcon", {"Normal", "Highlight", "NegativeIncome", "IncomeUpgrade"}},
        {"RatingText", {"Red", "Blue", "Green"}},
        {"WorkersText", {}},
        {"ConstructionSelector", {"Focus"}},
        {"Construction",
         {"PreBuild1", "PreBuild2", "PreBuild3", "Worker1", "Worker2", "Worker3", "Build", "PostBuild1", "PostBuild2",
          "PostBuild3", "End"}},
        {"MoneyLetter", {"Appear", "Disappear", "DisappearHit"}},
    };
    for (const auto& [name, states] : signs) {
        const OutlineNode* tpl = collection->child(name);
        ASSERT_NE(tpl, nullptr) << name;
        for (const std::string& state : states)
            EXPECT_TRUE(tpl->states.count(state)) << name << " " << state;
    }
    EXPECT_EQ(collection->child("FeatureText")->cls, "SpriteNode");
    EXPECT_EQ(collection->child("ConstructionSelector")->cls, "SpriteNode");
    for (const char* name : {"SmileIcon", "RatingText"})
        EXPECT_EQ(collection->child(name)->cls, "TextNode") << name;
    const OutlineNode* smile = collection->child("SmileIcon");
    EXPECT_NE(smile->child("IncomeBonusText"), nullptr);
    EXPECT_NE(collection->child("WorkersText")->child("Text"), nullptr);
    const OutlineNode* site = collection->child("Construction");
    ASSERT_NE(site->child("ProgressBar"), nullptr);
    EXPECT_EQ(site->child("ProgressBar")->cls, "ProgressBarNode");
    // A task's bar over its building is a progress bar of its own.
    ASSERT_NE(collection->child("ProgressBarOverBuilding"), nullptr);
    EXPECT_EQ(collection->child("ProgressBarOverBuilding")->cls, "ProgressBarNode");
    // The clock's second part is the sector the level fills, its third the
    // hand; a letter carries one too, and the sum it asks for.
    for (const OutlineNode* holder : {collection->child("IncomeClock"), collection->child("MoneyLetter")}) {
        ASSERT_NE(holder, nullptr);
        SCOPED_TRACE(holder->name);
        const OutlineNode* progress = holder->child("Progress");
        ASSERT_NE(progress, nullptr);
        ASSERT_GE(progress->children.size(), 3u);
        EXPECT_EQ(progress->children[1]->cls, "GEllipseSectorNode");
        EXPECT_TRUE(progress->children[1]->states.count("Alert"));
    }
    ASSERT_NE(collection->child("MoneyLetter")->child("Text"), nullptr);
    EXPECT_EQ(collection->child("MoneyLetter")->child("Text")->cls, "TextNode");
}

// The town hall shows its workers at home, the clock of the ones on their
// way (it comes and goes), and the popups of what is brought in: each
// resource's look, rising and fading.
TEST_F(GameConfigurationAssets, TheTownHallTemplateHasItsCountClockAndPopups) {
    const std::unique_ptr<OutlineNode> collection = sceneOutline(assetText(kTownTemplates));
    const OutlineNode* hq = collection->child("MajorOffice1");
    ASSERT_NE(hq, nullptr);
    ASSERT_NE(hq->child("WorkersAmount"), nullptr);
    ASSERT_NE(hq->child("WorkersAmount")->child("Text"), nullptr);
    EXPECT_EQ(hq->child("WorkersAmount")->child("Text")->cls, "TextNode");
    expectPartStates(*hq, "ClockTower", {"WorkersProgressAppear", "WorkersProgressDisappear"});
    ASSERT_NE(hq->child("ClockTower")->child("WorkersProgress"), nullptr);
    EXPECT_EQ(hq->child("ClockTower")->child("WorkersProgress")->cls, "GEllipseProgressBarNode");
    expectPartStates(*hq, "ObjectsIncomeControl", {"ObjectIncome", "QuestIncome"});
    ASSERT_NE(hq->child("ObjectsIncomeControl")->child("Text"), nullptr);
    expectPartStates(*hq, "IncomeIcon",
                     {"ObjectIncome", "QuestIncome", "Money", "Materials", "Gold", "Workers", "Guests", "BurstMoney"});
}

// A pile a pulled-down building leaves is a place by the road of its own.
TEST_F(GameConfigurationAssets, ThePileOfAPulledDownBuildingIsARecordAndATemplate) {
    EXPECT_EQ(building("OnRoadMaterials").Kind, GBuildingType::OnRoad);
    const std::unique_ptr<OutlineNode> collection = sceneOutline(assetText(kTownTemplates));
    EXPECT_NE(collection->child("OnRoadMaterials"), nullptr);
}

TEST_F(GameConfigurationAssets, UniqueUpgradesApplyToBuildingsThatExist) {
    for (const char* type : {"Up1", "Up2"}) {
        bool found = false;
        for (const auto& entry : objects->getUniqUpgrades()) {
            const GUniqUpgradeConfig& u = *entry.value;
            found |= u.Type == CName(type);
            EXPECT_NE(u.UniqUpIncomeBonus + u.UniqUpGuestsBonus, 0) << str(u.Name);
            for (CName kind : u.BuildingTypes)
                EXPECT_NE(objects->findBuilding(kind), nullptr) << str(kind);
        }
        EXPECT_TRUE(found) << type;
    }
    EXPECT_NE(objects->findUniqUpgrade(CName("Up1"), CName("Apartment3")), nullptr);
    EXPECT_NE(objects->findUniqUpgrade(CName("Up2"), CName("Apartment4")), nullptr);
}

TEST_F(GameConfigurationAssets, TabsListBuildableBuildingsOfEachGroup) {
    CRefHandle<TabsConfiguration> tabs(new TabsConfiguration);
    ASSERT_TRUE(tabs->readFromXml(*xmlReader(assetText("scenes/TabsConfiguration.xml"))));
    for (const char* group : {"Apartment", "Commercial", "Service", "Municipal"}) {
        const CArray<CName>* list = tabs->find(CName(group));
        ASSERT_NE(list, nullptr) << group;
        EXPECT_FALSE(list->empty());
        EXPECT_LE(list->size(), 6u);
        for (CName name : *list) {
            const GBuildingConfig& b = building(str(name).c_str());
            EXPECT_EQ(b.Level, 1) << str(name); // built on an empty place
            EXPECT_FALSE(b.ButtonTemplate.empty());
        }
    }
}

TEST_F(GameConfigurationAssets, UpgradesComicsAndGlobalValues) {
    CRefHandle<UpgradesConfiguration> upgrades(new UpgradesConfiguration);
    ASSERT_TRUE(upgrades->readFromXml(*xmlReader(assetText("levels/common/UpgradesConfiguration.xml"))));
    EXPECT_FALSE(upgrades->getUpgrades().empty());
    for (const auto& entry : upgrades->getUpgrades()) {
        for (CName name : entry.value->AllowsBuilding)
            EXPECT_NE(objects->findBuilding(name), nullptr) << str(name);
        for (const GAllowedBuildingFeature& feature : entry.value->AllowsBuildingFeature) {
            const GBuildingConfig& b = building(str(feature.Building).c_str());
            bool has = false;
            for (uint32_t i = 0; b.ActiveFeatures && i < b.ActiveFeatures->size(); ++i)
                has |= b.ActiveFeatures->get(i)->FeatureName == feature.FeatureName;
            EXPECT_TRUE(has) << str(feature.FeatureName);
        }
    }

    CRefHandle<ComicsConfiguration> comics(new ComicsConfiguration);
    ASSERT_TRUE(comics->readFromXml(*xmlReader(assetText("scenes/ComicsConfiguration.xml"))));
    ASSERT_NE(comics->find(12), nullptr); // after the first season

    CRefHandle<GlobalConfig> global(new GlobalConfig);
    LogCapture log;
    ASSERT_TRUE(global->readFromXml(*xmlReader(assetText("levels/common/GlobalConfig.xml"))));
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(global->levelSettingStateName(1), CName("Setting1"));
    EXPECT_EQ(global->levelSettingStateName(13), CName("Setting2"));
    EXPECT_EQ(global->levelSettingStateName(48), CName("Setting4"));
    EXPECT_EQ(global->PartDistance.size(), 9u); // one per direction sector
    ASSERT_FALSE(global->IntroSceneBackgrounds.empty());
    for (const CStringW& name : global->IntroSceneBackgrounds)
        EXPECT_TRUE(std::filesystem::exists(kAssets + "scenes/Loading/" + utf16ToUtf8(name.view())));
}

} // namespace
