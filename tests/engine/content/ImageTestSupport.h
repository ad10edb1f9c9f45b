#pragma once

#include "engine/content/CPixelImage.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CVirtualFile.h"
#include "engine/io/IReadableFile.h"

#include <cstdint>
#include <string>
#include <vector>

// Helpers shared by the image tests: memory files, fixtures from
// tests/engine/content/data, and reference dumps.

// A readable memory file holding a copy of `bytes`, named `name`.
[[nodiscard]] CRefHandle<IReadableFile> memoryFile(const std::vector<uint8_t>& bytes, const std::string& name);

// The bytes of tests/engine/content/data/<name> (empty when missing).
[[nodiscard]] std::vector<uint8_t> fixtureBytes(const std::string& name);

// Everything written to a virtual file.
[[nodiscard]] std::vector<uint8_t> fileBytes(CVirtualFile* file);
[[nodiscard]] CRefHandle<CVirtualFile> newVirtualFile(const std::string& name);

// A reference picture as 0xAARRGGBB per pixel, row by row.
struct ReferencePixels {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> argb;
};

// ImageMagick's 16-bit big-endian RGBA dump; each sample keeps its high byte.
[[nodiscard]] ReferencePixels readRgba16(const std::vector<uint8_t>& bytes, uint32_t width, uint32_t height);
// A binary PPM (P6) or PGM (P5) with 8-bit samples; grey fills all three channels.
[[nodiscard]] ReferencePixels readPnm(const std::vector<uint8_t>& bytes);

// Every pixel of `image` (through pixelAt) against `reference`; channels may
// differ by `tolerance`. Reports the first few differences.
void expectPixelsNear(const CPixelImage& image, const ReferencePixels& reference, int tolerance);

// A little-endian field appended to `bytes`.
void appendLe16(std::vector<uint8_t>& bytes, uint32_t value);
void appendLe32(std::vector<uint8_t>& bytes, uint32_t value);

// A test name for images: CObjectName with no owner.
[[nodiscard]] CObjectName imageName(const char16_t* text);
