#include "game/play/GTutorialActions.h"

#include "engine/core/CEventHandlerTable.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/ListEvents.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/ControlNode.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GRandomEventMessages.h"
#include "game/config/GWorldMessages.h"
#include "game/play/GTutorialHint.h"
#include "game/play/ITutorialBuildings.h"

namespace {

bool contains(const CArray<CName>& names, CName name) { return names.indexOf(name) >= 0; }

// A name list attribute: split at ';', trimmed, empty parts left out.
CArray<CName> namesOf(const CXmlStreamReader& reader, const char* attribute) {
    CArray<CName> names;
    splitNames(names, CString(reader.attribute(attribute)), true);
    return names;
}

// The whole text of an attribute as one name (the empty name when absent).
CName nameOf(const CXmlStreamReader& reader, const char* attribute) {
    const CStringW& text = reader.attribute(attribute);
    return text.empty() ? CName() : CName(CString(text));
}

// A table made from the base action's with `entries` added.
template <class Fill> CEventHandlerTable makeTable(Fill fill) {
    CEventHandlerTable table(GTutorialAction::handlerTable());
    fill(table);
    return table;
}

} // namespace

// Timed

void GTutorialActionTimed::update(uint32_t elapsedMs) {
    if (m_remaining > 0)
        m_remaining = elapsedMs >= uint32_t(m_remaining) ? 0 : m_remaining - int(elapsedMs);
}

void GTutorialActionTimed::load(const CXmlStreamReader& reader) { m_remaining = reader.attributeInt("Time", 0); }

// Building filters

void GTutorialBuildingAction::load(const CXmlStreamReader& reader) {
    m_buildingTypes = namesOf(reader, "Buildings");
    m_places = namesOf(reader, "Places");
}

bool GTutorialBuildingAction::onBuildingMessage(GBuildingMessage* message) {
    if (matches(message->getBuildingNode()))
        setDone();
    return false;
}

// MouseClick

const CEventHandlerTable& GTutorialActionMouseClick::getHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GTutorialActionMouseClick::handlerTable() {
    static const CEventHandlerTable table = makeTable([](CEventHandlerTable& t) {
        t.add<&GTutorialActionMouseClick::onClick>(CEventClicked::TypeId);
        t.add<&GTutorialActionMouseClick::onClick>(CEventListItemClicked::TypeId);
    });
    return table;
}

bool GTutorialActionMouseClick::onClick(CEvent*) {
    setDone();
    return rejectClick();
}

// BuildingPress

const CEventHandlerTable& GTutorialActionBuildingPress::getHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GTutorialActionBuildingPress::handlerTable() {
    static const CEventHandlerTable table = makeTable([](CEventHandlerTable& t) {
        t.add<&GTutorialActionBuildingPress::onClicked>(CEventClicked::TypeId);
        t.add<&GTutorialActionBuildingPress::onListItemClicked>(CEventListItemClicked::TypeId);
    });
    return table;
}

bool GTutorialActionBuildingPress::onClicked(CEventClicked* event) {
    const ControlNode* control = event->getControl();
    if (control && control->isKindOf(ITutorialBuildings::BuildingNodeTypeId) && matches(control)) {
        setDone();
        return false;
    }
    return rejectClick();
}

bool GTutorialActionBuildingPress::onListItemClicked(CEventListItemClicked*) { return true; }

// ControlPress

void GTutorialActionControlPress::load(const CXmlStreamReader& reader) { m_controls = namesOf(reader, "Controls"); }

const CEventHandlerTable& GTutorialActionControlPress::getHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GTutorialActionControlPress::handlerTable() {
    static const CEventHandlerTable table = makeTable([](CEventHandlerTable& t) {
        t.add<&GTutorialActionControlPress::onClicked>(CEventClicked::TypeId);
        t.add<&GTutorialActionControlPress::onListItemClicked>(CEventListItemClicked::TypeId);
    });
    return table;
}

bool GTutorialActionControlPress::onClicked(CEventClicked* event) {
    const ControlNode* control = event->getControl();
    if (control && contains(m_controls, control->getName())) {
        setDone();
        return false;
    }
    return rejectClick();
}

bool GTutorialActionControlPress::onListItemClicked(CEventListItemClicked*) { return true; }

// Lists

void GTutorialListAction::load(const CXmlStreamReader& reader) {
    m_list = nameOf(reader, "List");
    m_indices = parseTutorialIntList(reader.attribute("Indices"));
}

bool GTutorialListAction::matchesItem(const BaseNode* list, int item) const {
    return list && list->getName() == m_list && m_indices.indexOf(item) >= 0;
}

const CEventHandlerTable& GTutorialActionListItemPress::getHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GTutorialActionListItemPress::handlerTable() {
    static const CEventHandlerTable table = makeTable([](CEventHandlerTable& t) {
        t.add<&GTutorialActionListItemPress::onClicked>(CEventClicked::TypeId);
        t.add<&GTutorialActionListItemPress::onListItemClicked>(CEventListItemClicked::TypeId);
    });
    return table;
}

bool GTutorialActionListItemPress::onClicked(CEventClicked*) { return rejectClick(); }

bool GTutorialActionListItemPress::onListItemClicked(CEventListItemClicked* event) {
    if (matchesItem(event->getList(), event->getItem())) {
        setDone();
        return false;
    }
    return rejectClick();
}

const CEventHandlerTable& GTutorialActionListItemHovered::getHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GTutorialActionListItemHovered::handlerTable() {
    static const CEventHandlerTable table = makeTable([](CEventHandlerTable& t) {
        t.add<&GTutorialActionListItemHovered::onHovered>(CEventListItemHovered::TypeId);
    });
    return table;
}

