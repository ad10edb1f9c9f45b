// The engine's PNG loader against libpng driven directly, over the same
// generated PNG of 2048 x 1536 RGBA pixels held in memory. Both ask libpng
// for the same transforms (BGR order for the A8R8G8B8 layout) and decode into
// a fresh pixel block. The side-by-side case runs both in every iteration and
// reports "engine_vs_libpng": the loader's time divided by libpng's, so 1.05
// means the loader is 5 % slower.

#include "engine/content/CPixelImage.h"
#include "engine/content/CPngImageLoader.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <chrono>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t Width = 2048;
constexpr uint32_t Height = 1536;

void appendToVector(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// A picture-like image: smooth gradients, soft noise and a few hard edges,
// written with libpng's default compression and filters.
const std::vector<uint8_t>& pngBytes() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> pixels(size_t(Width) * Height * 4);
        uint32_t seed = 99;
        for (uint32_t y = 0; y < Height; ++y) {
            for (uint32_t x = 0; x < Width; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const uint32_t noise = (seed >> 24) & 7;
                uint8_t* p = &pixels[(size_t(y) * Width + x) * 4];
                p[0] = uint8_t((x / 8 + noise) & 0xFF);
                p[1] = uint8_t((y / 6 + noise) & 0xFF);
                p[2] = uint8_t(((x + y) / 16) & 0xFF);
                p[3] = ((x / 64 + y / 64) % 5) ? 0xFF : uint8_t(x & 0xFF);
            }
        }
        std::vector<uint8_t> out;
        std::vector<png_bytep> rows(Height);
        for (uint32_t y = 0; y < Height; ++y)
            rows[y] = &pixels[size_t(y) * Width * 4];
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png)))
            std::abort();
        png_set_write_fn(png, &out, &appendToVector, nullptr);
        png_set_IHDR(png, info, Width, Height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_rows(png, info, rows.data());
        png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        png_destroy_write_struct(&png, &info);
        return out;
    }();
    return bytes;
}

uint32_t loadWithEngine(const std::vector<uint8_t>& bytes) {
    CRefHandle<IReadableFile> file(
        new CBufferFile(const_cast<uint8_t*>(bytes.data()), int32_t(bytes.size()), CStringW(u"bench.png"), false));
    CRefHandle<CPngImageLoader> loader(new CPngImageLoader());
    CRefHandle<CPixelImage> image(loader->load(file.get(), CObjectName()));
    return image ? image->pixelAt(Width / 2, Height / 2).value : 0;
}

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t position;
};

void readFromMemory(png_structp png, png_bytep data, size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->position)
        png_error(png, "Read Error");
    std::memcpy(data, reader->data + reader->position, length);
    reader->position += length;
}

// The same decode as the loader's for an 8-bit RGBA file, without the
// engine's file and image layers.
uint32_t loadWithLibpng(const std::vector<uint8_t>& bytes) {
    MemoryReader reader{bytes.data(), bytes.size(), 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    uint8_t* pixels = nullptr;
    png_bytepp rows = nullptr;
    if (setjmp(png_jmpbuf(png)))
        std::abort();
    png_set_read_fn(png, &reader, &readFromMemory);
    png_read_info(png, info);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const uint32_t height = png_get_image_height(png, info);
    const size_t pitch = png_get_rowbytes(png, info);
    pixels = static_cast<uint8_t*>(std::malloc(pitch * height));
    rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * height));
    for (uint32_t y = 0; y < height; ++y)
        rows[y] = pixels + y * pitch;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    uint32_t center = 0;
    std::memcpy(&center, pixels + (Height / 2) * pitch + (Width / 2) * 4, 4);
    std::free(rows);
    std::free(pixels);
    png_destroy_read_struct(&png, &info, nullptr);
    return center;
}

void BM_PngEngineLoader(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = pngBytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(loadWithEngine(bytes));
    state.SetItemsProcessed(int64_t(state.iterations()) * Width * Height);
}
BENCHMARK(BM_PngEngineLoader)->Unit(benchmark::kMillisecond);

void BM_PngLibpngDirect(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = pngBytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(loadWithLibpng(bytes));
    state.SetItemsProcessed(int64_t(state.iterations()) * Width * Height);
}
BENCHMARK(BM_PngLibpngDirect)->Unit(benchmark::kMillisecond);

void BM_PngEngineVsLibpng(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const std::vector<uint8_t>& bytes = pngBytes();
    if (loadWithEngine(bytes) != loadWithLibpng(bytes))
        state.SkipWithError("the two decodes disagree");
    double engineSeconds = 0;
    double libpngSeconds = 0;
    bool engineFirst = true;
    for (auto _ : state) {
        // Alternate the order so that neither side always runs on a warm cache.
        const auto start = Clock::now();
        benchmark::DoNotOptimize(engineFirst ? loadWithEngine(bytes) : loadWithLibpng(bytes));
        const auto middle = Clock::now();
        benchmark::DoNotOptimize(engineFirst ? loadWithLibpng(bytes) : loadWithEngine(bytes));
        const auto end = Clock::now();
        const double first = std::chrono::duration<double>(middle - start).count();
        const double second = std::chrono::duration<double>(end - middle).count();
        engineSeconds += engineFirst ? first : second;
        libpngSeconds += engineFirst ? second : first;
        engineFirst = !engineFirst;
    }
    state.counters["engine_ms"] = benchmark::Counter(engineSeconds * 1000.0 / double(state.iterations()));
    state.counters["libpng_ms"] = benchmark::Counter(libpngSeconds * 1000.0 / double(state.iterations()));
    state.counters["engine_vs_libpng"] = benchmark::Counter(libpngSeconds > 0 ? engineSeconds / libpngSeconds : 0);
    state.counters["png_MB"] = benchmark::Counter(double(bytes.size()) / (1024.0 * 1024.0));
}
BENCHMARK(BM_PngEngineVsLibpng)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace
