#pragma once

#include "engine/core/CArray.h"
#include "engine/nodes/ProgressBarNode.h"

#include <cstdint>

// The level clock: a fill bar over its whole range carrying one numbered
// mark per checkpoint (the end of an objective group) at the running total
// of the checkpoints' shares of the range. Each mark is an unsaved clone of
// the hidden "Checkpoint" child and shows its checkpoint's state through the
// states "Flashed" (time nearly out; the cue "AlmostEnd" plays), "PassedOk"
// and "PassedFail" (the cue stops). Owners call setMinValue, setMaxValue,
// clearCheckpoints, addCheckpointTime per group, layoutCheckpoints, then
// setValue and the state operations.
class GProgressBarWithCheckpointsNode : public ProgressBarNode {
public:
    static constexpr int32_t TypeId = 2035;

    enum class CheckpointState : int32_t { NotReached = 0, Flashed = 2, PassedOk = 3, PassedFail = 4 };

    struct CheckpointEntry {
        CheckpointState state = CheckpointState::NotReached;
        // A child of the bar (the children list holds it).
        BaseNode* mark = nullptr;
    };

    GProgressBarWithCheckpointsNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ProgressBarNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The bar's copy without its marks.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    void onLoaded() override;
    void applyTemplate() override;
    // Fills the knob over the whole area (KnobType 1 only); nothing before
    // the first checkpoint time.
    void onValueChanged() override;

    [[nodiscard]] bool isCheckpointPassed(uint32_t index) const;
    void setCheckpointFlashed(uint32_t index);
    void setCheckpointPassedOk(uint32_t index);
    void setCheckpointPassedFail(uint32_t index);
    // Shows `value` in the mark's "Time" text.
    void setCheckpointTimeText(uint32_t index, int32_t value);
    // Forgets the times; the marks and their states stay.
    void clearCheckpoints();
    void addCheckpointTime(float fraction);
    // One mark per time: new marks are added at the end, extra ones are
    // removed from the end; every mark is placed and numbered from 1.
    void layoutCheckpoints();

    [[nodiscard]] const CArray<CheckpointEntry>& getCheckpoints() const { return m_checkpoints; }
    [[nodiscard]] const CArray<float>& getCheckpointTimes() const { return m_checkpointTimes; }
    [[nodiscard]] BaseNode* getMarkTemplate() const { return m_markTemplate; }

protected:
    ~GProgressBarWithCheckpointsNode() override = default;

    void onDescendantRemoved(BaseNode* node) override;

private:
    void findMarkTemplate();
    void changeState(uint32_t index, CheckpointState state, const char* stateName, bool playCue);

    BaseNode* m_markTemplate = nullptr;
    CArray<CheckpointEntry> m_checkpoints;
    CArray<float> m_checkpointTimes;
};
