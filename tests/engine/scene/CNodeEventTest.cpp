#include "engine/scene/CNodeEvent.h"

#include "engine/core/CEventHandlerTable.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/scene/CEventClick.h"
#include "engine/scene/CEventClickStarted.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventDictionaryChanged.h"
#include "engine/scene/CEventFocusOther.h"
#include "engine/scene/CEventFocusRequest.h"
#include "engine/scene/CEventFocused.h"
#include "engine/scene/CEventHoverEnter.h"
#include "engine/scene/CEventHoverOther.h"
#include "engine/scene/CEventHovered.h"
#include "engine/scene/CEventKeyFinished.h"
#include "engine/scene/CEventManagerAttached.h"
#include "engine/scene/CEventMessageBoxClosed.h"
#include "engine/scene/CEventNodeStateApplying.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/CEventNodeStateFinished.h"
#include "engine/scene/CEventNodeStateMissing.h"
#include "engine/scene/CEventPressed.h"
#include "engine/scene/CEventReleased.h"
#include "engine/scene/CEventSceneChange.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/CEventStateFinished.h"
#include "engine/scene/CEventStateStarted.h"
#include "engine/scene/CEventTemplatesChanged.h"
#include "engine/scene/CEventUnfocused.h"
#include "engine/scene/CEventUnhovered.h"

#include <gtest/gtest.h>

#include <set>

TEST(CNodeEvent, EveryNodeEventHasItsIdMaskAndKindChain) {
    const struct {
        CEvent* event;
        int32_t id;
        std::set<int32_t> kinds; // besides its own id, 8 and 0
    } cases[] = {
        {new CEventManagerAttached(nullptr), 41, {}},
        {new CEventTemplatesChanged(nullptr), 42, {}},
        {new CEventDictionaryChanged(), 43, {}},
        {new CEventSceneChange(nullptr, nullptr, true), 44, {}},
        {new CEventSceneChangeFinished(nullptr, nullptr, true), 45, {44}},
        {new CEventSceneChangeStarted(nullptr, nullptr, false), 46, {44}},
        {new CEventMessageBoxClosed(2), 47, {}},
        {new CEventPressed(nullptr, nullptr), 52, {51}},
        {new CEventReleased(nullptr, nullptr), 54, {53}},
        {new CEventHoverEnter(nullptr, nullptr), 55, {}},
        {new CEventHovered(nullptr, nullptr), 56, {55}},
        {new CEventHoverOther(nullptr, nullptr), 57, {}},
        {new CEventUnhovered(nullptr, nullptr), 58, {57}},
        {new CEventFocusRequest(nullptr, nullptr), 59, {}},
        {new CEventFocused(nullptr, nullptr), 60, {59}},
        {new CEventFocusOther(nullptr, nullptr), 61, {}},
        {new CEventUnfocused(nullptr, nullptr), 62, {61}},
        {new CEventClickStarted(nullptr), 64, {63}},
        {new CEventClick(nullptr), 65, {}},
        {new CEventClicked(nullptr), 66, {65}},
        {new CEventKeyFinished(nullptr, 5, true), 74, {}},
        {new CEventStateStarted(nullptr, CName("A")), 75, {}},
        {new CEventStateFinished(nullptr, CName("A"), false), 76, {}},
        {new CEventNodeStateMissing(nullptr, CName("A")), 77, {}},
        {new CEventNodeStateFinished(nullptr, CName("A")), 79, {}},
        {new CEventNodeStateApplying(nullptr, CName("A")), 81, {}},
        {new CEventNodeStateCompleted(nullptr, CName("A")), 83, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        CRefHandle<CEvent> event(c.event);
        EXPECT_EQ(event->getType(), c.id);
        EXPECT_EQ(event->getMask(), CEvent::MaskNode);
        EXPECT_EQ(event->className(), CStringW(u"#thisClassName"));
        EXPECT_EQ(event->referenceCount(), 1);
        for (int32_t id = 0; id < 100; ++id) {
            const bool expected = id == c.id || id == CEvent::KindNode || id == CEvent::KindAny || c.kinds.count(id);
            EXPECT_EQ(event->isKindOf(id), expected) << "id " << id;
        }
    }
}

namespace {

class Listener : public CEventReceiver {
public:
    bool onPressGroup(CEvent*) {
        ++heard;
        return true;
    }
    bool handleEvent(CEvent* event) override { return handleWithTable(table, event); }

    CEventHandlerTable table;
    int heard = 0;
};

} // namespace

TEST(CNodeEvent, HandlersAreFoundByExactTypeOnly) {
    CRefHandle<Listener> listener(new Listener());
    listener->table.add<&Listener::onPressGroup>(CEventPressed::GroupId);
    CRefHandle<CEvent> pressed(new CEventPressed(nullptr, nullptr));
    EXPECT_FALSE(listener->handleEvent(pressed.get()));
    EXPECT_EQ(listener->heard, 0);
}
