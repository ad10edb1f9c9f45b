#include "tests/game/play/PlayScreenTestSupport.h"

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/TemplateCollectionNode.h"

#include <algorithm>

using namespace sceneflow;

int ObjectivesView::getHeadquartersResource(CName name) const {
    return headquarters ? headquarters->getResource(name) : 0;
}

PlayLevel::PlayLevel()
    : SceneNode(CObjectName(), nullptr, nullptr), configuration(new LevelConfiguration),
      objects(new ObjectsConfiguration), headquarters(new GBuildingNode(CObjectName(), nullptr, nullptr)) {
    headquarters->setLevelScene(this);
    view.headquarters = headquarters.get();
}

BaseNode* PlayLevel::getPlace(int index) const {
    return index >= 0 && index < int(places.size()) ? places[size_t(index)].get() : nullptr;
}

bool PlayLevel::canBuild(BaseNode*, const GBuildingConfig* type) const {
    return affordable && type && std::find(unaffordable.begin(), unaffordable.end(), type->Name) == unaffordable.end();
}

bool PlayLevel::trainHasOffers(const BaseNode*, bool sale) const {
    return std::any_of(offers.begin(), offers.end(), [&](const TrainOffer& o) { return o.sale == sale; });
}

bool PlayLevel::getTrainOffer(const BaseNode*, int index, TrainOffer& offer) const {
    if (index < 0 || index >= int(offers.size()))
        return false;
    offer = offers[size_t(index)];
    return true;
}

bool PlayLevel::getStationRailway(const BaseNode*, Railway& out) const {
    if (withRailway)
        out = railway;
    return withRailway;
}

BaseNode* PlayLevel::getOnRoadLocation(int index) const {
    return index >= 0 && index < int(locations.size()) ? locations[size_t(index)].node.get() : nullptr;
}

int PlayLevel::getOnRoadLocationState(const BaseNode* location) const {
    for (const Location& l : locations)
        if (l.node.get() == location)
            return l.state;
    return 0;
}

void PlayLevel::setOnRoadLocationImpending(BaseNode* location, bool on) {
    for (Location& l : locations)
        if (l.node.get() == location)
            l.impending = on;
}

void PlayLevel::findBlockingLocations(BaseNode*, CArray<BaseNode*>& out) const {
    for (const Location& l : locations)
        if (l.blocks)
            out.push_back(l.node.get());
}

void PlayLevel::addObjects(std::string_view xml) {
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(xml.data(), xml.size()));
    EXPECT_TRUE(objects->readFromXml(*reader));
}

void PlayLevel::readConfiguration(std::string_view xml) {
    configuration = CRefHandle<LevelConfiguration>(new LevelConfiguration);
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(xml.data(), xml.size()));
    configuration->readFromXml(*reader);
}

GBuildingNode* PlayLevel::addPlace(const char* type) {
    CRefHandle<GBuildingNode> place(new GBuildingNode(CObjectName(), nullptr, nullptr));
    place->setLevelScene(this);
    place->setPlaceNumber(int(places.size()));
    place->setReachable(true);
    place->setRequiredServices(true);
    GBuildingConfig* record = objects->findBuilding(CName(type));
    EXPECT_NE(record, nullptr) << type;
    place->setType(record, false, false);
    places.push_back(place);
    return place.get();
}

void PlayScreenTest::SetUp() {
    SceneFlowTest::SetUp();
    m_level = CRefHandle<PlayLevel>(new PlayLevel);
}

void PlayScreenTest::TearDown() {
    m_held.clear();
    m_play = nullptr;
    m_level = nullptr;
    SceneFlowTest::TearDown();
}

void PlayScreenTest::startGame(bool nullVideo) {
    writeStartScenes();
    write("logos/Logos.xml", R"(<Logos><Logo Image="logos/A.png" Time="600000"/></Logos>)");
    writePicture("logos/A.png", 4, 4);
    const std::filesystem::path data = kSourceFolder / "tests/game/play/data";
    for (const char* name : {"GamePlayScene.mscn", "PlayTemplates.mscn"}) {
        const std::vector<uint8_t> bytes = readAllBytes(data / name);
        write(std::string("scenes/") + name, std::string(bytes.begin(), bytes.end()));
    }
    // The HUD's texts use the game's own font.
    for (const char* name : {"Text.mfnt", "Text.png"}) {
        const std::vector<uint8_t> bytes = readAllBytes(kSourceFolder / "assets/fonts" / name);
        m_dir.write(std::string("assets/fonts/") + name, bytes);
    }
    GGameApplication* game = start(nullVideo);
    ASSERT_TRUE(game->init(CStringW()));
    ASSERT_TRUE(runSteps(5));
    game->registerGameClasses();
    CProfileManager* profiles = game->getEngine()->getProfileManager();
    ASSERT_TRUE(profiles->findProfile(CStringW(u"Ann")) || profiles->addProfile(CStringW(u"Ann")));
    ASSERT_TRUE(profiles->setActiveProfile(0));

    CContentManager* content = game->getContentManager();
    m_held.emplace_back(content->load(ContentTypeSceneNode, CStringW(u"scenes/PlayTemplates.mscn"), false));
    auto* templates = nodeCast<TemplateCollectionNode>(dynamic_cast<BaseNode*>(m_held.back().get()));
    ASSERT_NE(templates, nullptr);
    game->getSceneManager()->setTemplateCollection(templates);
    m_held.emplace_back(content->load(ContentTypeSceneNode, CStringW(u"scenes/GamePlayScene.mscn"), false));
    m_play = nodeCast<GGamePlayScene>(dynamic_cast<BaseNode*>(m_held.back().get()));
    ASSERT_NE(m_play, nullptr);
    ASSERT_TRUE(game->getSceneManager()->setScene(m_play));
    ASSERT_TRUE(runSteps(5));
    ASSERT_TRUE(m_play->bindLevel(m_level.get()));
}

void PlayScreenTest::restartGame() {
    m_held.clear();
    m_play = nullptr;
    m_game->release();
    m_game = nullptr;
    m_level = CRefHandle<PlayLevel>(new PlayLevel);
    startGame();
}

CProfileParameters* PlayScreenTest::player() const {
    return m_game->getEngine()->getProfileManager()->getActiveProfile();
}
