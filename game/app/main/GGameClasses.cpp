
#include "engine/core/CStringW.h"
#include "engine/scene/CNodeFactory.h"
#include "game/app/GBetaMessageScene.h"
#include "game/app/GCreditsScene.h"
#include "game/app/GDebugStatsScene.h"
#include "game/app/GInGameMenuScene.h"
#include "game/app/GIntroScene.h"
#include "game/app/GLevelObjectivesScene.h"
#include "game/app/GLogosScene.h"
#include "game/app/main/GGameClasses.h"
#include "game/nodes/GBuildingInfoNode.h"
#include "game/nodes/GCircularBirdNode.h"
#include "game/nodes/GConvexHullNode.h"
#include "game/nodes/GCounterTextNode.h"
#include "game/nodes/GDiscreteSliderNode.h"
#include "game/nodes/GEllipseMovableNode.h"
#include "game/nodes/GEllipseProgressBarNode.h"
#include "game/nodes/GEllipseSectorNode.h"
#include "game/nodes/GHintNode.h"
#include "game/nodes/GLockButton.h"
#include "game/nodes/GMultiTexturedSpriteNode.h"
#include "game/nodes/GPolygonNode.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/nodes/GRectangleNode.h"
#include "game/nodes/GSelectGridNode.h"
#include "game/nodes/GSelfDestructNode.h"
#include "game/nodes/GSplineMovableNode.h"
#include "game/nodes/GSpriteBatchingNode.h"
#include "game/nodes/GTwoSpritesProgressBarNode.h"
#include "game/nodes/GWaveNode.h"
#include "game/nodes/GWeatherParticlesNode.h"
#include "game/play/GGamePlayScene.h"
#include "game/screens/GComicsScene.h"
#include "game/screens/GHeadquartersScene.h"
#include "game/screens/GLevelCompletedScene.h"
#include "game/screens/GMainMenuScene.h"
#include "game/screens/GMapLocationButton.h"
#include "game/screens/GMapScene.h"
#include "game/screens/GOptionsScene.h"
#include "game/screens/GQuitConfirmationScene.h"
#include "game/screens/GSelectPlayerInputNameScene.h"
#include "game/screens/GSelectPlayerScene.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GCharacterNode.h"
#include "game/world/GDilizhansNode.h"
#include "game/world/GGertrudaNode.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GOnRoadLocationNode.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GRailRoadNode.h"
#include "game/world/GTrainNode.h"
#include "game/world/GWGridNode.h"
#include "game/world/GWorkerNode.h"

namespace {

struct ClassEntry {
    const char16_t* name;
    CNodeFactory::NodeCreateFunction create;
};

// In registration order.
constexpr ClassEntry kStartClasses[] = {
    {u"GDebugStatsScene", &GDebugStatsScene::create},
    {u"GLogosScene", &GLogosScene::create},
    {u"GIntroScene", &GIntroScene::create},
    {u"GRectangleNode", &GRectangleNode::create},
};

constexpr ClassEntry kGameClasses[] = {
    {u"GMainMenuScene", &GMainMenuScene::create},
    {u"GSelectPlayerScene", &GSelectPlayerScene::create},
    {u"GSelectPlayerInputNameScene", &GSelectPlayerInputNameScene::create},
    {u"GCreditsScene", &GCreditsScene::create},
    {u"GQuitConfirmationScene", &GQuitConfirmationScene::create},
    {u"GBetaMessageScene", &GBetaMessageScene::create},
    {u"GSpriteBatchingNode", &GSpriteBatchingNode::create},
    {u"GRectangleNode", &GRectangleNode::create},
    {u"GSelectGridNode", &GSelectGridNode::create},
    {u"GOptionsScene", &GOptionsScene::create},
    {u"GLockButton", &GLockButton::create},
    {u"GBuildingInfoNode", &GBuildingInfoNode::create},
    {u"GHintNode", &GHintNode::create},
    {u"GCounterTextNode", &GCounterTextNode::create},
    {u"GProgressBarWithCheckpointsNode", &GProgressBarWithCheckpointsNode::create},
    {u"GDiscreteSliderNode", &GDiscreteSliderNode::create},
    {u"GWeatherParticlesNode", &GWeatherParticlesNode::create},
    {u"GCircularBirdNode", &GCircularBirdNode::create},
    {u"GEllipseMovableNode", &GEllipseMovableNode::create},
    {u"GMultiTexturedSpriteNode", &GMultiTexturedSpriteNode::create},
    {u"GEllipseProgressBarNode", &GEllipseProgressBarNode::create},
    {u"GEllipseSectorNode", &GEllipseSectorNode::create},
    {u"GProgressBarWithSignNode", &GProgressBarWithSignNode::create},
    {u"GTwoSpritesProgressBarNode", &GTwoSpritesProgressBarNode::create},
    {u"GPolygonNode", &GPolygonNode::create},
    {u"GBuildingNode", &GBuildingNode::create},
    {u"GWGridNode", &GWGridNode::create},
    {u"GRailRoadNode", &GRailRoadNode::create},
    {u"GCharacterNode", &GCharacterNode::create},
    {u"GLevelObjectivesScene", &GLevelObjectivesScene::create},
    {u"GInGameMenuScene", &GInGameMenuScene::create},
    {u"GComicsScene", &GComicsScene::create},
    {u"GConvexHullNode", &GConvexHullNode::create},
    {u"GWaveNode", &GWaveNode::create},
    {u"GSelfDestructNode", &GSelfDestructNode::create},
    {u"GSplineMovableNode", &GSplineMovableNode::create},
    {u"GWorkerNode", &GWorkerNode::create},
    {u"GDilizhansNode", &GDilizhansNode::create},
    {u"GGertrudaNode", &GGertrudaNode::create},
    {u"GTrainNode", &GTrainNode::create},
    {u"GLevelCompletedScene", &GLevelCompletedScene::create},
    {u"GMapLocationButton", &GMapLocationButton::create},
    {u"GMapScene", &GMapScene::create},
    {u"GHeadquartersScene", &GHeadquartersScene::create},
    {u"GOnRoadLocationNode", &GOnRoadLocationNode::create},
    {u"GMajorOfficeNode", &GMajorOfficeNode::create},
    {u"GGameLevelScene", &GGameLevelScene::create},
    {u"GGamePlayScene", &GGamePlayScene::create},
};

template <size_t N> void registerClasses(const ClassEntry (&entries)[N]) {
    CNodeFactory* factory = CNodeFactory::getShared();
    for (const ClassEntry& entry : entries)
        // A name registered before keeps its first registration.
        (void)factory->registerNodeClass(CStringW(entry.name), entry.create);
}

} // namespace

void registerStartClasses() { registerClasses(kStartClasses); }

void registerAllGameClasses() { registerClasses(kGameClasses); }
