#include "engine/content/CDictionary.h"
#include "engine/content/CPixelImage.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/io/CVirtualFileSystem.h"
#include "game/app/GScreenshot.h"
#include "game/config/GNumberText.h"
#include "game/config/ObjectsConfiguration.h"
#include "tests/game/app/SceneFlowFixture.h"

#include <set>

using namespace sceneflow;

namespace {

// Key downs as the window makes them: a letter with its character, Shift
// alone with none.
void type(GGameApplication& game, const std::string& text) {
    for (char c : text) {
        const bool upper = c >= 'A' && c <= 'Z';
        if (upper) {
            CRefHandle<CEventKeyDown> shift(new CEventKeyDown(0, 16, true));
            (void)game.handleEvent(shift.get());
        }
        CRefHandle<CEventKeyDown> key(new CEventKeyDown(c, upper ? c : c - 32, upper));
        (void)game.handleEvent(key.get());
    }
}

class GDeveloperKeys : public SceneFlowTest {
protected:
    void SetUp() override {
        SceneFlowTest::SetUp();
        GGameApplication::setDeveloperMode(false);
    }
};

} // namespace

TEST_F(GDeveloperKeys, TheCodeCountsItsLastEightLettersInEitherCase) {
    const struct {
        const char* what;
        std::string typed;
        bool on;
    } rows[] = {
        {"the code", "coalyard", true},
        {"a wrong letter, then the code", "coaXyardcoalyard", true},
        {"a wrong letter inside", "coalxard", false},
        {"upper case with Shift", "COALYARD", true},
        {"mixed case", "CoalYard", true},
        {"seven letters", "oalyard", false},
    };
    writeStartScenes();
    GGameApplication* game = start();
    ASSERT_TRUE(game->init(CStringW()));
    ASSERT_FALSE(GGameApplication::isPackedArchiveMode());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        GGameApplication::setDeveloperMode(false);
        type(*game, "........");
        type(*game, row.typed);
        EXPECT_EQ(GGameApplication::isDeveloperMode(), row.on);
    }
}

TEST_F(GDeveloperKeys, ScreenshotsTakeTheFirstFreeNumber) {
    TempDir folder;
    std::set<std::u16string> existing;
    auto exists = [&](const CStringW& path) { return existing.count(std::u16string(path.c_str())) != 0; };
    const CStringW base(folder.path().u16string().c_str());
    EXPECT_EQ(nextScreenshotPath(base, exists), base + u"/screenshot0.png");
    existing.insert(std::u16string((base + u"/screenshot0.png").c_str()));
    existing.insert(std::u16string((base + u"/screenshot1.png").c_str()));
    existing.insert(std::u16string((base + u"/screenshot3.png").c_str()));
    EXPECT_EQ(nextScreenshotPath(base, exists), base + u"/screenshot2.png");
}

TEST(GScreenshot, TakesTheAlphaFromTheFrameOnBlackAndOnWhite) {
    CRefHandle<CPixelImage> onBlack(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 3, 2));
    CRefHandle<CPixelImage> onWhite(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 2, 3));
    onBlack->fillColor(CColor(0xFF102030u));
    onWhite->fillColor(CColor(0xFF102030u));
    // Background everywhere it shows through, half of it, and a pixel brighter on black.
    onBlack->putPixel(1, 0, CColor(0xFF000000u));
    onWhite->putPixel(1, 0, CColor(0xFFFFFFFFu));
    onBlack->putPixel(0, 1, CColor(0xFF404040u));
    onWhite->putPixel(0, 1, CColor(0xFFC0C0C0u));
    onBlack->putPixel(1, 1, CColor(0xFFFF0000u));
    onWhite->putPixel(1, 1, CColor(0xFF000000u));
    mergeScreenshotAlpha(*onBlack, *onWhite);
    EXPECT_EQ(onBlack->pixelAt(0, 0).value, 0xFF102030u);
    EXPECT_EQ(onBlack->pixelAt(1, 0).value, 0x00000000u);
    EXPECT_EQ(onBlack->pixelAt(0, 1).value, 0x7F404040u);
    EXPECT_EQ(onBlack->pixelAt(1, 1).value, 0xFFFF0000u);
    // Outside the shared area the image is left alone.
    onWhite->fillColor(CColor(0xFFFFFFFFu));
    EXPECT_EQ(onBlack->pixelAt(2, 0).value, 0xFF102030u);
}

