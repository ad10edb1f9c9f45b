// The game's own front-end assets under assets/: every name a file gives
// (atlases, atlas textures, fonts, sound cues, templates, dictionary keys)
// leads to something that exists, the whole front end loads without a
// warning, and the real game, run headless, shows its screens as the
// reference pictures kept beside this test.
//
// BM_UPDATE_REFERENCES=1 writes the reference pictures anew (look at them
// before committing them).

#include "engine/content/CContentManager.h"
#include "engine/content/CDictionary.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/content/ContentType.h"
#include "engine/core/CDisplayModeList.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2di.h"
#include "engine/core/ITimeSource.h"
#include "engine/core/Utf8.h"
#include "engine/device/CSdlDevice.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/FilePaths.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/EditNode.h"
#include "engine/nodes/MessageBoxNode.h"
#include "engine/nodes/SliderNode.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/ControlNode.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/GGameApplication.h"
#include "game/app/GLogosScene.h"
#include "game/app/GameKeys.h"
#include "game/app/main/GGameClasses.h"
#include "game/app/main/GameMain.h"
#include "tests/game/app/FrontEndRunFixture.h"
#include "tests/game/app/SceneFlowFixture.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"
#include "tools/pack/McaPacker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <pugixml.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kAssets = sceneflow::kSourceFolder / "assets";
constexpr int32_t kKeyF3 = 114;

using frontend::narrow;

// Joins a name relative to the file that names it, as the content manager
// does ("../x" climbs out of the file's folder).
std::string resolve(const std::string& file, const std::string& name) {
    return narrow(combinePath(fromNativePath(file), fromNativePath(name)));
}

std::string relativeToAssets(const fs::path& path) { return fs::relative(path, kAssets).generic_string(); }

pugi::xml_document readXml(const fs::path& path) {
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_file(path.c_str());
    EXPECT_TRUE(result) << path << ": " << result.description();
    return doc;
}

// The cues of a sound pack, each of its sounds checked to be there.
std::set<std::string> packCues(const fs::path& path) {
    std::set<std::string> cues;
    const pugi::xml_document pack = readXml(path);
    EXPECT_TRUE(pack.child("SoundPack")) << path;
    for (pugi::xml_node cue : pack.child("SoundPack").children("SoundCue")) {
        cues.insert(cue.attribute("Name").value());
        for (pugi::xml_node sound : cue.children("Sound"))
            EXPECT_TRUE(fs::is_regular_file(path.parent_path() / sound.attribute("Filename").value()))
                << path << ": cue " << cue.attribute("Name").value();
    }
    return cues;
}

std::set<std::string> templatesOf(const fs::path& path) {
    std::set<std::string> out;
    const pugi::xml_document collection = readXml(path);
    for (pugi::xml_node tpl : collection.child("SceneNode").children("SceneNode"))
        out.insert(tpl.child("Properties").find_child_by_attribute("Name", "Name").attribute("Value").value());
    return out;
}

// Everything the asset files offer to be named.
struct Catalogue {
    std::set<std::string> atlasTextures;
    std::set<std::string> soundCues;
    std::set<std::string> templates;      // the screens' (scenes/)
    std::set<std::string> levelTemplates; // the town's (levels/common/)
    std::map<std::string, std::set<std::string>> dictionaries; // file -> keys

    Catalogue() {
        for (const auto& entry : fs::directory_iterator(kAssets / "atlases")) {
            if (entry.path().extension() != ".xml")
                continue;
            const pugi::xml_document doc = readXml(entry.path());
            for (pugi::xml_node page : doc.child("AtlasTextureCollection").children("a"))
                EXPECT_TRUE(fs::exists(entry.path().parent_path() / page.attribute("f").value())) << entry.path();
            for (pugi::xml_node texture : doc.child("AtlasTextureCollection").children("t"))
                atlasTextures.insert(texture.attribute("n").value());
        }
        soundCues = packCues(kAssets / "sounds/SoundPack.xml");
        templates = templatesOf(kAssets / "scenes/TemplateCollection.mscn");
        levelTemplates = templatesOf(kAssets / "levels/common/TemplateCollection.mscn");
        // The game's own, and the two the developer dictionary switch reads
        // beside the assets folder.
        for (const char* path :
             {"strings/Dictionary.xml", "../assets_en/strings/Dictionary.xml", "../assets_ru/strings/Dictionary.xml"}) {
            const pugi::xml_document doc = readXml(kAssets / path);
            std::set<std::string>& keys = dictionaries[path];
            for (pugi::xml_node s : doc.child("Dictionary").children("s"))
                keys.insert(s.attribute("n").value());
        }
    }
};

std::vector<fs::path> sceneFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(kAssets))
        if (entry.path().extension() == ".mscn")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

void forEachNode(pugi::xml_node node, const std::function<void(pugi::xml_node)>& visit) {
    visit(node);
    for (pugi::xml_node child : node.children("SceneNode"))
        forEachNode(child, visit);
}

// Every property value of a kind anywhere in a node element: its own
// properties and those its states set.
void forEachValue(pugi::xml_node node, const char* kind,
                  const std::function<void(const std::string&, const char*)>& use) {
    for (pugi::xml_node value : node.child("Properties").children(kind))
        use(value.attribute("Value").value(), value.attribute("Name").value());
    for (pugi::xml_node state : node.child("States").children("State"))
        for (pugi::xml_node key : state.children())
            for (const pugi::xpath_node& found : key.select_nodes((std::string(".//") + kind).c_str()))
                use(found.node().attribute("Value").value(), found.node().attribute("Name").value());
}

} // namespace

