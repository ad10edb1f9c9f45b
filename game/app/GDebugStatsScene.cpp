#include "game/app/GDebugStatsScene.h"

#include "engine/content/CContentManager.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngine.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/Font.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/GGameApplication.h"

GDebugStatsScene::GDebugStatsScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

BaseNode* GDebugStatsScene::create(const CObjectName& name) { return new GDebugStatsScene(name, nullptr, nullptr); }

const CStringW& GDebugStatsScene::getTypeName() const {
    static const CStringW name(u"GDebugStatsScene");
    return name;
}

const CStringW& GDebugStatsScene::getClassName() const { return GDebugStatsScene::getTypeName(); }

BaseNode* GDebugStatsScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GDebugStatsScene>(parent, sceneManager);
}

void GDebugStatsScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

bool GDebugStatsScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    GBaseSceneNode::onNavigationStarted(event);
    if (!isShownBy(event))
        return false;
    if (m_text) {
        (void)removeChild(m_text.get());
        m_text.reset();
    }
    CRefHandle<BaseNode> node = CNodeFactory::getShared()->createNode(CStringW(u"TextNode"), CObjectName());
    auto* text = nodeCast<TextNode>(node.get());
    if (!text)
        return true;
    m_text = CRefHandle<TextNode>::share(text);
    addChild(text);
    text->setPivotPoint(CVector2d(0.0f, 0.0f));
    text->setPosition(CVector3d(0.0f, 0.0f, 0.0f));
    text->markTransformDirty();
    text->setText(CStringW(u"0"));
    GGameApplication* game = GGameApplication::instance();
    CContentManager* content = game ? game->getContentManager() : nullptr;
    CRefHandle<IContent> font(content ? content->load(ContentTypeFont, CStringW(u"fonts/Caption.mfnt"), false)
                                      : nullptr);
    if (auto* loaded = dynamic_cast<Font*>(font.get()))
        text->setFont(loaded);
    return true;
}

bool GDebugStatsScene::update(uint32_t elapsed) {
    (void)GBaseSceneNode::update(elapsed);
    m_refreshClock += elapsed;
    if (m_refreshClock <= 999)
        return true;
    m_refreshClock = 0;
    GGameApplication* game = GGameApplication::instance();
    CEngine* engine = findEngineInstance();
    IGraphicsDriver* driver = engine ? engine->getVideoDriver() : nullptr;
    if (m_text && driver)
        m_text->setText(statisticsText(m_showBuildLine, driver->framesPerSecond(), game ? game->getLastStep() : 0,
                                       driver->primitiveCount(0)));
    return true;
}

CStringW GDebugStatsScene::statisticsText(bool buildLine, int32_t framesPerSecond, uint32_t lastStepMs,
                                          uint32_t primitives) {
    CStringW text;
    if (buildLine)
        text += u"Build #0 Build date: Thu Dec 15 10:44:00 2011\n";
    text = text + u"fps: " + framesPerSecond + u"\nms: " + lastStepMs + u"\nprims: " + (primitives / 2);
    return text;
}
