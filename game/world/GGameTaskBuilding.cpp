#include "game/world/GGameTaskBuilding.h"

#include "engine/nodes/ProgressBarNode.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/CEventTemplatesChanged.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/config/GActiveFeatureList.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GUniqUpgradeConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/config/IGameLevel.h"
#include "game/world/GBuildingNode.h"

namespace {

#define TASK_NAME(function, text)                                                                                      \
    CName function() {                                                                                                 \
        static const CName id(text);                                                                                   \
        return id;                                                                                                     \
    }
TASK_NAME(preBuild1, "PreBuild1")
TASK_NAME(preBuild2, "PreBuild2")
TASK_NAME(preBuild3, "PreBuild3")
TASK_NAME(postBuild1, "PostBuild1")
TASK_NAME(postBuild2, "PostBuild2")
TASK_NAME(postBuild3, "PostBuild3")
TASK_NAME(buildState, "Build")
TASK_NAME(endState, "End")
TASK_NAME(focusState, "Focus")
TASK_NAME(selectorName, "Selector")
#undef TASK_NAME

// Steps that wait for an animation to end; time runs on meanwhile.
bool isAnimationStep(int step) { return step == 1 || step == 3 || step == 5 || step == 10 || step == 12 || step == 14; }

} // namespace

GGameTaskBuilding::GGameTaskBuilding(IGameLevel* level, GBuildingNode* place, GBuildingConfig* type,
                                     GUniqUpgradeConfig* upgrade)
    : GGameTask(level, place, type), m_upgrade(CRefHandle<GUniqUpgradeConfig>::share(upgrade)) {
    setMask(getMask() | CEvent::MaskNode);
    m_effectsLayer = CRefHandle<BaseNode>::share(getEffectsLayer());
    if (m_effectsLayer)
        m_effectsLayer->addPostHandler(this);
    if (!place)
        return;
    place->addPostHandler(this);

    static const CName done("Done");
    place->applyStateRecursive(done, nullptr);
    place->getFeatures()->stopAll();
    place->saveCancelState();
    place->setType(type, false, true);

    if (m_upgrade) {
        m_workersNeeded = m_upgrade->Build.Workers;
        dispatchWorkers(m_upgrade->Build.Resources, m_workersNeeded);
    } else {
        m_workersNeeded = place->getBuildWorkers(nullptr);
        GResourceMap cost;
        place->getBuildCost(cost, nullptr);
        dispatchWorkers(cost, m_workersNeeded);
    }

    // The old building shows until the new one is done.
    const GBuildingConfig* previous = place->getPreviousType();
    if (previous && place->getTemplateName() != previous->Name)
        place->setTemplateName(previous->Name);

    static const CName constructionSelector("ConstructionSelector");
    SceneManager* manager = place->getSceneManager<SceneManager>();
    TemplateCollectionNode* collection = manager ? manager->getTemplateCollection() : nullptr;
    ControlNode* root = place->getTemplateRoot();
    BaseNode* selectorTemplate = collection ? collection->findTemplate(constructionSelector) : nullptr;
    if (root && nodeCast<SpriteNode>(selectorTemplate)) {
        if (BaseNode* old = root->findChild(selectorName(), 1))
            detach(old);
        if (auto* selector = nodeCast<SpriteNode>(selectorTemplate->clone(root, manager))) {
            selector->setBlendType(1);
            selector->setState(focusState(), nullptr, CName());
            selector->setName(selectorName());
        }
    }

    static const CName constructionName("Construction");
    static const CName progressBarName("ProgressBar");
    if (BaseNode* construction = cloneTemplate(constructionName, place)) {
        m_construction = CRefHandle<BaseNode>::share(construction);
        m_construction->addPostHandler(this);
        m_construction->setVisible(false);
        m_construction->setPosition(CVector3d(0.0f, 0.0f, place->getPosition().x / 1000.0f));
        m_progressBar = nodeCast<BaseProgressBarNode>(m_construction->findChild(progressBarName, 1));
        if (m_progressBar) {
            const CRefHandle<CEventTemplatesChanged> changed(new CEventTemplatesChanged(collection));
            static_cast<void>(m_progressBar->handleEvent(changed.get()));
            m_progressBar->setMaxValue(1.0f);
            m_progressBar->setValue(0.0f);
        }
    }
    m_started = 1;
    m_total = buildTime() + 1500.0f;
}

