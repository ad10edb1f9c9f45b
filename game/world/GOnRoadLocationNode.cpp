#include "game/world/GOnRoadLocationNode.h"

#include "engine/core/CEngine.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CString.h"
#include "engine/core/CVector2di.h"
#include "engine/core/ICursorControl.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyDataStringW.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/KeyFrame.h"
#include "engine/scene/PropertyValues.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundCue.h"
#include "game/config/GGameMessage.h"
#include "game/config/GWorldMessages.h"
#include "game/config/IGameLevel.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/world/GDilizhansNode.h"
#include "game/world/GGertrudaNode.h"
#include "game/world/GHeadquartersOperations.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GPathFinder.h"
#include "game/world/GWorkerNode.h"

#include <utility>

namespace {

constexpr int32_t kSoundFadeOutMs = 300;

#define LOCATION_NAME(function, text)                                                                                  \
    CName function() {                                                                                                 \
        static const CName id(text);                                                                                   \
        return id;                                                                                                     \
    }
LOCATION_NAME(buildingState, "Building")
LOCATION_NAME(builtState, "Built")
LOCATION_NAME(progressBarName, "ProgressBar")
LOCATION_NAME(unwalkableRectName, "UnwalkableRect")
LOCATION_NAME(firstOnRoadOffState, "FirstOnRoadOff")
LOCATION_NAME(impendingOffState, "ImpendingOff")
LOCATION_NAME(disableHoverState, "DisableHover")
LOCATION_NAME(normalHoverState, "NormalHover")
LOCATION_NAME(normalKillHoverState, "NormalKillHover")
LOCATION_NAME(buttonClickCue, "ButtonClick")
LOCATION_NAME(buttonMissedCue, "ButtonMissed")
LOCATION_NAME(selectedState, "Selected")
LOCATION_NAME(normalState, "Normal")
LOCATION_NAME(appearState, "Appear")
LOCATION_NAME(impendingState, "Impending")
LOCATION_NAME(firstOnRoadState, "FirstOnRoad")
LOCATION_NAME(hitAreaName, "HitArea")
#undef LOCATION_NAME

void applyState(BaseNode* node, CName state) {
    if (node)
        node->applyStateRecursive(state, nullptr);
}

CSoundCueManager* soundCues() {
    CEngine* engine = findEngineInstance();
    return engine ? engine->getSoundCueManager() : nullptr;
}

// The grid row or column of a scene coordinate, cut toward zero as the
// level's cell mapping does.
int32_t cellIndex(float offset, float size) { return size > 0.0f ? int32_t(offset / size) : 0; }

} // namespace

CArray<CName> splitNames(const CStringW& text) {
    CArray<CName> names;
    for (CString& piece : CString(text).splitString(';')) {
        piece.trim();
        if (piece.length() > 0)
            names.push_back(CName(piece));
    }
    return names;
}

GOnRoadLocationNode::GOnRoadLocationNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBuildingNode(contentName, parent, sceneManager), m_buildingStateName(buildingState()),
      m_builtStateName(builtState()) {
    // No task kind 0: the building's feature and random-resource steps,
    // which need it, do not run for a location.
    setTask(-1, nullptr);
}

// The sound instance is let go without stopping it.
GOnRoadLocationNode::~GOnRoadLocationNode() = default;

BaseNode* GOnRoadLocationNode::create(const CObjectName& name) {
    return new GOnRoadLocationNode(name, nullptr, nullptr);
}

const CStringW& GOnRoadLocationNode::getTypeName() const {
    static const CStringW name(u"GOnRoadLocationNode");
    return name;
}

