#pragma once

#include "engine/scene/Font.h"

// The font read from a font file whose root element is <Font Type="Bitmap">:
//   <Font Type="Bitmap">
//     <Properties><GlobalKerning type="vector2d" value="1;0" /></Properties>
//     <Texture Filename="ui.font.png" />          atlas textures, relative to the file
//     <c c="A" r="0,0,9,12" b="0,3" a="1,0" i="0" />   glyph: rectangle, offsets, texture
//     <k c="AV" k="-2" />                              kerning pair
//   </Font>
// Every element after the root is considered, at any depth and in any order;
// unknown elements are passed over. Loading reports nothing.
class BitmapFont : public Font {
public:
    explicit BitmapFont(const CObjectName& name) : Font(name) {}

    // Reads from the node after the reader's current one to the end of the
    // document. `flag` is not used.
    void load(CXmlStreamReader* reader, int flag) override;
    // Fonts are read-only: writes nothing and answers false.
    [[nodiscard]] bool write(CXmlStreamWriter* writer, int flag) override;

protected:
    ~BitmapFont() override = default;
};
