// Sound nodes read from a scene file play real cues through the engine's
// sound-cue manager on an OpenAL loopback device, whose mix the test reads.

#include "engine/nodes/SoundNode.h"

#include "engine/core/CEngine.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/sound/COpenALAudioDevice.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/ISoundInstance.h"
#include "engine/sound/SoundCue.h"
#include "tests/engine/scene/SceneTestSupport.h"
#include "tests/engine/sound/SoundTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// One second of a mono 16-bit tone at 44100 Hz.
std::vector<uint8_t> toneWav(int frequency) {
    std::vector<uint8_t> samples;
    for (int i = 0; i < 44100; ++i) {
        const auto value = int16_t(std::lround(16000.0 * std::sin(2.0 * M_PI * frequency * i / 44100.0)));
        samples.push_back(uint8_t(uint16_t(value)));
        samples.push_back(uint8_t(uint16_t(value) >> 8));
    }
    return riffWave({{"fmt ", pcmFormat(1, 44100, 16), {}}, {"data", samples, {}}});
}

std::string soundNode(const char* name, const std::string& properties) {
    return std::string(R"(<SceneNode Type="SoundNode"><Properties><string Name="Name" Value=")") + name + "\"/>" +
           properties + "</Properties></SceneNode>\n";
}

// A scene with a looping bell that should play with a 500 ms fade-out, and
// a hidden node that should play too.
const std::string kSceneFile =
    std::string("<?xml version=\"1.0\"?>\n") +
    R"(<SceneNode Type="SceneNode"><Properties><string Name="Name" Value="Hall"/></Properties>)" +
    soundNode(
        "Bells",
        R"(<bool Name="Play" Value="true"/><string Name="SoundCueName" Value="Bell"/><int Name="FadeOutTime" Value="500"/>)") +
    soundNode(
        "Hidden",
        R"(<bool Name="Visible" Value="false"/><bool Name="Play" Value="true"/><string Name="SoundCueName" Value="Bell"/>)") +
    soundNode("Quiet", R"(<int Name="FadeOutTime" Value="-100"/>)") + "</SceneNode>\n";

struct Hall {
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    CSoundCueManager* cues = nullptr;
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<BaseNode> sceneNode;
    SceneNode* scene = nullptr;

    Hall() {
        setEngineInstance(engine.get());
        if (!device)
            return;
        cues = new CSoundCueManager(device.get());
        // The engine adopts the new manager's reference.
        engine->setSoundCueManager(cues);
        define("Bell", 441);
        define("Horn", 882);

        CNodeFactory* factory = CNodeFactory::getShared();
        registerStandardNodes(*factory);
        CRefHandle<CXmlStreamReader> xml(new CXmlStreamReader(kSceneFile.data(), kSceneFile.size()));
        uint32_t depth = 0;
        CSceneFileReader reader(xml.get(), factory, depth, CStringW(u"Hall.mscn"));
        sceneNode = reader.readDocument(CObjectName(nullptr, CStringW(u"Hall.mscn")), CStringW(u"Hall.mscn"));
        scene = nodeCast<SceneNode>(sceneNode.get());
        manager->setEngine(engine.get());
    }

    void define(const char* name, int frequency) {
        CRefHandle<SoundCue> cue(new SoundCue(CName(name)));
        cue->setLooping(true);
        const CRefHandle<IReadableFile> file = memoryFile(toneWav(frequency), std::string(name) + ".wav");
        CRefHandle<ISoundInstance> sound(device->createSound(file.get(), CObjectName()));
        ASSERT_TRUE(sound);
        cue->addVariant(sound.get());
        ASSERT_TRUE(cues->addCue(cue.get()));
    }

    [[nodiscard]] SoundNode* node(const char* name) const {
        return nodeCast<SoundNode>(scene ? scene->findChild(CName(name), 1) : nullptr);
    }
    // One frame: what the scene manager's drawing asks of the scene.
    void draw() {
        CArray<CRenderItem> items;
        scene->registerForRendering(items);
    }
    // Advances the cues by `ms` and mixes as long: the level of the mix.
    double advance(uint32_t ms) {
        cues->update(ms);
        return leftRms(render(device.get(), 441 * ms / 10));
    }
    [[nodiscard]] int playing(const char* cue) const {
        int count = 0;
        for (uint32_t i = 0; i < cues->getPlayingCount(); ++i)
            count += cues->getPlayingAt(i)->getName() == CName(cue) && cues->getPlayingAt(i)->getState() != 0;
        return count;
    }
};

} // namespace

TEST(SoundNode, StartsOnItsFirstDrawnFrameAndStopsWithItsFade) {
    Hall hall;
    ASSERT_TRUE(hall.device && hall.scene);
    SoundNode* bells = hall.node("Bells");
    ASSERT_TRUE(bells);
    EXPECT_TRUE(bells->getPlay());
    EXPECT_EQ(bells->getFadeOutTime(), 500);

    // Loaded and shown, but not drawn yet.
    ASSERT_TRUE(hall.manager->setScene(hall.scene));
    EXPECT_EQ(bells->getInstance(), nullptr);
    EXPECT_LT(hall.advance(100), 1.0);

    hall.draw();
    ASSERT_TRUE(bells->getInstance());
    EXPECT_EQ(hall.playing("Bell"), 1) << "the hidden node is not polled";
    EXPECT_EQ(hall.node("Hidden")->getInstance(), nullptr);
    const double loud = hall.advance(100);
    EXPECT_GT(loud, 3000.0);
    hall.draw();
    EXPECT_EQ(hall.playing("Bell"), 1) << "later frames keep the one instance";

    // Off: a 500 ms fade, halfway quieter, then silence and the end.
    bells->setPlay(false);
    SoundCue* fading = bells->getInstance();
    ASSERT_TRUE(fading);
    EXPECT_EQ(fading->getFadeState(), SoundCue::FadeOut);
    EXPECT_EQ(fading->getFadeLength(), 500);
    const double half = hall.advance(250);
    EXPECT_LT(half, loud * 0.8);
    EXPECT_GT(half, 100.0);
    hall.advance(300);
    EXPECT_EQ(hall.playing("Bell"), 0);
    EXPECT_LT(hall.advance(100), 1.0);

    // Frames while Play stays off start nothing; on again starts at once,
    // without a fade-in.
    hall.draw();
    EXPECT_EQ(hall.playing("Bell"), 0);
    bells->setPlay(true);
    ASSERT_TRUE(bells->getInstance());
    EXPECT_NE(bells->getInstance(), fading);
    EXPECT_EQ(bells->getInstance()->getFadeState(), SoundCue::FadeNone);
    EXPECT_GT(hall.advance(100), 3000.0);
}

