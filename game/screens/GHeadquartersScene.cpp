#include "game/screens/GHeadquartersScene.h"

#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CMat4.h"
#include "engine/core/NumberText.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/TextFormatting.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "game/app/GGameApplication.h"
#include "game/config/GlobalConfig.h"
#include "game/play/GTutorialController.h"
#include "game/screens/GMapScene.h"
#include "game/screens/GScreenServices.h"

#include <algorithm>

namespace {

constexpr int32_t kKeyEsc = 27;

CRefHandle<CXmlStreamReader> openXml(const char16_t* path) {
    CEngine* engine = findEngineInstance();
    CVirtualFileSystem* files = engine ? engine->getFileSystem() : nullptr;
    return CRefHandle<CXmlStreamReader>(files ? files->openXmlReader(CStringW(path)) : nullptr);
}

void playCueNamed(const char* name, bool unique) {
    if (CSoundCueManager* cues = cueManager())
        (void)cues->play(CName(name), unique, 0);
}

void setPartState(BaseNode* part, const char* state) {
    if (part)
        part->applyStateRecursive(CName(state), nullptr);
}

// The profile flag and the file of each of the three tutorials.
constexpr const char* kFlags[] = {"ShowTutorialHQ1", "ShowTutorialHQ2", "ShowTutorialHQ3"};
constexpr const char16_t* kFiles[] = {u"scenes/HQTutorial1.xml", u"scenes/HQTutorial2.xml", u"scenes/HQTutorial3.xml"};

bool contains(const CArray<CName>& names, CName name) { return names.indexOf(name) >= 0; }

} // namespace

GHeadquartersScene::GHeadquartersScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager), m_hqConfig(new HQConfiguration()),
      m_tutorialPartName("Boiler") {}

GHeadquartersScene::~GHeadquartersScene() {
    if (m_runningTutorial) {
        removePreHandler(m_runningTutorial.get());
        m_runningTutorial->close();
    }
}

BaseNode* GHeadquartersScene::create(const CObjectName& name) { return new GHeadquartersScene(name, nullptr, nullptr); }

const CStringW& GHeadquartersScene::getTypeName() const {
    static const CStringW name(u"GHeadquartersScene");
    return name;
}

const CStringW& GHeadquartersScene::getClassName() const { return GHeadquartersScene::getTypeName(); }

BaseNode* GHeadquartersScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GHeadquartersScene>(parent, sceneManager);
}

void GHeadquartersScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

void GHeadquartersScene::onLoaded() {
    BaseNode* scene = findChild(CName("Scene"), 1);
    if (!scene)
        return;
    m_upgradesNode = scene->findChild(CName("Upgrades"), 1);
    m_partCount = m_upgradesNode ? m_upgradesNode->getChildren().size() : 0;
    if (m_upgradesNode)
        m_upgradesNode->setState(CName("Hide"), nullptr, CName());
    CProfileParameters* player = currentPlayer();
    if (!player)
        return;
    splitNames(m_boughtChain1, CString(player->getStringW("Upgrades1")), true);
    splitNames(m_boughtChain2, CString(player->getStringW("Upgrades2")), true);
    BaseNode* label = scene->findChild(CName("RankLabel"), 1);
    m_pointsText = label ? nodeCast<TextNode>(label->findChild(CName("Points"), 1)) : nullptr;
    m_pointsLeft = computePoints();
    showPoints();
    m_backButton = nodeCast<ButtonNode>(scene->findChild(CName("BackButton"), 1));
    collectHitAreas();
}

void GHeadquartersScene::collectHitAreas() {
    m_hitAreas.clear();
    if (!m_upgradesNode)
        return;
    for (BaseNode* part : m_upgradesNode->getChildren())
        if (BaseNode* area = part->findChild(CName("HitArea"), 1))
            m_hitAreas.push_back(area);
}

uint32_t GHeadquartersScene::pointsFor(const CArray<int>& ranks, int32_t allowFrom, uint32_t parts, uint32_t bought1,
                                       uint32_t bought2) {
    int64_t earned = 1;
    for (uint32_t i = 0; i < ranks.size(); ++i)
        if (int64_t(i) >= allowFrom && ranks[i] == 2)
            ++earned;
    // Signed all the way: a profile may list more bought names than there
    // are parts, and the points never go below nothing.
    const int64_t spent = int64_t(bought1) + int64_t(bought2);
    const int64_t left = std::max<int64_t>(earned - spent, 0);
    const int64_t toBuy = std::max<int64_t>(2 * int64_t(parts) - spent, 0);
    return uint32_t(std::min(left, toBuy));
}

