#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CEventHandlerTable.h"
#include "engine/core/CRefCounted.h"

#include <cstdint>

class CEvent;

// The part of every object that receives events: the engine, nodes,
// schedulers, the content manager and its processors, the game object.
//
// `dispatch` routes an event by phase through `handleEvent`, `routeToParent`
// and `routeToChildren`. The standard `handleEvent` offers the event to the
// pre-handlers, then looks its type id up in the class's handler table, then
// offers what is still unhandled to the post-handlers. Hooks (pre- and
// post-handlers) are other receivers; they are not owned.
//
// The receiver mask holds the event mask bits this receiver accepts when the
// engine posts to its listeners.
class CEventReceiver : public virtual CRefCounted {
public:
    // Routing phases: the phase travels unchanged, so an event keeps its
    // direction (down with 1 and 2, up with 3 and 4) until it is handled.
    static constexpr int HandleOnly = 0;
    static constexpr int HandleThenChildren = 1;
    static constexpr int ChildrenThenHandle = 2;
    static constexpr int HandleThenParent = 3;
    static constexpr int ParentThenHandle = 4;

    // True when the event was handled. The base version is the standard one
    // over its own (empty) table, so hooks work on any receiver.
    virtual bool handleEvent(CEvent* event);
    // Hands the event to the parent with the same phase; none here.
    virtual bool routeToParent(int phase, CEvent* event);
    // Hands the event to the children with the same phase; none here.
    virtual bool routeToChildren(int phase, CEvent* event);

    // Routes by phase; true as soon as a step handled the event. Phases
    // outside 0 to 4 route nothing and answer false.
    bool dispatch(int phase, CEvent* event);

    // Hooks are appended at the end; removing one that is not there does
    // nothing. Changing the lists while an event is being offered to them is
    // safe: hooks removed meanwhile are not asked, hooks added meanwhile first
    // see the next event.
    void addPreHandler(CEventReceiver* receiver);
    void removePreHandler(CEventReceiver* receiver);
    void addPostHandler(CEventReceiver* receiver);
    void removePostHandler(CEventReceiver* receiver);

    // Offer the event to each hook in order through its handleEvent; true at
    // the first that takes it (later ones are not asked).
    bool runPreHandlers(CEvent* event);
    bool runPostHandlers(CEvent* event);

    [[nodiscard]] uint32_t getMask() const { return m_mask; }
    void setMask(uint32_t mask) { m_mask = mask; }

    // This class's table: empty.
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

protected:
    CEventReceiver() = default;
    ~CEventReceiver() override;

    // The standard handleEvent over `table`: pre-handlers, the table's handler
    // for the event's exact type id, then (when the post-handler list was not
    // empty before the handler ran) the post-handlers.
    bool handleWithTable(const CEventHandlerTable& table, CEvent* event);

private:
    static bool runHooks(const CArray<CEventReceiver*>& hooks, CEvent* event);

    uint32_t m_mask = 0;
    CArray<CEventReceiver*> m_preHandlers;
    CArray<CEventReceiver*> m_postHandlers;
};