TEST_F(GDeveloperKeys, ControlShiftKeysWorkOnlyInDeveloperMode) {
    writeStartScenes();
    GGameApplication* game = start(false);
    ASSERT_TRUE(game->init(CStringW()));
    ASSERT_TRUE(runSteps(5));
    CRefHandle<CEventKeyDown> k(new CEventKeyDown(11, 75, true, true));
    EXPECT_FALSE(game->handleEvent(k.get()));
    EXPECT_EQ(game->getClearColor(), 0u);
    GGameApplication::setDeveloperMode(true);
    EXPECT_FALSE(game->handleEvent(k.get()));
    EXPECT_EQ(game->getClearColor(), 0xFFFFFFFFu);
    EXPECT_FALSE(game->handleEvent(k.get()));
    EXPECT_EQ(game->getClearColor(), 0u);

    // Two screenshots: the numbers 0 and 1 in the user folder.
    const std::filesystem::path folder(std::u16string(game->getEngine()->getFileSystem()->getUserFolder().c_str()));
    CRefHandle<CEventKeyDown> s(new CEventKeyDown(19, 83, true, true));
    EXPECT_FALSE(game->handleEvent(s.get()));
    EXPECT_FALSE(game->handleEvent(s.get()));
    EXPECT_TRUE(std::filesystem::exists(folder / "screenshot0.png"));
    EXPECT_TRUE(std::filesystem::exists(folder / "screenshot1.png"));
    EXPECT_EQ(game->getClearColor(), 0xFFFFFFFFu);
}

TEST_F(GDeveloperKeys, ControlShiftRReadsTheFourObjectFilesAgain) {
    writeStartScenes();
    for (const char* name : {"BuildingsConfiguration.xml", "WorkersConfiguration.xml", "TrainsConfiguration.xml",
                             "RRStationButtonsConfiguration.xml"}) {
        const std::vector<uint8_t> bytes = readAllBytes(kSourceFolder / "tests/game/config/fixtures" / name);
        m_dir.write(std::string("assets/levels/common/") + name, bytes);
    }
    GGameApplication* game = start();
    ASSERT_TRUE(game->init(CStringW()));
    ObjectsConfiguration* objects = game->getObjectsConfiguration();
    objects->reload(game->getEngine()->getFileSystem());
    const uint32_t buildings = objects->getBuildings().size();
    const uint32_t workers = objects->getWorkers().size();
    const uint32_t trains = objects->getTrains().size();
    ASSERT_GT(buildings, 0u);
    ASSERT_GT(workers, 0u);
    ASSERT_GT(trains, 0u);
    ASSERT_NE(objects->getStationItems(), nullptr);

    GGameApplication::setDeveloperMode(true);
    CRefHandle<CEventKeyDown> r(new CEventKeyDown(18, 82, true, true));
    EXPECT_FALSE(game->handleEvent(r.get()));
    EXPECT_EQ(objects->getBuildings().size(), buildings);
    EXPECT_EQ(objects->getWorkers().size(), workers);
    EXPECT_EQ(objects->getTrains().size(), trains);
    EXPECT_NE(objects->getStationItems(), nullptr);
}

TEST_F(GDeveloperKeys, F3SwitchesBetweenTheTwoDeveloperDictionaries) {
    writeStartScenes();
    m_dir.write("assets_en/strings/Dictionary.xml",
                R"(<Dictionary><s n="Hello">Hello</s><s n="ThousandsDelimiter">,</s></Dictionary>)");
    m_dir.write("assets_ru/strings/Dictionary.xml",
                R"(<Dictionary><s n="Hello">Privet</s><s n="ThousandsDelimiter">.</s></Dictionary>)");
    std::filesystem::create_directories(m_dir.path() / "work");
    std::filesystem::current_path(m_dir.path() / "work");
    std::filesystem::rename(m_dir.path() / "assets", m_dir.path() / "work/assets");
    GGameApplication* game = start();
    ASSERT_TRUE(game->init(CStringW()));
    CRefHandle<CEventKeyUp> f3(new CEventKeyUp(0, 114));
    EXPECT_FALSE(game->handleEvent(f3.get())); // not a developer yet
    GGameApplication::setDeveloperMode(true);
    CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    EXPECT_TRUE(game->handleEvent(f3.get()));
    EXPECT_EQ(dictionary->get("Hello"), CStringW(u"Privet"));
    EXPECT_EQ(thousandsDelimiter(), u'.');
    // The objective and money texts group with the delimiter the game set.
    EXPECT_EQ(groupedNumber(1234567), CStringW(u"1.234.567"));
    EXPECT_TRUE(game->handleEvent(f3.get()));
    EXPECT_EQ(dictionary->get("Hello"), CStringW(u"Hello"));
    EXPECT_EQ(thousandsDelimiter(), u',');
    EXPECT_EQ(groupedNumber(1234567), CStringW(u"1,234,567"));
}
