#include "tests/game/world/WorldTestSupport.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/io/FilePaths.h"

namespace {

constexpr uint32_t kGrass = 0x00000000u;
constexpr uint32_t kRoad = 0xFFB08850u;
constexpr uint32_t kRoadEdge = 0xFF6E5028u;
constexpr uint32_t kMark = 0xFFF0E0B0u;

// A road picture: a band 3/5 of the tile wide from the centre to each side
// named in `sides` (bit 1 left, 2 right, 4 up, 8 down), with a darker rim;
// `marks` light dots on the band tell the straight variants apart.
bool onRoad(int s, int sides, int px, int py) {
    if (px < 0 || py < 0 || px >= s || py >= s)
        return true; // the band goes on in the next tile
    const int lo = s / 5;
    const int hi = s - 1 - s / 5;
    const bool inBandX = px >= lo && px <= hi;
    const bool inBandY = py >= lo && py <= hi;
    return (inBandX && inBandY) || ((sides & 1) && inBandY && px < lo) || ((sides & 2) && inBandY && px > hi) ||
           ((sides & 4) && inBandX && py < lo) || ((sides & 8) && inBandX && py > hi);
}

CColor roadPixel(uint32_t size, int sides, int marks, uint32_t x, uint32_t y) {
    const int s = int(size);
    const int px = int(x);
    const int py = int(y);
    if (!onRoad(s, sides, px, py))
        return CColor(kGrass);
    if (!onRoad(s, sides, px - 1, py) || !onRoad(s, sides, px + 1, py) || !onRoad(s, sides, px, py - 1) ||
        !onRoad(s, sides, px, py + 1))
        return CColor(kRoadEdge);
    for (int m = 0; m < marks; ++m) {
        if (px == s / 2 + (2 * m - (marks - 1)) * 2 && py == s / 2)
            return CColor(kMark);
    }
    return CColor(kRoad);
}

} // namespace

WorldContent::WorldContent() : engine(new CEngine(CEngineCreationParams())) {
    stack.fileSystem->addRef();
    engine->setFileSystem(stack.fileSystem.get());
    setEngineInstance(engine.get());
    stack.manager->pushFolder(levelFolder() + u"Level.mscn");
}

WorldContent::~WorldContent() {
    (void)stack.manager->popFolder();
    setEngineInstance(nullptr);
}

CStringW WorldContent::levelFolder() const { return fromNativePath((stack.dir.path() / "level").string()) + u"/"; }

std::string WorldContent::levelPath(const std::string& relative) const {
    return (stack.dir.path() / "level" / relative).string();
}

void WorldContent::writeRoadTiles(uint32_t size) const {
    const struct {
        const char* name;
        int sides;
        int marks;
    } tiles[] = {
        {"TurnX", 15, 0},       {"RoadEndRight", 1, 0},   {"RoadEndLeft", 2, 0}, {"RoadEndBottom", 4, 0},
        {"TurnUpLeft", 5, 0},   {"TurnUpRight", 6, 0},    {"TurnT2", 7, 0},      {"RoadEndTop", 8, 0},
        {"TurnDownLeft", 9, 0}, {"TurnDownRight", 10, 0}, {"TurnT1", 11, 0},     {"TurnT3", 13, 0},
        {"TurnT4", 14, 0},      {"SingleH0", 3, 0},       {"SingleH1", 3, 1},    {"SingleH2", 3, 2},
        {"SingleH3", 3, 3},     {"SingleV0", 12, 0},      {"SingleV1", 12, 1},   {"SingleV2", 12, 2},
    };
    for (const auto& tile : tiles) {
        const int sides = tile.sides;
        const int marks = tile.marks;
        stack.writePng(std::string("level/roads/") + tile.name + ".png", size, size,
                       [size, sides, marks](uint32_t x, uint32_t y) { return roadPixel(size, sides, marks, x, y); });
    }
}

void WorldContent::writeRailTiles(uint32_t size, int variants) const {
    // Two dark rails on brown sleepers; the crossing lays road under them.
    auto rail = [size](uint32_t x, uint32_t y, int kind, int variant) {
        const uint32_t rail1 = size / 3;
        const uint32_t rail2 = size - 1 - size / 3;
        if (kind == 3 && y >= size / 6 && y <= size - 1 - size / 6) {
            if (y == rail1 || y == rail2)
                return CColor(0xFF404048u);
            return CColor(kRoad);
        }
        if (y == rail1 || y == rail2) {
            if ((kind == 1 && x < 2) || (kind == 2 && x + 2 >= size))
                return CColor(0xFFC02020u);
            return CColor(0xFF505058u);
        }
        // Variants differ by a light knot on one sleeper.
        if (y > rail1 - 3 && y < rail2 + 3 && x % 5 < 2) {
            if (variant > 0 && y == size / 2 && x / 5 == uint32_t(variant))
                return CColor(kMark);
            return CColor(0xFF7A5030u);
        }
        return CColor(0x00000000u);
    };
    stack.writePng("level/rails/EndLeft.png", size, size, [rail](uint32_t x, uint32_t y) { return rail(x, y, 1, 0); });
    stack.writePng("level/rails/EndRight.png", size, size, [rail](uint32_t x, uint32_t y) { return rail(x, y, 2, 0); });
    stack.writePng("level/rails/SingleP.png", size, size, [rail](uint32_t x, uint32_t y) { return rail(x, y, 3, 0); });
    for (int n = 0; n < variants; ++n)
        stack.writePng("level/rails/SingleH" + std::to_string(n) + ".png", size, size,
                       [rail, n](uint32_t x, uint32_t y) { return rail(x, y, 0, n); });
}

void WorldContent::writeWGrid(const std::vector<uint8_t>& bytes) const {
    (void)stack.dir.write("level/wgrid.bin", bytes);
}

std::vector<uint8_t> wgridBytes(const std::vector<std::pair<int, int>>& roadCells) {
    const uint32_t count = uint32_t(roadCells.size());
    std::vector<uint8_t> bytes = {uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16), uint8_t(count >> 24)};
    for (const auto& [row, column] : roadCells) {
        bytes.push_back(0);
        bytes.push_back(uint8_t(row));
        bytes.push_back(uint8_t(column));
        bytes.push_back(0);
    }
    return bytes;
}