TEST(FrontEndAssets, EveryNameInTheFilesLeadsToSomethingThatExists) {
    const Catalogue catalogue;
    ASSERT_FALSE(catalogue.atlasTextures.empty());
    ASSERT_FALSE(catalogue.templates.empty());
    ASSERT_FALSE(catalogue.levelTemplates.empty());
    for (const auto& [dictionary, keys] : catalogue.dictionaries)
        ASSERT_FALSE(keys.empty()) << dictionary;
    const std::regex key("%([A-Za-z0-9_]+)%");

    const std::vector<fs::path> files = sceneFiles();
    ASSERT_FALSE(files.empty());
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        const std::string file = relativeToAssets(path);
        const pugi::xml_document doc = readXml(path);
        const pugi::xml_node root = doc.child("SceneNode");
        ASSERT_TRUE(root);

        // Screens change smoothly: a scene change plays its states on the
        // screen's top nodes (the screen's own states take no part).
        if (std::string(root.attribute("Type").value()) == "SceneNode") {
            for (pugi::xml_node top : root.children("SceneNode"))
                for (const char* state : {"NavTo", "NavFrom", "NavBackTo", "NavBackFrom"})
                    EXPECT_TRUE(top.child("States").find_child_by_attribute("State", "Name", state))
                        << state << " on "
                        << top.child("Properties").find_child_by_attribute("Name", "Name").attribute("Value").value();
        }

        forEachNode(root, [&](pugi::xml_node node) {
            for (pugi::xml_node use : node.child("Uses").children("AtlasTextureCollection"))
                EXPECT_TRUE(fs::exists(kAssets / resolve(file, use.attribute("Value").value())))
                    << "atlas collection " << use.attribute("Value").value();
            forEachValue(node, "atlasTexture", [&](const std::string& value, const char*) {
                const std::string name = resolve(file, value);
                EXPECT_TRUE(catalogue.atlasTextures.count(name) || fs::is_regular_file(kAssets / name))
                    << "atlas texture " << value;
            });
            forEachValue(node, "font", [&](const std::string& value, const char*) {
                EXPECT_TRUE(fs::is_regular_file(kAssets / resolve(file, value))) << "font " << value;
            });
            forEachValue(node, "sound", [&](const std::string& value, const char*) {
                EXPECT_TRUE(catalogue.soundCues.count(value)) << "sound cue " << value;
            });
            forEachValue(node, "string", [&](const std::string& value, const char* name) {
                // A level's town clones from its own scene manager's templates.
                if (std::string(name) == "TemplateName") {
                    EXPECT_TRUE((file.starts_with("levels/") ? catalogue.levelTemplates : catalogue.templates)
                                    .count(value))
                        << "template " << value;
                }
            });
            forEachValue(node, "stringw", [&](const std::string& value, const char*) {
                for (std::sregex_iterator it(value.begin(), value.end(), key), end; it != end; ++it)
                    for (const auto& [dictionary, keys] : catalogue.dictionaries)
                        EXPECT_TRUE(keys.count((*it)[1].str())) << (*it)[1].str() << " missing in " << dictionary;
            });
        });
    }

    // A cost or yield popup shows a resource without a row of its own (a
    // guests yield) with its icon from scenes/QuestIcons/.
    EXPECT_TRUE(catalogue.atlasTextures.count("scenes/QuestIcons/Guests.png"));

    // The logos and the languages: every logo picture is there, every
    // language has every key of the first.
    const pugi::xml_document logos = readXml(kAssets / "logos/Logos.xml");
    int logoCount = 0;
    for (pugi::xml_node logo : logos.child("Logos").children("Logo")) {
        ++logoCount;
        EXPECT_TRUE(fs::is_regular_file(kAssets / logo.attribute("Image").value())) << logo.attribute("Image").value();
    }
    EXPECT_GT(logoCount, 0);
    // The loading screen's backgrounds, which it looks for under scenes/Loading/.
    const pugi::xml_document config = readXml(kAssets / "levels/common/GlobalConfig.xml");
    const std::string backgrounds =
        config.child("GlobalConfig").child("IntroSceneBackgrounds").attribute("Value").value();
    ASSERT_FALSE(backgrounds.empty());
    for (size_t start = 0, end = 0; start <= backgrounds.size(); start = end + 1) {
        end = std::min(backgrounds.find(';', start), backgrounds.size());
        const std::string name = backgrounds.substr(start, end - start);
        EXPECT_TRUE(fs::is_regular_file(kAssets / "scenes/Loading" / name)) << "loading background " << name;
    }
    // The speech delays are stated, at the values the game is tuned for.
    EXPECT_STREQ(config.child("GlobalConfig").child("SpeechSoundStartDelay").attribute("Value").value(), "200");
    EXPECT_STREQ(config.child("GlobalConfig").child("SpeechSoundStopDelay").attribute("Value").value(), "500");
    const std::set<std::string>& english = catalogue.dictionaries.at("strings/Dictionary.xml");
    // Texts the screens' classes show by key rather than a scene file.
    for (const char* key :
         {"TitleName", "ThousandsDelimiter", "MainMenu_WelcomeTxt", "Warning", "ProfilesDamaged", "ProfilesUnreadable", "ProfileSaveFailed", "OkBtn", "Yes", "No",
          "QuitConfirmation", "QuitConfirmationRemoveProgress", "SelectPlayer_WantDelete", "ProfileNameWarning",
          "Options_On", "Options_Off", "Options_CantGoWindow", "WarningTutorialRestart"})
        EXPECT_TRUE(english.count(key)) << key;
    for (const auto& [dictionary, keys] : catalogue.dictionaries)
        EXPECT_EQ(keys, english) << dictionary;
}

