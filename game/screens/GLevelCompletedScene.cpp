#include "game/screens/GLevelCompletedScene.h"

#include "engine/content/CDictionary.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "game/app/GGameApplication.h"
#include "game/config/ComicsConfiguration.h"
#include "game/config/GlobalConfig.h"
#include "game/config/IGameLevel.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectivesGroup.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/screens/GScreenServices.h"

namespace {

constexpr int32_t kKeyEnter = 13;
constexpr int32_t kKeyEsc = 27;

CStringW decimal(int32_t value) { return CStringW() + value; }

CStringW formatText(const char* key, const CStringW& argument) {
    const CDictionary* texts = dictionary();
    return texts ? texts->format(key, argument, CStringW(), CStringW(), CStringW()) : argument;
}

} // namespace

GLevelCompletedScene::GLevelCompletedScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

GLevelCompletedScene::~GLevelCompletedScene() = default;

BaseNode* GLevelCompletedScene::create(const CObjectName& name) {
    return new GLevelCompletedScene(name, nullptr, nullptr);
}

const CStringW& GLevelCompletedScene::getTypeName() const {
    static const CStringW name(u"GLevelCompletedScene");
    return name;
}

const CStringW& GLevelCompletedScene::getClassName() const { return GLevelCompletedScene::getTypeName(); }

BaseNode* GLevelCompletedScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GLevelCompletedScene>(parent, sceneManager);
}

void GLevelCompletedScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

void GLevelCompletedScene::onLoaded() {
    m_sceneNode = findChild(CName("Scene"), 1);
    if (!m_sceneNode)
        return;
    m_timeBar = nodeCast<GProgressBarWithCheckpointsNode>(m_sceneNode->findChild(CName("TimeProgressBar"), 1));
    m_titleText = nodeCast<TextNode>(m_sceneNode->findChild(CName("TitleText"), 1));
    m_okButton = nodeCast<ButtonNode>(m_sceneNode->findChild(CName("OkButton"), 1));
    BaseNode* numbers = m_sceneNode->findChild(CName("NumbersControl"), 1);
    m_numberText = numbers ? nodeCast<TextNode>(numbers->findChild(CName("Nomber"), 1)) : nullptr;
    BaseNode* arrow = m_sceneNode->findChild(CName("ArrowControl"), 1);
    m_rankText = arrow ? nodeCast<TextNode>(arrow->findChild(CName("RangText"), 1)) : nullptr;
}

void GLevelCompletedScene::setLevelScene(BaseNode* levelScene) {
    m_levelScene = CRefHandle<BaseNode>::share(levelScene);
}

IGameLevel* GLevelCompletedScene::level() const { return dynamic_cast<IGameLevel*>(m_levelScene.get()); }

int32_t GLevelCompletedScene::groupCount() const {
    const IGameLevel* finished = level();
    const LevelConfiguration* configuration = finished ? finished->getLevelConfiguration() : nullptr;
    return configuration ? int32_t(configuration->getGroupCount()) : 0;
}

CArray<float> GLevelCompletedScene::groupFractions(const LevelConfiguration& configuration) {
    CArray<float> fractions;
    const uint32_t count = configuration.getGroupCount();
    const int total = configuration.getTotalTime();
    for (uint32_t i = 0; i < count; ++i) {
        const ObjectivesGroup* group = configuration.getGroup(i);
        // A level whose groups take no time at all shares the bar evenly.
        fractions.push_back(total == 0 ? 1.0f / float(count) : float(group ? group->Time : 0) / float(total));
    }
    return fractions;
}

const char16_t* GLevelCompletedScene::rankText(int32_t passed, int32_t groups) {
    return passed < groups / 2 + groups % 2 ? u"%Rang_Gamer%" : u"%Rang%";
}

void GLevelCompletedScene::setNumberText(int32_t passed) {
    if (m_numberText)
        m_numberText->setText(formatText("number_etaps", decimal(passed) + u"/" + decimal(groupCount())));
}

