#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/CPropertyObject.h"
#include "engine/scene/IPropertySerializable.h"

#include <cstdint>
#include <functional>

class Animator;
class BaseNode;
class CEvent;
class CEventKeyFinished;
class CStringW;
class CUpdateScheduler;
class CXmlStreamReader;
class CXmlStreamWriter;
class IContentManager;

// One named visual state of a node ("Normal", "Press", a scene's "NavTo"):
// start keys applied once when it starts, main keys applied at the start and
// then run over time on an update scheduler, end keys applied once when it
// ends, and the state that should follow it. The state tells its node when
// it starts (event 75) and when its main keys have all ended or it was
// stopped while they ran (event 76).
//
// The state holds one reference per key; the node is not owned.
class CNodeState : public CEventReceiver, public CPropertyObject, public IPropertySerializable {
public:
    // Node and game events.
    static constexpr uint32_t StateMask = 0x1020;

    // Creates a new key (one reference for the caller) from its class name
    // ("KeyFrame", "SetProps", "SetStates"), or null for a name it does not
    // know: a plain function, or a callable that carries the node factory to
    // ask (the scene-file reader passes its own).
    using KeyCreator = std::function<Animator*(const CStringW& className)>;

    explicit CNodeState(CName name);

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    // The root's table and "Name".
    [[nodiscard]] static const CPropertyTable& propertyTable();

    bool handleEvent(CEvent* event) override;
    // Hands the event to the owner node, which handles it (phase 0) when its
    // mask matches.
    bool routeToParent(int phase, CEvent* event) override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

    // Makes `node` the target of every key.
    void setNode(BaseNode* node);
    [[nodiscard]] BaseNode* getNode() const { return m_node; }

    // Starts a run reported under `reportId` (empty: the state's name):
    // event 75, start and main keys applied at time 0, main keys started on
    // `scheduler`. Without main keys event 76 follows at once; without a
    // scheduler the main keys do not run and no event 76 comes.
    void start(CUpdateScheduler* scheduler, CName reportId);
    // Stops the main keys (with `complete` a KeyFrame jumps to its last key),
    // applies the end keys unless this run already did, and sends event 76
    // (stopped) when keys were still running.
    void stop(bool complete);

    // Each takes a reference and makes this state the key's listener and its
    // node the key's target.
    void addKey(Animator* key);
    void addStartKey(Animator* key);
    void addEndKey(Animator* key);
    // Stops the main keys without report and releases every key.
    void clear();

    // A new state (count 1) with the same name, NextState and copies of the
    // keys, attached to no node.
    [[nodiscard]] CRefHandle<CNodeState> clone() const;

    // Reads the keys inside the "State" element the reader stands on, up to
    // its end, creating each with `createKey`; key classes it does not know
    // are skipped.
    void readXml(CXmlStreamReader* reader, IContentManager* contentManager, const KeyCreator& createKey);
    // Writes the "State" element with its keys.
    void writeXml(CXmlStreamWriter* writer) const;

    [[nodiscard]] CName getName() const { return m_name; }
    void setName(CName name) { m_name = name; }
    [[nodiscard]] CName getNextState() const { return m_nextState; }
    void setNextState(CName state) { m_nextState = state; }
    [[nodiscard]] CName getReportedId() const { return m_reportedId; }
    // Main keys that have not reported in this run.
    [[nodiscard]] int getPending() const { return m_pending; }
    [[nodiscard]] bool isEndApplied() const { return m_endApplied; }
    [[nodiscard]] const CArray<Animator*>& getKeys() const { return m_keys; }
    // The main key at `index`, or null past the end.
    [[nodiscard]] Animator* getKey(uint32_t index) const { return index < m_keys.size() ? m_keys[index] : nullptr; }
    [[nodiscard]] const CArray<Animator*>& getStartKeys() const { return m_startKeys; }
    [[nodiscard]] const CArray<Animator*>& getEndKeys() const { return m_endKeys; }

    // Event 73 is passed on to the node; event 74 counts a main key down.
    bool onKeyNotification(CEvent* event);
    bool onKeyFinished(CEventKeyFinished* event);

protected:
    ~CNodeState() override;

private:
    void appendKey(CArray<Animator*>& list, Animator* key);
    // Applies each key of `list` at time 0, over a snapshot of the list.
    static void applyKeys(const CArray<Animator*>& list);
    void sendToNode(CEvent* event);
    void sendFinished(bool stopped);

    BaseNode* m_node = nullptr;
    CName m_name;
    CName m_nextState;
    CName m_reportedId;
    int m_pending = 0;
    bool m_endApplied = false;
    CArray<Animator*> m_keys;
    CArray<Animator*> m_startKeys;
    CArray<Animator*> m_endKeys;
};
