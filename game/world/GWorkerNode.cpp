#include "game/world/GWorkerNode.h"

#include "engine/core/CStringW.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GResources.h"
#include "game/config/IGameLevel.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GDilizhansNode.h"

#include <algorithm>

namespace {

// Release distances are counted in 1024ths of a unit per millisecond.
constexpr int64_t kReleaseDivisor = 1024;
constexpr double kReleaseWidths = 1.5;

CArray<CName> makeTable(std::initializer_list<const char*> names) {
    CArray<CName> table;
    for (const char* name : names)
        table.push_back(CName(name));
    return table;
}

} // namespace

GWorkerNode::GWorkerNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GCharacterNode(contentName, parent, sceneManager), m_config(new GWorkerConfig) {
    GWorkerNode::setSpeed(m_config->Velocity);
}

GWorkerNode::~GWorkerNode() = default;

BaseNode* GWorkerNode::create(const CObjectName& name) { return new GWorkerNode(name, nullptr, nullptr); }

const CStringW& GWorkerNode::getTypeName() const {
    static const CStringW name(u"GWorkerNode");
    return name;
}

const CStringW& GWorkerNode::getClassName() const { return GWorkerNode::getTypeName(); }

BaseNode* GWorkerNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GWorkerNode>(parent, sceneManager);
}

void GWorkerNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GCharacterNode::copyFrom(source, sceneManager);
    const GWorkerNode* worker = nodeCast<GWorkerNode>(source);
    if (!worker || worker == this)
        return;
    m_source = worker->m_source;
    m_target = worker->m_target;
    m_jobState = worker->m_jobState;
    setWorkerConfig(worker->m_config.get());
}

void GWorkerNode::setLevelScene(IGameLevel* level) {
    GCharacterNode::setLevelScene(level);
    if (level)
        m_home = nodeCast<GBuildingNode>(level->getHeadquarters());
}

const CName* GWorkerNode::woodWalkAnimations() {
    static const CName table[SectorCount] = {
        CName("MoveRightWood"),  CName("MoveRightUpWood"),   CName("MoveUpWood"),
        CName("MoveLeftUpWood"), CName("MoveLeftWood"),      CName("MoveLeftDownWood"),
        CName("MoveDownWood"),   CName("MoveRightDownWood"), CName("MoveRightWood"),
    };
    return table;
}

const CName* GWorkerNode::goldWalkAnimations() {
    static const CName table[SectorCount] = {
        CName("MoveRightGold"),  CName("MoveRightUpGold"),   CName("MoveUpGold"),
        CName("MoveLeftUpGold"), CName("MoveLeftGold"),      CName("MoveLeftDownGold"),
        CName("MoveDownGold"),   CName("MoveRightDownGold"), CName("MoveRightGold"),
    };
    return table;
}

void GWorkerNode::selectWalkAnimations() {
    if (getResource(nameIdMaterials()) > 0)
        setWalkAnimations(woodWalkAnimations());
    else if (getResource(nameIdGold()) > 0)
        setWalkAnimations(goldWalkAnimations());
    else
        setWalkAnimations(standardWalkAnimations());
}

void GWorkerNode::setSpeed(int32_t speed) {
    if (speed < m_config->MinimumVelocity)
        speed = m_config->MinimumVelocity;
    if (speed > m_config->MaximumVelocity)
        speed = m_config->MaximumVelocity;
    GCharacterNode::setSpeed(speed);
}

void GWorkerNode::setWorkerConfig(GWorkerConfig* config) {
    if (!config)
        return;
    m_config = CRefHandle<GWorkerConfig>::share(config);
    setSpeed(config->Velocity);
}

int GWorkerNode::getVelocity() const { return std::max(1, m_config->Velocity); }

void GWorkerNode::setCarrier(BaseNode* stagecoach) { m_carrier = nodeCast<GDilizhansNode>(stagecoach); }

bool GWorkerNode::isFarEnough(int64_t elapsedMs, int64_t velocity) const {
    const int64_t distance = std::max<int64_t>(elapsedMs, 0) * std::max<int64_t>(velocity, 1) / kReleaseDivisor;
    return double(distance) > kReleaseWidths * double(getBounds().x);
}