const CStringW& GOnRoadLocationNode::getClassName() const { return GOnRoadLocationNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& GOnRoadLocationNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GOnRoadLocationNode::propertyTable() {
    using L = GOnRoadLocationNode;
    static const CPropertyTable table = [] {
        CPropertyTable t(GBuildingNode::propertyTable());
        t.add<&L::setIntProperty<&L::m_buildMaterials>, &L::getIntProperty<&L::m_buildMaterials>>("BuildMaterials");
        t.add<&L::setIntProperty<&L::m_buildGold>, &L::getIntProperty<&L::m_buildGold>>("BuildGold");
        t.add<&L::setIntProperty<&L::m_buildMoney>, &L::getIntProperty<&L::m_buildMoney>>("BuildMoney");
        t.add<&L::setIntProperty<&L::m_buildWorkers>, &L::getIntProperty<&L::m_buildWorkers>>("BuildWorkers");
        t.add<&L::setTextProperty<&L::m_buildQuest>, &L::getTextProperty<&L::m_buildQuest>>("BuildQuest");
        t.add<&L::setStoreProperty<&nameIdMaterials>, &L::getStoreProperty<&nameIdMaterials>>("Materials");
        t.add<&L::setStoreProperty<&nameIdGold>, &L::getStoreProperty<&nameIdGold>>("Gold");
        t.add<&L::setStoreProperty<&nameIdMoney>, &L::getStoreProperty<&nameIdMoney>>("Money");
        t.add<&L::setIntProperty<&L::m_workersYield>, &L::getIntProperty<&L::m_workersYield>>("Workers");
        t.add<&L::setTextProperty<&L::m_quest>, &L::getTextProperty<&L::m_quest>>("Quest");
        t.add<&L::setTextProperty<&L::m_questCharacterText>, &L::getTextProperty<&L::m_questCharacterText>>(
            "QuestCharacterText");
        t.add<&L::setIntProperty<&L::m_questCharacterTime>, &L::getIntProperty<&L::m_questCharacterTime>>(
            "QuestCharacterTime");
        t.add<&L::setNameProperty<&L::m_buildingStateName>, &L::getNameProperty<&L::m_buildingStateName>>(
            "BuildingStateName");
        t.add<&L::setNameProperty<&L::m_builtStateName>, &L::getNameProperty<&L::m_builtStateName>>("BuiltStateName");
        t.add<&L::setIntProperty<&L::m_lockTimeOnAppear>, &L::getIntProperty<&L::m_lockTimeOnAppear>>(
            "LockTimeOnAppear");
        t.add<&L::setTextProperty<&L::m_firstTutorialFileName>, &L::getTextProperty<&L::m_firstTutorialFileName>>(
            "FirstTutorialFileName");
        t.add<&L::setTextProperty<&L::m_tutorialFileName>, &L::getTextProperty<&L::m_tutorialFileName>>(
            "TutorialFileName");
        return t;
    }();
    return table;
}

template <int GOnRoadLocationNode::*Field>
void GOnRoadLocationNode::setIntProperty(const CRefHandle<IPropertyData>& value) {
    this->*Field = getPropertyInt(value);
}
template <int GOnRoadLocationNode::*Field> CRefHandle<IPropertyData> GOnRoadLocationNode::getIntProperty() const {
    return CPropertyDataInt::create(this->*Field);
}
template <CStringW GOnRoadLocationNode::*Field>
void GOnRoadLocationNode::setTextProperty(const CRefHandle<IPropertyData>& value) {
    this->*Field = getPropertyStringW(value);
}
template <CStringW GOnRoadLocationNode::*Field> CRefHandle<IPropertyData> GOnRoadLocationNode::getTextProperty() const {
    return CPropertyDataStringW::create(this->*Field);
}
template <CName GOnRoadLocationNode::*Field>
void GOnRoadLocationNode::setNameProperty(const CRefHandle<IPropertyData>& value) {
    this->*Field = getPropertyNameId(value);
}
template <CName GOnRoadLocationNode::*Field> CRefHandle<IPropertyData> GOnRoadLocationNode::getNameProperty() const {
    return CPropertyDataString::createFromNameId(this->*Field);
}
template <CName (*Resource)()> void GOnRoadLocationNode::setStoreProperty(const CRefHandle<IPropertyData>& value) {
    setStoreAmount(Resource(), getPropertyInt(value));
}
template <CName (*Resource)()> CRefHandle<IPropertyData> GOnRoadLocationNode::getStoreProperty() const {
    return CPropertyDataInt::create(getResource(Resource()));
}

void GOnRoadLocationNode::setStoreAmount(CName resource, int amount) {
    // Through a map, so that no difference of two amounts can overflow.
    GResourceMap store;
    takeResources(store);
    store[resource] = amount;
    addResources(store);
}

void GOnRoadLocationNode::writeProperties(CPropertyBag& bag) const {
    GBuildingNode::writeProperties(bag);
    const struct {
        const char* key;
        CName resource;
    } stored[] = {{"Materials", nameIdMaterials()}, {"Gold", nameIdGold()}, {"Money", nameIdMoney()}};
    for (const auto& s : stored) {
        if (getResource(s.resource) > 0)
            bag.setInt(s.key, getResource(s.resource));
    }
    if (m_workersYield > 0)
        bag.setInt("Workers", m_workersYield);
    if (m_quest.length() > 0)
        bag.setStringW("Quest", m_quest);
    const struct {
        const char* key;
        int value;
    } overrides[] = {{"BuildMaterials", m_buildMaterials}, {"BuildGold", m_buildGold}, {"BuildMoney", m_buildMoney}};
    for (const auto& o : overrides) {
        if (o.value >= 0)
            bag.setInt(o.key, o.value);
    }
    if (m_buildWorkers > 0)
        bag.setInt("BuildWorkers", m_buildWorkers);
    if (m_buildQuest.length() > 0)
        bag.setStringW("BuildQuest", m_buildQuest);
    if (m_questCharacterText.length() > 0)
        bag.setStringW("QuestCharacterText", m_questCharacterText);
    if (m_questCharacterTime > 0 && m_questCharacterTime != DefaultQuestCharacterTime)
        bag.setInt("QuestCharacterTime", m_questCharacterTime);
    if (m_buildingStateName != CName() && m_buildingStateName != buildingState())
        bag.setString("BuildingStateName", m_buildingStateName.str());
    if (m_builtStateName != CName() && m_builtStateName != builtState())
        bag.setString("BuiltStateName", m_builtStateName.str());
    if (m_lockTimeOnAppear >= 0 && m_lockTimeOnAppear != DefaultLockTimeOnAppear)
        bag.setInt("LockTimeOnAppear", m_lockTimeOnAppear);
    if (m_firstTutorialFileName.length() > 0)
        bag.setStringW("FirstTutorialFileName", m_firstTutorialFileName);
    if (m_tutorialFileName.length() > 0)
        bag.setStringW("TutorialFileName", m_tutorialFileName);
}

void GOnRoadLocationNode::readProperties(const CPropertyBag& bag) {
    GBuildingNode::readProperties(bag);
    const auto has = [&bag](const char* key) { return bag.indexOf(key) >= 0; };
    const auto readInt = [&](const char* key, int& field) {
        if (has(key))
            field = getPropertyInt(bag.get(key));
    };
    const auto readText = [&](const char* key, CStringW& field) {
        if (has(key))
            field = getPropertyStringW(bag.get(key));
    };
    const auto readName = [&](const char* key, CName& field, CName fallback) {
        if (has(key))
            field = getPropertyNameId(bag.get(key));
        if (field == CName())
            field = fallback;
    };

    for (const auto& [key, resource] : {std::pair{"Materials", nameIdMaterials()}, std::pair{"Gold", nameIdGold()},
                                        std::pair{"Money", nameIdMoney()}}) {
        if (has(key))
            setStoreAmount(resource, getPropertyInt(bag.get(key)));
    }
    if (has("Workers")) {
        m_workersYield = getPropertyInt(bag.get("Workers"));
        addResource(nameIdWorkers(), m_workersYield);
    }
    readText("Quest", m_quest);
    for (const CName item : splitNames(m_quest))
        addResource(item, 1);
    readInt("BuildMaterials", m_buildMaterials);
    readInt("BuildGold", m_buildGold);
    readInt("BuildMoney", m_buildMoney);
    readInt("BuildWorkers", m_buildWorkers);
    readText("BuildQuest", m_buildQuest);
    m_questNames = splitNames(m_buildQuest);
    readText("QuestCharacterText", m_questCharacterText);
    readInt("QuestCharacterTime", m_questCharacterTime);
    readName("BuildingStateName", m_buildingStateName, buildingState());
    readName("BuiltStateName", m_builtStateName, builtState());
    readInt("LockTimeOnAppear", m_lockTimeOnAppear);
    readText("FirstTutorialFileName", m_firstTutorialFileName);
    readText("TutorialFileName", m_tutorialFileName);
}

// ---------------------------------------------------------------------------
// Copying and the template

BaseNode* GOnRoadLocationNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GOnRoadLocationNode>(parent, sceneManager);
}

void GOnRoadLocationNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBuildingNode::copyFrom(source, sceneManager);
    const GOnRoadLocationNode* location = nodeCast<GOnRoadLocationNode>(source);
    if (!location || location == this)
        return;
    m_workersYield = location->m_workersYield;
    m_buildMaterials = location->m_buildMaterials;
    m_buildGold = location->m_buildGold;
    m_buildMoney = location->m_buildMoney;
    m_buildWorkers = location->m_buildWorkers;
    m_questNames = location->m_questNames;
    m_buildQuest = location->m_buildQuest;
    m_quest = location->m_quest;
    m_questCharacterText = location->m_questCharacterText;
    m_questCharacterTime = location->m_questCharacterTime;
    m_buildingStateName = location->m_buildingStateName;
    m_builtStateName = location->m_builtStateName;
    m_lockTimeOnAppear = location->m_lockTimeOnAppear;
    m_firstTutorialFileName = location->m_firstTutorialFileName;
    m_tutorialFileName = location->m_tutorialFileName;
}

void GOnRoadLocationNode::onDescendantRemoved(BaseNode* node) {
    GBuildingNode::onDescendantRemoved(node);
    if (m_progressBar && (m_progressBar == node || node->isAncestorOf(m_progressBar)))
        m_progressBar = nullptr;
}