uint32_t GHeadquartersScene::computePoints() const {
    const CProfileParameters* player = currentPlayer();
    if (!player)
        return 0;
    const GlobalConfig* config = globalConfig();
    return pointsFor(parseIntList(player->getString("Ranks").c_str()), config ? config->AllowHQUpgradeFromLevel : 0,
                     m_partCount, m_boughtChain1.size(), m_boughtChain2.size());
}

void GHeadquartersScene::showPoints() {
    if (m_pointsText)
        m_pointsText->setText(CStringW() + int32_t(m_pointsLeft));
}

bool GHeadquartersScene::isBuyableInOpenChain(CName name) const {
    if (isChain1Open())
        return !contains(m_boughtChain1, name);
    if (isChain2Open())
        return !contains(m_boughtChain2, name);
    return false;
}

bool GHeadquartersScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    if (GBaseSceneNode::onNavigationStarted(event))
        return true;
    if (!isShownBy(event))
        return false;
    playCueNamed("MapMusic", true);
    m_hqConfig.reset(new HQConfiguration());
    if (CRefHandle<CXmlStreamReader> reader = openXml(u"scenes/HQConfig.xml"))
        m_hqConfig->readFromXml(*reader);
    for (HQConfigItem& item : m_hqConfig->getItems())
        for (HQConfigEntry& entry : item.entries) {
            entry.part = m_upgradesNode ? m_upgradesNode->findChild(entry.name, 1) : nullptr;
            entry.flashing = isBuyableInOpenChain(entry.name);
        }
    m_flashCountdown = 0;
    m_flashGroupIndex = 0;
    m_hoveredCount = 0;
    for (bool& flag : m_hoverFlags)
        flag = false;
    m_selectedPart = nullptr;
    refreshPartStates();
    const CProfileParameters* player = currentPlayer();
    if (player && player->getBool("ShowTutorialOn") && player->getBool("ShowTutorialHQ1"))
        startTutorial(1);
    return false;
}

bool GHeadquartersScene::onNavigationFinished(CEventSceneChangeFinished* event) {
    if (GBaseSceneNode::onNavigationFinished(event))
        return true;
    if (isShownBy(event)) {
        if (m_runningTutorial)
            m_runningTutorial->start(0);
        return true;
    }
    if (event->getFromScene() == this) {
        finishTutorial();
        return true;
    }
    return false;
}

void GHeadquartersScene::refreshPartStates() {
    if (!m_upgradesNode)
        return;
    const char* resting = isChain1Open() ? "up0" : isChain2Open() ? "up1" : "up2";
    for (BaseNode* part : m_upgradesNode->getChildren())
        setPartState(part, resting);
    if (isChain1Open()) {
        for (CName name : m_boughtChain1)
            setPartState(m_upgradesNode->findChild(name, 1), "up0_AlreadyBought");
    } else if (isChain2Open()) {
        for (CName name : m_boughtChain2)
            setPartState(m_upgradesNode->findChild(name, 1), "up1_AlreadyBought");
    }
}

bool GHeadquartersScene::routeToChildren(int phase, CEvent* event) {
    if (event && event->isKindOf(CEvent::KindInput) && runPreHandlers(event))
        return true;
    if (event && event->getType() == CEventMouseMove::TypeId)
        trackHover(static_cast<const CEventMouse*>(event));
    else if (event && event->getType() == CEventMouseLeftDown::TypeId)
        (void)buySelected(static_cast<const CEventMouse*>(event));
    return GBaseSceneNode::routeToChildren(phase, event);
}

void GHeadquartersScene::trackHover(const CEventMouse* event) {
    const CVector3d point(float(event->getX()), float(event->getY()), 0.0f);
    const uint32_t count = std::min(m_hitAreas.size(), MaxTrackedParts);
    for (uint32_t i = 0; i < count; ++i) {
        BaseNode* area = m_hitAreas[i];
        const bool inside = area->isPointInside(point) && m_pointsLeft > 0;
        if (inside && m_hoveredCount == 0 && !m_hoverFlags[i]) {
            hoverEnter(area->getParent());
            ++m_hoveredCount;
            m_hoverFlags[i] = true;
        } else if (!inside && m_hoverFlags[i]) {
            hoverLeave(area->getParent());
            --m_hoveredCount;
            m_hoverFlags[i] = false;
        }
    }
}

