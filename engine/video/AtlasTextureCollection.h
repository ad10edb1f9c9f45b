#pragma once

#include "engine/content/IContent.h"
#include "engine/core/CArray.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2d.h"

#include <cstdint>

class CAtlasTexture;
class CImageTexture;
class CXmlStreamReader;
class CXmlStreamWriter;

// An atlas collection ('atxc', never cached): atlas images and the named
// rectangles cut from them. Loading registers every rectangle in the content
// manager's cache as an atlas texture ('atex') under its own name, so later
// loads of that name find the rectangle instead of a file. The collection
// holds its image and atlas textures until it goes.
//
// The document:
//   <AtlasTextureCollection>
//     <a f="atlas0.png" />                       atlas images, relative to the file
//     <t n="ui/ok.png" i="0" r="0,0,64,32" b="1,2" a="0,3" />
//   </AtlasTextureCollection>
// "i" indexes the "a" elements read so far, "r" is left, top, right, bottom in
// pixels of the image, "b" and "a" the offsets before and after the picture.
class AtlasTextureCollection : public IContent {
public:
    // One rectangle as written: its name, atlas index, pixel rectangle and
    // offsets.
    struct SubTexture {
        CStringW name;
        uint32_t atlasIndex = 0;
        int32_t left = 0;
        int32_t top = 0;
        int32_t right = 0;
        int32_t bottom = 0;
        CVector2d offsetB;
        CVector2d offsetA;
    };

    explicit AtlasTextureCollection(const CObjectName& name);

    [[nodiscard]] uint32_t getContentType() const override;

    // Reads the document through the content manager that owns the content
    // name (none: nothing is read), resolving atlas file names against the
    // top of its folder stack. Elements that do not fit (an empty name, an
    // index of no atlas read so far, an atlas that did not load) are skipped;
    // a reversed rectangle stands for the whole image and one reaching past
    // the image is clipped to it. The rectangles read are kept as records.
    void load(CXmlStreamReader* reader);
    // Writes the atlas file names and the records (sorted by atlas index,
    // then name) in the form `load` reads. `parameter` is not used. False
    // without a writer or when the writer failed.
    [[nodiscard]] bool write(CXmlStreamWriter* writer, const void* parameter);

    // For the tools that make collections: an atlas image file name (as it
    // is to be written) and a rectangle record.
    void addAtlasFile(const CStringW& fileName) { m_atlasFileNames.push_back(fileName); }
    void addSubTexture(const SubTexture& record);

    [[nodiscard]] const CArray<CStringW>& getAtlasFileNames() const { return m_atlasFileNames; }
    [[nodiscard]] const CArray<SubTexture>& getSubTextures() const { return m_subTextures; }
    // In the order of the "a" elements; entries are null for images that did
    // not load. No references handed out.
    [[nodiscard]] const CArray<CImageTexture*>& getImageTextures() const { return m_imageTextures; }
    // Every atlas texture the collection made, in document order (including
    // those the cache refused because the name was taken).
    [[nodiscard]] const CArray<CAtlasTexture*>& getAtlasTextures() const { return m_atlasTextures; }

protected:
    ~AtlasTextureCollection() override;

private:
    void readSubTexture(CXmlStreamReader* reader);

    CArray<SubTexture> m_subTextures;
    CArray<CStringW> m_atlasFileNames;
    CArray<CImageTexture*> m_imageTextures;
    CArray<CAtlasTexture*> m_atlasTextures;
};