GGameTaskBuilding::~GGameTaskBuilding() {
    if (m_effectsLayer)
        m_effectsLayer->removePostHandler(this);
    if (getPlace())
        getPlace()->removePostHandler(this);
    dropConstruction();
}

const CEventHandlerTable& GGameTaskBuilding::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(CEventReceiver::handlerTable());
        t.add<&GGameTaskBuilding::onNodeStateCompleted>(CEventNodeStateCompleted::TypeId);
        return t;
    }();
    return table;
}

bool GGameTaskBuilding::handleEvent(CEvent* event) { return handleWithTable(handlerTable(), event); }

float GGameTaskBuilding::buildTime() const {
    if (m_upgrade)
        return float(m_upgrade->Build.Time);
    const GBuildingConfig* type = getTaskType();
    return type ? float(type->Build.Time) : 0.0f;
}

void GGameTaskBuilding::applyToConstruction(CName state) {
    if (m_construction)
        m_construction->applyStateRecursive(state, nullptr);
}

void GGameTaskBuilding::showTemplateChildren(bool visible) {
    static const CName workersText("WorkersText");
    static const CName smileIcon("SmileIcon");
    ControlNode* root = getPlace() ? getPlace()->getTemplateRoot() : nullptr;
    if (!root)
        return;
    for (BaseNode* child : root->getChildren()) {
        const CName name = child->getName();
        if (name != selectorName() && name != workersText && name != smileIcon)
            child->setVisible(visible);
    }
}

void GGameTaskBuilding::dropConstruction() {
    if (!m_construction)
        return;
    const CRefHandle<BaseNode> construction = std::move(m_construction);
    m_construction.reset();
    m_progressBar = nullptr;
    construction->removePostHandler(this);
    detach(construction.get());
}

bool GGameTaskBuilding::update(uint32_t elapsed) {
    GBuildingNode* place = getPlace();
    if (!place || m_step == StepDone)
        return false;
    const CRefHandle<GGameTaskBuilding> keepAlive = CRefHandle<GGameTaskBuilding>::share(this);

    if (m_started == 1 && place->getWorkersCount() >= m_workersNeeded) {
        m_started = 2;
        // Without the construction visuals the build goes straight to its
        // timed wait.
        m_step = m_construction ? 1 : 8;
        if (m_construction)
            m_construction->setVisible(true);
        place->setWorkersText(m_workersNeeded);
        place->removeRandomResources();
        applyToConstruction(preBuild1());
        if (place->isFocused())
            static_cast<void>(place->playSound());
    }

    const int increment = scaledStep(elapsed, buildTimeFactor());
    if (isAnimationStep(m_step)) {
        m_elapsed += float(increment);
    } else {
        switch (m_step) {
        case 2:
            m_step = 3;
            applyToConstruction(preBuild2());
            break;
        case 4:
            m_step = 5;
            applyToConstruction(preBuild3());
            break;
        case 6: {
            static const CName worker1("Worker1");
            static const CName worker2("Worker2");
            static const CName worker3("Worker3");
            m_step = 7;
            applyToConstruction(m_workersNeeded == 1 ? worker1 : (m_workersNeeded == 2 ? worker2 : worker3));
            applyToConstruction(buildState());
            showTemplateChildren(false);
            break;
        }
        case 7:
            m_step = 8;
            place->setWorkersText(m_workersNeeded);
            break;
        case 8:
            m_elapsed += float(increment);
            if (buildTime() <= m_elapsed)
                m_step = m_construction ? 9 : 15;
            break;
        case 9:
            m_step = 10;
            applyToConstruction(postBuild1());
            place->setVisible(true);
            showTemplateChildren(true);
            if (getTaskType())
                place->setTemplateName(getTaskType()->Name);
            if (place->isFocused())
                place->setState(focusState(), nullptr, CName());
            place->setWorkersText(m_workersNeeded);
            break;
        case 11:
            m_step = 12;
            applyToConstruction(postBuild2());
            break;
        case 13:
            m_step = 14;
            applyToConstruction(postBuild3());
            break;
        case 15:
            finish();
            break;
        default:
            break;
        }
    }

    if (m_progressBar)
        m_progressBar->setValue(getProgress());
    return m_step != StepDone;
}