// What the loading screen loads for a level by the level's number: its own
// atlas (the one its scene uses, holding the road and rail pieces its road
// grid names), its own sound pack with a voice for every hint its tutorials
// show, and the two atlases and the template collection every level shares.
TEST(FrontEndAssets, EveryLevelHasTheAtlasSoundsAndTemplatesTheLoadingScreenLoads) {
    for (const char* shared : {"atlases/Env1.xml", "atlases/Env2.xml", "atlases/Buildings.xml",
                               "levels/common/TemplateCollection.mscn"})
        EXPECT_TRUE(fs::is_regular_file(kAssets / shared)) << shared;
    const std::regex hintText("<(Text|TextQuest) Value=\"%([A-Za-z0-9_]+)%\"");
    int levels = 0;
    for (int n = 1; fs::is_directory(kAssets / ("levels/level" + std::to_string(n))); ++n) {
        ++levels;
        const std::string number = std::to_string(n);
        SCOPED_TRACE("level " + number);
        const fs::path folder = kAssets / ("levels/level" + number);
        const fs::path atlas = kAssets / ("atlases/Level" + number + ".xml");
        ASSERT_TRUE(fs::is_regular_file(atlas));
        std::set<std::string> textures;
        const pugi::xml_document atlasDoc = readXml(atlas);
        for (pugi::xml_node page : atlasDoc.child("AtlasTextureCollection").children("a"))
            EXPECT_TRUE(fs::is_regular_file(atlas.parent_path() / page.attribute("f").value()));
        for (pugi::xml_node texture : atlasDoc.child("AtlasTextureCollection").children("t"))
            textures.insert(texture.attribute("n").value());

        const pugi::xml_document scene = readXml(folder / "Level.mscn");
        std::vector<std::string> uses;
        for (pugi::xml_node use : scene.child("SceneNode").child("Uses").children("AtlasTextureCollection"))
            uses.push_back(resolve("levels/level" + number + "/Level.mscn", use.attribute("Value").value()));
        EXPECT_EQ(uses, std::vector<std::string>{"atlases/Level" + number + ".xml"});
        // The road grid and the railways draw their pieces from the folder they name.
        for (const pugi::xpath_node& found : scene.select_nodes("//stringw[@Name='PathToRoadElements']")) {
            const std::string pieces = resolve("levels/level" + number + "/Level.mscn",
                                               found.node().attribute("Value").value());
            const bool rail = pieces.ends_with("rail");
            for (const char* piece : rail ? std::vector<const char*>{"EndLeft", "EndRight", "SingleH0", "SingleH1"}
                                          : std::vector<const char*>{"TurnX", "RoadEndRight", "RoadEndLeft",
                                                                     "RoadEndTop", "RoadEndBottom", "SingleH0",
                                                                     "SingleV0", "TurnT1", "TurnT2", "TurnT3",
                                                                     "TurnT4", "TurnUpLeft", "TurnDownRight"})
                EXPECT_TRUE(textures.count(pieces + "/" + piece + ".png")) << pieces << "/" << piece;
        }

        const fs::path pack = kAssets / ("sounds/SoundPackLevel" + number + ".xml");
        ASSERT_TRUE(fs::is_regular_file(pack));
        const std::set<std::string> cues = packCues(pack);
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() != ".xml" || entry.path().filename() == "LevelConfiguration.xml")
                continue;
            std::ifstream in(entry.path());
            const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            for (std::sregex_iterator it(text.begin(), text.end(), hintText), end; it != end; ++it)
                EXPECT_TRUE(cues.count((*it)[2].str())) << entry.path().filename() << ": no voice for " << (*it)[2];
        }
    }
    EXPECT_EQ(levels, 48);
}

using frontend::FrontEndRun;

TEST_F(FrontEndRun, LoadingTheWholeFrontEndTouchesNoMissingFileAndWarnsOfNothing) {
    GGameApplication* game = start();
    listen();
    ASSERT_TRUE(game->init(CStringW()));
    // What start-up finds missing on this machine (Direct3D, a sound device) is not the assets' concern.
    m_warnings.clear();
    game->registerGameClasses();
    ASSERT_TRUE(runSteps(20));

    CContentManager* content = game->getContentManager();
    const struct {
        uint32_t type;
        const char16_t* name;
    } shared[] = {{ContentTypeAtlasCollection, u"atlases/Common.xml"},
                  {ContentTypeAtlasCollection, u"atlases/MainMenu.xml"},
                  {ContentTypeSoundPack, u"sounds/SoundPack.xml"}};
    std::vector<CRefHandle<IContent>> held;
    for (const auto& item : shared) {
        held.emplace_back(content->load(item.type, CStringW(item.name), false));
        EXPECT_TRUE(held.back()) << narrow(CStringW(item.name));
    }
    for (const fs::path& path : sceneFiles()) {
        CRefHandle<IContent> scene(content->load(ContentTypeSceneNode, fromNativePath(relativeToAssets(path)), false));
        EXPECT_TRUE(scene) << path;
    }
    ASSERT_TRUE(runSteps(20));
    EXPECT_EQ(warnings(), std::vector<std::string>());
}

