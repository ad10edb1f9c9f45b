#include "engine/scene/BitmapFont.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/NumberText.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"

void BitmapFont::load(CXmlStreamReader* reader, int) {
    clearFont();
    IContentManager* manager = getContentName().owner();
    while (reader && reader->readNext()) {
        if (reader->nodeType() != CXmlStreamReader::Element)
            continue;
        const CStringW& element = reader->nodeName();
        if (element == u"Properties") {
            CRefHandle<CPropertyBag> bag = CPropertyBag::create(manager);
            (void)bag->readXml(reader, true, CStringW(u"Properties"));
            readProperties(*bag);
        } else if (element == u"Texture") {
            IContent* content =
                manager ? manager->load(ContentTypeAtlasTexture, reader->attribute("Filename"), true) : nullptr;
            CRefHandle<CAtlasTexture> texture(dynamic_cast<CAtlasTexture*>(content));
            if (!texture && content)
                content->release();
            // Glyphs are drawn from the driver texture alone: the picture in
            // main memory is not needed.
            if (texture && texture->getImageTexture())
                texture->getImageTexture()->dropImage();
            addTexture(texture.get());
        } else if (element == u"c") {
            FontGlyph glyph;
            parseFloat4(reader->attribute("r").c_str(), glyph.left, glyph.top, glyph.right, glyph.bottom);
            parseFloatPair(reader->attribute("b").c_str(), glyph.b.x, glyph.b.y);
            parseFloatPair(reader->attribute("a").c_str(), glyph.a.x, glyph.a.y);
            glyph.textureIndex = reader->attributeInt("i", 0);
            glyph.width = glyph.right - glyph.left;
            glyph.height = glyph.bottom - glyph.top;
            const CStringW& character = reader->attribute("c");
            addGlyph(character.empty() ? u'\0' : character[0], glyph);
        } else if (element == u"k") {
            const CStringW& pair = reader->attribute("c");
            if (pair.length() == 2)
                setKerning(pair[0], pair[1], reader->attributeInt("k", 0));
        }
    }
    finishLoading();
}

bool BitmapFont::write(CXmlStreamWriter*, int) { return false; }
