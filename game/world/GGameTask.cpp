#include "game/world/GGameTask.h"

#include "engine/core/CEngine.h"
#include "engine/core/CEvent.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/nodes/ProgressBarNode.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "game/config/GGameMessage.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/IGameLevel.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GCharacterNode.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/IWorkerDispatch.h"

GGameTask::GGameTask(IGameLevel* level, GBuildingNode* place, GBuildingConfig* type)
    : m_level(level), m_place(place), m_type(type), m_effects(level ? level->getEffectsLayer() : nullptr) {
    setMask(CEvent::MaskGame);
    setUpdateInterval(TaskUpdateInterval);
    if (m_level)
        setScheduler(m_level->getUpdateScheduler());
}

GGameTask::~GGameTask() { setScheduler(nullptr); }

bool GGameTask::update(uint32_t) { return false; }

const CName* GGameTask::plainWalkAnimations() { return GCharacterNode::standardWalkAnimations(); }

const CName* GGameTask::materialsWalkAnimations() {
    static const CName table[GCharacterNode::SectorCount] = {
        CName("MoveRightWood"),  CName("MoveRightUpWood"),   CName("MoveUpWood"),
        CName("MoveLeftUpWood"), CName("MoveLeftWood"),      CName("MoveLeftDownWood"),
        CName("MoveDownWood"),   CName("MoveRightDownWood"), CName("MoveRightWood"),
    };
    return table;
}

const CName* GGameTask::goldWalkAnimations() {
    static const CName table[GCharacterNode::SectorCount] = {
        CName("MoveRightGold"),  CName("MoveRightUpGold"),   CName("MoveUpGold"),
        CName("MoveLeftUpGold"), CName("MoveLeftGold"),      CName("MoveLeftDownGold"),
        CName("MoveDownGold"),   CName("MoveRightDownGold"), CName("MoveRightGold"),
    };
    return table;
}

const CName* GGameTask::walkAnimationsFor(const GResourceMap& carried) {
    const auto amount = [&carried](CName resource) {
        auto found = carried.find(resource);
        return found == carried.end() ? 0 : found->value;
    };
    if (amount(nameIdMaterials()) > 0)
        return materialsWalkAnimations();
    if (amount(nameIdGold()) > 0)
        return goldWalkAnimations();
    return plainWalkAnimations();
}

const GLevelModifierValues* GGameTask::modifiers() const {
    return m_level && m_level->getLevelConfiguration() ? m_level->getModifierValues() : nullptr;
}

float GGameTask::buildTimeFactor() const {
    const GLevelModifierValues* values = modifiers();
    return values ? values->BuildTimeM : 1.0f;
}

void GGameTask::dispatchWorkers(const GResourceMap& cost, int count) {
    if (!m_level || count <= 0)
        return;
    // The checks count a resource the store never held as 0, so a cost of 0
    // is no cost: the workers set off without it.
    GResourceMap carried;
    for (const auto& entry : cost) {
        if (entry.value > 0)
            carried.insert(entry.key, entry.value);
    }
    // A refusal leaves the task waiting for workers until it is cancelled;
    // the start operations check cost and workers first.
    BaseNode* headquarters = m_level->getHeadquarters();
    if (auto* office = nodeCast<GMajorOfficeNode>(headquarters))
        static_cast<void>(office->dispatchWorkers(m_place, carried, uint32_t(count)));
    else if (auto* dispatch = dynamic_cast<IWorkerDispatch*>(headquarters))
        static_cast<void>(dispatch->dispatchWorkers(m_place, carried, uint32_t(count)));
}

void GGameTask::postToLevel(CEvent* message) {
    if (m_level)
        static_cast<void>(sendToLevel(m_level->getLevelReceiver(), message));
}

BaseNode* GGameTask::cloneTemplate(CName name, BaseNode* parent) const {
    SceneManager* manager = m_place ? m_place->getSceneManager<SceneManager>() : nullptr;
    TemplateCollectionNode* collection = manager ? manager->getTemplateCollection() : nullptr;
    BaseNode* source = collection ? collection->findTemplate(name) : nullptr;
    if (!source || !parent)
        return nullptr;
    return source->clone(parent, manager);
}

BaseProgressBarNode* GGameTask::makeProgressBar() const {
    static const CName barName("ProgressBarOverBuilding");
    SceneManager* manager = m_place ? m_place->getSceneManager<SceneManager>() : nullptr;
    TemplateCollectionNode* collection = manager ? manager->getTemplateCollection() : nullptr;
    BaseNode* source = collection ? collection->findTemplate(barName) : nullptr;
    if (!nodeCast<BaseProgressBarNode>(source))
        return nullptr;
    auto* bar = nodeCast<BaseProgressBarNode>(source->clone(m_place, manager));
    if (!bar)
        return nullptr;
    bar->addRef();
    bar->setTemplateName(bar->getTemplateName());
    bar->setVisible(false);
    bar->setMinValue(0.0f);
    bar->setMaxValue(1.0f);
    bar->setValue(0.0f);
    return bar;
}

void GGameTask::detach(BaseNode* node) {
    BaseNode* parent = node ? node->getParent() : nullptr;
    if (!parent)
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(node);
    static_cast<void>(parent->removeChild(node));
}

SoundCue* GGameTask::playCue(CName cue) {
    CEngine* engine = findEngineInstance();
    CSoundCueManager* cues = engine ? engine->getSoundCueManager() : nullptr;
    return cues ? cues->play(cue, false, 0) : nullptr;
}

CStringW taskDisplayText(int workers, float elapsed) { return CStringW(workers) + u";" + CStringW(elapsed); }