void GHeadquartersScene::hoverEnter(BaseNode* part) {
    m_selectedPart = nullptr;
    if (!part || !part->getParent() || part->getParent()->getName() != CName("Upgrades") || m_pointsLeft == 0)
        return;
    const CName name = part->getName();
    if (m_runningTutorial) {
        if (name != m_tutorialPartName || !isChain1Open())
            return;
        if (contains(m_boughtChain1, name)) {
            setPartState(part, "up0_AlreadyBought");
            return;
        }
        playCueNamed("ButtonOver", false);
        setPartState(part, "up0_CanBeBuySelected");
        m_selectedPart = part;
    } else if (isChain1Open()) {
        if (contains(m_boughtChain1, name)) {
            setPartState(part, "up0_AlreadyBought");
            return;
        }
        setPartState(part, "up0_CanBeBuySelected");
        m_selectedPart = part;
        playCueNamed("ButtonOver", false);
    } else if (isChain2Open()) {
        if (contains(m_boughtChain2, name)) {
            setPartState(part, "up1_AlreadyBought");
            return;
        }
        setPartState(part, "up1_CanBeBuySelected");
        m_selectedPart = part;
        playCueNamed("ButtonOver", false);
    } else {
        setPartState(part, "up2");
        playCueNamed("ButtonOver", false);
    }
}

void GHeadquartersScene::hoverLeave(BaseNode* part) {
    m_selectedPart = nullptr;
    if (!part)
        return;
    const CName name = part->getName();
    if (m_runningTutorial && m_pointsLeft > 0) {
        if (!isChain1Open())
            return;
        if (name == m_tutorialPartName)
            setPartState(part, contains(m_boughtChain1, name) ? "up0_AlreadyBought" : "up0_CanBeBuy");
        else
            setPartState(part, "up0");
    } else if (isChain1Open()) {
        setPartState(part, contains(m_boughtChain1, name) ? "up0_AlreadyBought" : "up0_CanBeBuy");
    } else if (isChain2Open()) {
        setPartState(part, contains(m_boughtChain2, name) ? "up1_AlreadyBought" : "up1_CanBeBuy");
    } else {
        setPartState(part, "up2");
    }
}

bool GHeadquartersScene::buySelected(const CEventMouse* event) {
    CProfileParameters* player = currentPlayer();
    if (!player || !m_selectedPart || m_pointsLeft == 0)
        return false;
    const CName name = m_selectedPart->getName();
    auto buy = [&](CArray<CName>& chain, const char* key, const char* state) {
        chain.push_back(name);
        player->setStringW(key, joinNameIds(chain));
        setPartState(m_selectedPart, state);
        --m_pointsLeft;
        m_hqConfig->clearFlashing(name);
    };
    if (m_runningTutorial && isChain1Open()) {
        if (name != m_tutorialPartName)
            return false;
        buy(m_boughtChain1, "Upgrades1", "up0_Buy");
    } else if (isChain1Open()) {
        buy(m_boughtChain1, "Upgrades1", "up0_Buy");
        if (!isChain1Open())
            m_hqConfig->setAllFlashing();
    } else if (isChain2Open()) {
        buy(m_boughtChain2, "Upgrades2", "up1_Buy");
    } else {
        return false;
    }
    showPoints();
    showRays(event);
    m_selectedPart = nullptr;
    playCueNamed("HQPartBuy", false);
    const uint32_t n = m_partCount;
    if (m_boughtChain2.size() == n)
        m_pendingTutorial = 3;
    else if (m_boughtChain1.size() == n && m_boughtChain2.empty())
        m_pendingTutorial = 2;
    if (m_boughtChain1.size() >= n && m_boughtChain2.size() >= n && computePoints() == 0)
        player->setBool("HQCompleted", true);
    (void)player->save();
    // The click goes on to the controls.
    return false;
}

void GHeadquartersScene::showRays(const CEventMouse* event) {
    SceneManager* manager = getSceneManager();
    TemplateCollectionNode* templates = manager ? manager->getTemplateCollection() : nullptr;
    BaseNode* rays = templates ? templates->findTemplate(CName("HQRays")) : nullptr;
    if (!rays)
        return;
    // The copy is this screen's to keep.
    BaseNode* copy = rays->clone(this, manager);
    if (!copy)
        return;
    copy->setVisible(true);
    CVector3d point(float(event->getX()), float(event->getY()), 0.0f);
    inverseOrZero(getAbsoluteTransformation()).transformPoint(point);
    point.z = copy->getPosition().z;
    copy->setPosition(point);
    copy->setState(CName("Anim"), nullptr, CName());
}

bool GHeadquartersScene::update(uint32_t elapsed) {
    (void)GBaseSceneNode::update(elapsed);
    CArray<HQConfigItem>& items = m_hqConfig->getItems();
    if (!items.empty() && m_pointsLeft > 0) {
        m_flashCountdown -= int32_t(elapsed);
        if (m_flashCountdown <= 0) {
            if (m_flashGroupIndex >= items.size())
                m_flashGroupIndex = 0;
            HQConfigItem& item = items[m_flashGroupIndex];
            const char* state = isChain1Open() ? "up0_Select" : isChain2Open() ? "up1_Select" : nullptr;
            for (const HQConfigEntry& entry : item.entries) {
                if (!entry.part || !entry.flashing || !state)
                    continue;
                if (m_selectedPart && entry.name == m_selectedPart->getName())
                    continue;
                // A tutorial lets only its own part flash, and that one only
                // while chain 1 is open.
                if (m_runningTutorial && (entry.name != m_tutorialPartName || !isChain1Open()))
                    continue;
                setPartState(entry.part, state);
            }
            m_flashCountdown += item.timeDelay;
            ++m_flashGroupIndex;
        }
    }
    if (m_runningTutorial && !m_runningTutorial->update(elapsed))
        finishTutorial();
    return true;
}

