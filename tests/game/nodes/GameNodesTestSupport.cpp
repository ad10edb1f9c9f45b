#include "tests/game/nodes/GameNodesTestSupport.h"

#include "engine/core/CEngine.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/nodes/GBuildingInfoNode.h"
#include "game/nodes/GCircularBirdNode.h"
#include "game/nodes/GCounterTextNode.h"
#include "game/nodes/GDiscreteSliderNode.h"
#include "game/nodes/GEllipseMovableNode.h"
#include "game/nodes/GHintNode.h"
#include "game/nodes/GMultiTexturedSpriteNode.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/nodes/GWeatherParticlesNode.h"
#include "tests/engine/scene/SceneTestSupport.h"

#include <gtest/gtest.h>

CNodeFactory* gameNodesFactory() {
    CNodeFactory* factory = CNodeFactory::getShared();
    registerStandardNodes(*factory);
    const struct {
        const char16_t* name;
        CNodeFactory::NodeCreateFunction create;
    } classes[] = {
        {u"GBuildingInfoNode", &GBuildingInfoNode::create},
        {u"GHintNode", &GHintNode::create},
        {u"GCounterTextNode", &GCounterTextNode::create},
        {u"GProgressBarWithCheckpointsNode", &GProgressBarWithCheckpointsNode::create},
        {u"GDiscreteSliderNode", &GDiscreteSliderNode::create},
        {u"GWeatherParticlesNode", &GWeatherParticlesNode::create},
        {u"GCircularBirdNode", &GCircularBirdNode::create},
        {u"GEllipseMovableNode", &GEllipseMovableNode::create},
        {u"GMultiTexturedSpriteNode", &GMultiTexturedSpriteNode::create},
    };
    for (const auto& entry : classes)
        (void)factory->registerNodeClass(CStringW(entry.name), entry.create);
    return factory;
}

CRefHandle<BaseNode> readSceneText(const std::string& text, const char16_t* name) {
    CRefHandle<CXmlStreamReader> xml(new CXmlStreamReader(text.data(), text.size()));
    uint32_t depth = 0;
    CSceneFileReader reader(xml.get(), gameNodesFactory(), depth, CStringW(name));
    return reader.readDocument(CObjectName(nullptr, CStringW(name)), CStringW(name));
}

std::string sceneNode(const char* type, const char* name, const std::string& properties, const std::string& inner) {
    return std::string("<SceneNode Type=\"") + type + "\"><Properties><string Name=\"Name\" Value=\"" + name + "\"/>" +
           properties + "</Properties>" + inner + "</SceneNode>\n";
}

TemplatedScreen::TemplatedScreen(const std::string& templatesText, const std::string& sceneText)
    : engine(makeFakeEngine()), manager(new SceneManager(CObjectName(), nullptr, nullptr)),
      templates(readSceneText(templatesText, u"Templates.mscn")), sceneNode(readSceneText(sceneText, u"Scene.mscn")),
      scene(nodeCast<SceneNode>(sceneNode.get())) {
    manager->setEngine(engine.get());
    TemplateCollectionNode* collection = nodeCast<TemplateCollectionNode>(templates.get());
    EXPECT_TRUE(collection);
    manager->setTemplateCollection(collection);
    EXPECT_TRUE(scene);
    if (scene) {
        EXPECT_TRUE(manager->setScene(scene));
    }
    manager->updateAbsoluteTransformation();
    drain();
}

TemplatedScreen::~TemplatedScreen() {
    if (manager)
        (void)manager->setScene(nullptr);
}

void TemplatedScreen::drain() const { (void)manager->update(0); }

void TemplatedScreen::run(uint32_t ms) const {
    if (CUpdateScheduler* scheduler = manager->getSceneSchedulerOf(scene))
        scheduler->update(ms);
    drain();
}

namespace {

template <class E> void send(SceneManager* manager, int x, int y) {
    E* event = new E(x, y);
    (void)manager->dispatch(CEventReceiver::HandleThenChildren, event);
    event->release();
}

} // namespace

void TemplatedScreen::mouseDown(int x, int y) const { send<CEventMouseLeftDown>(manager.get(), x, y); }
void TemplatedScreen::mouseMove(int x, int y) const { send<CEventMouseMove>(manager.get(), x, y); }
void TemplatedScreen::mouseUp(int x, int y) const { send<CEventMouseLeftUp>(manager.get(), x, y); }
