#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CEngine.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CVector2di.h"
#include "engine/core/ICursorControl.h"
#include "engine/scene/Animator.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/ControlNode.h"
#include "engine/scene/IMessageBox.h"
#include "engine/scene/SceneNode.h"

#include <cstdint>
#include <string>
#include <vector>

class CUpdateScheduler;

// A cursor whose position the test sets.
class FakeCursor : public ICursorControl {
public:
    void setVisible(bool visible) override { m_visible = visible; }
    [[nodiscard]] bool isVisible() const override { return m_visible; }
    void setPosition(const CVector2di& position) override;
    [[nodiscard]] CVector2di getPosition() const override { return m_position; }
    void refreshPosition() override {}
    [[nodiscard]] CArray<CVector2di> copyPositions() const override { return m_positions; }
    [[nodiscard]] const CArray<CVector2di>& positions() const override { return m_positions; }
    void setImage(const CPixelImage*, int, int) override {}

private:
    bool m_visible = true;
    CVector2di m_position;
    CArray<CVector2di> m_positions;
};

// A headless engine with a fake cursor (one reference for the caller).
[[nodiscard]] CRefHandle<CEngine> makeFakeEngine(FakeCursor** cursor = nullptr);

// A main key that reports once `duration` ms of scheduler time have passed
// (0: at the first update), and sets nothing.
class TimedKey : public Animator {
public:
    explicit TimedKey(int32_t duration) : Animator(1), m_duration(duration) {}

    void apply(int32_t, bool) override {}
    [[nodiscard]] float getTime() const override { return float(m_elapsed); }
    [[nodiscard]] int32_t getDuration() const override { return m_duration; }
    bool start(CUpdateScheduler* scheduler) override;
    void load(CXmlStreamReader*, IContentManager*, const CStringW&) override {}
    void save(CXmlStreamWriter*, const CStringW&) const override {}
    [[nodiscard]] CRefHandle<Animator> clone() const override { return CRefHandle<Animator>(new TimedKey(m_duration)); }
    [[nodiscard]] bool update(uint32_t elapsed) override;

protected:
    ~TimedKey() override = default;

private:
    int32_t m_duration;
    int32_t m_elapsed = 0;
};

// A state that ends `duration` ms after it started (on a scheduler); with a
// negative duration it runs until stopped.
[[nodiscard]] CRefHandle<CNodeState> makeTimedState(const char* name, int32_t duration);

// The events a node was handed, as type ids; the types in `consume` are
// reported as handled. Shared by the recording control and scene.
struct EventRecord {
    std::vector<int> types;
    std::vector<int> consume;
    [[nodiscard]] int count(int type) const;
};

// A control that records the events its handleEvent was handed.
class RecordingControl : public ControlNode {
public:
    explicit RecordingControl(const char* name = "", BaseNode* parent = nullptr);
    RecordingControl(const CObjectName& contentName, BaseNode* parent, BaseNode* manager)
        : ControlNode(contentName, parent, manager) {}

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<RecordingControl>(parent, manager);
    }
    bool handleEvent(CEvent* event) override;

    EventRecord record;
};

// A scene that records the events its handleEvent was handed.
class RecordingScene : public SceneNode {
public:
    explicit RecordingScene(const char* name = "Scene");
    RecordingScene(const CObjectName& contentName, BaseNode* parent, BaseNode* manager)
        : SceneNode(contentName, parent, manager) {}

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<RecordingScene>(parent, manager);
    }
    bool handleEvent(CEvent* event) override;

    EventRecord record;
    // Each 47 handed over: its result.
    std::vector<int> messageBoxResults;
};

// A drawing node: hit where its rectangle is, and one render item.
class BoxNode : public BaseNode {
public:
    explicit BoxNode(const char* name = "", BaseNode* parent = nullptr);
    BoxNode(const CObjectName& contentName, BaseNode* parent, BaseNode* manager)
        : BaseNode(contentName, parent, manager) {}

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<BoxNode>(parent, manager);
    }
    [[nodiscard]] bool hitTest(const CVector3d& point) const override { return isPointInside(point); }
    void registerForRendering(CArray<CRenderItem>& list) override;
    void render(IGraphicsDriver* driver, const CRect* clip) override;

    // Names of the nodes drawn, in order, when set.
    std::vector<std::string>* drawLog = nullptr;
};

// A stand-in for the standard nodes' message box: a scene of type 7 whose
// result the test sets.
class FakeMessageBox : public SceneNode, public IMessageBox {
public:
    static constexpr int32_t TypeId = 7;

    FakeMessageBox(const CObjectName& contentName, BaseNode* parent, BaseNode* manager)
        : SceneNode(contentName, parent, manager) {}

    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || SceneNode::isKindOf(id); }

    void setButtonTexts(const CArray<CStringW>& texts) override { buttonTexts = texts; }
    void setTitle(const CStringW& text) override { title = text; }
    void setBody(const CStringW& text) override { body = text; }
    [[nodiscard]] int32_t getResult() const override { return result; }

    CArray<CStringW> buttonTexts;
    CStringW title;
    CStringW body;
    int32_t result = 0;
};

// The names of `node`'s children, in list order.
[[nodiscard]] std::vector<std::string> childNames(const BaseNode* node);