void GHeadquartersScene::startTutorial(int32_t number) {
    finishTutorial();
    CProfileParameters* player = currentPlayer();
    BaseNode* scene = findChild(CName("Scene"), 1);
    if (!player || !scene)
        return;
    m_tutorialFlagName = CString();
    if (number < 1 || number > 3 || !player->getBool(kFlags[number - 1]))
        return;
    CRefHandle<CXmlStreamReader> reader = openXml(kFiles[number - 1]);
    m_tutorialFlagName = CString(kFlags[number - 1]);
    GGameApplication* game = GGameApplication::instance();
    if (!reader || !game)
        return;
    SceneManager* manager = game->getSceneManager();
    m_runningTutorial.reset(new GTutorialController(scene, manager ? manager->getTemplateCollection() : nullptr,
                                                    game->getContentManager()));
    m_runningTutorial->load(*reader, nullptr);
    m_runningTutorial->setSkipButtonShown(false);
    m_runningTutorial->setVoiceOn(true);
    addPreHandler(m_runningTutorial.get());
    m_runningTutorial->start(0);
    if (m_backButton)
        m_backButton->setVisible(false);
}

void GHeadquartersScene::finishTutorial() {
    if (m_runningTutorial) {
        removePreHandler(m_runningTutorial.get());
        m_runningTutorial->close();
        m_runningTutorial.reset();
    }
    if (m_backButton)
        m_backButton->setVisible(true);
    if (m_tutorialFlagName.empty())
        return;
    if (CProfileParameters* player = currentPlayer()) {
        player->setBool(m_tutorialFlagName, false);
        (void)player->save();
    }
    m_tutorialFlagName = CString();
}

bool GHeadquartersScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    CProfileParameters* player = currentPlayer();
    if (m_pendingTutorial != 0) {
        const int32_t pending = m_pendingTutorial;
        m_pendingTutorial = 0;
        if (player && player->getBool("ShowTutorialOn"))
            startTutorial(pending);
    }
    const ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (!control)
        return false;
    if (control->getName() == CName("BackButton")) {
        leave();
    } else if (control->getName() == CName("SkipTutorialButton") && m_runningTutorial) {
        m_runningTutorial->requestSkip();
        if (player)
            player->setBool("ShowTutorialOn", false);
    }
    return false;
}

void GHeadquartersScene::leave() {
    if (!currentPlayer())
        return;
    finishTutorial();
    SceneNode* below = getSceneBelow();
    if (below && below->isKindOf(GMapScene::TypeId))
        (void)navigateBack(0, CName("NavBackFrom"), CName("NavBackTo"));
    else
        (void)goToIntro(IntroMap, CStringW(), 0);
}

bool GHeadquartersScene::onKeyUp(CEventKeyUp* event) {
    if (m_runningTutorial)
        return false;
    const int32_t key = event->getKeyCode();
    if (key == kKeyEsc) {
        leave();
        return true;
    }
    if (GGameApplication::isDeveloperMode()) {
        CProfileParameters* player = currentPlayer();
        switch (key) {
        case 'R':
            if (!player)
                break;
            player->setStringW("Upgrades1", CStringW());
            player->setStringW("Upgrades2", CStringW());
            (void)player->save();
            m_boughtChain1.clear();
            m_boughtChain2.clear();
            m_pointsLeft = computePoints();
            showPoints();
            if (m_upgradesNode)
                m_upgradesNode->setState(CName("Hide"), nullptr, CName());
            refreshPartStates();
            m_hqConfig->setAllFlashing();
            return true;
        case 'I':
            ++m_pointsLeft;
            showPoints();
            break;
        case 'A':
            m_pointsLeft += 30;
            showPoints();
            break;
        case 'T':
            if (player) {
                for (const char* flag : kFlags)
                    player->setBool(flag, true);
                (void)player->save();
            }
            break;
        case '1':
        case '2':
        case '3':
            if (player)
                player->setBool(kFlags[key - '1'], true);
            startTutorial(key - '0');
            break;
        default:
            break;
        }
    }
    return GBaseSceneNode::onKeyUp(event);
}
