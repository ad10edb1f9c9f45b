#include "engine/video/AtlasTextureCollection.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CRect.h"
#include "engine/core/NumberText.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"

#include <algorithm>

namespace {

// An image texture loaded by the collection's manager (one reference), or null.
CImageTexture* loadImageTexture(IContentManager* manager, const CStringW& fileName) {
    IContent* content = manager->load(ContentTypeImageTexture, fileName, true);
    auto* texture = dynamic_cast<CImageTexture*>(content);
    if (!texture && content)
        content->release();
    return texture;
}

// The first of the two attribute names the element carries (the short one
// is what the collections are written with).
const CStringW& attributeEither(const CXmlStreamReader* reader, const char* name, const char* longName) {
    const CStringW& value = reader->attribute(name);
    return value.empty() ? reader->attribute(longName) : value;
}

int32_t clampTo(int32_t value, int32_t limit) { return std::clamp(value, 0, std::max(limit, 0)); }

bool subTextureLess(const AtlasTextureCollection::SubTexture& a, const AtlasTextureCollection::SubTexture& b) {
    if (a.atlasIndex != b.atlasIndex)
        return a.atlasIndex < b.atlasIndex;
    return a.name.compare(b.name) < 0;
}

} // namespace

AtlasTextureCollection::AtlasTextureCollection(const CObjectName& name) : IContent(name, FlagNeverCached) {
    setMask(0);
}

AtlasTextureCollection::~AtlasTextureCollection() {
    for (CImageTexture* texture : m_imageTextures)
        if (texture)
            texture->release();
    for (CAtlasTexture* texture : m_atlasTextures)
        texture->release();
}

uint32_t AtlasTextureCollection::getContentType() const { return ContentTypeAtlasCollection; }

void AtlasTextureCollection::addSubTexture(const SubTexture& record) {
    const bool stillSorted =
        m_subTextures.isSorted() &&
        (m_subTextures.empty() || !subTextureLess(record, m_subTextures[m_subTextures.size() - 1]));
    m_subTextures.push_back(record);
    m_subTextures.setSorted(stillSorted);
}

void AtlasTextureCollection::load(CXmlStreamReader* reader) {
    m_atlasFileNames.clear();
    m_subTextures.clear();
    IContentManager* manager = getContentName().owner();
    if (!manager || !reader)
        return;
    while (reader->readNext()) {
        const int type = reader->nodeType();
        if (type == CXmlStreamReader::ElementEnd && reader->nodeName() == u"AtlasTextureCollection")
            break;
        if (type != CXmlStreamReader::Element)
            continue;
        const CStringW& element = reader->nodeName();
        if (element == u"a") {
            const CStringW fileName = attributeEither(reader, "f", "Filename");
            m_atlasFileNames.push_back(fileName);
            m_imageTextures.push_back(loadImageTexture(manager, fileName));
        } else if (element == u"t") {
            readSubTexture(reader);
        }
    }
}

void AtlasTextureCollection::readSubTexture(CXmlStreamReader* reader) {
    IContentManager* manager = getContentName().owner();
    const CStringW name = attributeEither(reader, "n", "Name");
    const auto index = uint32_t(reader->attributeInt("i", 0));
    if (name.empty() || index >= m_atlasFileNames.size())
        return;
    // The images of this document come at the end of the list: earlier
    // loads of the collection (there should be none) stand before them.
    const uint32_t slot = m_imageTextures.size() - m_atlasFileNames.size() + index;
    CRefHandle<CImageTexture> image = CRefHandle<CImageTexture>::share(m_imageTextures[slot]);
    if (!image)
        image = CRefHandle<CImageTexture>(loadImageTexture(manager, m_atlasFileNames[index]));
    const CSizeI& textureSize = image ? image->getTextureSize() : CSizeI();
    if (textureSize.width <= 0 || textureSize.height <= 0)
        return;

    float numbers[4];
    parseFloat4(reader->attribute("r").c_str(), numbers[0], numbers[1], numbers[2], numbers[3]);
    int32_t left = truncateToInt(numbers[0]);
    int32_t top = truncateToInt(numbers[1]);
    int32_t right = truncateToInt(numbers[2]);
    int32_t bottom = truncateToInt(numbers[3]);
    const CSizeI& imageSize = image->getImageSize();
    if (right < left || bottom < top) {
        left = 0;
        top = 0;
        right = imageSize.width;
        bottom = imageSize.height;
    }
    // A rectangle reaching past the picture would sample the texture's
    // padding or wrap around: it is cut to the image.
    left = clampTo(left, imageSize.width);
    right = clampTo(right, imageSize.width);
    top = clampTo(top, imageSize.height);
    bottom = clampTo(bottom, imageSize.height);

    CVector2d offsetB;
    CVector2d offsetA;
    parseFloatPair(reader->attribute("b").c_str(), offsetB.x, offsetB.y);
    parseFloatPair(reader->attribute("a").c_str(), offsetA.x, offsetA.y);

    const auto width = float(textureSize.width);
    const auto height = float(textureSize.height);
    const CRect coords(float(left) / width, float(top) / height, float(right) / width, float(bottom) / height);
    auto* atlas = new CAtlasTexture(CObjectName(manager, name), image.get(), coords, offsetB, offsetA);
    // A name cached before (by another collection) keeps its first object.
    (void)manager->addToCache(atlas);
    m_atlasTextures.push_back(atlas);
    addSubTexture({name, index, left, top, right, bottom, offsetB, offsetA});
}

bool AtlasTextureCollection::write(CXmlStreamWriter* writer, const void*) {
    if (!writer)
        return false;
    if (m_subTextures.size() >= 2)
        m_subTextures.sort(subTextureLess);
    writer->openElement(u"AtlasTextureCollection", false);
    writer->newLine();
    for (const CStringW& fileName : m_atlasFileNames) {
        writer->openElement(u"a", true, u"f", fileName.c_str());
        writer->newLine();
    }
    writer->newLine();
    for (const SubTexture& record : m_subTextures) {
        CStringW rect;
        rect += CStringW(formatDecimal(int(record.left)).text);
        rect += u",";
        rect += CStringW(formatDecimal(int(record.top)).text);
        rect += u",";
        rect += CStringW(formatDecimal(int(record.right)).text);
        rect += u",";
        rect += CStringW(formatDecimal(int(record.bottom)).text);
        const CStringW index(formatDecimal(unsigned(record.atlasIndex)).text);
        const bool hasB = record.offsetB.x != 0.0f || record.offsetB.y != 0.0f;
        const bool hasA = record.offsetA.x != 0.0f || record.offsetA.y != 0.0f;
        const CStringW offsetB =
            CStringW(formatFloat(record.offsetB.x).text) + u"," + CStringW(formatFloat(record.offsetB.y).text);
        const CStringW offsetA =
            CStringW(formatFloat(record.offsetA.x).text) + u"," + CStringW(formatFloat(record.offsetA.y).text);
        writer->openElement(u"t", true, u"n", record.name.c_str(), u"i", index.c_str(), u"r", rect.c_str(),
                            hasB ? u"b" : nullptr, offsetB.c_str(), hasA ? u"a" : nullptr, offsetA.c_str());
        writer->newLine();
    }
    writer->closeElement(u"AtlasTextureCollection");
    writer->newLine();
    return !writer->hasError();
}