// The walk a new player makes: logos, loading, main menu, a new player,
// options, credits, quit, by clicks on the buttons where they are on the
// screen and keys typed, each screen checked as the player sees it.
TEST_F(FrontEndRun, AWalkThroughTheFrontEndShowsEachScreenAsItsReference) {
    GGameApplication* game = start();
    ASSERT_TRUE(game->init(CStringW()));
    listen();
    ASSERT_EQ(currentSceneName(), "LogosScene");
    // The first logo has faded in (the screen and the logo fade for less
    // than a second; the logo stays for longer).
    ASSERT_TRUE(runFor(1500));
    EXPECT_EQ(currentSceneName(), "LogosScene");
    expectLooksLikeReference("LogosScene");
    {
        // The logo's background reaches the window's first row and column:
        // no dark seam along the top and left edges.
        CRefHandle<CPixelImage> shot(screenshot());
        ASSERT_TRUE(shot);
        for (uint32_t at : {5u, 300u, 700u}) {
            EXPECT_EQ(shot->pixelAt(at, 0).value, shot->pixelAt(at, 1).value) << "top edge at x " << at;
            EXPECT_EQ(shot->pixelAt(0, at).value, shot->pixelAt(1, at).value) << "left edge at y " << at;
        }
    }

    // The logos run out, the loading screen fills its bar and pushes the main menu.
    // The title card dims right into the loading screen: the screen is never
    // held black between them (a frame every 50 ms, black as a mean below 6).
    int blackInARow = 0;
    int longestBlack = 0;
    for (int sample = 0; sample < 200 && !(currentSceneName() == "IntroScene" && isSettled()); ++sample) {
        ASSERT_TRUE(runFor(50));
        CRefHandle<CPixelImage> frame(screenshot());
        ASSERT_TRUE(frame);
        uint64_t sum = 0;
        for (uint32_t y = 0; y < frame->height(); y += 8)
            for (uint32_t x = 0; x < frame->width(); x += 8) {
                const CColor c = frame->pixelAt(x, y);
                sum += c.red() + c.green() + c.blue();
            }
        const uint64_t samples = uint64_t(frame->height() / 8) * (frame->width() / 8) * 3;
        blackInARow = sum < 6 * samples ? blackInARow + 1 : 0;
        longestBlack = std::max(longestBlack, blackInARow);
    }
    EXPECT_LE(longestBlack, 3) << "frames of 50 ms in a row showing black";
    ASSERT_TRUE(runUntil([&] { return currentSceneName() == "IntroScene"; }));
    ASSERT_TRUE(settleOn("IntroScene", 0));
    expectLooksLikeReference("IntroScene");
    // A first start: no player yet, so the menu brings up the naming over
    // the player list, the town dimmed behind them.
    ASSERT_TRUE(settleOn("SelectPlayerInputNameScene"));
    const SceneNode* players = game->getSceneManager()->getCurrentScene()->getSceneBelow();
    ASSERT_NE(players, nullptr);
    EXPECT_EQ(std::string(players->getName().str().c_str()), "SelectPlayerScene");
    ASSERT_NE(players->getSceneBelow(), nullptr);
    EXPECT_EQ(std::string(players->getSceneBelow()->getName().str().c_str()), "MainMenuScene");
    EXPECT_EQ(warnings(), std::vector<std::string>());
    // The field has the focus; its caret blinks, on and off each half a
    // second or so, rather than fading.
    auto* nameEdit = nodeCast<EditNode>(onScreen("NameEdit"));
    ASSERT_NE(nameEdit, nullptr);
    ASSERT_NE(nameEdit->getCursorChild(), nullptr);
    int changes = 0;
    int between = 0;
    bool wasShown = false;
    for (int sample = 0; sample < 40; ++sample) { // about two and a half seconds
        ASSERT_TRUE(runFor(50));
        const BaseNode* caret = nameEdit->getCursorChild();
        const uint32_t alpha = caret->isVisible() ? caret->getAbsoluteColor().alpha() : 0;
        between += alpha > 0x20 && alpha < 0xE0 ? 1 : 0;
        changes += sample > 0 && (alpha > 128) != wasShown ? 1 : 0;
        wasShown = alpha > 128;
    }
    EXPECT_GE(changes, 4);
    EXPECT_LE(between, 3);
    ASSERT_TRUE(type("Ada"));
    ASSERT_TRUE(runFor(100));
    expectLooksLikeReference("SelectPlayerInputNameScene");
    // The very first player is the player at once: OK goes straight to the menu.
    ASSERT_TRUE(click("OkButton"));
    ASSERT_TRUE(settleOn("MainMenuScene"));
    CProfileManager* profiles = game->getEngine()->getProfileManager();
    ASSERT_NE(profiles->getActiveProfile(), nullptr);
    EXPECT_EQ(narrow(profiles->getActiveProfile()->getName()), "Ada");
    EXPECT_TRUE(fs::is_regular_file(fs::path(narrow(profiles->getUserFilePath())))) << "the new player is saved";
    expectLooksLikeReference("MainMenuSceneWelcome");
    EXPECT_EQ(warnings(), std::vector<std::string>());

    // The pointer over a button lights it up with the hover cue; pressed it
    // shows pressed; moved off, the menu is as before.
    BaseNode* newGame = onScreen("NewGameButton");
    ASSERT_NE(newGame, nullptr);
    CRefHandle<CPixelImage> resting(screenshot());
    ASSERT_TRUE(moveTo(middleOf(newGame)));
    EXPECT_TRUE(game->getEngine()->getSoundCueManager()->isCuePlaying(CName("ButtonOver")));
    ASSERT_TRUE(runFor(200));
    CRefHandle<CPixelImage> hovered(screenshot());
    EXPECT_GT(sceneflow::differingPixels(*resting, *hovered, 12), 2000u) << "the button lights up under the pointer";
    expectLooksLikeReference("MainMenuSceneButtonHover");
    CRefHandle<CEvent> down(new CEventMouseLeftDown(middleOf(newGame).x, middleOf(newGame).y));
    (void)game->getEngine()->postEvent(down.get());
    ASSERT_TRUE(runFor(100));
    CRefHandle<CPixelImage> pressed(screenshot());
    EXPECT_GT(sceneflow::differingPixels(*hovered, *pressed, 12), 2000u) << "the button shows pressed";
    ASSERT_TRUE(moveTo(CVector2di(4, 4)));
    CRefHandle<CEvent> up(new CEventMouseLeftUp(4, 4));
    (void)game->getEngine()->postEvent(up.get());
    ASSERT_TRUE(runFor(300));
    CRefHandle<CPixelImage> left(screenshot());
    EXPECT_LE(sceneflow::differingPixels(*resting, *left, 12), 20u) << "moved off, the button rests again";
    EXPECT_EQ(currentSceneName(), "MainMenuScene") << "a press let go elsewhere clicks nothing";

    // The developer's dictionary switch: the code typed, F3 shows the menu in
    // the second language, F3 again in English.
    ASSERT_TRUE(type(GGameApplication::DeveloperCode));
    ASSERT_TRUE(GGameApplication::isDeveloperMode());
    ASSERT_TRUE(press(kKeyF3));
    ASSERT_TRUE(runFor(200));
    expectLooksLikeReference("MainMenuSceneInRussian");
    ASSERT_TRUE(press(kKeyF3));
    ASSERT_TRUE(runFor(200));
    expectLooksLikeReference("MainMenuSceneWelcome");
    GGameApplication::setDeveloperMode(false);

    // A second player by a name already taken is refused with a warning;
    // its OK leaves the naming, Cancel the list and OK the menu again.
    ASSERT_TRUE(click("ChangePlayerButton"));
    ASSERT_TRUE(settleOn("SelectPlayerScene"));
    expectLooksLikeReference("SelectPlayerSceneWithAPlayer");
    ASSERT_TRUE(click("NewPlayerButton"));
    ASSERT_TRUE(settleOn("SelectPlayerInputNameScene"));
    ASSERT_TRUE(type("Ada"));
    ASSERT_TRUE(click("OkButton"));
    ASSERT_TRUE(
        runUntil([&] { return isSettled() && nodeCast<MessageBoxNode>(game->getSceneManager()->getCurrentScene()); }));
    auto* warning = nodeCast<MessageBoxNode>(game->getSceneManager()->getCurrentScene());
    EXPECT_EQ(warning->getBody(), CStringW(u"%ProfileNameWarning%"));
    ASSERT_TRUE(runFor(200));
    expectLooksLikeReference("MessageBoxNameTaken");
    ASSERT_EQ(warning->getButtonCount(), 1u);
    ASSERT_TRUE(clickAt(middleOf(warning->getButton(0))));
    ASSERT_TRUE(settleOn("SelectPlayerInputNameScene"));
    ASSERT_TRUE(click("CancelButton"));
    ASSERT_TRUE(settleOn("SelectPlayerScene"));
    ASSERT_TRUE(click("OkButton"));
    ASSERT_TRUE(settleOn("MainMenuScene"));
    EXPECT_EQ(profiles->getProfileCount(), 1u);

    // Options: the music slider's track clicked three quarters along, the
    // music switched off; both kept in the player's profile; back.
    ASSERT_TRUE(click("OptionsButton"));
    ASSERT_TRUE(settleOn("OptionsScene"));
    expectLooksLikeReference("OptionsScene");
    CProfileParameters* player = profiles->getActiveProfile();
    const float volumeBefore = player->getFloat("MusicVolume");
    auto* musicSlider = nodeCast<SliderNode>(onScreen("MusicSlider"));
    ASSERT_NE(musicSlider, nullptr);
    BaseNode* track = musicSlider->getSlidingArea();
    ASSERT_NE(track, nullptr);
    ASSERT_TRUE(clickAt(middleOf(track, 0.75f)));
    EXPECT_GT(player->getFloat("MusicVolume"), volumeBefore + 10.0f);
    EXPECT_TRUE(player->getBool("MusicOn"));
    ASSERT_TRUE(click("MuteMusicButton"));
    ASSERT_TRUE(runFor(300));
    EXPECT_FALSE(player->getBool("MusicOn"));
    expectLooksLikeReference("OptionsSceneChanged");
    ASSERT_TRUE(click("BackButton"));
    ASSERT_TRUE(settleOn("MainMenuScene"));

    // The credits, and back to the menu.
    ASSERT_TRUE(click("CreditsButton"));
    ASSERT_TRUE(settleOn("CreditsScene"));
    expectLooksLikeReference("CreditsScene");
    ASSERT_TRUE(click("BackButton"));
    ASSERT_TRUE(settleOn("MainMenuScene"));

    // Quit: the question over the menu; Yes ends the main loop.
    ASSERT_TRUE(click("QuitButton"));
    ASSERT_TRUE(settleOn("QuitConfirmationScene"));
    expectLooksLikeReference("QuitConfirmationScene");
    const bool stillRunning = click("YesButton") && runSteps(60);
    EXPECT_FALSE(stillRunning) << "the game goes on after Yes";
    EXPECT_EQ(warnings(), std::vector<std::string>());
}

