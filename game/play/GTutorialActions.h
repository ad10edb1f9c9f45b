#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "game/play/GTutorialAction.h"

#include <cstdint>

class CEventClicked;
class CEventListItemClicked;
class CEventListItemHovered;
class GBuildingMessage;
class GObjectivesGroupCompletedMessage;
class GRandomResourceAppearedMessage;
class GGameMessage;

// The kinds of tutorial action that count time or watch events. Each class
// bears the name of the "Type" that creates it. The done flag, once set,
// stays set for the life of the action.

// "Timed": done once "Time" ms have passed in updates (at the first update
// for no or a zero time).
class GTutorialActionTimed : public GTutorialAction {
public:
    void update(uint32_t elapsedMs) override;
    [[nodiscard]] bool isDone() const override { return m_remaining <= 0; }
    void load(const CXmlStreamReader& reader) override;
    [[nodiscard]] const char* typeName() const override { return "Timed"; }
    [[nodiscard]] int getRemaining() const { return m_remaining; }

private:
    int m_remaining = 0;
};

// The common part of the kinds that finish on an event: the done flag.
class GTutorialWaitAction : public GTutorialAction {
public:
    [[nodiscard]] bool isDone() const override { return m_done; }

protected:
    void setDone() { m_done = true; }

private:
    bool m_done = false;
};

// The kinds filtered by building type ("Buildings") and place ("Places").
class GTutorialBuildingAction : public GTutorialWaitAction {
public:
    void load(const CXmlStreamReader& reader) override;
    [[nodiscard]] const CArray<CName>& getBuildingTypes() const { return m_buildingTypes; }
    [[nodiscard]] const CArray<CName>& getPlaces() const { return m_places; }

protected:
    [[nodiscard]] bool matches(const BaseNode* building) const {
        return matchesBuilding(building, m_buildingTypes, m_places);
    }
    // Done when the message's building passes the filter; never taken.
    bool onBuildingMessage(GBuildingMessage* message);

private:
    CArray<CName> m_buildingTypes;
    CArray<CName> m_places;
};

// "MouseClick": the first click or list choice finishes it, and is taken
// with the "ButtonMissed" sound.
class GTutorialActionMouseClick : public GTutorialWaitAction {
public:
    [[nodiscard]] const char* typeName() const override { return "MouseClick"; }
    [[nodiscard]] const CEventHandlerTable& getHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

private:
    bool onClick(CEvent* event);
};

// "BuildingPress": only a click on a matching building gets through (and
// finishes the step); other clicks are refused, list choices taken silently.
class GTutorialActionBuildingPress : public GTutorialBuildingAction {
public:
    [[nodiscard]] int kind() const override { return KindBuildingPress; }
    [[nodiscard]] const char* typeName() const override { return "BuildingPress"; }
    [[nodiscard]] const CEventHandlerTable& getHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

private:
    bool onClicked(CEventClicked* event);
    bool onListItemClicked(CEventListItemClicked* event);
};

// "ControlPress": only a click on a control named in "Controls" gets
// through (and finishes the step).
class GTutorialActionControlPress : public GTutorialWaitAction {
public:
    void load(const CXmlStreamReader& reader) override;
    [[nodiscard]] int kind() const override { return KindControlPress; }
    [[nodiscard]] const char* typeName() const override { return "ControlPress"; }
    [[nodiscard]] const CEventHandlerTable& getHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();
    [[nodiscard]] const CArray<CName>& getControls() const { return m_controls; }

private:
    bool onClicked(CEventClicked* event);
    bool onListItemClicked(CEventListItemClicked* event);

    CArray<CName> m_controls;
};

// The common part of the list kinds: the list's Name and the item indices.
class GTutorialListAction : public GTutorialWaitAction {
public:
    void load(const CXmlStreamReader& reader) override;
    [[nodiscard]] CName getList() const { return m_list; }
    [[nodiscard]] const CArray<int>& getIndices() const { return m_indices; }

protected:
    [[nodiscard]] bool matchesItem(const BaseNode* list, int item) const;

private:
    CName m_list;
    CArray<int> m_indices;
};