bool GLevelCompletedScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    (void)GBaseSceneNode::onNavigationStarted(event);
    IGameLevel* finished = level();
    if (!isShownBy(event) || !m_timeBar || !finished)
        return false;
    if (m_okButton)
        m_okButton->setEnabled(false);
    if (m_titleText)
        m_titleText->setText(formatText("Level_End", decimal(finished->getLevelNumber())));
    setNumberText(0);
    m_timeBar->setMinValue(0.0f);
    m_timeBar->setMaxValue(1.0f);
    m_timeBar->clearCheckpoints();
    const GlobalConfig* config = globalConfig();
    m_barTime = config ? config->LevelCompletedProgressBarTime : DefaultBarTimeMs;
    // A file that leaves the time out (or gives none) would divide by nothing.
    if (m_barTime <= 0)
        m_barTime = DefaultBarTimeMs;
    m_groupEnds.clear();
    m_groupResults.clear();
    m_nextGroup = 0;
    m_passed = 0;
    m_elapsed = 0;
    const LevelConfiguration* configuration = finished->getLevelConfiguration();
    if (configuration) {
        float end = 0.0f;
        for (float fraction : groupFractions(*configuration)) {
            m_timeBar->addCheckpointTime(fraction);
            end += fraction;
            m_groupEnds.push_back(end);
        }
    }
    if (const CArray<uint8_t>* results = finished->getGroupResults())
        m_groupResults = *results;
    const uint8_t unfinished = configuration && !configuration->IsClockOn ? 1 : 0;
    while (m_groupResults.size() < uint32_t(groupCount()))
        m_groupResults.push_back(unfinished);
    m_timeBar->layoutCheckpoints();
    m_timeBar->setValue(0.0f);
    // Nothing to replay: the player may go on at once.
    if (m_groupEnds.empty() && m_okButton)
        m_okButton->setEnabled(true);
    return false;
}

bool GLevelCompletedScene::update(uint32_t elapsed) {
    (void)GBaseSceneNode::update(elapsed);
    m_elapsed += int32_t(elapsed) * m_speed;
    if (m_groupEnds.empty())
        return true;
    const float f = float(m_elapsed) / float(m_barTime);
    if (m_timeBar)
        m_timeBar->setValue(f);
    // One result per update, however many group ends the bar has passed.
    if (m_groupEnds[0] <= f)
        showNextGroupResult();
    return true;
}

void GLevelCompletedScene::showNextGroupResult() {
    if (m_timeBar && m_nextGroup < int32_t(m_groupResults.size())) {
        if (m_groupResults[m_nextGroup] == 1) {
            ++m_passed;
            m_timeBar->setCheckpointPassedOk(uint32_t(m_nextGroup));
            if (BaseNode* numbers = m_sceneNode ? m_sceneNode->findChild(CName("NumbersControl"), 1) : nullptr)
                numbers->applyStateRecursive(CName("PassedOk"), nullptr);
            if (m_levelScene)
                setNumberText(m_passed);
        } else {
            m_timeBar->setCheckpointPassedFail(uint32_t(m_nextGroup));
        }
    }
    ++m_nextGroup;
    m_groupEnds.erase(0);
    if (!m_groupEnds.empty())
        return;
    if (m_rankText && m_levelScene)
        m_rankText->setText(CStringW(rankText(m_passed, groupCount())));
    if (m_sceneNode)
        m_sceneNode->applyStateRecursive(CName("Rank"), nullptr);
    if (m_okButton)
        m_okButton->setEnabled(true);
}

bool GLevelCompletedScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    const ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (control && control == m_okButton) {
        continueAfterLevel();
        return true;
    }
    m_speed = FastSpeed;
    if (m_okButton)
        m_okButton->setEnabled(true);
    return false;
}

bool GLevelCompletedScene::onKeyUp(CEventKeyUp* event) {
    if (GBaseSceneNode::onKeyUp(event))
        return true;
    const int32_t key = event->getKeyCode();
    if (key != kKeyEsc && key != kKeyEnter)
        return false;
    continueAfterLevel();
    return true;
}

void GLevelCompletedScene::continueAfterLevel() {
    CProfileParameters* player = currentPlayer();
    if (!player)
        return;
    const int32_t maxUnlocked = player->getInt("MaxUnlockedLevelIndex");
    const int32_t index = player->getInt("LevelIndex");
    // A level index above the highest open one: the finished level opened it.
    const int32_t comicKey = maxUnlocked < index ? index : -1;
    const int32_t finished = maxUnlocked < index ? index - 1 : index;
    const bool last = finished == LastLevelIndex;
    if (last) {
        player->setBool("ShowFinalCredits", true);
        (void)player->save();
    }
    GGameApplication* game = GGameApplication::instance();
    const ComicsConfiguration* comics = game ? game->getComicsConfiguration() : nullptr;
    const GComicsEntry* comic = comics ? comics->find(comicKey) : nullptr;
    if (comic && !comic->ScenePath.empty()) {
        (void)goToIntro(IntroComics, CStringW(comic->ScenePath), 0);
        return;
    }
    if (last) {
        (void)goToIntro(IntroMainMenu, CStringW(), 0);
        return;
    }
    const bool expert = player->getBool("FirstTimeLevelExpert");
    player->remove("FirstTimeLevelExpert");
    (void)player->save();
    const GlobalConfig* config = globalConfig();
    const int32_t hqLevel = config ? config->AllowHQUpgradeFromLevel : 0;
    if (expert && !player->getBool("HQCompleted") && finished >= hqLevel)
        (void)goToIntro(IntroHeadquarters, CStringW(), 0);
    else
        (void)goToIntro(IntroMap, CStringW(), 0);
}
