// "wgrid.bin" read from any bytes into walk grids of a few shapes.
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "game/world/GWGridNode.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CLog::instance()->setThreshold(CLog::User + 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(INT32_MAX))
        return 0;
    const int32_t shapes[][2] = {{0, 0}, {1, 1}, {40, 30}, {256, 256}};
    for (const auto& shape : shapes) {
        CArray<CArray<uint8_t>> cells;
        for (int32_t r = 0; r < shape[1]; ++r) {
            CArray<uint8_t> row;
            for (int32_t c = 0; c < shape[0]; ++c)
                row.push_back(GWGridNode::NoRoadCell);
            cells.push_back(row);
        }
        CRefHandle<CBufferFile> file(
            new CBufferFile(const_cast<uint8_t*>(data), int32_t(size), CStringW(u"wgrid.bin"), false));
        (void)GWGridNode::readWGrid(*file, cells, shape[0], shape[1]);
    }
    return 0;
}
