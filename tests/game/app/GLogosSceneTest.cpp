#include "game/app/GLogosScene.h"

#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CNodeFactory.h"
#include "game/app/GIntroScene.h"
#include "game/app/GLogosConfig.h"
#include "game/config/GNumberText.h"
#include "tests/game/app/SceneFlowFixture.h"

using namespace sceneflow;

namespace {

constexpr const char* kLogos = R"(<?xml version="1.0"?>
<Logos>
  <Logo Image="logos/First.png" Time="400" Skippable="true" Stretched="true" BgColor="FF102030"/>
  <Group><Logo Image="logos/Second.png" Time="400" Skippable="TRUE" BgColor="80x"/></Group>
  <MMLogo Image="logos/Menu.png" Pos="12,34" URL="https://example.org"/>
  <Logo Image="logos/Missing.png"/>
</Logos>
<Logo Image="after/the/end.png"/>)";

} // namespace

TEST(GLogosConfig, ReadsLogosWhereverTheyStandUpToTheEndOfTheList) {
    const std::string text(kLogos);
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(text.data(), text.size()));
    CRefHandle<GLogosConfig> config(new GLogosConfig);
    config->readFromXml(*reader);
    const CArray<GLogoEntry>& logos = config->getLogos();
    ASSERT_EQ(logos.size(), 3u);
    EXPECT_EQ(logos[0].Image, "logos/First.png");
    EXPECT_EQ(logos[0].Time, 400);
    EXPECT_TRUE(logos[0].Skippable);
    EXPECT_TRUE(logos[0].Stretched);
    EXPECT_EQ(logos[0].BgColor.value, 0xFF102030u);
    // Only the exact text "true" counts; hex digits stop at the first other character.
    EXPECT_FALSE(logos[1].Skippable);
    EXPECT_FALSE(logos[1].Stretched);
    EXPECT_EQ(logos[1].BgColor.value, 0x80u);
    EXPECT_EQ(logos[2].Time, 0);
    EXPECT_EQ(logos[2].BgColor.value, 0u);
    ASSERT_EQ(config->getMenuLogos().size(), 1u);
    EXPECT_EQ(config->getMenuLogos()[0].Pos.x, 12.0f);
    EXPECT_EQ(config->getMenuLogos()[0].Pos.y, 34.0f);
    EXPECT_EQ(config->getMenuLogos()[0].URL, "https://example.org");
}

TEST(GLogosScene, LaysStretchedPicturesInsideTheScreenAndCentresTheOthers) {
    const struct {
        float w, h;
        bool stretched;
        float x, y, width, height;
        uint32_t mode;
    } rows[] = {
        {2048, 1024, true, 0, 128, 1024, 512, 1},
        {1024, 1024, true, 128, 0, 768, 768, 1},
        // Wider than tall yet too tall once fitted to the width: fitted to the height.
        {1100, 1000, true, 89.6f, 0, 844.8f, 768, 1},
        {400, 300, false, 312, 234, 0, 0, 2},
        // A stretched picture without a size stays as it is.
        {0, 300, true, 512, 234, 0, 0, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.w << " x " << row.h << (row.stretched ? " stretched" : ""));
        const GLogoLayout layout = logoLayout(CVector2d(row.w, row.h), row.stretched, CVector2d(1024, 768));
        EXPECT_NEAR(layout.position.x, row.x, 0.01f);
        EXPECT_NEAR(layout.position.y, row.y, 0.01f);
        EXPECT_NEAR(layout.size.x, row.width, 0.01f);
        EXPECT_NEAR(layout.size.y, row.height, 0.01f);
        EXPECT_EQ(layout.stretchMode, row.mode);
    }
}

class GLogosSceneFlow : public SceneFlowTest {};