// A returning player starts the game on the driver the system offers first
// (Direct3D 9 on Windows, OpenGL elsewhere): the logos, the loading screen and
// the menu greeting the player look as the references drawn through OpenGL.
TEST_F(FrontEndRun, TheFirstDriverOfTheSystemDrawsTheLogosAndTheMenu) {
    GGameApplication* game = start(true);
    ASSERT_TRUE(game->init(CStringW()));
    listen();
    IGraphicsDriver* driver = game->getEngine()->getVideoDriver();
    ASSERT_NE(driver, nullptr);
#ifdef _WIN32
    EXPECT_EQ(driver->driverType(), 2) << narrow(driver->driverName());
#else
    EXPECT_EQ(driver->driverType(), 3) << narrow(driver->driverName());
#endif
    CProfileManager* profiles = game->getEngine()->getProfileManager();
    ASSERT_TRUE(profiles->addProfile(CStringW(u"Ada")));
    ASSERT_TRUE(profiles->setActiveProfile(0));
    ASSERT_TRUE(profiles->saveUserProfiles());

    ASSERT_EQ(currentSceneName(), "LogosScene");
    ASSERT_TRUE(runFor(1500));
    expectLooksLikeReference("LogosScene");
    ASSERT_TRUE(runUntil([&] { return currentSceneName() == "IntroScene"; }));
    ASSERT_TRUE(settleOn("IntroScene", 0));
    expectLooksLikeReference("IntroScene");
    ASSERT_TRUE(settleOn("MainMenuScene"));
    expectLooksLikeReference("MainMenuSceneWelcome");
    EXPECT_EQ(warnings(), std::vector<std::string>());
}

