#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/nodes/TextNode.h"
#include "game/app/GBaseSceneNode.h"

// An overlay with the frame rate, the last update step and the primitives
// drawn per frame, refreshed once a second.
class GDebugStatsScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2001;

    GDebugStatsScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBaseSceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // The text of the statistics for `framesPerSecond`, the last update step
    // and `primitives` drawn in the last frame (counted twice by the driver).
    [[nodiscard]] static CStringW statisticsText(bool buildLine, int32_t framesPerSecond, uint32_t lastStepMs,
                                                 uint32_t primitives);

    [[nodiscard]] bool isBuildLineShown() const { return m_showBuildLine; }
    void setBuildLineShown(bool on) { m_showBuildLine = on; }
    [[nodiscard]] TextNode* getStatisticsText() const { return m_text.get(); }

protected:
    ~GDebugStatsScene() override = default;

private:
    CRefHandle<TextNode> m_text;
    bool m_showBuildLine = false;
    // Time gathered since the last refresh; the first update refreshes.
    uint32_t m_refreshClock = 1000;
};
