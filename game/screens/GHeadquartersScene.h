#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "game/app/GBaseSceneNode.h"
#include "game/screens/HQConfiguration.h"

class ButtonNode;
class CEventMouse;
class GTutorialController;
class TextNode;

// The headquarters upgrade screen: the children of "Upgrades" are the parts
// of the headquarters, bought with points earned by top ranks, every part
// once in chain 1 and then once more in chain 2. Purchases live in the
// player's profile; groups of parts still to buy flash in turn; three
// one-time tutorials explain the screen.
class GHeadquartersScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2015;
    // Hit areas past this many are never tracked.
    static constexpr uint32_t MaxTrackedParts = 100;

    GHeadquartersScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBaseSceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    void onLoaded() override;
    bool onKeyUp(CEventKeyUp* event) override;
    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onNavigationFinished(CEventSceneChangeFinished* event) override;
    bool onControlClicked(CEvent* event) override;
    [[nodiscard]] bool update(uint32_t elapsed) override;
    // A running tutorial sees input first; then the cursor's moves track the
    // hovered part and a press of the left button buys it.
    bool routeToChildren(int phase, CEvent* event) override;

    // The points left of the current player; 0 without one.
    [[nodiscard]] uint32_t computePoints() const;
    // The points left for `ranks` (one per level index; 2 is the top rank):
    // one to start with and one per top rank from level index `allowFrom`
    // on, less the parts bought, never below 0 nor above what is left to buy
    // of `parts` parts in two chains.
    [[nodiscard]] static uint32_t pointsFor(const CArray<int>& ranks, int32_t allowFrom, uint32_t parts,
                                            uint32_t bought1, uint32_t bought2);

    [[nodiscard]] uint32_t getPointsLeft() const { return m_pointsLeft; }
    [[nodiscard]] uint32_t getPartCount() const { return m_partCount; }
    [[nodiscard]] const CArray<CName>& getBoughtChain1() const { return m_boughtChain1; }
    [[nodiscard]] const CArray<CName>& getBoughtChain2() const { return m_boughtChain2; }
    [[nodiscard]] BaseNode* getUpgradesNode() const { return m_upgradesNode; }
    [[nodiscard]] BaseNode* getSelectedPart() const { return m_selectedPart; }
    [[nodiscard]] GTutorialController* getTutorial() const { return m_runningTutorial.get(); }
    [[nodiscard]] int32_t getPendingTutorial() const { return m_pendingTutorial; }
    [[nodiscard]] const HQConfiguration* getConfiguration() const { return m_hqConfig.get(); }

protected:
    ~GHeadquartersScene() override;

private:
    [[nodiscard]] bool isChain1Open() const { return m_boughtChain1.size() < m_partCount; }
    [[nodiscard]] bool isChain2Open() const { return !isChain1Open() && m_boughtChain2.size() < m_partCount; }
    [[nodiscard]] bool isBuyableInOpenChain(CName name) const;
    void refreshPartStates();
    void collectHitAreas();
    void startTutorial(int32_t number);
    void finishTutorial();
    void leave();
    bool buySelected(const CEventMouse* event);
    void trackHover(const CEventMouse* event);
    void hoverEnter(BaseNode* part);
    void hoverLeave(BaseNode* part);
    void showPoints();
    void showRays(const CEventMouse* event);

    CRefHandle<GTutorialController> m_runningTutorial;
    CString m_tutorialFlagName;
    int32_t m_pendingTutorial = 0;
    CArray<CName> m_boughtChain1;
    CArray<CName> m_boughtChain2;
    uint32_t m_partCount = 0;
    TextNode* m_pointsText = nullptr;
    ButtonNode* m_backButton = nullptr;
    uint32_t m_pointsLeft = 0;
    BaseNode* m_upgradesNode = nullptr;
    CRefHandle<HQConfiguration> m_hqConfig;
    CArray<BaseNode*> m_hitAreas;
    BaseNode* m_selectedPart = nullptr;
    int32_t m_flashCountdown = 0;
    uint32_t m_flashGroupIndex = 0;
    CName m_tutorialPartName;
    // The part under the cursor (at most one) and which hit areas hold it;
    // both start afresh each time the screen is shown.
    int32_t m_hoveredCount = 0;
    bool m_hoverFlags[MaxTrackedParts] = {};
};