void GOnRoadLocationNode::applyTemplate() {
    m_progressBar = nullptr;
    if (!getSceneManager<BaseNode>() || m_workState == Done)
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    GBuildingNode::applyTemplate();
    bindProgressBar();
    takeUnwalkableRects();
    m_firstOnRoad = false;
    m_impending = false;
    applyState(this, firstOnRoadOffState());
    applyState(this, impendingOffState());
}

void GOnRoadLocationNode::bindProgressBar() {
    m_progressBar = nodeCast<GProgressBarWithSignNode>(findChild(progressBarName(), 1));
    if (!m_progressBar) {
        const BaseNode* root = getTemplateRoot();
        m_progressBar = nodeCast<GProgressBarWithSignNode>((root ? root : this)->findChild(progressBarName(), 1));
    }
    if (!m_progressBar)
        return;
    m_progressBar->setMinValue(0.0f);
    m_progressBar->setMaxValue(1.0f);
    m_progressBar->setVisible(false);
}

void GOnRoadLocationNode::takeUnwalkableRects() {
    m_unwalkableRects.clear();
    const CVector3d& at = getPosition();
    const CVector2d& pivot = getPivotPoint();
    const float left = at.x - pivot.x;
    const float top = at.y - pivot.y;
    for (const BaseNode* child : getChildren()) {
        if (child->getName() != unwalkableRectName())
            continue;
        const float x = left + child->getPosition().x - child->getPivotPoint().x;
        const float y = top + child->getPosition().y - child->getPivotPoint().y;
        m_unwalkableRects.push_back(CRect(x, y, x + child->getBounds().x, y + child->getBounds().y));
    }
    if (m_unwalkableRects.empty())
        m_unwalkableRects.push_back(CRect(left, top, left + getBounds().x, top + getBounds().y));
}

void GOnRoadLocationNode::setCellCosts(GPathFinder& finder, const GGridPlacement& grid, uint8_t cost) const {
    const float w = grid.cellSize.x;
    const float h = grid.cellSize.y;
    for (const CRect& rect : m_unwalkableRects) {
        const int32_t firstRow = cellIndex(rect.top - grid.origin.y, h);
        const int32_t lastRow = cellIndex(rect.bottom - grid.origin.y, h);
        for (int32_t row = firstRow; row <= lastRow; ++row) {
            const float shift = grid.rowShift * float(row);
            const int32_t firstColumn = cellIndex(rect.left - grid.origin.x - shift, w);
            const int32_t lastColumn = cellIndex(rect.right - grid.origin.x - shift, w);
            // setCost passes over cells outside the grid.
            for (int32_t column = firstColumn; column <= lastColumn; ++column)
                finder.setCost(column, row, cost);
        }
    }
}

// ---------------------------------------------------------------------------
// Costs, hover and sound

void GOnRoadLocationNode::getBuildCost(GResourceMap& cost, const GBuildingConfig* type) const {
    GBuildingNode::getBuildCost(cost, type);
    if (m_buildMaterials >= 0)
        cost[nameIdMaterials()] = m_buildMaterials;
    if (m_buildGold >= 0)
        cost[nameIdGold()] = m_buildGold;
    if (m_buildMoney >= 0)
        cost[nameIdMoney()] = m_buildMoney;
    if (m_questNames.empty())
        return;
    GResourceMap items;
    for (const CName item : m_questNames)
        ++items[item];
    for (const auto& entry : items)
        cost[entry.key] = entry.value;
}

int GOnRoadLocationNode::getBuildWorkers(const GBuildingConfig* type) const {
    return m_buildWorkers > 0 ? m_buildWorkers : GBuildingNode::getBuildWorkers(type);
}

bool GOnRoadLocationNode::canBeBuilt() const {
    const GMajorOfficeNode* hq = headquarters();
    return hq && canBuild(*hq, this, getType());
}

void GOnRoadLocationNode::onHoverChanged() {
    IGameLevel* level = getLevelScene();
    if ((level && level->isLevelPaused()) || m_workState != Available)
        return;
    if (!isHovered())
        setHoverState(normalKillHoverState());
    else
        setHoverState(isReachable() && canBeBuilt() ? normalHoverState() : disableHoverState());
}

void GOnRoadLocationNode::setHoverState(CName state) {
    if (state == m_lastHoverState)
        return;
    applyState(this, state);
    m_lastHoverState = state;
}

CName GOnRoadLocationNode::getSoundCueName() const {
    const GBuildingConfig* type = getType();
    if (!type)
        return CName();
    switch (m_workState) {
    case Available:
        if (canBeBuilt())
            return buttonClickCue();
        return type->SelectedSoundCueName != CName() ? type->SelectedSoundCueName : buttonMissedCue();
    case WaitingWorkers:
        return CName();
    default:
        return type->SelectedSoundCueName != CName() ? type->SelectedSoundCueName : type->BuiltSoundCueName;
    }
}

SoundCue* GOnRoadLocationNode::playSound() {
    const CName cue = getSoundCueName();
    if (m_sound && m_sound->getState() != 0 && m_sound->getName() == cue)
        return m_sound.get();
    stopSound();
    CSoundCueManager* cues = soundCues();
    if (cues && cue != CName())
        m_sound = CRefHandle<SoundCue>::share(cues->play(cue, false, 0));
    return m_sound.get();
}

void GOnRoadLocationNode::stopSound() {
    if (!m_sound)
        return;
    const CRefHandle<SoundCue> sound = std::move(m_sound);
    m_sound.reset();
    static_cast<void>(sound->stop(kSoundFadeOutMs));
}

// ---------------------------------------------------------------------------
// The work cycle

GMajorOfficeNode* GOnRoadLocationNode::headquarters() const {
    IGameLevel* level = getLevelScene();
    return level ? nodeCast<GMajorOfficeNode>(level->getHeadquarters()) : nullptr;
}

