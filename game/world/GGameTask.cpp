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
#include "game/world/GMajorOfficeNode.h"
#include "game/world/IWorkerDispatch.h"

#include <cmath>

GGameTask::GGameTask(IGameLevel* level, GBuildingNode* place, GBuildingConfig* type)
    : m_level(level), m_place(place), m_type(type), m_effects(level ? level->getEffectsLayer() : nullptr) {
    setMask(CEvent::MaskGame);
    setUpdateInterval(TaskUpdateInterval);
    if (m_level)
        setScheduler(m_level->getUpdateScheduler());
}

GGameTask::~GGameTask() {
    dropProgressBar();
    setScheduler(nullptr);
}

bool GGameTask::update(uint32_t) { return false; }

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

void GGameTask::makeProgressBar(bool visible) {
    static const CName barName("ProgressBarOverBuilding");
    SceneManager* manager = m_place ? m_place->getSceneManager<SceneManager>() : nullptr;
    TemplateCollectionNode* collection = manager ? manager->getTemplateCollection() : nullptr;
    BaseNode* source = collection ? collection->findTemplate(barName) : nullptr;
    if (!nodeCast<BaseProgressBarNode>(source))
        return;
    m_bar = CRefHandle<BaseProgressBarNode>::share(nodeCast<BaseProgressBarNode>(source->clone(m_place, manager)));
    if (!m_bar)
        return;
    m_bar->setTemplateName(m_bar->getTemplateName());
    m_bar->setVisible(visible);
    m_bar->setMinValue(0.0f);
    m_bar->setMaxValue(1.0f);
    m_bar->setValue(0.0f);
}

void GGameTask::showProgressBar() {
    if (m_bar)
        m_bar->setVisible(true);
}

void GGameTask::updateProgressBar() {
    if (m_bar)
        m_bar->setValue(getProgress());
}

void GGameTask::dropProgressBar() {
    if (!m_bar)
        return;
    const CRefHandle<BaseProgressBarNode> bar = std::move(m_bar);
    m_bar.reset();
    detach(bar.get());
}

float GGameTask::buildTimeStep(uint32_t elapsed) const {
    const float factor = buildTimeFactor();
    return float(elapsed) * (factor > 0.0f ? factor : 1.0f);
}

int GGameTask::scaledStep(uint32_t elapsed, float factor) {
    const float scaled = std::trunc(float(elapsed) * factor);
    return scaled > 0.0f && scaled < 2.0e9f ? int(scaled) : int(elapsed);
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
