#include "engine/core/CRefHandle.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/ListEvents.h"
#include "engine/scene/CEventClicked.h"
#include "game/config/GRandomEventMessages.h"
#include "game/config/GWorldMessages.h"
#include "game/play/GTutorialActions.h"
#include "game/world/GBuildingNode.h"
#include "tests/game/play/TutorialTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::string action(const std::string& type, const std::string& attributes = "") {
    return "<Action Type=\"" + type + "\" " + attributes + "/>";
}

// One event offered to a fresh action: whether it was taken and whether the
// action is then done.
struct Outcome {
    bool taken;
    bool done;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    return out << (o.taken ? "taken" : "passed") << ", " << (o.done ? "done" : "waiting");
}

class TutorialActions : public testing::Test {
protected:
    Outcome offer(const std::string& element, CEvent* event) {
        CRefHandle<CEvent> held(event);
        CRefHandle<GTutorialAction> a = loadAction(element);
        EXPECT_TRUE(a) << element;
        if (!a)
            return {};
        a->setBuildings(&buildings);
        a->activate(level.get());
        const bool taken = a->handleEvent(event);
        a->update(0);
        return {taken, a->isDone()};
    }

    CEvent* click(ControlNode* control) { return new CEventClicked(control); }
    CEvent* choose(ControlNode* list, int item) { return new CEventListItemClicked(list, item); }
    CEvent* hover(ControlNode* list, int item) { return new CEventListItemHovered(list, item); }

    CRefHandle<ButtonNode> makeButton(const char* name) {
        CRefHandle<ButtonNode> node(new ButtonNode(CObjectName(), nullptr, nullptr));
        node->setName(CName(name));
        return node;
    }

    FakeBuildings buildings;
    CRefHandle<RecordingLevel> level{new RecordingLevel};
    CRefHandle<FakeBuildingNode> cottage3 = buildings.add("Place3", "Cottage1");
    CRefHandle<FakeBuildingNode> cottage1 = buildings.add("Place1", "Cottage1");
    CRefHandle<FakeBuildingNode> mill2 = buildings.add("Place2", "Mill1");
    CRefHandle<FakeBuildingNode> untyped = buildings.add("Place4", nullptr);
    CRefHandle<ButtonNode> buildButton = makeButton("BuildButton");
    CRefHandle<ButtonNode> otherButton = makeButton("OtherButton");
    CRefHandle<ButtonNode> buildList = makeButton("BuildList");
    CRefHandle<ButtonNode> otherList = makeButton("OtherList");
};

} // namespace

