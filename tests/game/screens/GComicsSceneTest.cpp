#include "game/screens/GComicsScene.h"

#include "engine/content/CDictionary.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/device/CEventWindowActivate.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CNodeState.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundCue.h"
#include "game/config/GlobalConfig.h"
#include "tests/engine/sound/FakeSound.h"
#include "tests/game/app/SceneFlowFixture.h"

#include <vector>

using namespace sceneflow;

namespace {

std::string node(const char* type, const char* name, const std::string& inner = "", const char* extra = "") {
    return std::string(R"(<SceneNode Type=")") + type + R"("><Properties><string Name="Name" Value=")" + name +
           R"("/>)" + extra + "</Properties>" + inner + "</SceneNode>";
}

std::string bubble(const char* name) { return node("BaseNode", name); }

std::string speech(const char* text) {
    return node("TextNode", "ComicsSpeechText", "",
                (std::string(R"(<string Name="Text" Value=")") + text + R"("/>)").c_str());
}

// A state running long enough to still be the current one when looked at.
std::string longState(const char* name) {
    return std::string(R"(<State Name=")") + name +
           R"("><Animator Type="KeyFrame"><Properties><vector3d Name="Position" Value="0;0;0"/></Properties>)"
           R"(<KeyFrame t="0" Value0="0;0;0"/><KeyFrame t="600000" i="0" Value0="10;0;0"/></Animator></State>)";
}

// A page of `parts`, each a part node's name and inner nodes; no part has
// states, so each appears and ends at once.
std::string comic(const std::vector<std::pair<const char*, std::string>>& parts) {
    std::string inner;
    for (const auto& [name, content] : parts)
        inner += node("BaseNode", name, content);
    return std::string(R"(<?xml version="1.0"?>)") +
           node("GComicsScene", "Comic",
                node("SceneNode", "Scene",
                     node("BaseNode", "DarkBg",
                          "<States>" + longState("OnAppear") + longState("OnDisappear") + "</States>") +
                         node("ButtonNode", "NextButton") + node("ButtonNode", "ReplayButton") +
                         node("ButtonNode", "OtherButton") + node("BaseNode", "Parts", inner)));
}

} // namespace

// The game on its logos screen with a comic pushed over it, for a player.
class ComicsPlayer : public SceneFlowTest {
protected:
    GComicsScene* openComic(const std::string& scene, int32_t maxUnlocked = 2, bool finalCredits = false) {
        writeStartScenes();
        write("logos/Logos.xml", R"(<Logos><Logo Image="logos/A.png" Time="600000"/></Logos>)");
        writePicture("logos/A.png", 4, 4);
        write("scenes/Comic.mscn", scene);
        write("scenes/MapNewScene.mscn", screen("SceneNode", "Map"));
        write("scenes/HeadquartersScene.mscn", screen("SceneNode", "HQ"));
        GGameApplication* game = start();
        EXPECT_TRUE(game->init(CStringW()));
        CProfileManager* profiles = game->getEngine()->getProfileManager();
        EXPECT_TRUE(profiles->findProfile(CStringW(u"Ann")) || profiles->addProfile(CStringW(u"Ann")));
        EXPECT_TRUE(profiles->setActiveProfile(0));
        m_player = profiles->getActiveProfile();
        m_player->setInt("MaxUnlockedLevelIndex", maxUnlocked);
        m_player->setInt("LevelIndex", 7);
        m_player->setBool("ShowFinalCredits", finalCredits);
        game->getGlobalConfig()->AllowHQUpgradeFromLevel = 5;
        EXPECT_TRUE(runSteps(10));
        game->registerGameClasses();
        SceneNode* below = game->getSceneManager()->getCurrentScene();
        CRefHandle<SceneNode> pushed = below->navigateToFile(CStringW(u"scenes/Comic.mscn"), false);
        m_comic = nodeCast<GComicsScene>(pushed.get());
        EXPECT_NE(m_comic, nullptr);
        EXPECT_TRUE(runUntilTop("Comic"));
        SceneManager* manager = game->getSceneManager();
        // The comic starts once its arrival was delivered, with its update.
        EXPECT_TRUE(runUntil([&] { return !manager->isInTransition(m_comic) && m_comic->getScheduler(); }));
        return m_comic;
    }

