#pragma once

#include "engine/content/CPixelImage.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2d.h"

#include <cstdint>
#include <string>
#include <vector>

class AtlasTextureCollection;

// How pictures are packed into atlas pages.
struct AtlasPackOptions {
    // Largest page side; pages are powers of two up to this.
    int32_t maxSize = 2048;
    // Pixels around every picture, filled with the picture's edge pixels so
    // that filtered sampling at its border never reads a neighbour.
    int32_t padding = 1;
    // Cut fully transparent rows and columns off the pictures; what was cut
    // becomes the atlas texture's offsets, so its full size stays.
    bool trim = false;
};

// One picture to pack: its atlas texture name and its pixels.
struct AtlasInput {
    CStringW name;
    CRefHandle<CPixelImage> image;
};

// Where a picture went: its page and its rectangle there (without padding),
// and the offsets trimming took off before (b) and after (a) it.
struct AtlasPlacement {
    uint32_t page = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    CVector2d offsetB;
    CVector2d offsetA;
};

// Packs pictures into as few power-of-two A8R8G8B8 pages as it can (skyline
// bottom-left placement, tallest pictures first), each page as small as
// holds its pictures.
class AtlasPacker {
public:
    // False, with the reason in `error`, when a picture cannot fit on a page
    // of the largest size or the options are out of range.
    [[nodiscard]] bool pack(const std::vector<AtlasInput>& inputs, const AtlasPackOptions& options, std::string* error);

    [[nodiscard]] const std::vector<CRefHandle<CPixelImage>>& pages() const { return m_pages; }
    // In the order of the inputs.
    [[nodiscard]] const std::vector<AtlasPlacement>& placements() const { return m_placements; }

private:
    std::vector<CRefHandle<CPixelImage>> m_pages;
    std::vector<AtlasPlacement> m_placements;
};

// The collection describing a packing: one "a" element per page (named by
// `pageFileNames`, relative to the collection file) and one "t" element per
// input, named as the input.
[[nodiscard]] CRefHandle<AtlasTextureCollection> makeAtlasCollection(const std::vector<AtlasInput>& inputs,
                                                                     const AtlasPacker& packer,
                                                                     const std::vector<CStringW>& pageFileNames);

// Writes `image` as a PNG file at the native path `path`; false after a log line.
[[nodiscard]] bool writePngFile(const CPixelImage& image, const std::string& path);
// Reads an image file at the native path `path` as A8R8G8B8, or null after a log line.
[[nodiscard]] CRefHandle<CPixelImage> readImageFile(const std::string& path);
// Writes `collection` as a collection document at the native path `path`.
[[nodiscard]] bool writeCollectionFile(AtlasTextureCollection& collection, const std::string& path);