TEST_F(GLogosSceneFlow, ShowsTheLogosThenTheLoadingScreenThenTheMainMenu) {
    writeStartScenes();
    write("logos/Logos.xml", R"(<Logos>
        <Logo Image="logos/Wide.png" Time="600000" Skippable="true" Stretched="true" BgColor="FF000000"/>
        <Logo Image="logos/Small.png" Time="300" BgColor="FFFFFFFF"/>
      </Logos>)");
    write("strings/Dictionary.xml", R"(<?xml version="1.0" encoding="utf-8"?>
      <Dictionary><s n="TitleName">Railway Town</s><s n="ThousandsDelimiter">.</s></Dictionary>)");
    writePicture("logos/Wide.png", 256, 128);
    writePicture("logos/Small.png", 40, 30);

    CNodeFactory* factory = CNodeFactory::getShared();
    EXPECT_FALSE(factory->isNodeClassRegistered(CStringW(u"GCreditsScene")));
    // Pictures need a driver that makes textures: OpenGL, off screen.
    GGameApplication* game = start(false);
    ASSERT_TRUE(game->init(CStringW()));
    // The start-up classes, then the others once the logos screen is shown.
    EXPECT_TRUE(factory->isNodeClassRegistered(CStringW(u"GIntroScene")));
    ASSERT_EQ(topName(), "Logos");
    auto logos = CRefHandle<GLogosScene>::share(nodeCast<GLogosScene>(game->getSceneManager()->getCurrentScene()));
    ASSERT_TRUE(logos);

    EXPECT_TRUE(factory->isNodeClassRegistered(CStringW(u"GCreditsScene")));
    EXPECT_EQ(game->getEngine()->getSetting("TitleCaption"), CStringW(u"Railway Town"));
    EXPECT_EQ(thousandsDelimiter(), u'.');

    BaseNode* slot2 = logos->findChild(CName("Logo2"), 0);
    ASSERT_NE(slot2, nullptr);
    auto* picture = nodeCast<SpriteNode>(slot2->findChild(CName("Logo"), 1));
    ASSERT_NE(picture, nullptr);
    for (int i = 0; i < 1000 && !picture->getAtlasTexture(); ++i)
        ASSERT_TRUE(game->run());
    // The first logo, stretched to the width, in the second slot; it waits
    // for Esc.
    ASSERT_NE(picture->getAtlasTexture(), nullptr);
    EXPECT_EQ(picture->getBounds().x, 1024.0f);
    EXPECT_EQ(picture->getBounds().y, 512.0f);
    EXPECT_EQ(picture->getPosition().y, 128.0f);
    EXPECT_EQ(slot2->findChild(CName("Bg"), 1)->getTintColor().value, 0xFF000000u);
    EXPECT_TRUE(post(new CEventKeyUp(0, 27)));
    for (int i = 0; i < 1000 && picture->getPosition().x == 0.0f; ++i)
        ASSERT_TRUE(game->run());
    // The second at its own size in the middle; the first goes on in the first slot.
    EXPECT_EQ(picture->getPosition().x, 492.0f);
    EXPECT_EQ(picture->getPosition().y, 369.0f);
    EXPECT_EQ(picture->getImageStretchX(), 2u);
    EXPECT_EQ(picture->getBounds().x, 40.0f);
    auto* outgoing = nodeCast<SpriteNode>(logos->findChild(CName("Logo1"), 0)->findChild(CName("Logo"), 1));
    EXPECT_EQ(outgoing->getBounds().x, 1024.0f);

    ASSERT_TRUE(runUntilTop("Intro"));
    EXPECT_TRUE(logos->isFinished());
    ASSERT_TRUE(runUntilTop("MainMenu"));
    // The loading screen stays below the main menu.
    auto* intro = nodeCast<GIntroScene>(game->getSceneManager()->getCurrentScene()->getSceneBelow());
    ASSERT_NE(intro, nullptr);
    EXPECT_EQ(intro->getNextStep(), intro->getStepCount());
    EXPECT_EQ(intro->getDoneWeight(), intro->getTotalWeight());
}

TEST_F(GLogosSceneFlow, EscOrAClickEndsOnlyASkippableLogo) {
    writeStartScenes();
    write("logos/Logos.xml", R"(<Logos>
        <Logo Image="logos/A.png" Time="60000" Skippable="true"/>
        <Logo Image="logos/B.png" Time="60000"/>
      </Logos>)");
    writePicture("logos/A.png", 8, 8);
    writePicture("logos/B.png", 8, 8);
    GGameApplication* game = start(false);
    ASSERT_TRUE(game->init(CStringW()));
    auto* logos = nodeCast<GLogosScene>(game->getSceneManager()->getCurrentScene());
    ASSERT_NE(logos, nullptr);
    // The first logo comes once the screen has arrived, some steps later.
    ASSERT_TRUE(runUntil([&] { return logos->getRemaining() > 0; }));
    ASSERT_TRUE(logos->isSkippable());
    EXPECT_GT(logos->getRemaining(), 50000);

    // Esc is taken and ends the logo at once; the next update shows the second.
    EXPECT_TRUE(post(new CEventKeyUp(0, 27)));
    EXPECT_FALSE(logos->isSkippable());
    EXPECT_EQ(logos->getRemaining(), 0);
    ASSERT_TRUE(runUntil([&] { return logos->getRemaining() > 0; }));
    EXPECT_TRUE(game->getLogosConfig()->getLogos().empty());
    EXPECT_FALSE(logos->isSkippable());
    EXPECT_GT(logos->getRemaining(), 50000);

    // Neither Esc nor a click ends the second, and both are still taken.
    EXPECT_TRUE(post(new CEventKeyUp(0, 27)));
    EXPECT_TRUE(post(new CEventMouseLeftDown(10, 10)));
    EXPECT_GT(logos->getRemaining(), 50000);
    ASSERT_TRUE(runFor(50));
    EXPECT_GT(logos->getRemaining(), 50000);
    EXPECT_FALSE(logos->isFinished());
    // Other keys pass by.
    EXPECT_FALSE(post(new CEventKeyUp(0, 65)));
}