    bool click(const char* name) {
        auto* control = nodeCast<ControlNode>(m_comic->findChild(CName(name), 0));
        EXPECT_NE(control, nullptr) << name;
        CRefHandle<CEventClicked> event(new CEventClicked(control));
        return m_comic->onControlClicked(event.get());
    }

    BaseNode* find(const char* name) const { return m_comic->findChild(CName(name), 0); }

    // The visible bubbles of the part named `part`, by name (its other
    // children left out).
    std::string visibleBubbles(const char* part) const {
        std::string names;
        for (BaseNode* item : find(part)->findChild(CName("Bg"), 1)->getChildren())
            if (item->isVisible() && item->getName().str().equalsFirstN("TextBg", 6))
                names += std::string(names.empty() ? "" : " ") + item->getName().str().c_str();
        return names;
    }

    // Registers a speech cue whose sound ends when the test says so.
    void defineCue(const char* name, int id) {
        CRefHandle<SoundCue> cue(new SoundCue(CName(name)));
        CRefHandle<FakeSound> sound(new FakeSound(&m_board, id));
        cue->addVariant(sound.get());
        ASSERT_TRUE(m_game->getEngine()->getSoundCueManager()->addCue(cue.get()));
    }

    // Ends the playing sound of cue `id`; false when none plays.
    bool finishCue(int id) {
        for (FakeSound* sound : m_board.sounds)
            if (sound->id() == id && sound->getState() == ISoundInstance::StatePlaying) {
                sound->finish();
                return true;
            }
        return false;
    }

    [[nodiscard]] int plays(int id) const {
        int n = 0;
        for (int started : m_board.started)
            n += started == id;
        return n;
    }

    FakeSound::Board m_board;
    GComicsScene* m_comic = nullptr;
    CProfileParameters* m_player = nullptr;
};

