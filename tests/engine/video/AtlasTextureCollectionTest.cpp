#include "engine/video/AtlasTextureCollection.h"

#include "engine/content/ContentType.h"
#include "engine/core/CString.h"
#include "engine/io/FilePaths.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TextureTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

CColor checker(uint32_t x, uint32_t y) { return (x + y) % 2 ? CColor(255, 200, 10, 10) : CColor(255, 10, 10, 200); }

// ui/sheet0.png is 48 x 20 (a 64 x 32 texture), ui/sheet1.png 16 x 16.
class AtlasTextureCollectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        stack.writePng("ui/sheet0.png", 48, 20, checker);
        stack.writePng("ui/sheet1.png", 16, 16, checker);
    }

    CRefHandle<AtlasTextureCollection> loadCollection(const CStringW& name) {
        return stack.load<AtlasTextureCollection>(ContentTypeAtlasCollection, name);
    }
    CRefHandle<CAtlasTexture> loadAtlas(const CStringW& name) {
        return stack.load<CAtlasTexture>(ContentTypeAtlasTexture, name);
    }

    TextureTestStack stack{true};
};

void expectCoords(const CAtlasTexture& texture, float left, float top, float right, float bottom) {
    EXPECT_FLOAT_EQ(texture.getTextureCoords().left, left);
    EXPECT_FLOAT_EQ(texture.getTextureCoords().top, top);
    EXPECT_FLOAT_EQ(texture.getTextureCoords().right, right);
    EXPECT_FLOAT_EQ(texture.getTextureCoords().bottom, bottom);
}

const char* const kSheet = R"(<?xml version="1.0"?>
<AtlasTextureCollection>
  <t n="ui/early" i="0" r="0,0,4,4" />
  <a f="sheet0.png" />
  <t n="ui/whole" r="0, 0, 48, 20" />
  <t n="ui/part" i="0" r="8,4,24,20" b="1,2" a="3,4" />
  <t n="ui/reversed" r="10,10,5,20" />
  <t n="ui/wide" r="40;16;100;90" />
  <t n="ui/before" r="-5,-5,8,8" />
  <t n="" r="0,0,1,1" />
  <t n="ui/badindex" i="5" />
  <t n="ui/negative" i="-1" />
  <a f="missing.png" />
  <t n="ui/onmissing" i="1" />
  <a f="sheet1.png" />
  <t n="ui/second" i="2" r="2,2,10,6" />
</AtlasTextureCollection>
)";

} // namespace

TEST_F(AtlasTextureCollectionTest, RegistersEveryFittingRectangleUnderItsName) {
    stack.writeText("ui/sheet.xml", kSheet);
    CRefHandle<AtlasTextureCollection> collection = loadCollection(u"ui/sheet.xml");
    ASSERT_TRUE(collection);
    EXPECT_EQ(collection->getContentType(), ContentTypeAtlasCollection);
    ASSERT_EQ(collection->getAtlasFileNames().size(), 3u);
    EXPECT_TRUE(collection->getAtlasFileNames()[1] == CStringW(u"missing.png"));
    ASSERT_EQ(collection->getImageTextures().size(), 3u);
    EXPECT_NE(collection->getImageTextures()[0], nullptr);
    EXPECT_EQ(collection->getImageTextures()[1], nullptr);
    // Never cached itself.
    EXPECT_EQ(stack.manager->find(ContentTypeAtlasCollection, collection->getContentName()), nullptr);

    const struct {
        const char16_t* name;
        float left, top, right, bottom; // pixels
        CVector2d size;
    } kept[] = {
        {u"ui/whole", 0, 0, 48, 20, {48, 20}},    {u"ui/part", 8, 4, 24, 20, {16 + 1 + 3, 16 + 2 + 4}},
        {u"ui/reversed", 0, 0, 48, 20, {48, 20}}, // a reversed rectangle is the whole image
        {u"ui/wide", 40, 16, 48, 20, {8, 4}},     // cut to the image
        {u"ui/before", 0, 0, 8, 8, {8, 8}},
    };
    ASSERT_EQ(collection->getAtlasTextures().size(), 6u);
    for (const auto& c : kept) {
        SCOPED_TRACE(std::string(CString(CStringW(c.name)).view()));
        CRefHandle<CAtlasTexture> texture = loadAtlas(c.name);
        ASSERT_TRUE(texture);
        EXPECT_EQ(texture->getImageTexture(), collection->getImageTextures()[0]);
        expectCoords(*texture, c.left / 64, c.top / 32, c.right / 64, c.bottom / 32);
        EXPECT_EQ(texture->getPixelSize(), c.size);
    }
    CRefHandle<CAtlasTexture> part = loadAtlas(u"ui/part");
    EXPECT_EQ(part->getOffsetB(), CVector2d(1, 2));
    EXPECT_EQ(part->getOffsetA(), CVector2d(3, 4));

    CRefHandle<CAtlasTexture> second = loadAtlas(u"ui/second");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->getImageTexture(), collection->getImageTextures()[2]);
    expectCoords(*second, 2.0f / 16, 2.0f / 16, 10.0f / 16, 6.0f / 16);

    // Skipped: before its atlas, no name, an index of no atlas, an atlas
    // that did not load. Nothing of them is cached.
    for (const char16_t* name : {u"ui/early", u"ui/badindex", u"ui/negative", u"ui/onmissing"})
        EXPECT_EQ(stack.manager->find(ContentTypeAtlasTexture, CObjectName(stack.manager.get(), name)), nullptr);
}

