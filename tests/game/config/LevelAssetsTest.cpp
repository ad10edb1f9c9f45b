// The levels the level tools make, read back: the rules by the game's
// reader, the road file by its layout, and the scene and tutorial files as
// XML, each checked against the shared configuration.

#include "engine/core/CStringW.h"
#include "engine/core/Utf8.h"
#include "engine/io/CVirtualFileSystem.h"
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

class LevelAssets : public ::testing::TestWithParam<const char*> {
protected:
    std::string folder() const { return std::string(GetParam()) + "/"; }
};

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

INSTANTIATE_TEST_SUITE_P(Levels, LevelAssets,
                         ::testing::Values("assets/levels/level1", "assets/levels/level2", "assets/levels/level3",
                                           "tests/game/world/data/level1"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             return std::string(name.find("tests") == 0 ? "Fixture" : "Level") + name.back();
                         });

} // namespace
