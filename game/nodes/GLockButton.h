#pragma once

#include "engine/nodes/ButtonNode.h"

#include <cstdint>

// The button of the build lists and of the building page: besides the usual
// hover, focus and press looks it shows whether what it stands for is
// locked, upgraded, or lacks or holds a licence. Every hover and focus
// refresh first applies the licence state ("Locked", "Upgraded",
// "NoLicense" or "WithLicense") to the button and its descendants; a locked
// or upgraded button then shows no control look at all. The flags start
// clear and are not copied.
class GLockButton : public ButtonNode {
public:
    static constexpr int32_t TypeId = 2014;

    GLockButton(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ButtonNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    void onHoverChanged() override;
    void onFocusChanged() override;

    // Each stores its flag and refreshes the looks as a focus change does.
    void setLocked(bool locked);
    void setNoLicense(bool noLicense);
    void setUpgraded(bool upgraded);
    [[nodiscard]] bool isLocked() const { return m_locked; }
    [[nodiscard]] bool hasNoLicense() const { return m_noLicense; }
    [[nodiscard]] bool isUpgraded() const { return m_upgraded; }

protected:
    ~GLockButton() override = default;

private:
    // Applies the licence state; true when the control look may follow
    // (neither locked nor upgraded).
    bool showLicenseState();

    bool m_locked = false;
    bool m_noLicense = false;
    bool m_upgraded = false;
};
