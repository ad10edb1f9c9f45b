#!/usr/bin/env bash
# Makes the font fixture of the tools' tests: DejaVu Sans (fonts-dejavu-core)
# cut down by fonttools' pyftsubset to printable ASCII, a few Latin-1 letters
# and the Cyrillic alphabet, keeping hinting and the legacy kerning table
# that FreeType reads.
set -euo pipefail
cd "$(dirname "$0")"
pyftsubset /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
    --unicodes="U+0020-007E,U+00C4,U+00D6,U+00DC,U+00E4,U+00E9,U+00F6,U+00FC,U+0401,U+0410-044F,U+0451" \
    --legacy-kern --hinting --notdef-outline --name-IDs='*' --name-legacy --name-languages='*' \
    --drop-tables+=MATH,GPOS,GSUB,GDEF --output-file=DejaVuSans-subset.ttf
