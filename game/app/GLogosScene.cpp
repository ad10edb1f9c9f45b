#include "game/app/GLogosScene.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CDictionary.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/video/CAtlasTexture.h"
#include "game/app/GGameApplication.h"
#include "game/app/GLogosConfig.h"
#include "game/config/GNumberText.h"

#include <algorithm>

namespace {

constexpr float kScreenWidth = 1024.0f;
constexpr float kScreenHeight = 768.0f;
constexpr int32_t kKeyEsc = 27;
constexpr int32_t kEndPauseMs = 1000;
constexpr uint32_t kStretchScaled = 1;
constexpr uint32_t kStretchNatural = 2;

// A direct child named `name` of `parent`, or null.
BaseNode* directChild(const BaseNode* parent, const char* name) {
    return parent ? parent->findChild(CName(name), 1) : nullptr;
}

} // namespace

GLogoLayout logoLayout(const CVector2d& pictureSize, bool stretched, const CVector2d& slotSize) {
    GLogoLayout layout;
    const float w = pictureSize.x;
    const float h = pictureSize.y;
    if (stretched && w > 0.0f && h > 0.0f) {
        // Fitted inside the screen on both axes, so no picture overflows.
        const float s = std::min(kScreenWidth / w, kScreenHeight / h);
        layout.size = CVector2d(w * s, h * s);
        layout.position = CVector2d((kScreenWidth - w * s) / 2.0f, (kScreenHeight - h * s) / 2.0f);
        layout.stretchMode = kStretchScaled;
    } else {
        layout.position = CVector2d((slotSize.x - w) / 2.0f, (slotSize.y - h) / 2.0f);
        layout.stretchMode = kStretchNatural;
    }
    return layout;
}

GLogosScene::GLogosScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

BaseNode* GLogosScene::create(const CObjectName& name) { return new GLogosScene(name, nullptr, nullptr); }

const CStringW& GLogosScene::getTypeName() const {
    static const CStringW name(u"GLogosScene");
    return name;
}

const CStringW& GLogosScene::getClassName() const { return GLogosScene::getTypeName(); }

BaseNode* GLogosScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GLogosScene>(parent, sceneManager);
}

void GLogosScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

void GLogosScene::onLoaded() {
    BaseNode* scene = directChild(this, "Scene");
    m_firstSlot = directChild(scene, "Logo1");
    m_secondSlot = directChild(scene, "Logo2");
    auto background = [](BaseNode* slot) {
        BaseNode* bg = directChild(slot, "Bg");
        return bg && bg->isKindOf(RectangleTypeId) ? bg : nullptr;
    };
    m_firstBg = background(m_firstSlot);
    m_secondBg = background(m_secondSlot);
    m_firstLogo = nodeCast<SpriteNode>(directChild(m_firstSlot, "Logo"));
    m_secondLogo = nodeCast<SpriteNode>(directChild(m_secondSlot, "Logo"));
    // A windowed game goes on with its logos behind other windows.
    if (CEngine* engine = findEngineInstance())
        engine->setRunWhenInactive(true);
}

bool GLogosScene::routeToChildren(int phase, CEvent* event) {
    if (event->getType() == CEventMouseLeftDown::TypeId)
        return onMousePress(static_cast<CEventMouseLeftDown*>(event));
    return GBaseSceneNode::routeToChildren(phase, event);
}

bool GLogosScene::onKeyUp(CEventKeyUp* event) {
    if (event->getKeyCode() != kKeyEsc)
        return false;
    skip();
    return true;
}

bool GLogosScene::onMousePress(CEventMouseLeftDown*) {
    skip();
    return true;
}

void GLogosScene::skip() {
    if (!m_skippable)
        return;
    m_remaining = 0;
    m_skippable = false;
}

bool GLogosScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    GBaseSceneNode::onNavigationStarted(event);
    if (!isShownBy(event))
        return false;
    if (GGameApplication* game = GGameApplication::instance())
        game->registerGameClasses();
    loadDictionaryAndTitle();
    return true;
}

bool GLogosScene::onNavigationFinished(CEventSceneChangeFinished* event) {
    GBaseSceneNode::onNavigationFinished(event);
    if (!isShownBy(event))
        return false;
    showNextLogo();
    return true;
}