TEST_F(TutorialActions, ClicksAndChoicesGetThroughOnlyWhereTheStepAllows) {
    const Outcome passDone{false, true}, rejected{true, false}, waiting{false, false}, takenDone{true, true};
    const struct {
        const char* what;
        std::string element;
        std::function<CEvent*()> event;
        Outcome expected;
    } cases[] = {
        {"any building, a building", action("BuildingPress"), [&] { return click(mill2.get()); }, passDone},
        {"any building, a button", action("BuildingPress"), [&] { return click(buildButton.get()); }, rejected},
        {"any building, a list choice", action("BuildingPress"), [&] { return choose(buildList.get(), 0); }, rejected},
        {"building without a type", action("BuildingPress"), [&] { return click(untyped.get()); }, rejected},
        {"right place", action("BuildingPress", "Places=\"Place3\""), [&] { return click(cottage3.get()); }, passDone},
        {"same type, other place", action("BuildingPress", "Places=\"Place3\""), [&] { return click(cottage1.get()); },
         rejected},
        {"right type", action("BuildingPress", "Buildings=\"Cottage1\""), [&] { return click(cottage1.get()); },
         passDone},
        {"other type", action("BuildingPress", "Buildings=\"Cottage1\""), [&] { return click(mill2.get()); }, rejected},
        {"no controls named", action("ControlPress"), [&] { return click(buildButton.get()); }, rejected},
        {"named control", action("ControlPress", "Controls=\"HireButton; BuildButton\""),
         [&] { return click(buildButton.get()); }, passDone},
        {"other control", action("ControlPress", "Controls=\"BuildButton\""), [&] { return click(otherButton.get()); },
         rejected},
        {"control step, a list choice", action("ControlPress", "Controls=\"BuildList\""),
         [&] { return choose(buildList.get(), 1); }, rejected},
        {"list step, a button", action("ListItemPress", "List=\"BuildList\" Indices=\"1\""),
         [&] { return click(buildButton.get()); }, rejected},
        {"list step, the right item", action("ListItemPress", "List=\"BuildList\" Indices=\"0;1\""),
         [&] { return choose(buildList.get(), 1); }, passDone},
        {"list step, another item", action("ListItemPress", "List=\"BuildList\" Indices=\"1\""),
         [&] { return choose(buildList.get(), 2); }, rejected},
        {"list step, another list", action("ListItemPress", "List=\"BuildList\" Indices=\"1\""),
         [&] { return choose(otherList.get(), 1); }, rejected},
        {"hover of the right item", action("ListItemHovered", "List=\"BuildList\" Indices=\"3\""),
         [&] { return hover(buildList.get(), 3); }, passDone},
        {"hover of another item", action("ListItemHovered", "List=\"BuildList\" Indices=\"3\""),
         [&] { return hover(buildList.get(), 2); }, waiting},
        {"hover step, a choice", action("ListItemHovered", "List=\"BuildList\" Indices=\"3\""),
         [&] { return choose(buildList.get(), 3); }, waiting},
        {"any click, a button", action("MouseClick"), [&] { return click(buildButton.get()); }, takenDone},
        {"any click, a list choice", action("MouseClick"), [&] { return choose(buildList.get(), 0); }, takenDone},
        {"any click, a hover", action("MouseClick"), [&] { return hover(buildList.get(), 0); }, waiting},
        {"completion step, a click", action("BuildingCompleted"), [&] { return click(buildButton.get()); }, waiting},
        {"group step, a click", action("ObjectivesGroupCompleted"), [&] { return click(buildButton.get()); }, waiting},
        {"timed step, a click", action("Timed", "Time=\"100\""), [&] { return click(buildButton.get()); }, waiting},
        {"request, a click", action("GenerateLetterRequest"), [&] { return click(buildButton.get()); },
         Outcome{false, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(offer(c.element, c.event()), c.expected);
    }
}

TEST_F(TutorialActions, WorldMessagesFinishTheStepsThatWaitForThemAndGoOn) {
    CArray<CName> noNames;
    const struct {
        const char* what;
        std::string element;
        std::function<CEvent*()> event;
        bool done;
    } cases[] = {
        {"produced at a matching building", action("ResourcesProduced", "Buildings=\"Mill1\""),
         [&] { return new GResourcesProducedMessage(mill2.get(), GResourceMap()); }, true},
        {"produced elsewhere", action("ResourcesProduced", "Buildings=\"Mill1\""),
         [&] { return new GResourcesProducedMessage(cottage1.get(), GResourceMap()); }, false},
        {"workers trained", action("WorkersTrained"), [] { return new GWorkersTrainedMessage(2); }, true},
        {"worker at the place", action("WorkerArrived", "Places=\"Place2\""),
         [&] { return new GWorkerArrivedMessage(mill2.get(), nullptr); }, true},
        {"worker left another place", action("WorkerLeaved", "Places=\"Place2\""),
         [&] { return new GWorkerLeavedMessage(cottage3.get(), nullptr); }, false},
        {"worker left the place", action("WorkerLeaved", "Places=\"Place2\""),
         [&] { return new GWorkerLeavedMessage(mill2.get(), nullptr); }, true},
        {"arrival is no leaving", action("WorkerLeaved"),
         [&] { return new GWorkerArrivedMessage(mill2.get(), nullptr); }, false},
        {"train arrived", action("TrainArrived"), [&] { return new GTrainArrivedMessage(mill2.get(), nullptr); }, true},
        {"train left", action("TrainLeaved"), [&] { return new GTrainLeavedMessage(mill2.get(), nullptr, 1); }, true},
        {"building without a type", action("TrainLeaved"), [&] { return new GTrainLeavedMessage(untyped.get(), nullptr, 1); },
         false},
        {"completed", action("BuildingCompleted", "Buildings=\"Cottage1\""),
         [&] { return new GBuildingCompletedMessage(cottage1.get(), nullptr); }, true},
        {"location done", action("BuildingCompleted", "Places=\"Place2\""),
         [&] { return new GOnRoadLocationDoneMessage(mill2.get(), nullptr, GResourceMap()); }, true},
        {"completed or exists, completed", action("BuildingCompletedOrExist", "Buildings=\"Cottage1\""),
         [&] { return new GBuildingCompletedMessage(cottage3.get(), nullptr); }, true},
        {"group 1 completed", action("ObjectivesGroupCompleted", "GroupIndex=\"1\""),
         [] { return new GObjectivesGroupCompletedMessage(1, 60, 0, 30, CString()); }, true},
        {"group 0 completed", action("ObjectivesGroupCompleted", "GroupIndex=\"1\""),
         [] { return new GObjectivesGroupCompletedMessage(0, 60, 0, 30, CString()); }, false},
        {"dirty request", action("WaitDirty"), [&] { return new GDirtyBuildingEvent(noNames, noNames, false); }, true},
        {"letter request", action("WaitLetter"), [&] { return new GLetterEvent(noNames, noNames, false, {}, {}); },
         true},
        {"dirty is no letter", action("WaitLetter"), [&] { return new GDirtyBuildingEvent(noNames, noNames, false); },
         false},
        {"any pile anywhere", action("RandomResourceAppear"),
         [&] { return new GRandomResourceAppearedMessage(cottage1.get(), CName("Gold")); }, true},
        {"pile of another resource", action("RandomResourceAppear", "Resources=\"Gold\""),
         [&] { return new GRandomResourceAppearedMessage(cottage1.get(), CName("Materials")); }, false},
        {"pile at another type", action("RandomResourceAppear", "Buildings=\"Mill1\" Resources=\"Gold\""),
         [&] { return new GRandomResourceAppearedMessage(cottage1.get(), CName("Gold")); }, false},
        {"pile at the type", action("RandomResourceAppear", "Buildings=\"Mill1\" Resources=\"Gold\""),
         [&] { return new GRandomResourceAppearedMessage(mill2.get(), CName("Gold")); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(offer(c.element, c.event()), (Outcome{false, c.done}));
    }
}

TEST_F(TutorialActions, WithoutTheScreensBuildingsNoBuildingMatches) {
    CRefHandle<GTutorialAction> a = loadAction(action("BuildingPress"));
    CRefHandle<CEvent> event(click(cottage1.get()));
    EXPECT_TRUE(a->handleEvent(event.get())) << "refused";
    EXPECT_FALSE(a->isDone());
}

TEST_F(TutorialActions, AWorldBuildingPlaceAnswersWithItsOwnType) {
    CRefHandle<GBuildingConfig> cottage(new GBuildingConfig);
    cottage->Name = CName("Cottage1");
    CRefHandle<GBuildingNode> place(new GBuildingNode(CObjectName(), nullptr, nullptr));
    place->setName(CName("Place7"));
    place->setType(cottage.get(), false, false);
    const struct {
        const char* what;
        std::string element;
        bool done;
    } cases[] = {
        {"its type", action("BuildingPress", "Buildings=\"Cottage1\""), true},
        {"its place", action("BuildingPress", "Places=\"Place7\""), true},
        {"another type", action("BuildingPress", "Buildings=\"Mill1\""), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<GTutorialAction> a = loadAction(c.element);
        a->activate(level.get());
        CRefHandle<CEvent> event(click(place.get()));
        (void)a->handleEvent(event.get());
        a->update(0);
        EXPECT_EQ(a->isDone(), c.done);
    }
}

TEST_F(TutorialActions, TimedIsDoneOnceItsTimeHasPassedInUpdates) {
    CRefHandle<GTutorialAction> timed = loadAction(action("Timed", "Time=\"3000\""));
    timed->update(1000);
    timed->update(1999);
    EXPECT_FALSE(timed->isDone());
    timed->update(1);
    EXPECT_TRUE(timed->isDone());
    timed->update(4000000000u);
    EXPECT_TRUE(timed->isDone());
    for (const char* element :
         {"<Action Type=\"Timed\"/>", "<Action Type=\"Timed\" Time=\"0\"/>", "<Action Type=\"Timed\" Time=\"-5\"/>"}) {
        SCOPED_TRACE(element);
        CRefHandle<GTutorialAction> instant = loadAction(element);
        instant->update(0);
        EXPECT_TRUE(instant->isDone());
    }
    CRefHandle<GTutorialAction> longest = loadAction(action("Timed", "Time=\"2147483647\""));
    longest->update(4000000000u);
    EXPECT_TRUE(longest->isDone());
}

TEST_F(TutorialActions, ThePauseRequestPausesWhileShownOrFromTheHintOn) {
    const struct {
        const char* attributes;
        std::vector<std::string> shown, left;
    } cases[] = {
        {"", {"4128 pause"}, {"4128 resume"}},
        {"Value=\"true\"", {"4128 pause"}, {}},
        {"Value=\"false\"", {"4128 resume"}, {}},
        {"Value=\"True\"", {"4128 resume"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attributes);
        CRefHandle<GTutorialAction> pause = loadAction(action("GeneratePauseRequest", c.attributes));
        pause->activate(level.get());
        EXPECT_EQ(level->takeLines(), c.shown);
        pause->update(10);
        EXPECT_FALSE(pause->isDone());
        EXPECT_TRUE(level->takeLines().empty());
        pause->deactivate();
        EXPECT_EQ(level->takeLines(), c.left);
    }
}

TEST_F(TutorialActions, TheModifierChangesWhenTheHintIsLeft) {
    CRefHandle<GTutorialAction> modifier =
        loadAction(action("LevelModifierRequest", "Modifier=\"BuildTimeM\" Value=\"0.5\""));
    modifier->activate(level.get());
    modifier->update(100000);
    EXPECT_FALSE(modifier->isDone());
    EXPECT_TRUE(level->takeLines().empty());
    modifier->deactivate();
    EXPECT_EQ(level->takeLines(), (std::vector<std::string>{"4129 BuildTimeM=0.50"}));

    CRefHandle<GTutorialAction> unset = loadAction(action("LevelModifierRequest"));
    unset->activate(level.get());
    unset->deactivate();
    EXPECT_EQ(level->takeLines(), (std::vector<std::string>{"4129 =1.00"}));
}

TEST_F(TutorialActions, BuildingRequestsAreSentAtTheUpdateWithTheirFilters) {
    const struct {
        std::string element;
        std::string line;
    } cases[] = {
        {action("GenerateBrokenBuildingRequest", "BuildingTypes=\"Mill1; Inn1\" PlaceNames=\"Place2\""),
         "4124 types Mill1,Inn1 places Place2"},
        {action("GenerateDirtyBuildingRequest", "BuildingTypes=\"Mill1\""), "4125 types Mill1 places "},
        {action("GenerateLetterRequest", "PlaceNames=\"Place2\""),
         "4126 types  places Place2 money 1.5-2.0 wait 200000000-200000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.element);
        CRefHandle<GTutorialAction> request = loadAction(c.element);
        EXPECT_TRUE(request->isDone());
        request->activate(level.get());
        EXPECT_TRUE(level->takeLines().empty());
        request->update(20);
        EXPECT_EQ(level->takeLines(), (std::vector<std::string>{c.line}));
        request->deactivate();
        EXPECT_TRUE(level->takeLines().empty());
    }
}

TEST_F(TutorialActions, WithoutAReceiverNothingIsSentAndRequestsStillFinish) {
    const struct {
        const char* type;
        bool finishes;
    } cases[] = {{"GenerateBrokenBuildingRequest", true}, {"GenerateDirtyBuildingRequest", true},
                 {"GenerateLetterRequest", true},         {"GeneratePauseRequest", false},
                 {"LevelModifierRequest", false},         {"BuildingCompletedOrExist", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        CRefHandle<GTutorialAction> a = loadAction(action(c.type, "Buildings=\"Cottage1\""));
        a->activate(nullptr);
        a->update(10);
        a->deactivate();
        EXPECT_EQ(a->isDone(), c.finishes);
    }
    EXPECT_TRUE(level->ids.empty());
}

TEST_F(TutorialActions, CompletedOrExistAsksTheLevelAtEveryUpdate) {
    level->standing = {"Mill1"};
    CRefHandle<GTutorialAction> standing =
        loadAction(action("BuildingCompletedOrExist", "Buildings=\"Mill1\" Places=\"Place9\""));
    standing->activate(level.get());
    EXPECT_FALSE(standing->isDone());
    standing->update(10);
    EXPECT_TRUE(standing->isDone());
    EXPECT_EQ(level->takeLines(), (std::vector<std::string>{"4130 types Mill1 places Place9"}));

    CRefHandle<GTutorialAction> any = loadAction(action("BuildingCompletedOrExist"));
    any->setBuildings(&buildings);
    any->activate(level.get());
    any->update(10);
    any->update(10);
    EXPECT_FALSE(any->isDone()) << "an empty list is never answered";
    EXPECT_EQ(level->ids, (std::vector<int32_t>{4130, 4130}));
    CRefHandle<CEvent> completed(new GBuildingCompletedMessage(cottage1.get(), nullptr));
    EXPECT_FALSE(any->handleEvent(completed.get()));
    EXPECT_TRUE(any->isDone());
}