bool GTutorialActionListItemHovered::onHovered(CEventListItemHovered* event) {
    if (matchesItem(event->getList(), event->getItem()))
        setDone();
    return false;
}

// World messages about a building

namespace {

// Not taken, so the click goes on to the screen.
bool passOn(CEventReceiver*, CEvent*) { return false; }

} // namespace

#define BM_BUILDING_MESSAGE_TABLE(Kind, ...)                                                                           \
    const CEventHandlerTable& GTutorialAction##Kind::getHandlerTable() const { return handlerTable(); }                \
    const CEventHandlerTable& GTutorialAction##Kind::handlerTable() {                                                  \
        static const CEventHandlerTable table = makeTable([](CEventHandlerTable& t) {                                  \
            for (int32_t id : {__VA_ARGS__})                                                                           \
                t.add<&GTutorialAction##Kind::onBuildingMessage>(id);                                                  \
        });                                                                                                            \
        return table;                                                                                                  \
    }
BM_BUILDING_MESSAGE_TABLE(ResourcesProduced, GResourcesProducedMessage::TypeId)
BM_BUILDING_MESSAGE_TABLE(WorkerArrived, GWorkerArrivedMessage::TypeId)
BM_BUILDING_MESSAGE_TABLE(WorkerLeaved, GWorkerLeavedMessage::TypeId)
BM_BUILDING_MESSAGE_TABLE(TrainArrived, GTrainArrivedMessage::TypeId)
BM_BUILDING_MESSAGE_TABLE(TrainLeaved, GTrainLeavedMessage::TypeId)
#undef BM_BUILDING_MESSAGE_TABLE

const CEventHandlerTable& GTutorialActionBuildingCompleted::getHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GTutorialActionBuildingCompleted::handlerTable() {
    static const CEventHandlerTable table = makeTable([](CEventHandlerTable& t) {
        t.add<&GTutorialActionBuildingCompleted::onBuildingMessage>(GBuildingCompletedMessage::TypeId);
        t.add<&GTutorialActionBuildingCompleted::onBuildingMessage>(GOnRoadLocationDoneMessage::TypeId);
        t.set(CEventClicked::TypeId, &passOn);
    });
    return table;
}

// Any message of one id

#define BM_ANY_MESSAGE_TABLE(Kind, id)                                                                                 \
    const CEventHandlerTable& GTutorialAction##Kind::getHandlerTable() const { return handlerTable(); }                \
    const CEventHandlerTable& GTutorialAction##Kind::handlerTable() {                                                  \
        static const CEventHandlerTable table =                                                                        \
            makeTable([](CEventHandlerTable& t) { t.add<&GTutorialAction##Kind::onMessage>(id); });                    \
        return table;                                                                                                  \
    }                                                                                                                  \
    bool GTutorialAction##Kind::onMessage(CEvent*) {                                                                   \
        setDone();                                                                                                     \
        return false;                                                                                                  \
    }
BM_ANY_MESSAGE_TABLE(WorkersTrained, GWorkersTrainedMessage::TypeId)
BM_ANY_MESSAGE_TABLE(WaitDirty, GDirtyBuildingEvent::TypeId)
BM_ANY_MESSAGE_TABLE(WaitLetter, GLetterEvent::TypeId)
#undef BM_ANY_MESSAGE_TABLE

// ObjectivesGroupCompleted

void GTutorialActionObjectivesGroupCompleted::load(const CXmlStreamReader& reader) {
    m_groupIndex = reader.attributeInt("GroupIndex", 0);
}

const CEventHandlerTable& GTutorialActionObjectivesGroupCompleted::getHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GTutorialActionObjectivesGroupCompleted::handlerTable() {
    static const CEventHandlerTable table = makeTable([](CEventHandlerTable& t) {
        t.add<&GTutorialActionObjectivesGroupCompleted::onGroupCompleted>(GObjectivesGroupCompletedMessage::TypeId);
        t.set(CEventClicked::TypeId, &passOn);
    });
    return table;
}

bool GTutorialActionObjectivesGroupCompleted::onGroupCompleted(GObjectivesGroupCompletedMessage* message) {
    if (message->getGroupIndex() == m_groupIndex)
        setDone();
    return false;
}

// RandomResourceAppear

void GTutorialActionRandomResourceAppear::load(const CXmlStreamReader& reader) {
    m_buildingTypes = namesOf(reader, "Buildings");
    m_resources = namesOf(reader, "Resources");
}

const CEventHandlerTable& GTutorialActionRandomResourceAppear::getHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GTutorialActionRandomResourceAppear::handlerTable() {
    static const CEventHandlerTable table = makeTable([](CEventHandlerTable& t) {
        t.add<&GTutorialActionRandomResourceAppear::onAppeared>(GRandomResourceAppearedMessage::TypeId);
    });
    return table;
}

bool GTutorialActionRandomResourceAppear::onAppeared(GRandomResourceAppearedMessage* message) {
    const BaseNode* building = message->getBuildingNode();
    const GBuildingConfig* type = nullptr;
    if (building && getBuildings() && building->isKindOf(ITutorialBuildings::BuildingNodeTypeId))
        type = getBuildings()->getBuildingType(building);
    if (type && (m_buildingTypes.empty() || contains(m_buildingTypes, type->Name)) &&
        (m_resources.empty() || contains(m_resources, message->getPileType())))
        setDone();
    return false;
}
