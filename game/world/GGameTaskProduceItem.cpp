#include "game/world/GGameTaskProduceItem.h"

#include "engine/nodes/ProgressBarNode.h"
#include "game/config/GActiveFeatureList.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/GProduceItemConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/config/IGameLevel.h"
#include "game/world/GBuildingNode.h"

namespace {

CName doneState() {
    static const CName id("Done");
    return id;
}

} // namespace

GGameTaskProduceItem::GGameTaskProduceItem(IGameLevel* level, GBuildingNode* place, GBuildingConfig* currentType,
                                           GProduceItemConfig* item)
    : GGameTask(level, place, currentType), m_item(CRefHandle<GProduceItemConfig>::share(item)) {
    setMask(getMask() | CEvent::MaskNode);
    if (!place || !m_item)
        return;
    place->applyStateRecursive(doneState(), nullptr);
    place->getFeatures()->stopAll();
    m_workersNeeded = m_item->Workers;
    dispatchWorkers(m_item->RequiredResources, m_workersNeeded);
    m_phase = PhaseWaiting;
    makeProgressBar(true);
    m_remaining = m_item->Time;
}

GGameTaskProduceItem::~GGameTaskProduceItem() = default;

float GGameTaskProduceItem::deliveryFactor() const {
    const GLevelModifierValues* values = modifiers();
    if (!values || !m_item)
        return 1.0f;
    if (m_item->ProducedResources.contains(nameIdGold()))
        return values->GoldDeliveryTimeM;
    if (m_item->ProducedResources.contains(nameIdMaterials()))
        return values->MaterialDeliveryTimeM;
    return 1.0f;
}

bool GGameTaskProduceItem::update(uint32_t elapsed) {
    GBuildingNode* place = getPlace();
    if (!place || !m_item)
        return false;
    const CRefHandle<GGameTaskProduceItem> keepAlive = CRefHandle<GGameTaskProduceItem>::share(this);
    switch (m_phase) {
    case PhaseWaiting:
        if (place->getWorkersCount() >= m_workersNeeded)
            m_phase = PhaseStarting;
        break;
    case PhaseStarting: {
        static const CName startProduce("StartProduce");
        m_phase = PhaseWorking;
        place->setWorkersText(m_workersNeeded);
        place->applyStateRecursive(startProduce, nullptr);
        place->stopSound();
        if (place->isFocused())
            static_cast<void>(place->playSound());
        break;
    }
    case PhaseWorking: {
        m_remaining -= scaledStep(elapsed, deliveryFactor());
        if (m_remaining < 0)
            finish();
        else
            updateProgressBar();
        break;
    }
    case PhaseDone:
        return false;
    default:
        break;
    }
    return true;
}

void GGameTaskProduceItem::finish() {
    GBuildingNode* place = getPlace();
    static const CName stopProduce("StopProduce");
    m_remaining = 0;
    place->stopSound();
    place->applyStateRecursive(doneState(), nullptr);
    place->applyStateRecursive(stopProduce, nullptr);
    place->setWorkersText(0);
    place->releaseWorkersWithResources(m_item->ProducedResources);
    const CRefHandle<GResourcesProducedMessage> message(
        new GResourcesProducedMessage(place, m_item->ProducedResources));
    postToLevel(message.get());
    m_phase = PhaseDone;
}

int GGameTaskProduceItem::cancel() {
    GBuildingNode* place = getPlace();
    if (!place || m_phase == PhaseDone)
        return 0;
    const CRefHandle<GGameTaskProduceItem> keepAlive = CRefHandle<GGameTaskProduceItem>::share(this);
    place->releaseWorkers(false);
    place->stopSound();
    place->setWorkersText(0);
    place->setTask(GBuildingNode::TaskNone, nullptr);
    m_phase = PhaseDone;
    return 0;
}

float GGameTaskProduceItem::getProgress() const {
    if (!m_item || m_item->Time <= 0)
        return 1.0f;
    return float(m_item->Time - m_remaining) / float(m_item->Time);
}

const CStringW& GGameTaskProduceItem::getClassName() const {
    static const CStringW name(u"GGameTaskProduceItem");
    return name;
}

CStringW GGameTaskProduceItem::getDisplayText() const {
    return CStringW(m_workersNeeded) + u";" + CStringW(m_remaining);
}