TEST_F(AtlasTextureCollectionTest, TheFirstCollectionToNameARectangleKeepsIt) {
    stack.writeText("ui/sheet.xml", kSheet);
    stack.writeText("ui/other.xml", R"(<AtlasTextureCollection><a f="sheet1.png"/>
        <t n="ui/part" r="0,0,16,16"/><t n="ui/own" r="0,0,4,4"/></AtlasTextureCollection>)");
    CRefHandle<AtlasTextureCollection> first = loadCollection(u"ui/sheet.xml");
    CRefHandle<AtlasTextureCollection> second = loadCollection(u"ui/other.xml");
    ASSERT_TRUE(first && second);
    ASSERT_EQ(second->getAtlasTextures().size(), 2u);

    CRefHandle<CAtlasTexture> part = loadAtlas(u"ui/part");
    EXPECT_EQ(part.get(), first->getAtlasTextures()[1]);
    EXPECT_NE(part.get(), second->getAtlasTextures()[0]);
    EXPECT_EQ(loadAtlas(u"ui/own").get(), second->getAtlasTextures()[1]);

    // Once the collections go, their textures live on in the cache until a
    // purge finds them held by nobody else.
    IContent* own = second->getAtlasTextures()[1];
    first.reset();
    second.reset();
    EXPECT_EQ(stack.manager->find(ContentTypeAtlasTexture, CObjectName(stack.manager.get(), u"ui/own")), own);
    stack.manager->purge();
    EXPECT_EQ(stack.manager->find(ContentTypeAtlasTexture, CObjectName(stack.manager.get(), u"ui/own")), nullptr);
}

TEST_F(AtlasTextureCollectionTest, ANameNoCollectionProvidesIsTheWholeImage) {
    CRefHandle<CAtlasTexture> texture = loadAtlas(u"ui/sheet0.png");
    ASSERT_TRUE(texture);
    // The picture fills part of the padded texture.
    expectCoords(*texture, 0, 0, 48.0f / 64, 20.0f / 32);
    EXPECT_EQ(texture->getPixelSize(), CVector2d(48, 20));
    EXPECT_EQ(texture->getOffsetB(), CVector2d(0, 0));
    EXPECT_EQ(texture->getFrameNumber(), 0);
    EXPECT_TRUE(texture->getBaseName() == CStringW(u"ui/sheet"));
    EXPECT_EQ(loadAtlas(u"ui/sheet0.png").get(), texture.get());
    EXPECT_FALSE(loadAtlas(u"ui/absent.png"));
}

TEST_F(AtlasTextureCollectionTest, WritesWhatItReadsAndReadsWhatItWrites) {
    stack.writeText("ui/sheet.xml", kSheet);
    CRefHandle<AtlasTextureCollection> original = loadCollection(u"ui/sheet.xml");
    ASSERT_TRUE(original);
    const CStringW copyPath = fromNativePath((stack.dir.path() / "ui" / "copy.xml").string());
    ASSERT_TRUE(stack.manager->save(ContentTypeAtlasCollection, original.get(), copyPath, nullptr));

    // A fresh cache, so the copy's rectangles are cached anew.
    stack.manager->clear();
    CRefHandle<AtlasTextureCollection> copy = loadCollection(u"ui/copy.xml");
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->getAtlasFileNames().size(), 3u);
    ASSERT_EQ(copy->getSubTextures().size(), original->getSubTextures().size());
    for (uint32_t i = 0; i < copy->getSubTextures().size(); ++i) {
        const AtlasTextureCollection::SubTexture& a = original->getSubTextures()[i];
        const AtlasTextureCollection::SubTexture& b = copy->getSubTextures()[i];
        SCOPED_TRACE(std::string(CString(a.name).view()));
        EXPECT_TRUE(a.name == b.name);
        EXPECT_EQ(a.atlasIndex, b.atlasIndex);
        EXPECT_EQ(a.left, b.left);
        EXPECT_EQ(a.top, b.top);
        EXPECT_EQ(a.right, b.right);
        EXPECT_EQ(a.bottom, b.bottom);
        EXPECT_EQ(a.offsetB, b.offsetB);
        EXPECT_EQ(a.offsetA, b.offsetA);
    }
    // Written sorted by atlas, then name.
    EXPECT_TRUE(copy->getSubTextures()[0].name == CStringW(u"ui/before"));
    EXPECT_TRUE(copy->getSubTextures()[copy->getSubTextures().size() - 1].name == CStringW(u"ui/second"));
    CRefHandle<CAtlasTexture> part = loadAtlas(u"ui/part");
    ASSERT_TRUE(part);
    EXPECT_EQ(part.get(), copy->getAtlasTextures()[1]);
    EXPECT_EQ(part->getPixelSize(), CVector2d(20, 22));
}

TEST_F(AtlasTextureCollectionTest, DocumentsThatHoldNothingGiveEmptyCollections) {
    const struct {
        const char* what;
        const char* text;
    } cases[] = {
        {"empty file", ""},
        {"not XML", "\x01\x02garbage<<<"},
        {"other root", "<Font Type=\"Bitmap\"><c c=\"A\"/></Font>"},
        {"rectangles only", "<AtlasTextureCollection><t n=\"x\" r=\"0,0,1,1\"/></AtlasTextureCollection>"},
        {"cut short", "<AtlasTextureCollection><a f=\"sheet0.png\"/><t n=\"cut\" r=\"0,0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = std::string("bad/") + std::to_string(&c - cases) + ".xml";
        stack.writeText(name, c.text);
        CRefHandle<AtlasTextureCollection> collection = loadCollection(CStringW(name.c_str()));
        ASSERT_TRUE(collection);
        EXPECT_TRUE(collection->getAtlasTextures().empty());
    }
}
