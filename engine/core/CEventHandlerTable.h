#pragma once

#include "engine/core/CMap.h"

#include <cstdint>

class CEvent;
class CEventReceiver;

// One per receiver class: event type id -> handler. A class's table starts as
// a copy of its base class's table; the class's own entries are then added,
// replacing the base's handler for an id both handle. Lookup is by exact type
// id: a group id or a subclass's id does not find a handler.
//
// A handler forwards to a (usually virtual) member of the class, so that a
// subclass changes behaviour by overriding that member:
//
//   const CEventHandlerTable& CUpdateScheduler::handlerTable() {
//       static const CEventHandlerTable table = [] {
//           CEventHandlerTable t(CEventReceiver::handlerTable());
//           t.add<&CUpdateScheduler::onUpdateEvent>(CEventUpdate::TypeId);
//           return t;
//       }();
//       return table;
//   }
class CEventHandlerTable {
public:
    using Handler = bool (*)(CEventReceiver* receiver, CEvent* event);

    CEventHandlerTable() = default;

    // Adds the entry, or replaces the handler when the id is already there.
    void set(int32_t typeId, Handler handler);

    // Adds a handler that calls `Method`, a member `bool (Receiver::*)(Event*)`
    // of a class derived (non-virtually) from CEventReceiver; the event is
    // handed over as the member's event class, which the exact type-id lookup
    // guarantees.
    template <auto Method> void add(int32_t typeId) { set(typeId, &forward<Method>); }

    // The handler of `typeId`, or null.
    [[nodiscard]] Handler find(int32_t typeId) const;
    [[nodiscard]] uint32_t size() const { return m_handlers.size(); }

private:
    template <class M> struct MemberTraits;
    template <class R, class E> struct MemberTraits<bool (R::*)(E*)> {
        using Receiver = R;
        using Event = E;
    };

    template <auto Method> static bool forward(CEventReceiver* receiver, CEvent* event) {
        using Traits = MemberTraits<decltype(Method)>;
        return (static_cast<typename Traits::Receiver*>(receiver)->*Method)(
            static_cast<typename Traits::Event*>(event));
    }

    CMap<int32_t, Handler> m_handlers;
};