// A player who chose the wide layout comes back on a desktop wide enough for
// it: the game opens its window 1228 pixels wide, and the main menu's town
// runs on past both sides of the 1024-pixel design screen, with no seam
// where the design screen ends.
TEST_F(FrontEndRun, AReturningPlayerOfTheWideLayoutSeesTheMenuAcrossTheWideWindow) {
    // The offscreen video system's desktop is 1024 pixels wide: the device
    // reports a wider one, as a player's monitor would.
    const auto wideDesktop = [this] { m_device->getDisplayModes()->setDesktopMode({1600, 900, 32}); };
    // The first start: the player chooses a window and the wide layout.
    GGameApplication* game = start();
    wideDesktop();
    ASSERT_TRUE(game->init(CStringW()));
    CProfileManager* profiles = game->getEngine()->getProfileManager();
    ASSERT_TRUE(profiles->addProfile(CStringW(u"Ada")));
    ASSERT_TRUE(profiles->setActiveProfile(0));
    profiles->getActiveProfile()->setBool("FullScreen", false);
    profiles->getActiveProfile()->setBool("AutoWideMode", true);
    ASSERT_TRUE(profiles->saveUserProfiles());
    game->release();
    m_game = nullptr;
    m_device.reset();

    // The next start opens the wide window at once.
    game = start();
    wideDesktop();
    ASSERT_TRUE(game->init(CStringW()));
    listen();
    EXPECT_EQ(game->getWindowSize().width, 1228);
    ASSERT_TRUE(runUntil([&] {
        auto* logos = nodeCast<GLogosScene>(game->getSceneManager()->getCurrentScene());
        if (logos && logos->isSkippable())
            (void)press(27);
        return currentSceneName() == "MainMenuScene";
    }));
    ASSERT_TRUE(settleOn("MainMenuScene"));
    CRefHandle<CPixelImage> shot(screenshot());
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->width(), 1228u);
    ASSERT_EQ(shot->height(), 768u);
    // The town reaches the window's edges: of the black bars only the one
    // pixel the layout keeps at a ratio below 1.6 (a column's mean brightness).
    const auto brightness = [&](uint32_t x) {
        uint32_t sum = 0;
        for (uint32_t y = 0; y < shot->height(); y += 4) {
            const CColor c = shot->pixelAt(x, y);
            sum += c.red() + c.green() + c.blue();
        }
        return sum / (shot->height() / 4) / 3;
    };
    for (const uint32_t x : {1u, 50u, 101u, 1126u, 1177u, 1226u})
        EXPECT_GT(brightness(x), 24u) << "column " << x;
    for (const uint32_t x : {0u, 1227u})
        EXPECT_EQ(brightness(x), 0u) << "column " << x;
    expectLooksLikeReference("MainMenuSceneWide");
    EXPECT_EQ(warnings(), std::vector<std::string>());
}