bool GOnRoadLocationNode::update(uint32_t elapsed) {
    static_cast<void>(GBuildingNode::update(elapsed));
    const int step = elapsed > 1000000u ? 1000000 : int(elapsed);
    switch (m_workState) {
    case Appearing:
        m_appearTimer = addAmounts(m_appearTimer, step);
        if (m_appearTimer > m_lockTimeOnAppear) {
            m_workState = Available;
            makeHittable();
            setCanBeHit(true);
            setFirstOnRoad(isReachable());
            refreshPointerHover();
        }
        break;
    case WaitingWorkers:
        if (getWorkersCount() >= m_workersNeeded) {
            m_workState = Working;
            applyState(this, m_buildingStateName);
            static_cast<void>(playSound());
        }
        break;
    case Working:
        m_elapsedWorkTime = addAmounts(m_elapsedWorkTime, step);
        if (m_progressBar && m_workDuration != 0) {
            m_progressBar->setValue(float(m_elapsedWorkTime) / float(m_workDuration));
            m_progressBar->setVisible(true);
        }
        if (m_elapsedWorkTime > m_workDuration) {
            m_workState = Finishing;
            if (m_progressBar)
                m_progressBar->setVisible(false);
        }
        break;
    case Finishing:
        finishWork();
        break;
    case WaitingGuide:
        if (int(getGuides().size()) >= m_workersNeeded) {
            if (m_materialsBrought) {
                m_workState = Working;
                applyState(this, m_buildingStateName);
            } else {
                m_workState = GuideVisit;
            }
        }
        break;
    case GuideVisit:
        m_elapsedWorkTime = addAmounts(m_elapsedWorkTime, step);
        if (m_elapsedWorkTime > m_workDuration)
            m_workState = GuideLeaves;
        break;
    case GuideLeaves:
        m_workState = Available;
        setTimeSinceWorkerLeft(1000);
        releaseWorkers(false);
        break;
    default:
        break;
    }
    return true;
}

void GOnRoadLocationNode::finishWork() {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    setEnabled(false);
    setCanBeHit(false);
    // The ring the work showed round it goes with it.
    applyState(this, firstOnRoadOffState());
    applyState(this, m_builtStateName);
    setTask(TaskNone, nullptr);
    m_workState = Done;
    setTimeSinceWorkerLeft(1000);
    addWorkers(m_workersYield);
    releaseWorkers(false);
    if (IGameLevel* level = getLevelScene()) {
        const CRefHandle<GOnRoadLocationDoneMessage> message(new GOnRoadLocationDoneMessage(this, getType(), m_reward));
        static_cast<void>(sendToLevel(level->getLevelReceiver(), message.get()));
    }
    const GBuildingConfig* type = getType();
    if (!type || type->SelectedSoundCueName == CName())
        stopSound();
}

void GOnRoadLocationNode::refreshPointerHover() {
    CEngine* engine = findEngineInstance();
    const ICursorControl* cursor = engine ? engine->getCursorControl() : nullptr;
    if (!cursor)
        return;
    const CVector2di at = cursor->getPosition();
    const CRefHandle<CEventMouseMove> away(new CEventMouseMove(at.x - 100, at.y - 100));
    static_cast<void>(engine->postEvent(away.get()));
    const CRefHandle<CEventMouseMove> back(new CEventMouseMove(at.x, at.y));
    static_cast<void>(engine->postEvent(back.get()));
}

void GOnRoadLocationNode::startWork() {
    if (m_workState != Available || !isReachable())
        return;
    m_workersNeeded = getBuildWorkers();
    GResourceMap cost;
    getBuildCost(cost);
    GMajorOfficeNode* hq = headquarters();
    if (!hq || m_workersNeeded < 0 || !hq->dispatchWorkers(this, cost, uint32_t(m_workersNeeded)))
        return;
    m_elapsedWorkTime = 0;
    m_workDuration = getType() ? getType()->Build.Time : 0;
    setWorkDuration(m_workDuration);
    setImpending(false);
    setFirstOnRoad(false);
    applyState(this, selectedState());
    m_workState = WaitingWorkers;
    m_reward = getResources();
}

void GOnRoadLocationNode::startTakeMaterials() {
    if (m_workState != Available || !isReachable())
        return;
    m_workersNeeded = 1;
    GResourceMap cost;
    getBuildCost(cost);
    GMajorOfficeNode* hq = headquarters();
    if (!hq || !hq->sendGuide(this, cost))
        return;
    m_elapsedWorkTime = 0;
    m_workDuration = getType() ? getType()->Build.Time : 0;
    setImpending(false);
    applyState(this, normalState());
    m_workState = WaitingGuide;
    m_reward = getResources();
    m_guideSent = true;
}

void GOnRoadLocationNode::setImpending(bool impending) {
    if (impending == m_impending)
        return;
    m_impending = impending;
    applyState(this, impending ? impendingState() : impendingOffState());
}

