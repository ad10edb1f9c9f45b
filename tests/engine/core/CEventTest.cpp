#include "engine/core/CEvent.h"

#include "engine/core/CEventHandlerTable.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CEventRender.h"
#include "engine/core/CEventUpdate.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

namespace {

// An update event of another class: its own type id, an update in kind.
class LateUpdate : public CEventUpdate {
public:
    static constexpr int32_t TypeId = 4100;
    LateUpdate() : CEventUpdate(5) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventUpdate::isKindOf(id); }
};

// A receiver that writes what happens to a shared trace: "name:h" when its
// handleEvent runs, and answers `takes` there.
class TraceReceiver : public CEventReceiver {
public:
    TraceReceiver(std::string name, std::string* trace, bool takes = false)
        : m_name(std::move(name)), m_trace(trace), m_takes(takes) {}

    bool handleEvent(CEvent*) override {
        *m_trace += m_name + ":h ";
        if (onHandle)
            onHandle();
        return m_takes;
    }

    std::function<void()> onHandle;

private:
    std::string m_name;
    std::string* m_trace;
    bool m_takes;
};

// A receiver with one parent and one child, tracing the routing steps.
class TreeReceiver : public TraceReceiver {
public:
    using TraceReceiver::TraceReceiver;

    bool routeToParent(int phase, CEvent* event) override { return parent && parent->dispatch(phase, event); }
    bool routeToChildren(int phase, CEvent* event) override { return child && child->dispatch(phase, event); }

    TreeReceiver* parent = nullptr;
    TreeReceiver* child = nullptr;
};

// Receivers with handler tables: the base handles updates and renders, the
// derived class replaces the update handler and adds its own late update.
class BaseHandler : public CEventReceiver {
public:
    explicit BaseHandler(std::string* trace) : m_trace(trace) {}

    bool handleEvent(CEvent* event) override { return handleWithTable(handlerTable(), event); }
    static const CEventHandlerTable& handlerTable() {
        static const CEventHandlerTable table = [] {
            CEventHandlerTable own(CEventReceiver::handlerTable());
            own.add<&BaseHandler::onUpdate>(CEventUpdate::TypeId);
            own.add<&BaseHandler::onRender>(CEventRender::TypeId);
            return own;
        }();
        return table;
    }

    bool onUpdate(CEventUpdate* event) {
        *m_trace += "base-update" + std::to_string(event->getElapsed()) + " ";
        return takes;
    }
    bool onRender(CEvent*) {
        *m_trace += "base-render ";
        if (onRenderHook)
            onRenderHook();
        return takes;
    }

    bool takes = true;
    std::function<void()> onRenderHook;

protected:
    std::string* m_trace;
};

class DerivedHandler : public BaseHandler {
public:
    using BaseHandler::BaseHandler;

    bool handleEvent(CEvent* event) override { return handleWithTable(handlerTable(), event); }
    static const CEventHandlerTable& handlerTable() {
        static const CEventHandlerTable table = [] {
            CEventHandlerTable own(BaseHandler::handlerTable());
            own.add<&DerivedHandler::onOwnUpdate>(CEventUpdate::TypeId);
            return own;
        }();
        return table;
    }

    bool onOwnUpdate(CEventUpdate*) {
        *m_trace += "derived-update ";
        return true;
    }
};

// A handler that reports its destruction.
class DroppableHandler : public BaseHandler {
public:
    DroppableHandler(std::string* trace, bool* destroyed) : BaseHandler(trace), m_destroyed(destroyed) {}

protected:
    ~DroppableHandler() override { *m_destroyed = true; }

private:
    bool* m_destroyed;
};

} // namespace

TEST(CEvent, KindsFollowTheTypeAndItsGroup) {
    CRefHandle<CEventUpdate> update(new CEventUpdate(16));
    CRefHandle<CEventRender> render(new CEventRender);
    const struct {
        const char* what;
        const CEvent* event;
        int32_t id;
        bool kind;
    } cases[] = {
        {"update is an update", update.get(), 18, true},
        {"update is system flow", update.get(), CEvent::KindSystemFlow, true},
        {"update is any event", update.get(), CEvent::KindAny, true},
        {"update is not a render", update.get(), 19, false},
        {"update is not a device event", update.get(), CEvent::KindDevice, false},
        {"render is a render", render.get(), 19, true},
        {"render is system flow", render.get(), CEvent::KindSystemFlow, true},
        {"render is any event", render.get(), CEvent::KindAny, true},
        {"render is not an update", render.get(), 18, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.event->isKindOf(c.id), c.kind);
    }
    EXPECT_EQ(update->getType(), 18);
    EXPECT_EQ(render->getType(), 19);
    EXPECT_EQ(update->getMask(), CEvent::MaskSystemFlow);
    EXPECT_EQ(render->getMask(), CEvent::MaskSystemFlow);
    EXPECT_EQ(update->getElapsed(), 16u);
    EXPECT_EQ(update->referenceCount(), 1);
    EXPECT_TRUE(update->className().equals(u"#thisClassName"));
    EXPECT_TRUE(render->className().equals(u"#thisClassName"));
}

