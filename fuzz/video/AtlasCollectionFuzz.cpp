// Reads arbitrary bytes as an atlas collection through the content manager,
// with every atlas image a small picture on a memory driver. Every atlas
// texture the collection made must lie inside its texture; the collection
// must write, and what it wrote must read back to the same rectangles.

#include "engine/content/ContentType.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/video/AtlasTextureCollection.h"
#include "engine/video/CAtlasTexture.h"
#include "fuzz/video/FuzzTextures.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

CRefHandle<AtlasTextureCollection> loadCollection(FuzzTextureStack& stack, const uint8_t* data, size_t size) {
    stack.fileSystem->setInput(data, size);
    IContent* content = stack.manager->load(ContentTypeAtlasCollection, CStringW(u"c.xml"), false);
    auto* collection = dynamic_cast<AtlasTextureCollection*>(content);
    if (!collection && content)
        std::abort();
    return CRefHandle<AtlasTextureCollection>(collection);
}

std::vector<uint8_t> written(AtlasTextureCollection& collection) {
    CRefHandle<CVirtualFile> file(new CVirtualFile(CStringW(u"out.xml"), 0));
    {
        CRefHandle<CXmlStreamWriter> writer(new CXmlStreamWriter(file.get()));
        writer->startDocument();
        if (!collection.write(writer.get(), nullptr))
            std::abort();
    }
    std::vector<uint8_t> bytes(size_t(file->size()));
    if (!file->seek(0, false) || file->read(bytes.data(), int32_t(bytes.size())) != int32_t(bytes.size()))
        std::abort();
    return bytes;
}

bool sameRectangles(const AtlasTextureCollection& a, const AtlasTextureCollection& b) {
    if (a.getSubTextures().size() != b.getSubTextures().size())
        return false;
    for (uint32_t i = 0; i < a.getSubTextures().size(); ++i) {
        const AtlasTextureCollection::SubTexture& x = a.getSubTextures()[i];
        const AtlasTextureCollection::SubTexture& y = b.getSubTextures()[i];
        if (!(x.name == y.name) || x.atlasIndex != y.atlasIndex || x.left != y.left || x.top != y.top ||
            x.right != y.right || x.bottom != y.bottom)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16))
        return 0;
    static FuzzTextureStack stack(u"c.xml");
    CRefHandle<AtlasTextureCollection> collection = loadCollection(stack, data, size);
    if (!collection || stack.manager->folderDepth() != 1)
        std::abort();
    for (CAtlasTexture* texture : collection->getAtlasTextures()) {
        const CRect& uv = texture->getTextureCoords();
        if (!(uv.left >= 0 && uv.left <= uv.right && uv.right <= 1 && uv.top >= 0 && uv.top <= uv.bottom &&
              uv.bottom <= 1))
            std::abort();
        (void)texture->getPixelSize();
    }
    // Sorted by the first writing; from then on the rectangles stay.
    const std::vector<uint8_t> first = written(*collection);
    stack.manager->clear();
    CRefHandle<AtlasTextureCollection> again = loadCollection(stack, first.data(), first.size());
    stack.manager->clear();
    if (!again || !sameRectangles(*collection, *again))
        std::abort();
    return 0;
}
