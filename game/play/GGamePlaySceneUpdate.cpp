// The play screen's own update: what the arrival asked for, the level clock
// and its warnings, the live panels, the group change and the tutorials.
#include "engine/content/CContentManager.h"
#include "engine/content/ContentType.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/SceneManager.h"
#include "engine/sound/CSoundCueManager.h"
#include "game/app/GGameApplication.h"
#include "game/app/GLevelObjectivesScene.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/LevelConfiguration.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/play/GGamePlayScene.h"
#include "game/play/GGamePlaySceneHelpers.h"
#include "game/play/GTutorialController.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GMajorOfficeNode.h"

#include <algorithm>

using namespace playscene;

namespace {

// The level music comes back this long after each arrival.
constexpr uint32_t kMusicReplayMs = 2000;
// The checkpoint of the running group flashes this long before its end.
constexpr int kAlmostEndMs = 10000;
constexpr int kSoundPollMs = 250;

} // namespace

bool GGamePlayScene::update(uint32_t elapsed) {
    (void)GBaseSceneNode::update(elapsed);
    if (SceneManager* manager = getSceneManager(); manager && manager->getCurrentScene() != this)
        return true;

    if (getFocusedTime() >= kMusicReplayMs && !m_levelMusicReplayed) {
        if (CSoundCueManager* cues = cueManager())
            (void)cues->play(m_levelMusicCue, true, 0);
        m_levelMusicReplayed = true;
    }

    if (m_pendingArrival == 1 && isLevelEntering())
        return true;
    if (m_pendingArrival != 0) {
        const int pending = m_pendingArrival;
        m_pendingArrival = 0;
        if (pending == 1) {
            openObjectivesScreen();
        } else if (pending == 2 && m_objectivesShown && !m_tutorialsStarted) {
            m_tutorialsStarted = true;
            if (m_levelTutorial)
                m_levelTutorial->start(0);
            if (m_groupTutorial)
                m_groupTutorial->start(0);
        }
        return true;
    }

    if (m_levelScene && dictionary()) {
        updateLevelClock();
        updatePanels();
    }
    updateGroupChange(elapsed);
    updateTutorials(elapsed);

    if (m_impendingShown && m_impendingTimer > 0) {
        m_impendingTimer -= int(elapsed);
        if (m_impendingTimer <= 0) {
            m_impendingShown = false;
            highlightBlockingLocations(nullptr);
        }
    }
    if (m_soundPollCountdown > 0) {
        m_soundPollCountdown -= int(elapsed);
        if (m_soundPollCountdown <= 0) {
            pollSoundGroupPlaying();
            m_soundPollCountdown = kSoundPollMs;
        }
    }
    return true;
}

bool GGamePlayScene::isLevelEntering() const {
    // The objectives window stops the level's updates while it is up: a town
    // still fading in would stay unseen behind it.
    GGameApplication* game = GGameApplication::instance();
    SceneManager* overlay = game ? game->getOverlaySceneManager() : nullptr;
    return overlay && m_levelScene && overlay->isInTransition(m_levelScene.get());
}

void GGamePlayScene::openObjectivesScreen() {
    // Set whatever the load gives: without the window the tutorials start
    // all the same.
    m_objectivesShown = true;
    GGameApplication* game = GGameApplication::instance();
    CContentManager* content = game ? game->getContentManager() : nullptr;
    if (!content)
        return;
    CRefHandle<IContent> loaded(
        content->load(ContentTypeSceneNode, CStringW(u"scenes/LevelObjectivesScene.mscn"), false));
    auto* objectives = nodeCast<GLevelObjectivesScene>(dynamic_cast<BaseNode*>(loaded.get()));
    if (!objectives)
        return;
    objectives->setLevelScene(dynamic_cast<ILevelObjectives*>(m_objectivesLevel.get()));
    (void)navigateTo(objectives, true, CName("NavFrom"), CName("NavTo"));
}

void GGamePlayScene::updateLevelClock() {
    GGameLevelScene* world = getWorld();
    const LevelConfiguration* configuration = levelConfiguration();
    if (!world || !m_timeProgressBar || !configuration || !configuration->IsClockOn)
        return;
    const int group = world->getGroupIndex();
    const int elapsed = world->getGroupElapsed();
    const int limit = world->getGroupTimeMs();
    // Before the first group starts there is no time to run out.
    if (group < 0 || limit <= 0)
        return;
    const uint32_t checkpoint = uint32_t(group);
    if (GGameApplication::isDeveloperMode())
        m_timeProgressBar->setCheckpointTimeText(checkpoint, elapsed / 1000);
    if (elapsed < limit) {
        m_timeProgressBar->setValue(float(world->getLevelTime()) / 1000.0f);
    } else if (!m_timeOverPlayed) {
        m_timeOverPlayed = true;
        if (CSoundCueManager* cues = cueManager()) {
            cues->stop(CName("AlmostEnd"), 0);
            (void)cues->play(CName("TimeOver"), false, 0);
        }
    }
    if (limit - elapsed < kAlmostEndMs && !m_timeProgressBar->isCheckpointPassed(checkpoint))
        m_timeProgressBar->setCheckpointFlashed(checkpoint);
}

void GGamePlayScene::updatePanels() {
    GGameLevelScene* world = getWorld();
    const LevelConfiguration* configuration = levelConfiguration();
    if (m_incomeProgressBar && configuration && world) {
        m_incomeProgressBar->setMaxValue(float(configuration->DayLength));
        m_incomeProgressBar->setValue(world->getDayTime());
    }
    if (GBuildingNode* focused = focusedBuilding()) {
        if (focused->getTaskKind() != 0)
            updateBuildingPage();
        else if (focused->getType() && focused->getType()->Name == CName("RailRoadStation1") &&
                 focused->getStandingTrains().empty())
            updateStationPage();
    }
    if (auto* headquarters = nodeCast<GMajorOfficeNode>(m_headquarters)) {
        const int left = headquarters->getOrderTimeLeft();
        if (left >= 0) {
            updateWorkersList();
            if (m_workersSignBar)
                m_workersSignBar->setValue(float(headquarters->getOrderTotalTime() - left));
        }
    }
}

void GGamePlayScene::updateGroupChange(uint32_t elapsed) {
    if (m_groupChangeCountdown < 0)
        return;
    m_groupChangeCountdown -= int(elapsed);
    if (m_groupChangeCountdown >= 0)
        return;
    if (GGameLevelScene* world = getWorld()) {
        world->clearGroupChanged();
        if (m_checkpointTaskText)
            m_checkpointTaskText->setText(CStringW(u"") + (world->getGroupIndex() + 1));
    }
    layoutGoalsPanel();
    updateGoalChecks(false);
    if (m_goalsNode)
        m_goalsNode->setState(CName("Appear"), nullptr, CName());
    updateGoalChecks(true);
}

void GGamePlayScene::updateTutorials(uint32_t elapsed) {
    if (m_levelTutorial && !m_levelTutorial->update(elapsed))
        hideLevelTutorial();
    if (m_groupTutorial && !m_groupTutorial->update(elapsed))
        hideGroupTutorial();
    if (m_questTutorial && !m_questTutorial->update(elapsed))
        hideQuestTutorial(true);
}