bool GWorkerNode::update(uint32_t elapsed) {
    walk(elapsed);
    if (m_jobState != JobQueued)
        return true;
    if (m_carrier)
        setPosition(m_carrier->getPosition());
    setVisible(false);
    bool released = false;
    if (!m_source && !m_carrier)
        released = true;
    else if (m_source && isFarEnough(m_source->getTimeSinceWorkerLeft(), m_source->getLeaverVelocity()))
        released = true;
    else if (m_carrier && isFarEnough(m_carrier->getTimeSincePassengerLeft(), m_carrier->getLastPassengerSpeed()))
        released = true;
    if (!released)
        return true;
    m_jobState = m_target == m_home ? JobToHome : JobToWork;
    if (!m_target) {
        onPathFinished();
        return true;
    }
    setVisible(true);
    const CVector2d arrival = m_target->getArrivalPoint();
    if (m_fromCurrentPosition)
        (void)moveTo(CVector2d(getPosition().x, getPosition().y), arrival, false);
    else if (m_source)
        (void)moveTo(m_source->getArrivalPoint(), arrival, false);
    else
        onPathFinished();
    return true;
}

void GWorkerNode::onPathStarted() {
    if (m_source)
        m_source->onWorkerLeft(this);
    if (m_carrier)
        m_carrier->resetSpacing(this);
}

void GWorkerNode::onPathFinished() { arrive(); }

void GWorkerNode::arrive() {
    if (m_jobState == JobQueued || m_jobState == JobToHome) {
        m_jobState = JobIdle;
    } else if (m_jobState == JobToWork) {
        if (m_target && m_target->isKindOf(OnRoadLocationTypeId))
            turnToWorkplace(m_target);
        m_jobState = JobWorking;
    }
    if (m_target)
        m_target->onWorkerArrived(this);
    m_fromCurrentPosition = false;
}

int32_t GWorkerNode::workTableIndex(int32_t sector) {
    switch (sector) {
    case 2:
    case 3:
        return 2; // up
    case 4:
    case 5:
        return 0; // left
    case 6:
    case 7:
        return 3; // down
    case 0:
    case 1:
    case 8:
        return 1; // right
    default:
        return -1;
    }
}

const CArray<CName>& GWorkerNode::getWorkAnimations(const GBuildingNode* target) const {
    static const CArray<CName> standard = makeTable({"WorkLeft", "WorkRight", "WorkUp", "WorkDown"});
    if (target && target->getType())
        return target->getType()->WorkerWorkStates;
    return standard;
}

void GWorkerNode::turnToWorkplace(const GBuildingNode* location) {
    const int32_t sector = directionSector(location->getLookPoint() - location->getArrivalPoint());
    const CArray<CName>& table = getWorkAnimations(location);
    const int32_t index = workTableIndex(sector);
    if (table.size() < 4 || index < 0)
        return;
    const CName animation = table[uint32_t(index)];
    if (!animation.empty())
        applyStateRecursive(animation, nullptr);
}

void GWorkerNode::faceWorkplace(GBuildingNode* location) {
    if (location)
        turnToWorkplace(location);
}

void GWorkerNode::sendTo(GBuildingNode* target, bool fromCurrentPosition) {
    if (!target)
        return;
    clearPath();
    if (m_target)
        m_target->removeIncomingWorker(this);
    setSpeed(m_config->Velocity);
    m_fromCurrentPosition = fromCurrentPosition;
    m_source = fromCurrentPosition ? nullptr : m_target;
    m_target = target;
    m_jobState = JobQueued;
    (void)target->addIncomingWorker(this);
}

void GWorkerNode::retarget(GBuildingNode* target, bool fromCurrentPosition) {
    if (!target)
        return;
    if (m_jobState != JobQueued) {
        sendTo(target, fromCurrentPosition);
        return;
    }
    if (m_target)
        m_target->removeIncomingWorker(this);
    setSpeed(m_config->Velocity);
    m_fromCurrentPosition = fromCurrentPosition;
    m_target = target;
    (void)target->addIncomingWorker(this);
}

void GWorkerNode::returnHome(bool fromCurrentPosition) {
    sendTo(m_home, fromCurrentPosition);
    (void)update(1);
}