// "ListItemPress": only a choice of a listed item of the named list gets
// through (and finishes the step); every other click or choice is refused.
class GTutorialActionListItemPress : public GTutorialListAction {
public:
    [[nodiscard]] int kind() const override { return KindListItemPress; }
    [[nodiscard]] const char* typeName() const override { return "ListItemPress"; }
    [[nodiscard]] const CEventHandlerTable& getHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

private:
    bool onClicked(CEventClicked* event);
    bool onListItemClicked(CEventListItemClicked* event);
};

// "ListItemHovered": hovering a listed item of the named list finishes it.
class GTutorialActionListItemHovered : public GTutorialListAction {
public:
    [[nodiscard]] const char* typeName() const override { return "ListItemHovered"; }
    [[nodiscard]] const CEventHandlerTable& getHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

private:
    bool onHovered(CEventListItemHovered* event);
};

// The kinds done by one world message about a matching building.
#define BM_TUTORIAL_BUILDING_MESSAGE_ACTION(Kind)                                                                      \
    class GTutorialAction##Kind : public GTutorialBuildingAction {                                                     \
    public:                                                                                                            \
        [[nodiscard]] const char* typeName() const override { return #Kind; }                                          \
        [[nodiscard]] const CEventHandlerTable& getHandlerTable() const override;                                      \
        [[nodiscard]] static const CEventHandlerTable& handlerTable();                                                 \
    };
BM_TUTORIAL_BUILDING_MESSAGE_ACTION(ResourcesProduced)
BM_TUTORIAL_BUILDING_MESSAGE_ACTION(WorkerArrived)
BM_TUTORIAL_BUILDING_MESSAGE_ACTION(WorkerLeaved)
BM_TUTORIAL_BUILDING_MESSAGE_ACTION(TrainArrived)
BM_TUTORIAL_BUILDING_MESSAGE_ACTION(TrainLeaved)
#undef BM_TUTORIAL_BUILDING_MESSAGE_ACTION

// Done by 4109 or 4110; a click gets through untouched.
class GTutorialActionBuildingCompleted : public GTutorialBuildingAction {
public:
    [[nodiscard]] int kind() const override { return KindBuildingCompleted; }
    [[nodiscard]] const char* typeName() const override { return "BuildingCompleted"; }
    [[nodiscard]] const CEventHandlerTable& getHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();
};

// The kinds done by any message of one type id: "WorkersTrained" (4104),
// "WaitDirty" (4125) and "WaitLetter" (4126).
#define BM_TUTORIAL_ANY_MESSAGE_ACTION(Kind)                                                                           \
    class GTutorialAction##Kind : public GTutorialWaitAction {                                                         \
    public:                                                                                                            \
        [[nodiscard]] const char* typeName() const override { return #Kind; }                                          \
        [[nodiscard]] const CEventHandlerTable& getHandlerTable() const override;                                      \
        [[nodiscard]] static const CEventHandlerTable& handlerTable();                                                 \
                                                                                                                       \
    private:                                                                                                           \
        bool onMessage(CEvent* event);                                                                                 \
    };
BM_TUTORIAL_ANY_MESSAGE_ACTION(WorkersTrained)
BM_TUTORIAL_ANY_MESSAGE_ACTION(WaitDirty)
BM_TUTORIAL_ANY_MESSAGE_ACTION(WaitLetter)
#undef BM_TUTORIAL_ANY_MESSAGE_ACTION

// "ObjectivesGroupCompleted": the completion of group "GroupIndex".
class GTutorialActionObjectivesGroupCompleted : public GTutorialWaitAction {
public:
    void load(const CXmlStreamReader& reader) override;
    [[nodiscard]] const char* typeName() const override { return "ObjectivesGroupCompleted"; }
    [[nodiscard]] const CEventHandlerTable& getHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();
    [[nodiscard]] int getGroupIndex() const { return m_groupIndex; }

private:
    bool onGroupCompleted(GObjectivesGroupCompletedMessage* message);

    int m_groupIndex = 0;
};

// "RandomResourceAppear": a pile of one of "Resources" at a building of one
// of "Buildings" (either list empty: any).
class GTutorialActionRandomResourceAppear : public GTutorialWaitAction {
public:
    void load(const CXmlStreamReader& reader) override;
    [[nodiscard]] const char* typeName() const override { return "RandomResourceAppear"; }
    [[nodiscard]] const CEventHandlerTable& getHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

private:
    bool onAppeared(GRandomResourceAppearedMessage* message);

