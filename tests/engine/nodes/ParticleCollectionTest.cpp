#include "engine/nodes/ParticleCollection.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/ContentType.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/FilePaths.h"
#include "engine/nodes/ParticleEmitter.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string emitter(const char* type, const char* name, const char* extra = "") {
    std::string properties = std::string(extra);
    if (name)
        properties += std::string("<string Name=\"Name\" Value=\"") + name + "\"/>";
    return std::string("<ParticleEmitter Type=\"") + type + "\"><Properties>" + properties +
           "</Properties></ParticleEmitter>";
}

class ParticleCollectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(fileSystem->mountArchive(fromNativePath(dir.path().string()), nullptr), nullptr);
        ASSERT_TRUE(registerParticleContent(processors.get()));
    }

    BaseEmitter* cached(const char16_t* name) const {
        return dynamic_cast<BaseEmitter*>(
            manager->find(ContentTypeParticleEmitter, CObjectName(manager.get(), CStringW(name))));
    }
    template <class T> CRefHandle<T> load(uint32_t type, const char16_t* name) {
        return CRefHandle<T>(dynamic_cast<T*>(manager->load(type, CStringW(name), false)));
    }

    TempDir dir;
    CRefHandle<CVirtualFileSystem> fileSystem{new CVirtualFileSystem};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> manager{new CContentManager(nullptr, fileSystem.get(), processors.get())};
};

TEST_F(ParticleCollectionTest, KeepsAndCachesTheFirstEmitterOfEachName) {
    dir.write("scenes/ParticleCollection.xml",
              "<?xml version=\"1.0\"?><ParticleCollection>" +
                  emitter("PointEmitter", "Smoke", "<vector2d Name=\"RadiusRange\" Value=\"1;2\"/>") +
                  emitter("RectangleEmitter", "Smoke") + emitter("PointEmitter", nullptr) +
                  emitter("pointemitter", "Lowercase") + emitter("Unknown", "Unknown") +
                  "<ParticleEmitter><Properties><string Name=\"Name\" Value=\"NoType\"/></Properties>"
                  "</ParticleEmitter>" +
                  emitter("RectangleEmitter", "Rain") + "</ParticleCollection>" + emitter("PointEmitter", "After"));
    CRefHandle<ParticleCollection> collection =
        load<ParticleCollection>(ContentTypeParticleCollection, u"scenes/ParticleCollection.xml");
    ASSERT_NE(collection, nullptr);
    EXPECT_EQ(collection->size(), 2u);
    auto* smoke = dynamic_cast<PointEmitter*>(collection->find("Smoke"));
    ASSERT_NE(smoke, nullptr);
    EXPECT_EQ(smoke->radiusRange, CVector2d(1.0f, 2.0f));
    EXPECT_EQ(cached(u"Smoke"), smoke);
    EXPECT_NE(dynamic_cast<RectangleEmitter*>(cached(u"Rain")), nullptr);
    for (const char16_t* missing : {u"Lowercase", u"Unknown", u"NoType", u"After"})
        EXPECT_EQ(cached(missing), nullptr);
    // The collection itself is never cached; its emitters outlive it in the cache.
    EXPECT_EQ(manager->find(ContentTypeParticleCollection,
                            CObjectName(manager.get(), CStringW(u"scenes/ParticleCollection.xml"))),
              nullptr);
    collection.reset();
    EXPECT_NE(cached(u"Rain"), nullptr);
}

TEST_F(ParticleCollectionTest, AnEmitterFileIsContentUnderItsFileNameAndItsName) {
    dir.write("effects/Sparks.xml",
              "<?xml version=\"1.0\"?>" +
                  emitter("RectangleEmitter", "Sparks", "<vector2d Name=\"PPSRange\" Value=\"40;50\"/>"));
    dir.write("effects/Bad.xml", "<ParticleEmitter Type=\"Cloud\"/>");
    CRefHandle<RectangleEmitter> first = load<RectangleEmitter>(ContentTypeParticleEmitter, u"effects/Sparks.xml");
    CRefHandle<RectangleEmitter> second = load<RectangleEmitter>(ContentTypeParticleEmitter, u"effects/Sparks.xml");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second); // every load hands out a copy
    EXPECT_EQ(second->getPPSRange(), CVector2d(40.0f, 50.0f));
    EXPECT_NE(cached(u"Sparks"), nullptr);
    EXPECT_NE(cached(u"effects/Sparks.xml"), nullptr);
    {
        LogCapture log;
        EXPECT_EQ(load<BaseEmitter>(ContentTypeParticleEmitter, u"effects/Bad.xml"), nullptr);
        EXPECT_EQ(load<BaseEmitter>(ContentTypeParticleEmitter, u"effects/Missing.xml"), nullptr);
    }
    // Neither kind is ever written.
    LogCapture log;
    EXPECT_FALSE(manager->save(ContentTypeParticleEmitter, first.get(), CStringW(u"effects/Out.xml"), nullptr));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "effects/Out.xml"));
    for (uint32_t type : {ContentTypeParticleEmitter, ContentTypeParticleCollection}) {
        IContentProcessor* processor = processors->findProcessor(type);
        ASSERT_NE(processor, nullptr);
        EXPECT_FALSE(processor->canSave());
        EXPECT_FALSE(processor->save(manager.get(), first.get(), nullptr, nullptr));
    }
    EXPECT_EQ(log.count("Particle collection can't be saved: effects/Sparks.xml"), 2u);
}

TEST_F(ParticleCollectionTest, DamagedFilesLoadWhatIsWholeAndNeverMore) {
    const std::string whole = emitter("PointEmitter", "Whole");
    const std::string cases[] = {
        "<ParticleCollection>" + whole + "<ParticleEmitter Type=\"PointEmitter\"><Properties><string Name=\"Na",
        "<ParticleCollection>" + whole + "<ParticleEmitter Type=\"PointEmitter\"><Properties>",
        "<ParticleCollection>" + whole,
        "\xff\xfe<<<" + whole,
    };
    int i = 0;
    for (const std::string& text : cases) {
        SCOPED_TRACE(i);
        const std::string name = "bad" + std::to_string(i++) + ".xml";
        dir.write(name, text);
        LogCapture log;
        CRefHandle<ParticleCollection> collection =
            load<ParticleCollection>(ContentTypeParticleCollection, CStringW(name.c_str()).c_str());
        EXPECT_LE(collection ? collection->size() : 0u, 1u);
    }
}

TEST(ParticleCollection, AddKeepsTheFirstOfANameAndNeedsAManagerToLoad) {
    CRefHandle<ParticleCollection> collection(new ParticleCollection(CObjectName()));
    CRefHandle<PointEmitter> a(new PointEmitter(CObjectName()));
    CRefHandle<PointEmitter> b(new PointEmitter(CObjectName()));
    a->setName("Same");
    b->setName("Same");
    collection->add(a.get());
    collection->add(b.get());
    collection->add(nullptr);
    EXPECT_EQ(collection->find("Same"), a.get());
    EXPECT_EQ(collection->size(), 1u);
    EXPECT_EQ(collection->clone(), nullptr);
    const std::string text = "<ParticleCollection>" + emitter("PointEmitter", "X") + "</ParticleCollection>";
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(text.data(), text.size()));
    collection->load(reader.get());
    EXPECT_EQ(collection->size(), 0u);
}

} // namespace