// Until the map and the comics exist, Play ends where it started: on the
// menu, with one line saying which screen is missing.
// A new player on the main menu, about to press Play.
class NewGame : public FrontEndRun {
protected:
    void openMenu() {
        GGameApplication* game = start();
        ASSERT_TRUE(game->init(CStringW()));
        CProfileManager* profiles = game->getEngine()->getProfileManager();
        ASSERT_TRUE(profiles->addProfile(CStringW(u"Ada")));
        ASSERT_TRUE(profiles->setActiveProfile(0));
        ASSERT_TRUE(settleOn("MainMenuScene"));
    }
};

TEST_F(NewGame, PlayOpensTheArrivalComic) {
    ASSERT_NO_FATAL_FAILURE(openMenu());
    LogCapture log;
    ASSERT_TRUE(click("NewGameButton"));
    ASSERT_TRUE(settleOn("ComicsScene"));
    EXPECT_EQ(log.count("Unable to"), 0u);
}

TEST_F(NewGame, PlayWithoutTheNextScreenComesBackToTheMenu) {
    fs::remove(m_dir.path() / "assets/scenes/Comics/episode1/ComicsScene.mscn");
    ASSERT_NO_FATAL_FAILURE(openMenu());
    LogCapture log;
    ASSERT_TRUE(click("NewGameButton"));
    ASSERT_TRUE(runUntil([&] { return currentSceneName() == "IntroScene"; }));
    ASSERT_TRUE(settleOn("MainMenuScene"));
    EXPECT_EQ(log.count("ERR: Unable to show the next screen: scenes/Comics/episode1/ComicsScene.mscn"), 1u);
    EXPECT_EQ(log.count("Unable to show the next screen"), 1u);
}

// Packed into the archive the release ships, the same assets give the same screen.
TEST_F(FrontEndRun, TheGameRunsTheSameFromThePackedArchive) {
    fs::remove_all(m_dir.path() / "assets");
    std::string error;
    ASSERT_TRUE(packMcaFolder(kAssets.string(), (m_dir.path() / "assets.mca").string(), kAssetArchivePassword, &error))
        << error;
    GGameApplication* game = start();
    ASSERT_TRUE(game->init(CStringW()));
    listen();
    EXPECT_TRUE(GGameApplication::isPackedArchiveMode());
    ASSERT_EQ(currentSceneName(), "LogosScene");
    ASSERT_TRUE(runFor(1500));
    expectLooksLikeReference("LogosScene");
    EXPECT_EQ(warnings(), std::vector<std::string>());
}

// Each screen file shown on its own, with the control templates and the
// English dictionary, as the screen's class starts from it.
TEST_F(FrontEndRun, EachScreenFileLooksLikeItsReference) {
    GGameApplication* game = start();
    ASSERT_TRUE(game->init(CStringW()));
    game->registerGameClasses();
    listen();
    CContentManager* content = game->getContentManager();
    {
        CRefHandle<CXmlStreamReader> reader(
            game->getEngine()->getFileSystem()->openXmlReader(CStringW(u"strings/Dictionary.xml")));
        ASSERT_TRUE(reader);
        ASSERT_TRUE(CEngineManagers::instance().getDictionary()->load(reader.get()));
    }
    std::vector<CRefHandle<IContent>> atlases;
    for (const char16_t* name : {u"atlases/Common.xml", u"atlases/MainMenu.xml"})
        atlases.emplace_back(content->load(ContentTypeAtlasCollection, CStringW(name), false));
    CRefHandle<IContent> templates(
        content->load(ContentTypeSceneNode, CStringW(u"scenes/TemplateCollection.mscn"), false));
    ASSERT_NE(nodeCast<TemplateCollectionNode>(dynamic_cast<BaseNode*>(templates.get())), nullptr);
    game->getSceneManager()->setTemplateCollection(
        nodeCast<TemplateCollectionNode>(dynamic_cast<BaseNode*>(templates.get())));

    for (const char* screen : {"IntroScene", "MainMenuScene", "SelectPlayerScene", "SelectPlayerInputNameScene",
                               "OptionsScene", "QuitConfirmationScene", "CreditsScene", "AchievementsScene"}) {
        SCOPED_TRACE(screen);
        CRefHandle<IContent> loaded(
            content->load(ContentTypeSceneNode, fromNativePath(std::string("scenes/") + screen + ".mscn"), false));
        SceneNode* scene = nodeCast<SceneNode>(dynamic_cast<BaseNode*>(loaded.get()));
        ASSERT_NE(scene, nullptr);
        // A screen whose game class has arrived runs its own logic when
        // shown (players, profiles, music): the walk checks it from then on.
        if (scene->getClassName().view().starts_with(u"G"))
            continue;
        ASSERT_TRUE(game->getSceneManager()->setScene(scene, CName("NavTo")));
        ASSERT_TRUE(runFor(1000));
        expectLooksLikeReference(screen);
    }
    EXPECT_EQ(warnings(), std::vector<std::string>());
}

