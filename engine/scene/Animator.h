#pragma once

#include "engine/core/CEventReceiver.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CScheduledObject.h"
#include "engine/scene/CPropertyObject.h"
#include "engine/scene/IPropertySerializable.h"

#include <cstdint>

class BaseNode;
class CNodeState;
class CStringW;
class CUpdateScheduler;
class CXmlStreamReader;
class CXmlStreamWriter;
class IContentManager;

// The base of the animation keys of a node state: KeyFrame animates
// properties over time, SetProps and SetStates act at one moment. A key is
// held by its state (the listener, which hears when the key finishes) and
// acts on the state's node (the target); neither is owned. Started, a key is
// registered with an update scheduler; it reports once per start, through
// event 74 handed to its listener.
//
// Scene files name the class in the key element's "Type" attribute; this
// base answers "Base".
class Animator : public CEventReceiver, public CPropertyObject, public IPropertySerializable, public CScheduledObject {
public:
    static constexpr int32_t TypeId = 0;

    [[nodiscard]] virtual const CStringW& getTypeName() const;
    [[nodiscard]] virtual const CStringW& getClassName() const;
    [[nodiscard]] virtual int32_t getTypeId() const { return TypeId; }
    // True for the class's own id, its bases' ids and 0.
    [[nodiscard]] virtual bool isKindOf(int32_t id) const { return id == TypeId; }

    virtual void setTarget(BaseNode* node) { m_target = node; }
    // Puts the key at `time` ms (0: its own start time) and, with
    // `applyValues`, sets the target's properties there.
    virtual void apply(int32_t time, bool applyValues) = 0;
    // Time since the start of the animation, and its whole length, in ms.
    [[nodiscard]] virtual float getTime() const = 0;
    [[nodiscard]] virtual int32_t getDuration() const = 0;
    // Registers with `scheduler` (leaving another one first) and arms the
    // report. Always true.
    virtual bool start(CUpdateScheduler* scheduler);
    // Leaves the scheduler; reports (time 0, not looped) when `notify` is set.
    virtual void stop(bool complete, bool notify);
    // Reads the rest of the key element named `elementName` (the reader
    // stands on its start) up to and including its end.
    virtual void load(CXmlStreamReader* reader, IContentManager* contentManager, const CStringW& elementName) = 0;
    // Writes the key as an element named `elementName`, with "Type" and
    // "Name", followed by a line break.
    virtual void save(CXmlStreamWriter* writer, const CStringW& elementName) const = 0;
    // A new key of the same class with the same settings and no listener or
    // target (count 1).
    [[nodiscard]] virtual CRefHandle<Animator> clone() const = 0;

    // The scheduler drops keys that have nothing to run over time at its
    // first tick, without a report.
    [[nodiscard]] bool update(uint32_t elapsed) override;

    [[nodiscard]] CName getName() const { return m_name; }
    void setName(CName name) { m_name = name; }
    [[nodiscard]] CNodeState* getListener() const { return m_listener; }
    void setListener(CNodeState* listener) { m_listener = listener; }
    [[nodiscard]] BaseNode* getTarget() const { return m_target; }
    [[nodiscard]] bool isReportPending() const { return m_reportPending; }

protected:
    // An unnamed key with no listener or target, called every `interval` ms.
    explicit Animator(uint32_t interval);
    ~Animator() override;

    // Disarms the report and hands event 74 (this key, `time`, `looped`) to
    // the listener when it takes node events.
    void report(int32_t time, bool looped);
    // Writes the start tag of the key element: "Type" and, when the key has
    // a name, "Name", plus the extra pairs; then a line break.
    void saveStart(CXmlStreamWriter* writer, const CStringW& elementName, const CStringW* extraNames,
                   const CStringW* extraValues, int extraCount) const;
    // Writes the end tag of the key element and a line break.
    static void saveEnd(CXmlStreamWriter* writer, const CStringW& elementName);

private:
    CName m_name;
    CNodeState* m_listener = nullptr;
    BaseNode* m_target = nullptr;
    bool m_reportPending = false;
};