TEST(SoundNode, ChangingTheCueFadesTheOldOneAndStartsTheNew) {
    Hall hall;
    ASSERT_TRUE(hall.device && hall.scene);
    ASSERT_TRUE(hall.manager->setScene(hall.scene));
    SoundNode* bells = hall.node("Bells");
    hall.draw();
    hall.advance(100);
    const CRefHandle<SoundCue> bell = CRefHandle<SoundCue>::share(bells->getInstance());
    ASSERT_TRUE(bell);

    bells->setSoundCueName(CName("Horn"));
    EXPECT_EQ(bell->getFadeState(), SoundCue::FadeOut);
    ASSERT_TRUE(bells->getInstance());
    EXPECT_EQ(bells->getInstance()->getName(), CName("Horn"));
    EXPECT_EQ(hall.playing("Horn"), 1);

    // An unknown cue leaves the node without an instance.
    bells->setSoundCueName(CName("Gong"));
    EXPECT_EQ(bells->getInstance(), nullptr);
    hall.draw();
    EXPECT_EQ(bells->getInstance(), nullptr);
}

TEST(SoundNode, APausedInstanceIsStoppedBeforeANewOneStarts) {
    Hall hall;
    ASSERT_TRUE(hall.device && hall.scene);
    ASSERT_TRUE(hall.manager->setScene(hall.scene));
    SoundNode* bells = hall.node("Bells");
    hall.draw();
    hall.advance(100);
    const CRefHandle<SoundCue> paused = CRefHandle<SoundCue>::share(bells->getInstance());
    ASSERT_TRUE(paused);
    static_cast<void>(paused->pause(true));
    hall.advance(100);
    EXPECT_LT(hall.advance(100), 1.0);

    bells->setPlay(true);
    ASSERT_TRUE(bells->getInstance());
    EXPECT_NE(bells->getInstance(), paused.get());
    // Resuming the old one finds it stopped: one bell sounds, not two.
    static_cast<void>(paused->pause(false));
    EXPECT_EQ(paused->getState(), 0);
    EXPECT_EQ(hall.playing("Bell"), 1);
}

TEST(SoundNode, PropertiesAndCopies) {
    Hall hall;
    ASSERT_TRUE(hall.device && hall.scene);
    SoundNode* quiet = hall.node("Quiet");
    ASSERT_TRUE(quiet);
    EXPECT_EQ(quiet->getFadeOutTime(), 0) << "a negative fade counts as none";
    EXPECT_FALSE(quiet->getPlay());
    EXPECT_TRUE(quiet->getSoundCueName().empty());

    const CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    quiet->writeProperties(*bag);
    EXPECT_GE(bag->indexOf("Play"), 0) << "Play is always written";
    EXPECT_LT(bag->indexOf("SoundCueName"), 0);
    EXPECT_LT(bag->indexOf("FadeOutTime"), 0);
    bag->clear();
    hall.node("Bells")->writeProperties(*bag);
    EXPECT_EQ(bag->getString("SoundCueName"), CString("Bell"));
    EXPECT_EQ(bag->getInt("FadeOutTime"), 500);
    EXPECT_TRUE(bag->getBool("Play"));

    // A copy in the drawn scene plays an instance of its own.
    ASSERT_TRUE(hall.manager->setScene(hall.scene));
    hall.draw();
    CRefHandle<BaseNode> copy(hall.node("Bells")->clone(nullptr, nullptr));
    SoundNode* copied = nodeCast<SoundNode>(copy.get());
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->getSoundCueName(), CName("Bell"));
    EXPECT_TRUE(copied->getPlay());
    EXPECT_EQ(copied->getFadeOutTime(), 500);
    ASSERT_TRUE(copied->getInstance());
    EXPECT_NE(copied->getInstance(), hall.node("Bells")->getInstance());
    EXPECT_EQ(hall.playing("Bell"), 2);

    // Destroying a node stops what it plays, with its fade.
    hall.advance(100);
    const CRefHandle<SoundCue> fromCopy = CRefHandle<SoundCue>::share(copied->getInstance());
    copy.reset();
    EXPECT_EQ(fromCopy->getFadeState(), SoundCue::FadeOut);
    const CRefHandle<SoundCue> fromBells = CRefHandle<SoundCue>::share(hall.node("Bells")->getInstance());
    EXPECT_TRUE(hall.scene->removeChild(hall.node("Bells")));
    EXPECT_EQ(fromBells->getFadeState(), SoundCue::FadeOut);
    hall.advance(600);
    EXPECT_EQ(hall.playing("Bell"), 0);
}
