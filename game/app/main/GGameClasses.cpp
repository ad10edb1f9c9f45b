#include "game/app/main/GGameClasses.h"

#include "engine/core/CStringW.h"
#include "engine/scene/CNodeFactory.h"
#include "game/app/GBetaMessageScene.h"
#include "game/app/GCreditsScene.h"
#include "game/app/GDebugStatsScene.h"
#include "game/app/GIntroScene.h"
#include "game/app/GLogosScene.h"
#include "game/nodes/GConvexHullNode.h"
#include "game/nodes/GLockButton.h"
#include "game/nodes/GRectangleNode.h"
#include "game/nodes/GSelectGridNode.h"
#include "game/nodes/GSelfDestructNode.h"
#include "game/nodes/GSplineMovableNode.h"
#include "game/nodes/GSpriteBatchingNode.h"
#include "game/nodes/GWaveNode.h"
#include "game/screens/GMainMenuScene.h"
#include "game/screens/GOptionsScene.h"
#include "game/screens/GQuitConfirmationScene.h"
#include "game/screens/GSelectPlayerInputNameScene.h"
#include "game/screens/GSelectPlayerScene.h"

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
    {u"GConvexHullNode", &GConvexHullNode::create},
    {u"GWaveNode", &GWaveNode::create},
    {u"GSelfDestructNode", &GSelfDestructNode::create},
    {u"GSplineMovableNode", &GSplineMovableNode::create},
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
