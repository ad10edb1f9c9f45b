#pragma once

#include "engine/nodes/ProgressBarNode.h"

// A progress bar with a "Sign" child riding on the right end of its knob.
// Within the child "ScalingSignArea" the sign has its full size; between
// that zone and either end of "SlidingSignArea" it shrinks towards the end
// (its width halves at once below half size, its height follows all the
// way), keeping the middle of its full height. Without both areas, or beyond a zone edge
// the two areas share, the sign keeps its full size.
class GProgressBarWithSignNode : public ProgressBarNode {
public:
    static constexpr int32_t TypeId = 2034;

    GProgressBarWithSignNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ProgressBarNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    // Finds the three parts among the bar's children; the edges wait for
    // applyTemplate.
    void onLoaded() override;
    // The bar's template, then the parts (own children first, then the
    // template's) and their edges, then the layout.
    void applyTemplate() override;
    void onValueChanged() override;

    [[nodiscard]] BaseNode* getSign() const { return m_sign; }

protected:
    ~GProgressBarWithSignNode() override = default;
    void onDescendantRemoved(BaseNode* node) override;

private:
    void findParts(bool inTemplate);
    // The sign's size factor for a knob end at `x`.
    [[nodiscard]] float signFactor(float x) const;

    // Not owned: children of the bar or of its template root.
    BaseNode* m_slidingSignArea = nullptr;
    BaseNode* m_scalingSignArea = nullptr;
    BaseNode* m_sign = nullptr;
    float m_slideLeft = 0.0f;
    float m_slideRight = 1.0f;
    float m_scaleRight = 0.0f;
    float m_scaleLeft = 1.0f;
    float m_signBaseY = 0.0f;
    // The sign `m_signBaseY` was taken from: a template applied again finds
    // the sign already moved by its layout and keeps the base.
    const BaseNode* m_signBaseOf = nullptr;
    // Whether a shrinking stretch lies left of and right of the zone.
    bool m_leftStretch = false;
    bool m_rightStretch = false;
};
