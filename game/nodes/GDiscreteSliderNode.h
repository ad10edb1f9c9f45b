#pragma once

#include "engine/nodes/SliderNode.h"

#include <cstdint>

// A slider whose pointer input snaps to six levels (0, 20, 40, 60, 80 and
// 100 % of its range) and whose template shows the level through the states
// "State0" to "State4". A click inside the area gives at least 20 %; level 0
// is reached only by dragging out past the area's left end. Keys and the
// step buttons move by DeltaValue as on any slider.
class GDiscreteSliderNode : public SliderNode {
public:
    static constexpr int32_t TypeId = 2069;

    GDiscreteSliderNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || SliderNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    // A press inside the area arms the drag; the previous-step button cannot
    // be hit until the release.
    bool onMouseDown(CEventMouseLeftDown* event) override;
    bool onMouseUp(CEventMouseLeftUp* event) override;
    // Lays the knob out, puts the template in the state of the level and
    // hides the knob at level 0.
    void onValueChanged() override;
    void setValueFromPoint(int32_t x, int32_t y) override;
    [[nodiscard]] float knobPosition(float areaStart, float areaLength, float knobLength, float valueFraction,
                                     float pageFraction) const override;
    [[nodiscard]] float valueAtPosition(float start, float areaLength, float knobLength, float position,
                                        float pageFraction) const override;

    [[nodiscard]] bool isDragArmed() const { return m_dragArmed; }

protected:
    ~GDiscreteSliderNode() override = default;

private:
    // The point in the sliding area's frame; false without an area.
    [[nodiscard]] bool toAreaFrame(int32_t x, int32_t y, CVector3d& local) const;

    bool m_dragArmed = false;
};
