#!/usr/bin/env bash
# Makes the seeds of fuzz_font and fuzz_atlas_collection: a small font and an
# atlas collection made by the project's tools (from the test build), and a
# few hand-written documents with the cases the readers must skip.
set -euo pipefail
cd "$(dirname "$0")/../.."
tools="${1:-build/test/tools}"
fonts=fuzz/corpus/fuzz_font
atlases=fuzz/corpus/fuzz_atlas_collection
mkdir -p "$fonts" "$atlases"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$tools/fontbuild" --font tests/tools/data/DejaVuSans-subset.ttf --size 7 --chars 0x20-0x5A,0x410-0x415 \
    --kerning 1,0 "$work/built.mfnt" >/dev/null
cp "$work/built.mfnt" "$fonts/built.mfnt"
cat >"$fonts/edges.mfnt" <<'XML'
<Font Type="Bitmap">
  <Properties><vector2d Name="GlobalKerning" Value="1;0.5" /></Properties>
  <c c="A" r="0,0,10,12" b="1,2" a="2,1" i="0" />
  <c r="0,0,1,1" i="9" />
  <c c="A" r="0,0,5,20" b="0,-3" />
  <k c="AB" k="-3" /><k c="AB" k="-2" /><k c="ABC" k="5" />
  <Texture Filename="glyphs.png" /><Texture Filename="missing" />
</Font>
XML
printf '<Font Type="Vector"><c c="A"/></Font>' >"$fonts/other.mfnt"

mkdir -p "$work/pictures/sub"
convert -size 12x9 xc:red "$work/pictures/a.png"
convert -size 5x17 xc:blue "$work/pictures/sub/b.png"
convert -size 30x3 gradient:white-black "$work/pictures/c.png"
"$tools/atlaspack" --prefix img/ --trim "$work/pictures" "$work/packed.xml" >/dev/null
cp "$work/packed.xml" "$atlases/packed.xml"
cat >"$atlases/edges.xml" <<'XML'
<AtlasTextureCollection>
  <t n="early" i="0" r="0,0,4,4" />
  <a f="sheet0.png" />
  <t n="whole" r="0, 0, 48, 20" />
  <t n="part" i="0" r="8,4,24,20" b="1,2" a="3,4" />
  <t n="reversed" r="10,10,5,20" />
  <t n="wide" r="40;16;100;90" />
  <t n="" r="0,0,1,1" />
  <t n="badindex" i="5" />
  <a Filename="missing" />
  <t Name="long" i="1" r="-5,-5,8,8" />
</AtlasTextureCollection>
XML
