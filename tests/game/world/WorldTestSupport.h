#pragma once

#include "engine/core/CColor.h"
#include "engine/core/CEngine.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "tests/support/TextureTestSupport.h"

#include <cstdint>
#include <string>
#include <vector>

// The content of a level folder for the world's tests: a texture stack over
// a temporary folder, an engine registered for the fixture's life whose file
// system is the stack's, and the scene file "level/Level.mscn" on top of the
// content manager's folder stack (as while a level is read).
class WorldContent {
public:
    WorldContent();
    ~WorldContent();
    WorldContent(const WorldContent&) = delete;
    WorldContent& operator=(const WorldContent&) = delete;

    // The level folder as the engine names it, ending in '/'.
    [[nodiscard]] CStringW levelFolder() const;
    [[nodiscard]] std::string levelPath(const std::string& relative) const;
    // Writes "level/roads/..." with every road tile picture of `size` pixels.
    void writeRoadTiles(uint32_t size) const;
    // Writes "level/rails/..." with the rail pictures of `size` pixels and
    // `variants` middle pieces.
    void writeRailTiles(uint32_t size, int variants) const;
    // "level/wgrid.bin" with the given bytes.
    void writeWGrid(const std::vector<uint8_t>& bytes) const;

    TextureTestStack stack;
    CRefHandle<CEngine> engine;
};

// The bytes of a "wgrid.bin" holding road records for (row, column) pairs.
[[nodiscard]] std::vector<uint8_t> wgridBytes(const std::vector<std::pair<int, int>>& roadCells);
