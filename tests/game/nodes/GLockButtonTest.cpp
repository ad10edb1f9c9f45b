#include "game/nodes/GLockButton.h"

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/scene/BaseNode.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// A child that notes every state it is given, and whether a fallback came
// with it ("?" after the name).
class StateLog : public BaseNode {
public:
    StateLog() : BaseNode(CObjectName(), nullptr, nullptr) {}

    void setState(CName id, FallbackFunction fallback, CName reportedId) override {
        seen.push_back(std::string(id.str().c_str()) + (fallback ? "?" : ""));
        BaseNode::setState(id, fallback, reportedId);
    }

    std::vector<std::string> take() { return std::exchange(seen, {}); }

    std::vector<std::string> seen;

protected:
    ~StateLog() override = default;
};

using Seen = std::vector<std::string>;

struct Button {
    CRefHandle<GLockButton> button{new GLockButton(CObjectName(), nullptr, nullptr)};
    StateLog* log = new StateLog;

    Button() {
        button->addChild(log);
        log->release();
    }
};

} // namespace

TEST(GLockButton, TheLicenceStateComesFirstAndLockedOrUpgradedHideTheControlLook) {
    const struct {
        bool locked, upgraded, noLicense;
        Seen hovered;
    } cases[] = {
        {false, false, false, {"WithLicense", "NormalHover?"}},
        {false, false, true, {"NoLicense", "NormalHover?"}},
        {false, true, true, {"Upgraded"}},
        {true, true, true, {"Locked"}},
        {true, false, false, {"Locked"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.locked << c.upgraded << c.noLicense);
        Button b;
        b.button->setLocked(c.locked);
        b.button->setUpgraded(c.upgraded);
        b.button->setNoLicense(c.noLicense);
        b.log->take();
        b.button->setHovered(true);
        EXPECT_EQ(b.log->take(), c.hovered);
    }
}

TEST(GLockButton, ALockedButtonShowsNoControlLookUntilUnlocked) {
    Button b;
    b.button->setLocked(true);
    EXPECT_EQ(b.log->take(), (Seen{"Locked"}));
    b.button->setHovered(true);
    b.button->setFocused(true);
    b.button->setEnabled(false);
    for (const std::string& state : b.log->take())
        EXPECT_EQ(state, "Locked");
    b.button->setEnabled(true);
    b.log->take();
    // Unlocked, it shows its licence and the look of its hover and focus.
    b.button->setLocked(false);
    EXPECT_EQ(b.log->take(), (Seen{"WithLicense", "FocusHover?"}));
    b.button->setNoLicense(true);
    EXPECT_EQ(b.log->take(), (Seen{"NoLicense", "FocusHover?"}));
}

TEST(GLockButton, ADisabledButtonRefreshesItsLicenceOnHoverAndItsDisabledLookOnFocus) {
    Button b;
    b.button->setEnabled(false);
    EXPECT_EQ(b.log->take(), (Seen{"WithLicense", "NormalDisable?"}));
    b.button->setHovered(true);
    EXPECT_EQ(b.log->take(), (Seen{"WithLicense"}));
    b.button->setUpgraded(false);
    EXPECT_EQ(b.log->take(), (Seen{"WithLicense", "NormalDisable?"}));
}

TEST(GLockButton, IsAButtonWhoseCopiesStartWithClearFlags) {
    Button b;
    EXPECT_TRUE(b.button->isKindOf(GLockButton::TypeId));
    EXPECT_TRUE(b.button->isKindOf(ButtonNode::TypeId));
    EXPECT_EQ(b.button->getClassName(), CStringW(u"GLockButton"));
    b.button->setText(CStringW(u"Mill"));
    b.button->setLocked(true);
    b.button->setUpgraded(true);
    b.button->setNoLicense(true);
    CRefHandle<BaseNode> copy(b.button->clone(nullptr, nullptr));
    auto* button = nodeCast<GLockButton>(copy.get());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->getText(), CStringW(u"Mill"));
    EXPECT_FALSE(button->isLocked());
    EXPECT_FALSE(button->isUpgraded());
    EXPECT_FALSE(button->hasNoLicense());
}