// A worker cloned from its template onto a screen walks through its pictures
// one after the other and round again, and stands still on one picture.
TEST_F(FrontEndRun, AWorkerFromItsTemplateFlipsThroughItsWalkPicturesAndStands) {
    GGameApplication* game = start();
    ASSERT_TRUE(game->init(CStringW()));
    CContentManager* content = game->getContentManager();
    CRefHandle<IContent> templates(
        content->load(ContentTypeSceneNode, CStringW(u"scenes/TemplateCollection.mscn"), false));
    TemplateCollectionNode* collection = nodeCast<TemplateCollectionNode>(dynamic_cast<BaseNode*>(templates.get()));
    ASSERT_NE(collection, nullptr);
    game->getSceneManager()->setTemplateCollection(collection);
    CRefHandle<IContent> loaded(content->load(ContentTypeSceneNode, CStringW(u"scenes/CreditsScene.mscn"), false));
    SceneNode* scene = nodeCast<SceneNode>(dynamic_cast<BaseNode*>(loaded.get()));
    ASSERT_NE(scene, nullptr);
    ASSERT_TRUE(game->getSceneManager()->setScene(scene, CName("NavTo")));
    ASSERT_TRUE(runFor(500));

    BaseNode* tpl = collection->findTemplate(CName("Worker1"));
    ASSERT_NE(tpl, nullptr);
    BaseNode* worker = tpl->clone(scene, game->getSceneManager());
    ASSERT_NE(worker, nullptr);
    SpriteNode* body = nodeCast<SpriteNode>(worker->findChild(CName("Body"), 1));
    ASSERT_NE(body, nullptr);
    auto picture = [&] {
        const CAtlasTexture* texture = body->getAtlasTexture();
        return texture ? utf16ToUtf8(texture->getBaseName().view()) + std::to_string(texture->getFrameNumber())
                       : std::string("<none>");
    };

    worker->applyStateRecursive(CName("MoveLeftWood"), nullptr);
    std::vector<std::string> seen;
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(runFor(20));
        if (seen.empty() || seen.back() != picture())
            seen.push_back(picture());
    }
    // Six pictures of 100 ms in 600 ms, then the first again.
    ASSERT_GE(seen.size(), 7u) << ::testing::PrintToString(seen);
    for (size_t i = 0; i < 7; ++i)
        EXPECT_NE(seen[i].find("MoveLeftWood" + std::to_string(i % 6)), std::string::npos) << seen[i];

    worker->applyStateRecursive(CName("Stand"), nullptr);
    ASSERT_TRUE(runFor(300));
    const std::string standing = picture();
    EXPECT_NE(standing.find("Stand0"), std::string::npos) << standing;
    ASSERT_TRUE(runFor(300));
    EXPECT_EQ(picture(), standing);
}

// A first start over a damaged profile file: the warning comes over the
// town dimmed and its buttons gone, as the player scenes that follow it
// show it, and the town stays dimmed from the warning to the naming.
TEST_F(FrontEndRun, TheDamagedProfileWarningShowsOverTheDimmedTown) {
    // Where the players are kept, from a start left at once.
    GGameApplication* game = start();
    ASSERT_TRUE(game->init(CStringW()));
    const fs::path userFile(narrow(game->getEngine()->getProfileManager()->getUserFilePath()));
    ASSERT_FALSE(userFile.empty());
    game->release();
    m_game = nullptr;
    m_device.reset();
    fs::create_directories(userFile.parent_path());
    {
        // Scrambled bytes whose check value does not match and that are no XML.
        std::ofstream file(userFile, std::ios::binary);
        file << std::string(64, '\x5a') << "\x01\x02\x03\x04";
    }

    game = start();
    ASSERT_TRUE(game->init(CStringW()));
    ASSERT_TRUE(runUntil([&] {
        auto* logos = nodeCast<GLogosScene>(game->getSceneManager()->getCurrentScene());
        if (logos && logos->isSkippable())
            (void)press(27);
        return nodeCast<MessageBoxNode>(game->getSceneManager()->getCurrentScene()) && isSettled();
    }));
    auto* box = nodeCast<MessageBoxNode>(game->getSceneManager()->getCurrentScene());
    EXPECT_EQ(box->getBody(), CStringW(u"%ProfilesDamaged%"));
    SceneNode* menu = box->getSceneBelow();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(std::string(menu->getName().str().c_str()), "MainMenuScene");
    BaseNode* town = menu->findChild(CName("Bg"), 3);
    ASSERT_NE(town, nullptr);
    ASSERT_TRUE(runFor(600));
    EXPECT_LT(town->getAbsoluteColor().red(), 0xA0u) << "the town is dimmed behind the warning";
    expectLooksLikeReference("MessageBoxProfilesDamaged");

    // OK: the player scenes come over the town, which stays dimmed all the way.
    ASSERT_EQ(box->getButtonCount(), 1u);
    ASSERT_TRUE(clickAt(middleOf(box->getButton(0))));
    uint32_t brightest = 0;
    ASSERT_TRUE(runUntil([&] {
        brightest = std::max(brightest, town->getAbsoluteColor().red());
        return currentSceneName() == "SelectPlayerInputNameScene" && isSettled();
    }));
    EXPECT_LT(brightest, 0xA0u) << "the town lit up between the warning and the naming";
}