    CArray<CName> m_buildingTypes;
    CArray<CName> m_resources;
};

// "BuildingCompletedOrExist": done by a 4109 about a matching building, or
// at an update where the level answers that such a building stands.
class GTutorialActionBuildingCompletedOrExist : public GTutorialBuildingAction {
public:
    void activate(CEventReceiver* receiver) override { m_receiver = receiver; }
    void update(uint32_t elapsedMs) override;
    [[nodiscard]] int kind() const override { return KindBuildingCompleted; }
    [[nodiscard]] const char* typeName() const override { return "BuildingCompletedOrExist"; }
    [[nodiscard]] const CEventHandlerTable& getHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

private:
    CEventReceiver* m_receiver = nullptr;
};

// The requests: they stage the situation a hint explains by sending game
// messages to the receiver given at activation (none without one).

// "GeneratePauseRequest": without "Value" the level is paused while the hint
// shows; "Value" "true" pauses it, any other text resumes it, from the hint
// on. Never done.
class GTutorialActionGeneratePauseRequest : public GTutorialAction {
public:
    void activate(CEventReceiver* receiver) override;
    void deactivate() override;
    [[nodiscard]] bool isDone() const override { return false; }
    void load(const CXmlStreamReader& reader) override;
    [[nodiscard]] const char* typeName() const override { return "GeneratePauseRequest"; }

private:
    CEventReceiver* m_receiver = nullptr;
    bool m_pause = false;
    bool m_hasValue = false;
};

// "LevelModifierRequest": sets the level modifier "Modifier" to "Value"
// (1.0 by default) when the hint is left. Never done.
class GTutorialActionLevelModifierRequest : public GTutorialAction {
public:
    void activate(CEventReceiver* receiver) override { m_receiver = receiver; }
    void deactivate() override;
    [[nodiscard]] bool isDone() const override { return false; }
    void load(const CXmlStreamReader& reader) override;
    [[nodiscard]] const char* typeName() const override { return "LevelModifierRequest"; }

private:
    float m_value = 1.0f;
    CName m_modifier;
    CEventReceiver* m_receiver = nullptr;
};

// The common part of the broken, dirty and letter requests: sent at every
// update (so once: the action is done at once).
class GTutorialBuildingRequestAction : public GTutorialAction {
public:
    void activate(CEventReceiver* receiver) override { m_receiver = receiver; }
    void update(uint32_t elapsedMs) override;
    [[nodiscard]] bool isDone() const override { return true; }
    void load(const CXmlStreamReader& reader) override;

protected:
    // A new request with copies of the filters (count 1, the caller's).
    [[nodiscard]] virtual CEvent* createRequest(const CArray<CName>& buildingTypes,
                                                const CArray<CName>& placeNames) const = 0;

private:
    CEventReceiver* m_receiver = nullptr;
    CArray<CName> m_buildingTypes;
    CArray<CName> m_placeNames;
};

class GTutorialActionGenerateBrokenBuildingRequest : public GTutorialBuildingRequestAction {
public:
    [[nodiscard]] const char* typeName() const override { return "GenerateBrokenBuildingRequest"; }

protected:
    [[nodiscard]] CEvent* createRequest(const CArray<CName>& buildingTypes,
                                        const CArray<CName>& placeNames) const override;
};

class GTutorialActionGenerateDirtyBuildingRequest : public GTutorialBuildingRequestAction {
public:
    [[nodiscard]] const char* typeName() const override { return "GenerateDirtyBuildingRequest"; }

protected:
    [[nodiscard]] CEvent* createRequest(const CArray<CName>& buildingTypes,
                                        const CArray<CName>& placeNames) const override;
};

class GTutorialActionGenerateLetterRequest : public GTutorialBuildingRequestAction {
public:
    [[nodiscard]] const char* typeName() const override { return "GenerateLetterRequest"; }

protected:
    [[nodiscard]] CEvent* createRequest(const CArray<CName>& buildingTypes,
                                        const CArray<CName>& placeNames) const override;
};
