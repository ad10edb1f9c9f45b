#include "game/play/GTutorialAction.h"

#include "engine/core/CEngine.h"
#include "engine/core/CEventHandlerTable.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/scene/BaseNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "game/app/GSoundCues.h"
#include "game/config/GBuildingConfig.h"
#include "game/play/GTutorialActions.h"
#include "game/play/ITutorialBuildings.h"
#include "game/world/GBuildingNode.h"

namespace {

bool contains(const CArray<CName>& names, CName name) { return names.indexOf(name) >= 0; }

template <class Action> GTutorialAction* make() { return new Action; }

struct ActionKind {
    const char16_t* type;
    GTutorialAction* (*create)();
};

constexpr ActionKind kKinds[] = {
    {u"Timed", &make<GTutorialActionTimed>},
    {u"MouseClick", &make<GTutorialActionMouseClick>},
    {u"BuildingPress", &make<GTutorialActionBuildingPress>},
    {u"ControlPress", &make<GTutorialActionControlPress>},
    {u"ListItemPress", &make<GTutorialActionListItemPress>},
    {u"ListItemHovered", &make<GTutorialActionListItemHovered>},
    {u"ResourcesProduced", &make<GTutorialActionResourcesProduced>},
    {u"WorkersTrained", &make<GTutorialActionWorkersTrained>},
    {u"WorkerArrived", &make<GTutorialActionWorkerArrived>},
    {u"WorkerLeaved", &make<GTutorialActionWorkerLeaved>},
    {u"TrainArrived", &make<GTutorialActionTrainArrived>},
    {u"TrainLeaved", &make<GTutorialActionTrainLeaved>},
    {u"BuildingCompleted", &make<GTutorialActionBuildingCompleted>},
    {u"BuildingCompletedOrExist", &make<GTutorialActionBuildingCompletedOrExist>},
    {u"WaitDirty", &make<GTutorialActionWaitDirty>},
    {u"WaitLetter", &make<GTutorialActionWaitLetter>},
    {u"GenerateBrokenBuildingRequest", &make<GTutorialActionGenerateBrokenBuildingRequest>},
    {u"GenerateDirtyBuildingRequest", &make<GTutorialActionGenerateDirtyBuildingRequest>},
    {u"GenerateLetterRequest", &make<GTutorialActionGenerateLetterRequest>},
    {u"GeneratePauseRequest", &make<GTutorialActionGeneratePauseRequest>},
    {u"LevelModifierRequest", &make<GTutorialActionLevelModifierRequest>},
    {u"ObjectivesGroupCompleted", &make<GTutorialActionObjectivesGroupCompleted>},
    {u"RandomResourceAppear", &make<GTutorialActionRandomResourceAppear>},
};

} // namespace

GTutorialAction::~GTutorialAction() = default;

bool GTutorialAction::handleEvent(CEvent* event) { return handleWithTable(getHandlerTable(), event); }

void GTutorialAction::activate(CEventReceiver*) {}

void GTutorialAction::update(uint32_t) {}

void GTutorialAction::deactivate() {}

void GTutorialAction::load(const CXmlStreamReader&) {}

const CEventHandlerTable& GTutorialAction::getHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GTutorialAction::handlerTable() {
    static const CEventHandlerTable table(CEventReceiver::handlerTable());
    return table;
}

bool GTutorialAction::matchesBuilding(const BaseNode* building, const CArray<CName>& types,
                                      const CArray<CName>& places) const {
    if (!building || !building->isKindOf(ITutorialBuildings::BuildingNodeTypeId))
        return false;
    // A building place of the world knows its own type; the screen answers
    // for anything else it shows as a building.
    const GBuildingConfig* type = nullptr;
    if (const auto* place = dynamic_cast<const GBuildingNode*>(building))
        type = place->getType();
    else if (m_buildings)
        type = m_buildings->getBuildingType(building);
    if (!type)
        return false;
    return (types.empty() || contains(types, type->Name)) && (places.empty() || contains(places, building->getName()));
}

bool GTutorialAction::rejectClick() {
    if (CEngine* engine = findEngineInstance())
        if (CSoundCueManager* cues = engine->getSoundCueManager())
            (void)cues->play(soundCueName(GSoundCue::ButtonMissed), false, 0);
    return true;
}

GTutorialAction* createTutorialAction(const CStringW& type) {
    for (const ActionKind& kind : kKinds)
        if (type == kind.type)
            return kind.create();
    return nullptr;
}

const CArray<const char*>& tutorialActionTypes() {
    static const CArray<const char*> types = [] {
        CArray<const char*> all;
        for (const ActionKind& kind : kKinds) {
            CRefHandle<GTutorialAction> action(kind.create());
            all.push_back(action->typeName());
        }
        return all;
    }();
    return types;
}
