// The levels the level tools make, read back: the rules by the game's
// reader, the road file by its layout, and the scene and tutorial files as
// XML, each checked against the shared configuration; and the journey they
// make together, with the comics told along it.

#include "engine/core/CStringW.h"
#include "engine/core/Utf8.h"
#include "engine/io/CVirtualFileSystem.h"
#include "game/config/ComicsConfiguration.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GBuildingObjectives.h"
#include "game/config/GRandomEventRequest.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectivesGroup.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/RandomEvents.h"
#include "tests/game/config/ConfigTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kRoot = std::string(BM_SOURCE_DIR) + "/";

std::string fileText(const std::string& path) {
    std::ifstream in(kRoot + path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string str(CName name) {
    return name.empty() ? std::string() : std::string(name.str().c_str());
}

std::string utf8(const CStringW& text) {
    return utf16ToUtf8(text.view());
}

// What a scene file holds that the level needs: the node names in file
// order, each node's template and the names of its states.
struct SceneOutline {
    std::vector<std::string> names;
    std::map<std::string, std::string> templates;
    std::map<std::string, std::string> classes;
    std::map<std::string, std::vector<std::string>> states;
    std::map<std::string, std::pair<float, float>> positions;
    std::set<std::string> hidden;
    std::vector<std::string> atlases; // the collections the scene uses
};

SceneOutline outline(const std::string& text) {
    SceneOutline out;
    CRefHandle<CXmlStreamReader> reader = xmlReader(text);
    std::vector<std::string> open; // names of the nodes entered, innermost last
    std::vector<std::string> classes;
    bool inStates = false;
    while (reader->readNext()) {
        const std::string name = utf8(CStringW(reader->nodeName()));
        if (reader->nodeType() == CXmlStreamReader::Element) {
            if (name == "SceneNode") {
                open.emplace_back();
                CStringW cls = reader->attribute("ClassOverride");
                classes.push_back(utf8(cls.empty() ? reader->attribute("Type") : cls));
            } else if (name == "States") {
                inStates = true;
            } else if (name == "State" && inStates && !open.empty()) {
                out.states[open.back()].push_back(utf8(reader->attribute("Name")));
            } else if (!open.empty() && (name == "string" || name == "stringw")) {
                const std::string property = utf8(reader->attribute("Name"));
                if (property == "Name") {
                    open.back() = utf8(reader->attribute("Value"));
                    out.names.push_back(open.back());
                    out.classes[open.back()] = classes.back();
                } else if (property == "TemplateName") {
                    out.templates[open.back()] = utf8(reader->attribute("Value"));
                }
            } else if (!open.empty() && name == "vector3d" && utf8(reader->attribute("Name")) == "Position") {
                float x = 0;
                float y = 0;
                (void)std::sscanf(utf8(reader->attribute("Value")).c_str(), "%f;%f", &x, &y);
                out.positions[open.back()] = {x, y};
            } else if (!open.empty() && name == "bool" && utf8(reader->attribute("Name")) == "Visible" &&
                       utf8(reader->attribute("Value")) == "false") {
                out.hidden.insert(open.back());
            } else if (name == "AtlasTextureCollection") {
                out.atlases.push_back(utf8(reader->attribute("Value")));
            }
        } else if (reader->nodeType() == CXmlStreamReader::ElementEnd) {
            if (name == "SceneNode") {
                open.pop_back();
                classes.pop_back();
            } else if (name == "States") {
                inStates = false;
            }
        }
    }
    return out;
}

CRefHandle<ObjectsConfiguration> sharedObjects() {
    CRefHandle<CVirtualFileSystem> files(new CVirtualFileSystem);
    EXPECT_NE(files->mountArchive(CStringW(std::filesystem::path(kRoot + "assets/").u16string()), nullptr), nullptr);
    CRefHandle<ObjectsConfiguration> objects(new ObjectsConfiguration);
    objects->reload(files.get());
    return objects;
}

class LevelAssets : public ::testing::TestWithParam<std::string> {
protected:
    std::string folder() const { return GetParam() + "/"; }
};

constexpr int kLevels = 48;
constexpr float kCell = 32; // the walk grid's cells, in field units

// The road cells of a level's wgrid.bin as (row, column).
std::set<std::pair<int, int>> roadCells(const std::string& data) {
    std::set<std::pair<int, int>> cells;
    int32_t count = 0;
    if (data.size() < 4)
        return cells;
    std::memcpy(&count, data.data(), 4);
    for (int32_t i = 0; i < count && 4u + 4u * uint32_t(i + 1) <= data.size(); ++i) {
        const auto* record = reinterpret_cast<const uint8_t*>(data.data() + 4 + 4 * i);
        cells.insert({record[1], record[2]});
    }
    return cells;
}

// The road cells a walker leaving the town hall (a 4 x 4 cell block at
// `hq`) can reach, places by the road cleared.
std::set<std::pair<int, int>> reachableFrom(std::pair<float, float> hq, const std::set<std::pair<int, int>>& roads) {
    const int column = int(hq.first / kCell);
    const int row = int(hq.second / kCell);
    std::vector<std::pair<int, int>> open;
    for (int r = row - 1; r <= row + 4; ++r)
        for (int c = column - 1; c <= column + 4; ++c)
            if (roads.count({r, c}))
                open.emplace_back(r, c);
    std::set<std::pair<int, int>> seen(open.begin(), open.end());
    while (!open.empty()) {
        const auto [r, c] = open.back();
        open.pop_back();
        for (const auto& next : {std::pair{r + 1, c}, std::pair{r - 1, c}, std::pair{r, c + 1}, std::pair{r, c - 1}})
            if (roads.count(next) && seen.insert(next).second)
                open.push_back(next);
    }
    return seen;
}

std::vector<std::string> levelFolders() {
    std::vector<std::string> folders;
    for (int n = 1; n <= kLevels; ++n)
        folders.push_back("assets/levels/level" + std::to_string(n));
    folders.emplace_back("tests/game/world/data/level1");
    return folders;
}

TEST_P(LevelAssets, RulesReadWithoutComplaintAndNameKnownRecords) {
    CRefHandle<ObjectsConfiguration> objects = sharedObjects();
    CRefHandle<LevelConfiguration> level(new LevelConfiguration);
    LogCapture log;
    level->readFromXml(*xmlReader(fileText(folder() + "LevelConfiguration.xml")));
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();

    ASSERT_GT(level->getGroupCount(), 0u);
    EXPECT_GT(level->getTotalTime(), 0);
    EXPECT_GT(level->InitWorkersCount, 0);
    EXPECT_TRUE(level->InitResources.contains(CName("Money")));
    for (CName name : level->ForbiddenBuildings)
        EXPECT_NE(objects->findBuilding(name), nullptr) << str(name);
    for (uint32_t g = 0; g < level->getGroupCount(); ++g) {
        const ObjectivesGroup* group = level->getGroup(g);
        ASSERT_GT(group->size(), 0u) << "group " << g;
        for (uint32_t i = 0; i < group->size(); ++i) {
            EXPECT_FALSE(group->get(i)->getInfoText(false).empty());
            if (auto* typed = dynamic_cast<GObjectiveHaveTypedBuildingsCount*>(group->get(i))) {
                for (CName name : typed->BuildingTypes)
                    EXPECT_NE(objects->findBuilding(name), nullptr) << str(name);
            }
        }
    }
    for (uint32_t i = 0; i < level->getRandomEvents()->size(); ++i) {
        const GRandomEventRequest* event = level->getRandomEvents()->get(i);
        for (CName name : event->BuildingTypes)
            EXPECT_NE(objects->findBuilding(name), nullptr) << str(name);
        if (!event->Template.empty()) {
            EXPECT_NE(objects->findBuilding(event->Template), nullptr) << str(event->Template);
        }
    }
}

TEST_P(LevelAssets, SceneHoldsTheNamedPartsAndKnownTemplates) {
    CRefHandle<ObjectsConfiguration> objects = sharedObjects();
    const SceneOutline scene = outline(fileText(folder() + "Level.mscn"));
    ASSERT_FALSE(scene.names.empty());
    EXPECT_EQ(scene.classes.at(scene.names.front()), "GGameLevelScene");
    for (const char* part : {"Bg", "WGrid", "Buildings", "OnRoadLocations", "Railways", "Cargos", "Effects"})
        EXPECT_TRUE(scene.classes.count(part)) << part;
    EXPECT_EQ(scene.classes.at("WGrid"), "GWGridNode");

    int places = 0;
    int offices = 0;
    std::set<std::string> placeNames;
    for (const std::string& name : scene.names) {
        const std::string& cls = scene.classes.at(name);
        if (cls == "GBuildingNode" || cls == "GMajorOfficeNode") {
            ++places;
            placeNames.insert(name);
            offices += cls == "GMajorOfficeNode";
        }
        auto found = scene.templates.find(name);
        if (found != scene.templates.end()) {
            const GBuildingConfig* record = objects->findBuilding(CName(found->second.c_str()));
            ASSERT_NE(record, nullptr) << name << " takes " << found->second;
            if (cls == "GOnRoadLocationNode") {
                EXPECT_EQ(record->Kind, GBuildingType::OnRoad) << name;
            } else if (cls == "GMajorOfficeNode") {
                EXPECT_EQ(record->Kind, GBuildingType::MajorOffice);
            } else if (cls == "GBuildingNode") {
                EXPECT_EQ(found->second, "BuildingPlace") << name;
            }
        }
    }
    EXPECT_EQ(offices, 1);
    EXPECT_GT(places, 0);
    EXPECT_EQ(places % 6, 0); // whole rows of six
    // A railway's states are the places its station may stand on.
    for (const std::string& name : scene.names) {
        if (scene.classes.at(name) != "GRailRoadNode")
            continue;
        EXPECT_FALSE(scene.states.count(name) == 0) << name;
        for (const std::string& state : scene.states.at(name))
            EXPECT_TRUE(placeNames.count(state)) << state;
    }
}

TEST_P(LevelAssets, RoadFileNamesRoadCellsInsideTheGrid) {
    const std::string data = fileText(folder() + "wgrid.bin");
    ASSERT_GE(data.size(), 4u);
    int32_t count = 0;
    std::memcpy(&count, data.data(), 4);
    ASSERT_GT(count, 0);
    ASSERT_EQ(data.size(), 4u + 4u * uint32_t(count));
    std::set<std::pair<int, int>> cells;
    for (int32_t i = 0; i < count; ++i) {
        const auto* record = reinterpret_cast<const uint8_t*>(data.data() + 4 + 4 * i);
        EXPECT_EQ(record[0], 0);
        EXPECT_LT(record[1], 24); // rows of the 1024 x 768 field in 32-unit cells
        EXPECT_LT(record[2], 32);
        EXPECT_EQ(record[3], 0);
        EXPECT_TRUE(cells.insert({record[1], record[2]}).second) << "cell named twice";
    }
}

TEST_P(LevelAssets, TutorialActionsAreKnownKindsOnKnownPlaces) {
    const std::set<std::string> kinds = {
        "Timed", "MouseClick", "BuildingPress", "ControlPress", "ListItemPress", "ListItemHovered",
        "ResourcesProduced", "WorkersTrained", "WorkerArrived", "WorkerLeaved", "TrainArrived", "TrainLeaved",
        "BuildingCompleted", "BuildingCompletedOrExist", "WaitDirty", "WaitLetter", "GenerateBrokenBuildingRequest",
        "GenerateDirtyBuildingRequest", "GenerateLetterRequest", "GeneratePauseRequest", "LevelModifierRequest",
        "ObjectivesGroupCompleted", "RandomResourceAppear"};
    const SceneOutline scene = outline(fileText(folder() + "Level.mscn"));
    const std::set<std::string> nodes(scene.names.begin(), scene.names.end());
    CRefHandle<CXmlStreamReader> reader = xmlReader(fileText(folder() + "Tutorial.xml"));
    int hints = 0;
    bool ended = false;
    while (reader->readNext()) {
        const std::string name = utf8(CStringW(reader->nodeName()));
        if (reader->nodeType() == CXmlStreamReader::ElementEnd && name == "Tutorial")
            ended = true;
        if (reader->nodeType() != CXmlStreamReader::Element)
            continue;
        hints += name == "Hint";
        if (name == "Action") {
            EXPECT_TRUE(kinds.count(utf8(reader->attribute("Type")))) << utf8(reader->attribute("Type"));
            std::stringstream places(utf8(reader->attribute("Places")));
            for (std::string place; std::getline(places, place, ';');)
                EXPECT_TRUE(nodes.count(place)) << place;
        }
    }
    EXPECT_TRUE(ended);
    EXPECT_GT(hints, 0);
}

TEST_P(LevelAssets, EveryKeyTheLevelNamesIsInBothDictionaries) {
    const std::string dictionaries[] = {fileText("assets/strings/Dictionary.xml"),
                                        fileText("assets_ru/strings/Dictionary.xml")};
    for (const char* file : {"LevelConfiguration.xml", "Tutorial.xml"}) {
        const std::string text = fileText(folder() + file);
        // Keys are written between percent signs.
        for (std::size_t start = text.find('%'); start != std::string::npos;) {
            const std::size_t end = text.find('%', start + 1);
            ASSERT_NE(end, std::string::npos) << file;
            const std::string key = text.substr(start + 1, end - start - 1);
            for (const std::string& dictionary : dictionaries)
                EXPECT_NE(dictionary.find("n=\"" + key + "\""), std::string::npos) << key;
            start = text.find('%', end + 1);
        }
    }
}

TEST_P(LevelAssets, EveryPlaceAndPlaceByTheRoadHasARoadFromTheTownHall) {
    const SceneOutline scene = outline(fileText(folder() + "Level.mscn"));
    const std::set<std::pair<int, int>> roads = roadCells(fileText(folder() + "wgrid.bin"));
    std::string hq;
    for (const std::string& name : scene.names)
        if (scene.classes.at(name) == "GMajorOfficeNode")
            hq = name;
    ASSERT_FALSE(hq.empty());
    const std::set<std::pair<int, int>> reached = reachableFrom(scene.positions.at(hq), roads);
    EXPECT_EQ(reached.size(), roads.size()) << "every road joins the town hall's";
    auto touches = [&](int row, int column, int size) {
        for (int r = row - 1; r <= row + size; ++r)
            for (int c = column - 1; c <= column + size; ++c)
                if ((r == row - 1 || r == row + size) != (c == column - 1 || c == column + size) &&
                    reached.count({r, c}))
                    return true;
        return false;
    };
    int places = 0;
    for (const std::string& name : scene.names) {
        const std::string& cls = scene.classes.at(name);
        if (scene.hidden.count(name) || !scene.positions.count(name))
            continue;
        const auto [x, y] = scene.positions.at(name);
        if (cls == "GBuildingNode") {
            ++places;
            EXPECT_TRUE(touches(int(y / kCell), int(x / kCell), 3)) << name << " has no road beside it";
        } else if (cls == "GOnRoadLocationNode") {
            // Drawn round its cell: on the road or beside it.
            const int row = int((y + kCell / 2) / kCell);
            const int column = int((x + kCell / 2) / kCell);
            EXPECT_TRUE(reached.count({row, column}) || touches(row, column, 1)) << name << " lies off the roads";
        }
    }
    EXPECT_GE(places, 4);
}

INSTANTIATE_TEST_SUITE_P(Levels, LevelAssets, ::testing::ValuesIn(levelFolders()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             const std::string& name = info.param;
                             const std::string number = name.substr(name.find_last_not_of("0123456789") + 1);
                             return std::string(name.find("tests") == 0 ? "Fixture" : "Level") + number;
                         });

// What the levels make together: one season to each twelve levels, each
// kind of building forbidden until its level and never again after, more
// objectives groups season by season, and the comics told between them.
TEST(Journey, FourSeasonsOfTwelveLevelsGrowHarder) {
    std::set<std::string> allowed;
    double groups[4] = {};
    for (int n = 1; n <= kLevels; ++n) {
        SCOPED_TRACE("level " + std::to_string(n));
        const std::string folder = "assets/levels/level" + std::to_string(n) + "/";
        const SceneOutline scene = outline(fileText(folder + "Level.mscn"));
        const int season = (n - 1) / 12 + 1;
        ASSERT_EQ(scene.atlases.size(), 1u);
        // The level's own atlas, which holds its season's road and rail pieces.
        EXPECT_TRUE(scene.atlases[0].ends_with("atlases/Level" + std::to_string(n) + ".xml")) << scene.atlases[0];
        EXPECT_NE(fileText(folder + "Level.mscn").find("img/setting" + std::to_string(season) + "/road\""),
                  std::string::npos);

        CRefHandle<LevelConfiguration> level(new LevelConfiguration);
        level->readFromXml(*xmlReader(fileText(folder + "LevelConfiguration.xml")));
        EXPECT_EQ(utf8(level->Description), "%Level" + std::to_string(n) + "_Desc%");
        groups[season - 1] += level->getGroupCount() / 12.0;
        std::set<std::string> forbidden;
        for (CName name : level->ForbiddenBuildings)
            forbidden.insert(str(name));
        for (const std::string& name : allowed)
            EXPECT_FALSE(forbidden.count(name)) << name << " was allowed before";
        for (const char* kind : {"Apartment1", "Apartment2", "Apartment3", "Apartment4", "Shop1", "Shop2",
                                 "Saloon1", "WaterTower1", "Doctor1", "LumberMill1", "LumberMill2", "GoldenMine1",
                                 "RailRoadStation1", "Bandstand1"})
            if (!forbidden.count(kind))
                allowed.insert(kind);
    }
    EXPECT_EQ(allowed.size(), 14u) << "every kind is built before the end";
    for (int season = 1; season < 4; ++season)
        EXPECT_LT(groups[season - 1], groups[season]) << "season " << season + 1;
}

TEST(Journey, EveryComicTheGameNamesIsThereWithItsParts) {
    CRefHandle<ComicsConfiguration> comics(new ComicsConfiguration);
    ASSERT_TRUE(comics->readFromXml(*xmlReader(fileText("assets/scenes/ComicsConfiguration.xml"))));
    std::vector<std::string> paths = {"scenes/Comics/episode1/ComicsScene.mscn"}; // a new game's
    for (const auto& entry : comics->getEntries()) {
        EXPECT_GE(entry.key, 1);
        EXPECT_LE(entry.key, kLevels);
        paths.emplace_back(entry.value->ScenePath.c_str());
    }
    EXPECT_EQ(paths.size(), 5u);
    const std::string dictionary = fileText("assets_ru/strings/Dictionary.xml");
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const std::string text = fileText("assets/" + path);
        const SceneOutline scene = outline(text);
        EXPECT_EQ(scene.classes.at(scene.names.front()), "GComicsScene");
        for (const char* part : {"Scene", "DarkBg", "NextButton", "ReplayButton", "Parts", "ComicsSpeechText"})
            EXPECT_TRUE(scene.classes.count(part)) << part;
        // Each part reads a caption and a speech, both in the dictionary.
        int parts = 0;
        for (std::size_t at = text.find("\"ComicsSpeechText\""); at != std::string::npos;
             at = text.find("\"ComicsSpeechText\"", at + 1))
            ++parts;
        EXPECT_EQ(parts, 4);
        for (std::size_t start = text.find("Value=\"%"); start != std::string::npos;
             start = text.find("Value=\"%", start + 1)) {
            const std::size_t end = text.find('"', start + 7);
            std::stringstream keys(text.substr(start + 7, end - start - 7));
            for (std::string key; std::getline(keys, key, '%');) {
                if (!key.empty()) {
                    EXPECT_NE(dictionary.find("n=\"" + key + "\""), std::string::npos) << key;
                }
            }
        }
        for (const std::string& atlas : scene.atlases)
            EXPECT_TRUE(std::filesystem::exists(kRoot + "assets/" + atlas.substr(atlas.rfind("atlases/"))))
                << atlas;
    }
}

} // namespace
