#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CName.h"

#include <cstdint>

class BaseNode;
class CEvent;
class CStringW;
class CXmlStreamReader;
class ITutorialBuildings;

// One condition of a tutorial hint: it counts time, watches the events the
// tutorial controller offers it, or asks something of the level. The hint is
// finished when one of its actions is done. For input it also decides
// whether an event may go on to the game (handleEvent false) or is taken
// (true). The controller calls handleEvent directly; the receiver mask plays
// no part.
//
// Each kind has its own class, created by createTutorialAction from the
// "Type" of its "Action" element, and its own handler table (a copy of this
// class's empty one with its own entries).
class GTutorialAction : public CEventReceiver {
public:
    // kind() of the actions that wait for a press the player must make or
    // for a building to be finished: a hint with one is never passed for
    // having been read.
    static constexpr int KindControlPress = 4;
    static constexpr int KindListItemPress = 5;
    static constexpr int KindBuildingPress = 6;
    static constexpr int KindBuildingCompleted = 7;

    // Pre-handlers, the class's table, then post-handlers.
    bool handleEvent(CEvent* event) override;

    // The hint is shown; `receiver` is where requests go (the level scene),
    // possibly null.
    virtual void activate(CEventReceiver* receiver);
    // Every controller tick while the hint is current.
    virtual void update(uint32_t elapsedMs);
    [[nodiscard]] virtual bool isDone() const = 0;
    // The hint is left.
    virtual void deactivate();
    // Reads the kind's attributes from the "Action" element the reader
    // stands on.
    virtual void load(const CXmlStreamReader& reader);
    // One of the kinds above, or 0.
    [[nodiscard]] virtual int kind() const { return 0; }
    // The "Type" text that creates this kind.
    [[nodiscard]] virtual const char* typeName() const = 0;

    // Where building filters find a building's type; null matches nothing.
    void setBuildings(const ITutorialBuildings* buildings) { m_buildings = buildings; }

    [[nodiscard]] virtual const CEventHandlerTable& getHandlerTable() const;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

protected:
    GTutorialAction() = default;
    ~GTutorialAction() override;

    // True when `building` is a building place with a current type record
    // whose Name is in `types` (or `types` is empty) and whose own Name is in
    // `places` (or `places` is empty).
    [[nodiscard]] bool matchesBuilding(const BaseNode* building, const CArray<CName>& types,
                                       const CArray<CName>& places) const;
    [[nodiscard]] const ITutorialBuildings* getBuildings() const { return m_buildings; }

    // The answer to a click the step does not allow: the "ButtonMissed" cue,
    // and the event is taken.
    static bool rejectClick();

private:
    const ITutorialBuildings* m_buildings = nullptr;
};

// A new action of the kind named exactly `type` (count 1, the caller's), or
// null when no kind has that name.
[[nodiscard]] GTutorialAction* createTutorialAction(const CStringW& type);

// The 23 "Type" names, in the order of the file format's table.
[[nodiscard]] const CArray<const char*>& tutorialActionTypes();