TEST(GComicsScene, FindsTheSpeechKeysBetweenSinglePercentSigns) {
    const struct {
        const char16_t* text;
        std::vector<std::u16string> keys;
    } rows[] = {
        {u"%A%%B%", {u"A", u"B"}},
        {u"%%A", {}},
        {u"%%A%", {}},
        {u"%A", {}},
        {u"", {}},
        {u"%", {}},
        {u"%%", {}},
        {u"Hi %Ann_1%, and %Bob%.", {u"Ann_1", u"Bob"}},
        {u"100%% sure %K%", {u"K"}},
        {u"%%%A%", {u"A"}},
        {u"%A% then %B", {u"A"}},
        {u"%%%%", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(CString(CStringW(row.text)).c_str());
        const CArray<CStringW> keys = GComicsScene::parseSpeechKeys(CStringW(row.text));
        ASSERT_EQ(keys.size(), row.keys.size());
        for (uint32_t i = 0; i < keys.size(); ++i)
            EXPECT_EQ(keys[i], CStringW(row.keys[i].c_str()));
    }
}

TEST_F(ComicsPlayer, PlaysPartByPartBubbleByBubbleAndReplaysThePage) {
    GComicsScene* comicScene = openComic(comic(
        {{"First", node("BaseNode", "Bg", bubble("TextBg") + bubble("TextBg") + node("BaseNode", "Picture"))},
         {"Second", node("BaseNode", "Bg", bubble("TextBgNoWait") + bubble("TextBgNoDisappear") + bubble("TextBg"))}}));
    ASSERT_NE(comicScene, nullptr);
    auto* replay = static_cast<ButtonNode*>(find("ReplayButton"));
    EXPECT_EQ(comicScene->getCurrentPart(), 0);
    EXPECT_EQ(comicScene->getItemIndex(), 0);
    EXPECT_TRUE(find("First")->isVisible());
    EXPECT_FALSE(find("Second")->isVisible());
    EXPECT_EQ(visibleBubbles("First"), "TextBg");
    EXPECT_FALSE(replay->isEnabled());

    EXPECT_TRUE(click("OtherButton"));
    EXPECT_EQ(comicScene->getItemIndex(), 1);
    // Past the last bubble the part ends and the next one starts; its NoWait
    // bubbles go on by themselves to the first that waits.
    EXPECT_TRUE(click("OtherButton"));
    EXPECT_EQ(comicScene->getCurrentPart(), 1);
    EXPECT_TRUE(find("Second")->isVisible());
    EXPECT_EQ(comicScene->getItemIndex(), 2);
    EXPECT_EQ(visibleBubbles("Second"), "TextBgNoWait TextBgNoDisappear TextBg");
    EXPECT_FALSE(replay->isEnabled());

    EXPECT_TRUE(click("OtherButton"));
    EXPECT_EQ(comicScene->getCurrentPart(), 2) << "the page is over";
    EXPECT_EQ(visibleBubbles("Second"), "TextBgNoDisappear") << "that bubble stays to the end";
    EXPECT_TRUE(replay->isEnabled());
    EXPECT_TRUE(click("OtherButton")) << "clicks after the end change nothing";
    EXPECT_EQ(comicScene->getCurrentPart(), 2);

    EXPECT_TRUE(click("ReplayButton"));
    EXPECT_FALSE(replay->isEnabled());
    EXPECT_EQ(comicScene->getCurrentPart(), 0);
    EXPECT_FALSE(find("Second")->isVisible());
    EXPECT_EQ(visibleBubbles("First"), "TextBg");
    EXPECT_EQ(topName(), "Comic");
}

TEST_F(ComicsPlayer, AStartPartShowsAtOnceAndKeepsTheButtonsFromBeingHit) {
    GComicsScene* comicScene =
        openComic(comic({{"PartShowAtStart", node("BaseNode", "Bg", bubble("TextBgShowAtStart") + bubble("TextBg"))},
                         {"Next", node("BaseNode", "Bg", bubble("TextBg"))}}));
    ASSERT_NE(comicScene, nullptr);
    EXPECT_FALSE(find("NextButton")->canBeHit());
    EXPECT_FALSE(find("ReplayButton")->canBeHit());
    // The bubble shown from the start was the current one: the first
    // advance already reaches the second.
    EXPECT_EQ(comicScene->getItemIndex(), 1);
    EXPECT_EQ(visibleBubbles("PartShowAtStart"), "TextBgShowAtStart TextBg") << "hidden when the part ends";
    EXPECT_TRUE(click("OtherButton"));
    EXPECT_EQ(comicScene->getCurrentPart(), 1);
    EXPECT_TRUE(find("NextButton")->canBeHit());
    EXPECT_TRUE(find("ReplayButton")->canBeHit());
}

TEST_F(ComicsPlayer, APartWithoutBubblesEndsOnceItHasAppeared) {
    GComicsScene* comicScene =
        openComic(comic({{"Empty", node("BaseNode", "Picture")}, {"Last", node("BaseNode", "Picture")}}));
    ASSERT_NE(comicScene, nullptr);
    EXPECT_EQ(comicScene->getCurrentPart(), 2);
    EXPECT_TRUE(static_cast<ButtonNode*>(find("ReplayButton"))->isEnabled());
}

TEST_F(ComicsPlayer, SpeechWithoutCuesIsHeldForTheReadingTimeOfAllItsKeys) {
    const struct {
        int32_t lengthA, lengthB;
        int32_t readingMs;
    } rows[] = {{30, 20, 3000}, {13, 0, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.readingMs);
        const char* text = row.lengthB ? "%SpeechA%%SpeechB%" : "%SpeechA%";
        GComicsScene* comicScene = openComic(comic(
            {{"Talk", node("BaseNode", "Bg", bubble("TextBg") + bubble("TextBg")) + speech(text)}, {"After", ""}}));
        ASSERT_NE(comicScene, nullptr);
        CDictionary* dictionary = CEngineManagers::instance().getDictionary();
        dictionary->set(CString("SpeechA"), CStringW(std::u16string(size_t(row.lengthA), u'a').c_str()));
        dictionary->set(CString("SpeechB"), CStringW(std::u16string(size_t(row.lengthB), u'b').c_str()));
        // The keys were read before the texts existed: read them again.
        EXPECT_TRUE(click("ReplayButton"));
        ASSERT_TRUE(runUntil([&] { return comicScene->getPendingSpeech().empty(); }));
        ASSERT_TRUE(runSteps(3));
        EXPECT_EQ(comicScene->getItemIndex(), 0);
        if (row.readingMs > 0) {
            EXPECT_GT(comicScene->getReadingTime(), row.readingMs - 500);
            EXPECT_LE(comicScene->getReadingTime(), row.readingMs);
            ASSERT_TRUE(runUntil([&] { return comicScene->getItemIndex() == 1; }));
            EXPECT_LE(comicScene->getReadingTime(), 0);
        } else {
            ASSERT_TRUE(runFor(1500));
            EXPECT_EQ(comicScene->getItemIndex(), 0) << "only a click goes on";
            EXPECT_TRUE(click("OtherButton"));
            EXPECT_EQ(comicScene->getItemIndex(), 1);
        }
        m_game->release();
        m_game = nullptr;
    }
}

TEST_F(ComicsPlayer, TheBubbleGoesOnWhenTheLastCueOfTheSpeechEnds) {
    GComicsScene* comicScene = openComic(
        comic({{"Talk", node("BaseNode", "Bg", bubble("TextBg") + bubble("TextBg")) + speech("%SpeechA%%SpeechB%")},
               {"After", ""}}));
    ASSERT_NE(comicScene, nullptr);
    defineCue("SpeechA", 1);
    defineCue("SpeechB", 2);
    EXPECT_TRUE(click("ReplayButton"));
    ASSERT_TRUE(runUntil([&] { return plays(1) == 1; }));
    ASSERT_TRUE(runSteps(5));
    EXPECT_EQ(plays(2), 0) << "one key at a time";
    ASSERT_TRUE(finishCue(1));
    ASSERT_TRUE(runUntil([&] { return plays(2) == 1; }));
    ASSERT_TRUE(runSteps(5));
    EXPECT_EQ(comicScene->getItemIndex(), 0) << "the first key's end only starts the next";
    ASSERT_TRUE(finishCue(2));
    ASSERT_TRUE(runUntil([&] { return comicScene->getItemIndex() == 1; }));
    ASSERT_TRUE(runSteps(5));
    EXPECT_EQ(comicScene->getItemIndex(), 1) << "advanced once";
    EXPECT_EQ(comicScene->getReadingTime(), -1);
}

TEST_F(ComicsPlayer, NextAndEscLeaveForTheMapTheHeadquartersOrTheMainMenu) {
    const struct {
        const char* what;
        int32_t maxUnlocked;
        bool finalCredits;
        bool esc;
        const char* screen;
        int32_t levelIndex;
    } rows[] = {
        {"Next, first time", -1, false, false, "Map", 0},
        {"Next before the headquarters", 3, false, false, "Map", 7},
        {"Next at the headquarters", 4, false, false, "HQ", 7},
        {"Next after the headquarters", 5, false, false, "Map", 7},
        {"Next with the final credits", 4, true, false, "MainMenu", 7},
        {"Esc, first time", -1, false, true, "Map", 0},
        {"Esc at the headquarters", 4, false, true, "Map", 7},
        {"Esc with the final credits", 4, true, true, "Map", 7},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_NE(
            openComic(comic({{"Only", node("BaseNode", "Bg", bubble("TextBg"))}}), row.maxUnlocked, row.finalCredits),
            nullptr);
        if (row.esc)
            EXPECT_TRUE(post(new CEventKeyUp(0, 27)));
        else
            EXPECT_TRUE(click("NextButton"));
        EXPECT_TRUE(runUntilTop(row.screen));
        EXPECT_EQ(m_player->getInt("LevelIndex"), row.levelIndex);
        m_game->release();
        m_game = nullptr;
    }
}

TEST_F(ComicsPlayer, WithoutAPlayerClicksAreIgnored) {
    GComicsScene* comicScene =
        openComic(comic({{"Only", node("BaseNode", "Bg", bubble("TextBg") + bubble("TextBg"))}}));
    ASSERT_NE(comicScene, nullptr);
    CProfileManager* profiles = m_game->getEngine()->getProfileManager();
    profiles->deleteProfile(0);
    ASSERT_EQ(profiles->getActiveProfile(), nullptr);
    EXPECT_FALSE(click("OtherButton"));
    EXPECT_FALSE(click("NextButton"));
    ASSERT_TRUE(runSteps(10));
    EXPECT_EQ(comicScene->getItemIndex(), 0);
    EXPECT_EQ(topName(), "Comic");
}

TEST_F(ComicsPlayer, TheDarkLayerComesAfterTheFirstPartAndGoesAtTheEndOfALongerPage) {
    const struct {
        int parts;
        const char* darkState;
    } rows[] = {{1, "OnAppear"}, {2, "OnDisappear"}, {3, "OnDisappear"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.parts);
        std::vector<std::pair<const char*, std::string>> parts;
        for (int i = 0; i < row.parts; ++i)
            parts.emplace_back(i == 0 ? "P0" : i == 1 ? "P1" : "P2", node("BaseNode", "Bg", bubble("TextBg")));
        GComicsScene* comicScene = openComic(comic(parts));
        ASSERT_NE(comicScene, nullptr);
        for (int i = 0; i < row.parts; ++i)
            EXPECT_TRUE(click("OtherButton"));
        EXPECT_EQ(comicScene->getCurrentPart(), row.parts);
        const CNodeState* dark = find("DarkBg")->getCurrentState();
        ASSERT_NE(dark, nullptr);
        EXPECT_EQ(dark->getName(), CName(row.darkState));
        EXPECT_TRUE(static_cast<ButtonNode*>(find("ReplayButton"))->isEnabled());
        m_game->release();
        m_game = nullptr;
    }
}

TEST_F(ComicsPlayer, AFlashPlaysTheTextCueAgainSomeTimeAfterItsPartAppeared) {
    GComicsScene* comicScene = openComic(
        comic({{"Flash", node("BaseNode", "Bg", bubble("TextBg")) + node("BaseNode", "Blic")}, {"After", ""}}));
    ASSERT_NE(comicScene, nullptr);
    defineCue("ComicsText", 9);
    EXPECT_TRUE(click("ReplayButton"));
    EXPECT_EQ(plays(9), 1) << "when the part is shown";
    ASSERT_TRUE(runFor(2500));
    EXPECT_EQ(plays(9), 1);
    ASSERT_TRUE(runUntil([&] { return plays(9) == 2; }));
    ASSERT_TRUE(runFor(4000));
    EXPECT_EQ(plays(9), 2) << "once only";
}

TEST_F(ComicsPlayer, TheComicsSoundsPauseWhileTheWindowIsInactive) {
    GComicsScene* comicScene = openComic(comic({{"Only", node("BaseNode", "Bg", bubble("TextBg"))}}));
    ASSERT_NE(comicScene, nullptr);
    CSoundCueManager* cues = m_game->getEngine()->getSoundCueManager();
    for (bool active : {false, true, false}) {
        CRefHandle<CEventWindowActivate> event(new CEventWindowActivate(active));
        (void)comicScene->onWindowFocus(event.get());
        EXPECT_EQ(cues->getGroup(GComicsScene::ComicsSoundGroup).paused, !active);
    }
    EXPECT_FALSE(cues->getGroup(0).paused) << "other groups play on";
}