void GOnRoadLocationNode::setFirstOnRoad(bool firstOnRoad) {
    // A cleared place is no longer in the way.
    firstOnRoad = firstOnRoad && m_workState != Done;
    if (firstOnRoad == m_firstOnRoad)
        return;
    m_firstOnRoad = firstOnRoad;
    applyState(this, firstOnRoad ? firstOnRoadState() : firstOnRoadOffState());
}

void GOnRoadLocationNode::showNormal() { applyState(this, normalState()); }

void GOnRoadLocationNode::startAppear() {
    applyState(this, appearState());
    if (m_workState == Available) {
        m_workState = Appearing;
        m_appearTimer = 0;
    }
}

void GOnRoadLocationNode::makeHittable() {
    if (const ControlNode* root = getTemplateRoot()) {
        for (BaseNode* node = root->findChild(hitAreaName(), 0); node && !node->isKindOf(TypeId);
             node = node->getParent())
            node->setCanBeHit(true);
    }
    setCanBeHit(true);
}

void GOnRoadLocationNode::setWorkDuration(int ms) {
    const ControlNode* root = getTemplateRoot();
    if (!root)
        return;
    for (const BaseNode* child : root->getChildren()) {
        const CNodeState* state = child->findState(m_buildingStateName);
        if (!state)
            continue;
        for (Animator* key : state->getKeys()) {
            auto* frames = key && key->isKindOf(KeyFrame::TypeId) ? static_cast<KeyFrame*>(key) : nullptr;
            if (frames && frames->getKeys().size() == 2)
                frames->setKeyTime(1, ms);
        }
    }
}

void GOnRoadLocationNode::addWorkers(int count) {
    IGameLevel* level = getLevelScene();
    GMajorOfficeNode* hq = headquarters();
    if (count <= 0 || !level || getWorkers().empty())
        return;
    for (int i = 0; i < count; ++i) {
        BaseNode* first = getWorkers()[0];
        BaseNode* parent = first->getParent();
        // With a parent the clone belongs to it; without one it would have
        // no owner, and a walker outside the level is of no use.
        if (!parent)
            return;
        auto* worker = nodeCast<GWorkerNode>(first->clone(parent, first->getSceneManager<BaseNode>()));
        if (!worker)
            continue;
        worker->setLevelScene(level);
        worker->clearResources();
        workersPresent().push_back(worker);
        if (hq)
            hq->addWorker(worker);
    }
}

void GOnRoadLocationNode::handOverStore(GObjectNode* walker) {
    GResourceMap held;
    takeResources(held);
    walker->clearResources();
    walker->addResources(held);
}

void GOnRoadLocationNode::onWorkerArrived(BaseNode* walker) {
    // Only an expected walker arrives (the building ignores others).
    if (!walker || getIncomingWorkers().indexOf(walker) < 0)
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    if (auto* coach = nodeCast<GDilizhansNode>(walker)) {
        const CArray<GWorkerNode*> riders = coach->getPassengers();
        for (GWorkerNode* rider : riders) {
            rider->setLoadSettled(false);
            rider->clearResources();
            rider->setVisible(false);
        }
        if (!riders.empty()) {
            GWorkerNode* first = riders[0];
            handOverStore(first);
            first->setVisible(true);
            first->setPosition(coach->getPosition());
            first->faceWorkplace(this);
        }
        clearResources();
        GBuildingNode::onWorkerArrived(walker);
        return;
    }
    if (auto* guide = nodeCast<GGertrudaNode>(walker)) {
        GBuildingNode::onWorkerArrived(walker);
        GResourceMap cost;
        getBuildCost(cost);
        m_materialsBrought = guide->hasResources(cost) && m_workersYield == 0;
        if (m_materialsBrought) {
            guide->setLoadSettled(false);
            handOverStore(guide);
        }
        guide->setVisible(true);
        return;
    }
    GBuildingNode::onWorkerArrived(walker);
    if (auto* worker = nodeCast<GWorkerNode>(walker))
        worker->setLoadSettled(false);
    if (auto* object = nodeCast<GObjectNode>(walker))
        handOverStore(object);
    walker->setVisible(getBuildWorkers() == getWorkersCount());
}
