#pragma once

#include "game/app/GBaseSceneNode.h"

// The credits: they scroll by the "Scrolling" state of the child "Scene";
// the "BackButton", Esc and Enter go back to the screen below.
class GCreditsScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2010;

    GCreditsScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBaseSceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onNavigationFinished(CEventSceneChangeFinished* event) override;
    bool onControlClicked(CEvent* event) override;
    bool onKeyUp(CEventKeyUp* event) override;

protected:
    ~GCreditsScene() override = default;

private:
    void goBack();
};
