#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CEvent.h"
#include "engine/core/CName.h"
#include "engine/core/CRect.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/scene/BaseNode.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class Animator;
class CStringW;

// A node that records the events handed to its handleEvent, as text:
// "<type>" plus, for state events, ":<node name>:<state>" (77 to 83) or
// ":<reported id>" (75, 76; 76 adds ":stopped" when stopped) or ":looped" /
// ":end" (74). Event types in
// `consume` are reported as handled. Its hit test answers `hit`, and its
// render call is written to `drawLog` ("render <name>") when one is set. A
// drawable node hands one quad to the driver's quad batch when drawn.
class RecordingNode : public BaseNode {
public:
    explicit RecordingNode(const char* name = "", BaseNode* parent = nullptr, BaseNode* manager = nullptr);

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<RecordingNode>(parent, manager);
    }
    RecordingNode(const CObjectName& contentName, BaseNode* parent, BaseNode* manager)
        : BaseNode(contentName, parent, manager) {}

    bool handleEvent(CEvent* event) override;
    [[nodiscard]] bool hitTest(const CVector3d&) const override { return hit; }
    void render(IGraphicsDriver* driver, const CRect* clip) override;
    // A drawable node adds its own item {node, textureKey, depth} before its
    // children's, as drawing nodes do.
    void registerForRendering(CArray<CRenderItem>& list) override;

    std::vector<std::string> events;
    std::set<int> consume;
    bool hit = false;
    bool drawable = false;
    uintptr_t textureKey = 0;
    std::vector<std::string>* drawLog = nullptr;
    // The clip rectangle of the last render call, when it had one.
    std::optional<CRect> lastClip;
};

// A scene root whose nodes run their states on `scheduler`.
class TestScene : public RecordingNode {
public:
    explicit TestScene(const char* name = "Scene") : RecordingNode(name) {}
    [[nodiscard]] CUpdateScheduler* getSceneScheduler() const override { return scheduler.get(); }

    CRefHandle<CUpdateScheduler> scheduler{new CUpdateScheduler()};
};

// A scene manager stand-in: records what nodes queue and may sort.
class TestManager : public BaseNode {
public:
    TestManager() : BaseNode(CObjectName(), nullptr, nullptr) {}

    struct Queued {
        CEventReceiver* receiver;
        int phase;
        CRefHandle<CEvent> event;
    };
    void queueEvent(CEventReceiver* receiver, int phase, CEvent* event) override;
    [[nodiscard]] bool isDepthSortingEnabled() const override { return depthSorting; }

    std::vector<Queued> queued;
    bool depthSorting = false;
};

// The key classes of the engine by class name, as the node factory makes them.
[[nodiscard]] Animator* createTestKey(const CStringW& className);

// Updates `scheduler` `steps` times by `elapsed` ms each.
void runScheduler(CUpdateScheduler* scheduler, uint32_t elapsed, int steps = 1);