void GGameTaskBuilding::finish() {
    GBuildingNode* place = getPlace();
    m_step = StepDone;
    place->stopSound();
    dropConstruction();
    static const CName afterBuild("AfterBuild");
    place->applyStateRecursive(afterBuild, nullptr);

    const CRefHandle<GBuildingCompletedMessage> message(new GBuildingCompletedMessage(place, getTaskType()));
    postToLevel(message.get());

    static const CName upgradedHouse("UpgradedHouse");
    const GBuildingConfig* current = place->getType();
    if (m_upgrade) {
        place->applyUniqueUpgrade(m_upgrade.get());
        if (getLevel())
            getLevel()->recalculate();
        static_cast<void>(playCue(upgradedHouse));
    } else if (current && current->Kind == GBuildingType::Apartment && current->Level > 1) {
        static_cast<void>(playCue(upgradedHouse));
    } else if (current) {
        static_cast<void>(playCue(current->BuiltSoundCueName));
    }
    place->setWorkersText(0);
    place->showLevelState(current ? current->Level : 0, !m_upgrade, 0);
    place->releaseWorkers(true);
}

int GGameTaskBuilding::cancel() {
    GBuildingNode* place = getPlace();
    // Once the build is over (or cancelled) the place keeps its new type.
    if (!place || !place->getPreviousType() || m_step == StepDone)
        return 0;
    const CRefHandle<GGameTaskBuilding> keepAlive = CRefHandle<GGameTaskBuilding>::share(this);
    place->releaseWorkers(false);
    m_step = StepDone;
    place->stopSound();
    dropConstruction();

    const CRefHandle<GBuildingConfig> previous = CRefHandle<GBuildingConfig>::share(place->getPreviousType());
    place->releaseServedBuildings();
    place->setType(previous.get(), true, true);
    place->setTemplateName(previous->Name);
    place->setWorkersText(0);
    place->setTask(GBuildingNode::TaskNone, nullptr);
    if (getLevel())
        getLevel()->recalculate();
    return 0;
}

float GGameTaskBuilding::getProgress() const { return m_total > 0.0f ? m_elapsed / m_total : 0.0f; }

const CStringW& GGameTaskBuilding::getClassName() const {
    static const CStringW name(u"GGameTaskBuilding");
    return name;
}

CStringW GGameTaskBuilding::getDisplayText() const { return taskDisplayText(m_workersNeeded, m_elapsed); }

bool GGameTaskBuilding::onNodeStateCompleted(CEventNodeStateCompleted* event) {
    BaseNode* node = event->getNode();
    const CName state = event->getStateId();
    if (m_step == StepDone)
        return false;
    if (m_construction && node == m_construction.get()) {
        if (state == preBuild1())
            m_step = 2;
        else if (state == preBuild2())
            m_step = 4;
        else if (state == preBuild3())
            m_step = 6;
        else if (state == postBuild1())
            m_step = 11;
        else if (state == postBuild2())
            m_step = 13;
        else if (state == postBuild3()) {
            m_step = 15;
            applyToConstruction(endState());
        }
    } else if (node && node == getPlace() && state == buildState()) {
        m_step = 9;
    }
    return false;
}