void GLogosScene::loadDictionaryAndTitle() {
    CEngine* engine = findEngineInstance();
    CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    if (!engine || !dictionary)
        return;
    if (CVirtualFileSystem* files = engine->getFileSystem()) {
        CRefHandle<CXmlStreamReader> reader(files->openXmlReader(CStringW(u"strings/Dictionary.xml")));
        if (reader)
            (void)dictionary->load(reader.get());
    }
    if (GGameApplication* game = GGameApplication::instance())
        game->applyDictionaryCaption();
    setThousandsDelimiter(thousandsDelimiterFrom(*dictionary));
}

bool GLogosScene::update(uint32_t elapsed) {
    (void)GBaseSceneNode::update(elapsed);
    m_remaining -= int32_t(elapsed);
    if (m_remaining >= 0)
        return true;
    GGameApplication* game = GGameApplication::instance();
    const bool logosLeft = game && game->getLogosConfig() && !game->getLogosConfig()->getLogos().empty();
    if (logosLeft || !m_finished) {
        showNextLogo();
        return true;
    }
    CRefHandle<GLogosScene> self(CRefHandle<GLogosScene>::share(this));
    (void)goToIntro(IntroMainMenu, CStringW(), 0);
    return false;
}

void GLogosScene::swapCopy() {
    m_firstSlot->setState(CName("Swap"), nullptr, CName());
    m_firstLogo->setAtlasTexture(m_secondLogo->getAtlasTexture());
    m_firstBg->setTintColor(m_secondBg->getTintColor());
    const CVector3d& from = m_secondLogo->getPosition();
    m_firstLogo->setPosition(CVector3d(from.x, from.y, m_firstLogo->getPosition().z));
    m_firstLogo->setImageStretchX(m_secondLogo->getImageStretchX());
    m_firstLogo->setImageStretchY(m_secondLogo->getImageStretchY());
    m_firstLogo->setBounds(m_secondLogo->getBounds());
}

void GLogosScene::showNextLogo() {
    GGameApplication* game = GGameApplication::instance();
    GLogosConfig* config = game ? game->getLogosConfig() : nullptr;
    const bool haveSecond = m_secondLogo && m_secondBg;
    const bool haveFirst = m_firstLogo && m_firstBg && m_firstSlot;
    if (!config || config->getLogos().empty()) {
        if (haveSecond) {
            if (haveFirst)
                swapCopy();
            m_secondLogo->setAtlasTexture(nullptr);
            m_secondBg->setTintColor(CColor(0x00FFFFFFu));
        }
        m_finished = true;
        m_remaining = kEndPauseMs;
        return;
    }
    const GLogoEntry entry = config->getLogos()[0];
    config->getLogos().erase(0);

    CContentManager* content = game->getContentManager();
    CRefHandle<IContent> loaded(content ? content->load(ContentTypeAtlasTexture, CStringW(entry.Image), false)
                                        : nullptr);
    auto* texture = dynamic_cast<CAtlasTexture*>(loaded.get());

    GLogoLayout layout;
    if (texture && m_firstSlot) {
        const CVector3d& slot = m_firstSlot->getBounds();
        layout = logoLayout(texture->getPixelSize(), entry.Stretched, CVector2d(slot.x, slot.y));
    }
    // A picture that does not load is passed at the next update.
    m_remaining = texture ? entry.Time : 0;
    m_skippable = entry.Skippable;
    if (!haveSecond)
        return;
    if (haveFirst)
        swapCopy();
    if (m_secondSlot)
        m_secondSlot->setState(CName(m_secondLogo->getAtlasTexture() ? "Swap" : "Swap0"), nullptr, CName());
    m_secondLogo->setAtlasTexture(texture);
    m_secondBg->setTintColor(entry.BgColor);
    m_secondLogo->setPosition(CVector3d(layout.position.x, layout.position.y, m_secondLogo->getPosition().z));
    m_secondLogo->setImageStretchX(layout.stretchMode);
    m_secondLogo->setImageStretchY(layout.stretchMode);
    m_secondLogo->setBounds(CVector3d(layout.size.x, layout.size.y, 0.0f));
}