TEST(CEventReceiver, PhasesRouteInTheirOrderAndStopWhenHandled) {
    // parent <- middle -> child; the middle receiver is dispatched to.
    const struct {
        const char* what;
        int phase;
        bool parentTakes, middleTakes, childTakes;
        const char* trace;
        bool handled;
    } cases[] = {
        {"handle only", CEventReceiver::HandleOnly, true, false, true, "middle:h ", false},
        {"handled, children not asked", CEventReceiver::HandleThenChildren, false, true, true, "middle:h ", true},
        {"unhandled goes down", CEventReceiver::HandleThenChildren, false, false, true, "middle:h child:h ", true},
        {"children first", CEventReceiver::ChildrenThenHandle, false, true, true, "child:h ", true},
        {"self after children", CEventReceiver::ChildrenThenHandle, false, true, false, "child:h middle:h ", true},
        {"unhandled goes up", CEventReceiver::HandleThenParent, true, false, false, "middle:h parent:h ", true},
        {"parent first", CEventReceiver::ParentThenHandle, false, false, false, "parent:h middle:h ", false},
        {"parent takes it", CEventReceiver::ParentThenHandle, true, true, false, "parent:h ", true},
        {"phase 5 routes nothing", 5, true, true, true, "", false},
        {"phase -1 routes nothing", -1, true, true, true, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string trace;
        CRefHandle<TreeReceiver> parent(new TreeReceiver("parent", &trace, c.parentTakes));
        CRefHandle<TreeReceiver> middle(new TreeReceiver("middle", &trace, c.middleTakes));
        CRefHandle<TreeReceiver> child(new TreeReceiver("child", &trace, c.childTakes));
        middle->parent = parent.get();
        middle->child = child.get();
        CRefHandle<CEventRender> event(new CEventRender);
        EXPECT_EQ(middle->dispatch(c.phase, event.get()), c.handled);
        EXPECT_EQ(trace, c.trace);
    }
}

TEST(CEventHandlerTable, DerivedEntriesReplaceTheBasesAndInheritTheRest) {
    EXPECT_EQ(CEventReceiver::handlerTable().size(), 0u);
    EXPECT_EQ(BaseHandler::handlerTable().size(), 2u);
    EXPECT_EQ(DerivedHandler::handlerTable().size(), 2u);

    std::string trace;
    CRefHandle<DerivedHandler> derived(new DerivedHandler(&trace));
    CRefHandle<CEventUpdate> update(new CEventUpdate(7));
    CRefHandle<CEventRender> render(new CEventRender);
    CRefHandle<LateUpdate> late(new LateUpdate);
    EXPECT_TRUE(derived->handleEvent(update.get()));
    EXPECT_TRUE(derived->handleEvent(render.get()));
    // Lookup is by exact type id: an update subclass finds no handler.
    EXPECT_FALSE(derived->handleEvent(late.get()));
    EXPECT_EQ(trace, "derived-update base-render ");

    trace.clear();
    CRefHandle<BaseHandler> base(new BaseHandler(&trace));
    EXPECT_TRUE(base->handleEvent(update.get()));
    EXPECT_EQ(trace, "base-update7 ");
}

TEST(CEventReceiver, PreHandlersComeFirstAndTheFirstTakerStopsTheEvent) {
    std::string trace;
    CRefHandle<BaseHandler> owner(new BaseHandler(&trace));
    CRefHandle<TraceReceiver> watcher(new TraceReceiver("watch", &trace, false));
    CRefHandle<TraceReceiver> swallower(new TraceReceiver("swallow", &trace, true));
    CRefHandle<TraceReceiver> never(new TraceReceiver("never", &trace, true));
    CRefHandle<CEventRender> render(new CEventRender);

    owner->addPreHandler(watcher.get());
    EXPECT_TRUE(owner->handleEvent(render.get()));
    EXPECT_EQ(trace, "watch:h base-render ");

    trace.clear();
    owner->addPreHandler(swallower.get());
    owner->addPreHandler(never.get());
    EXPECT_TRUE(owner->handleEvent(render.get()));
    EXPECT_EQ(trace, "watch:h swallow:h ");

    trace.clear();
    owner->removePreHandler(swallower.get());
    owner->removePreHandler(swallower.get()); // not there any more: nothing
    EXPECT_TRUE(owner->runPreHandlers(render.get()));
    EXPECT_EQ(trace, "watch:h never:h ");
}

TEST(CEventReceiver, PostHandlersSeeOnlyWhatTheHandlersLeft) {
    std::string trace;
    CRefHandle<BaseHandler> owner(new BaseHandler(&trace));
    CRefHandle<TraceReceiver> post(new TraceReceiver("post", &trace, true));
    CRefHandle<CEventRender> render(new CEventRender);
    CRefHandle<LateUpdate> late(new LateUpdate);
    owner->addPostHandler(post.get());

    EXPECT_TRUE(owner->handleEvent(render.get()));
    EXPECT_EQ(trace, "base-render ");

    trace.clear();
    owner->takes = false;
    EXPECT_TRUE(owner->handleEvent(render.get()));
    EXPECT_EQ(trace, "base-render post:h ");

    trace.clear();
    EXPECT_TRUE(owner->handleEvent(late.get())); // no table entry: straight to the hooks
    EXPECT_EQ(trace, "post:h ");
}

TEST(CEventReceiver, PostHandlerAddedDuringHandlingWaitsForTheNextEvent) {
    std::string trace;
    CRefHandle<BaseHandler> owner(new BaseHandler(&trace));
    CRefHandle<TraceReceiver> post(new TraceReceiver("post", &trace, false));
    CRefHandle<CEventRender> render(new CEventRender);
    owner->takes = false;
    bool added = false;
    owner->onRenderHook = [&] {
        if (!added) {
            added = true;
            owner->addPostHandler(post.get());
        }
    };
    EXPECT_FALSE(owner->handleEvent(render.get()));
    EXPECT_EQ(trace, "base-render ");
    trace.clear();
    EXPECT_FALSE(owner->handleEvent(render.get()));
    EXPECT_EQ(trace, "base-render post:h ");
}

TEST(CEventReceiver, HooksMayChangeTheListWhileTheyAreAsked) {
    std::string trace;
    CRefHandle<TraceReceiver> owner(new TraceReceiver("owner", &trace));
    CRefHandle<TraceReceiver> first(new TraceReceiver("first", &trace));
    CRefHandle<TraceReceiver> second(new TraceReceiver("second", &trace));
    CRefHandle<TraceReceiver> third(new TraceReceiver("third", &trace));
    CRefHandle<TraceReceiver> added(new TraceReceiver("added", &trace));
    CRefHandle<CEventRender> render(new CEventRender);

    // The first hook removes itself and the second, and adds another, each
    // time it is asked; then the list has grown past its first buffer.
    owner->addPostHandler(first.get());
    owner->addPostHandler(second.get());
    owner->addPostHandler(third.get());
    first->onHandle = [&] {
        owner->removePostHandler(first.get());
        owner->removePostHandler(second.get());
        for (int i = 0; i < 8; ++i)
            owner->addPostHandler(added.get());
    };
    EXPECT_FALSE(owner->runPostHandlers(render.get()));
    EXPECT_EQ(trace, "first:h third:h ");

    trace.clear();
    EXPECT_FALSE(owner->runPostHandlers(render.get()));
    EXPECT_EQ(trace, "third:h added:h added:h added:h added:h added:h added:h added:h added:h ");
}

TEST(CEventReceiver, AHookMayDropTheLastReferenceToItsReceiver) {
    // Each time the receiver is still used after the hook ran: by the table
    // handler, by the next hook, by the routing to the children.
    enum class Where { PreHandler, PostHandler, Dispatch };
    const struct {
        const char* what;
        Where where;
        const char* trace;
    } cases[] = {
        {"pre-handler, then the table's handler", Where::PreHandler, "drop:h base-render "},
        {"post-handler, then the next post-handler", Where::PostHandler, "base-render drop:h next:h "},
        {"pre-handler, then the routing to the children", Where::Dispatch, "drop:h base-render "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string trace;
        bool destroyed = false;
        auto* owner = new DroppableHandler(&trace, &destroyed); // the only reference
        owner->takes = false;
        CRefHandle<TraceReceiver> drop(new TraceReceiver("drop", &trace));
        CRefHandle<TraceReceiver> next(new TraceReceiver("next", &trace));
        CRefHandle<CEventRender> render(new CEventRender);
        drop->onHandle = [&owner] { releaseAndNull(owner); };
        if (c.where == Where::PostHandler) {
            owner->addPostHandler(drop.get());
            owner->addPostHandler(next.get());
        } else {
            owner->addPreHandler(drop.get());
        }
        CEventReceiver* receiver = owner;
        const bool handled = c.where == Where::Dispatch
                                 ? receiver->dispatch(CEventReceiver::HandleThenChildren, render.get())
                                 : receiver->handleEvent(render.get());
        EXPECT_FALSE(handled);
        EXPECT_EQ(trace, c.trace);
        EXPECT_TRUE(destroyed);
    }
}
