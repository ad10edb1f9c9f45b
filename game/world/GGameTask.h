#pragma once

#include "engine/core/CEvent.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CScheduledObject.h"
#include "engine/core/CStringW.h"
#include "game/config/GResources.h"
#include "game/world/IBuildingTask.h"

#include <cstdint>

class BaseNode;
class BaseProgressBarNode;
class GBuildingConfig;
class GBuildingNode;
struct GLevelModifierValues;
class IGameLevel;
class SoundCue;

// The job that occupies a building place while workers do something there.
// A start operation of the headquarters creates it and hands it to the place
// (setTask); it asks for its workers, waits for them, runs its timed work on
// the level's scheduler every 30 ms and posts its game message, whose
// handler clears the place's task. The place and the scheduler share it; it
// lives until both let it go.
class GGameTask : public IBuildingTask, public CEventReceiver, public CScheduledObject {
public:
    static constexpr uint32_t TaskUpdateInterval = 30;

    // Nothing here; the kinds put the place back and send the workers home.
    int cancel() override { return 0; }
    [[nodiscard]] virtual const CStringW& getClassName() const = 0;
    [[nodiscard]] virtual CStringW getDisplayText() const = 0;
    virtual void hook(int) {}

    // The base asks to be dropped.
    [[nodiscard]] bool update(uint32_t elapsed) override;

    [[nodiscard]] IGameLevel* getLevel() const { return m_level; }
    [[nodiscard]] GBuildingNode* getPlace() const { return m_place; }
    [[nodiscard]] GBuildingConfig* getTaskType() const { return m_type; }
    [[nodiscard]] BaseNode* getEffectsLayer() const { return m_effects; }
    // The "ProgressBarOverBuilding" bar of the kinds that show one; null
    // without it or once the work is over.
    [[nodiscard]] BaseProgressBarNode* getProgressBar() const { return m_bar.get(); }

protected:
    // Registers with the level's scheduler (which holds a reference).
    GGameTask(IGameLevel* level, GBuildingNode* place, GBuildingConfig* type);
    // Leaves the scheduler.
    ~GGameTask() override;

    // The level's modifier values, null without a level configuration.
    [[nodiscard]] const GLevelModifierValues* modifiers() const;
    // BuildTimeM, 1.0 without modifier values.
    [[nodiscard]] float buildTimeFactor() const;
    // Asks the headquarters for `count` workers carrying `cost`.
    void dispatchWorkers(const GResourceMap& cost, int count);
    // Hands `message` to the level; the caller keeps its reference.
    void postToLevel(CEvent* message);
    // A clone of the template `name` from the place's template collection,
    // under `parent`; null when the collection or template is missing.
    [[nodiscard]] BaseNode* cloneTemplate(CName name, BaseNode* parent) const;
    // Makes the "ProgressBarOverBuilding" bar under the place (applied, 0 to
    // 1 at 0, shown or not); none without the template or when it is no
    // progress bar.
    void makeProgressBar(bool visible);
    void showProgressBar();
    // Value := getProgress().
    void updateProgressBar();
    // Takes the bar off the place and forgets it.
    void dropProgressBar();
    // The work time of dt at BuildTimeM as a float; a factor of 0 or below
    // would never end the work, so it counts as 1.
    [[nodiscard]] float buildTimeStep(uint32_t elapsed) const;
    // trunc(dt x factor), or dt when that is not above 0.
    [[nodiscard]] static int scaledStep(uint32_t elapsed, float factor);
    // Takes `node` out of its parent's children; keeps it alive meanwhile.
    static void detach(BaseNode* node);
    // Plays `cue` (not unique, no fade-in); the playing instance or null.
    static SoundCue* playCue(CName cue);

private:
    IGameLevel* m_level;
    GBuildingNode* m_place;
    GBuildingConfig* m_type;
    BaseNode* m_effects;
    CRefHandle<BaseProgressBarNode> m_bar;
};

// "workers;elapsed": the count in decimal and the time as a float with six
// decimals less trailing zeros and point.
[[nodiscard]] CStringW taskDisplayText(int workers, float elapsed);
