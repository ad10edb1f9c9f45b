#pragma once

#include "engine/core/CRefHandle.h"
#include "game/world/GGameTask.h"

class BaseNode;
class BaseProgressBarNode;
class CEventNodeStateCompleted;
class GUniqUpgradeConfig;

// Builds on an empty place, levels a building up, or applies a unique upgrade
// (task kinds 1 and 6). The place takes its new type at once and keeps
// showing the old building under a "Construction" animation that plays in
// three phases before, during and after the timed build; their ends come as
// node events. At the end the new building shows, 4109 goes to the level and
// a completion sound plays. Without the "Construction" template the build
// runs on time alone.
class GGameTaskBuilding : public GGameTask {
public:
    // Steps of the construction (see update).
    static constexpr int StepDone = 17;

    // `upgrade` null: a build or level-up to `type`; else the unique upgrade
    // of the place's type `type`.
    GGameTaskBuilding(IGameLevel* level, GBuildingNode* place, GBuildingConfig* type, GUniqUpgradeConfig* upgrade);

    bool handleEvent(CEvent* event) override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

    [[nodiscard]] bool update(uint32_t elapsed) override;
    // Puts the previous type back (nothing without one, or once the build is
    // over); the workers bring the cost back.
    int cancel() override;
    // elapsed / total.
    [[nodiscard]] float getProgress() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] CStringW getDisplayText() const override;

    // Moves the step on when a phase animation of the construction ends; never
    // consumes the event.
    bool onNodeStateCompleted(CEventNodeStateCompleted* event);

    [[nodiscard]] int getStep() const { return m_step; }
    [[nodiscard]] int getStartedFlag() const { return m_started; }
    [[nodiscard]] int getWorkersNeeded() const { return m_workersNeeded; }
    [[nodiscard]] float getElapsed() const { return m_elapsed; }
    [[nodiscard]] float getTotal() const { return m_total; }
    [[nodiscard]] BaseNode* getConstruction() const { return m_construction.get(); }
    // The construction's own bar (its child "ProgressBar").
    [[nodiscard]] BaseProgressBarNode* getConstructionBar() const { return m_progressBar; }

protected:
    ~GGameTaskBuilding() override;

private:
    // The build time the step 8 waits for: the upgrade's, else the type's.
    [[nodiscard]] float buildTime() const;
    void applyToConstruction(CName state);
    // Hides or shows the template root's children but the selector and the
    // labels.
    void showTemplateChildren(bool visible);
    void dropConstruction();
    void finish();

    CRefHandle<BaseNode> m_construction;
    BaseProgressBarNode* m_progressBar = nullptr;
    CRefHandle<GUniqUpgradeConfig> m_upgrade;
    int m_started = 0;
    int m_step = 0;
    int m_workersNeeded = 0;
    float m_elapsed = 0.0f;
    float m_total = 0.0f;
    CRefHandle<BaseNode> m_effectsLayer;
};
