// Reading a deflated zip member through the virtual file system against
// inflating the same bytes with zlib directly. The archives (one member of
// asset-like data each: 4 KB, 64 KB and 8 MB) are generated in a temporary
// folder at start. The side-by-side case runs both in every iteration, taking
// turns at going first, and reports "time_vs_zlib": the file system's time
// divided by zlib's, so 1.10 means the file system takes 10 % longer; for
// small members it measures what opening a member costs beyond the
// inflating. Like the mounted archive, the baseline keeps its file open and
// fetches the compressed bytes with one positioned read. Run in a release
// build:
//   build/release/bench/bench_io --benchmark_min_time=1

#include "engine/core/CRefHandle.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IArchiveReader.h"
#include "engine/io/IReadableFile.h"
#include "engine/platform/PlatformSystem.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

// `size` bytes that compress like game data: XML-ish text runs mixed with
// blocks of noisy pixel-like bytes.
std::vector<uint8_t> assetLikeData(size_t size) {
    std::mt19937 random(2024);
    std::vector<uint8_t> data;
    data.reserve(size + 1024);
    while (data.size() < size) {
        const std::string line = "<Node Name=\"sprite" + std::to_string(random() % 5000) + "\" Position=\"" +
                                 std::to_string(random() % 1024) + "," + std::to_string(random() % 768) + "\"/>\n";
        data.insert(data.end(), line.begin(), line.end());
        if (random() % 8 == 0) {
            uint8_t level = uint8_t(random());
            for (int i = 0; i < 512; ++i) {
                level = uint8_t(level + int(random() % 7) - 3);
                data.push_back(level);
            }
        }
    }
    data.resize(size);
    return data;
}

// A one-member zip on disk, removed at exit.
struct Archive {
    fs::path folder;
    fs::path path;
    std::vector<uint8_t> plain;
    uint32_t dataOffset = 0;
    uint32_t compressedSize = 0;

    explicit Archive(size_t size) {
        plain = assetLikeData(size);
        z_stream stream{};
        deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        std::vector<uint8_t> packed(deflateBound(&stream, uLong(plain.size())));
        stream.next_in = plain.data();
        stream.avail_in = uInt(plain.size());
        stream.next_out = packed.data();
        stream.avail_out = uInt(packed.size());
        deflate(&stream, Z_FINISH);
        packed.resize(stream.total_out);
        deflateEnd(&stream);
        compressedSize = uint32_t(packed.size());

        const std::string name = "big.bin";
        const uint32_t crc = uint32_t(crc32(0, plain.data(), uInt(plain.size())));
        std::vector<uint8_t> zip;
        put32(zip, 0x04034b50);
        for (uint16_t field : {uint16_t(20), uint16_t(0), uint16_t(8), uint16_t(0), uint16_t(0x21)})
            put16(zip, field);
        put32(zip, crc);
        put32(zip, compressedSize);
        put32(zip, uint32_t(plain.size()));
        put16(zip, uint16_t(name.size()));
        put16(zip, 0);
        zip.insert(zip.end(), name.begin(), name.end());
        dataOffset = uint32_t(zip.size());
        zip.insert(zip.end(), packed.begin(), packed.end());
        const uint32_t central = uint32_t(zip.size());
        put32(zip, 0x02014b50);
        for (uint16_t field : {uint16_t(20), uint16_t(20), uint16_t(0), uint16_t(8), uint16_t(0), uint16_t(0x21)})
            put16(zip, field);
        put32(zip, crc);
        put32(zip, compressedSize);
        put32(zip, uint32_t(plain.size()));
        for (uint16_t field : {uint16_t(name.size()), uint16_t(0), uint16_t(0), uint16_t(0), uint16_t(0)})
            put16(zip, field);
        put32(zip, 0);
        put32(zip, 0);
        zip.insert(zip.end(), name.begin(), name.end());
        const uint32_t centralSize = uint32_t(zip.size()) - central;
        put32(zip, 0x06054b50);
        for (uint16_t field : {uint16_t(0), uint16_t(0), uint16_t(1), uint16_t(1)})
            put16(zip, field);
        put32(zip, centralSize);
        put32(zip, central);
        put16(zip, 0);

        std::random_device seed;
        folder = fs::temp_directory_path() / ("bm-io-bench-" + std::to_string(seed()) + "-" + std::to_string(size));
        fs::create_directories(folder);
        path = folder / "bench.zip";
        std::FILE* out = std::fopen(path.string().c_str(), "wb");
        std::fwrite(zip.data(), 1, zip.size(), out);
        std::fclose(out);
    }
    ~Archive() {
        std::error_code error;
        fs::remove_all(folder, error);
    }
};

// The archive of the benchmark's member size (state.range(0)).
const Archive& archive(const benchmark::State& state) {
    static const Archive small(4 << 10);
    static const Archive medium(64 << 10);
    static const Archive large(8 << 20);
    const int64_t size = state.range(0);
    return size <= (4 << 10) ? small : size <= (64 << 10) ? medium : large;
}

// Through the file system: open the member by name and read it whole.
size_t readThroughFileSystem(CVirtualFileSystem* fileSystem, std::vector<uint8_t>& out) {
    CRefHandle<IReadableFile> file(fileSystem->openForRead(u"big.bin"));
    if (!file)
        return 0;
    out.resize(size_t(file->size()));
    return size_t(file->read(out.data(), file->size()));
}

// The archive file held open for the baseline, as the mounted archive holds
// its own.
struct OpenArchive {
    explicit OpenArchive(const Archive& archive) : source(archive) {
        stream = platformOpenFile(archive.path.string(), "rb");
    }
    ~OpenArchive() {
        if (stream)
            std::fclose(stream);
    }
    OpenArchive(const OpenArchive&) = delete;
    OpenArchive& operator=(const OpenArchive&) = delete;

    const Archive& source;
    std::FILE* stream = nullptr;
};

// zlib directly: one positioned read of the compressed bytes from the open
// archive file, inflated in one call into a fresh block, as the reader does.
size_t inflateDirectly(const OpenArchive& open) {
    const Archive& source = open.source;
    std::unique_ptr<uint8_t[]> packed(new uint8_t[source.compressedSize]);
    const size_t got = platformReadFileAt(open.stream, source.dataOffset, packed.get(), source.compressedSize);
    std::unique_ptr<uint8_t[]> plain(new uint8_t[source.plain.size()]);
    z_stream stream{};
    stream.next_in = packed.get();
    stream.avail_in = uInt(got);
    stream.next_out = plain.get();
    stream.avail_out = uInt(source.plain.size());
    inflateInit2(&stream, -MAX_WBITS);
    inflate(&stream, Z_FINISH);
    const size_t produced = stream.total_out;
    inflateEnd(&stream);
    benchmark::DoNotOptimize(plain.get());
    return produced;
}

CRefHandle<CVirtualFileSystem> mountedFileSystem(const Archive& source) {
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    if (!fileSystem->mountArchive(fromNativePath(source.path.string()), nullptr))
        return nullptr;
    return fileSystem;
}

void BM_FileSystemDeflatedMember(benchmark::State& state) {
    const Archive& source = archive(state);
    CRefHandle<CVirtualFileSystem> fileSystem = mountedFileSystem(source);
    std::vector<uint8_t> out;
    for (auto _ : state)
        benchmark::DoNotOptimize(readThroughFileSystem(fileSystem.get(), out));
    if (out != source.plain)
        state.SkipWithError("the member did not read back");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.plain.size()));
}
BENCHMARK(BM_FileSystemDeflatedMember)->Arg(4 << 10)->Arg(64 << 10)->Arg(8 << 20)->Unit(benchmark::kMicrosecond);

void BM_ZlibDirect(benchmark::State& state) {
    const Archive& source = archive(state);
    const OpenArchive open(source);
    for (auto _ : state)
        benchmark::DoNotOptimize(inflateDirectly(open));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.plain.size()));
}
BENCHMARK(BM_ZlibDirect)->Arg(4 << 10)->Arg(64 << 10)->Arg(8 << 20)->Unit(benchmark::kMicrosecond);

void BM_FileSystemVsZlib(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const Archive& source = archive(state);
    const OpenArchive open(source);
    CRefHandle<CVirtualFileSystem> fileSystem = mountedFileSystem(source);
    std::vector<uint8_t> out;
    double oursSeconds = 0;
    double zlibSeconds = 0;
    bool oursFirst = true;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (oursFirst)
            benchmark::DoNotOptimize(readThroughFileSystem(fileSystem.get(), out));
        else
            benchmark::DoNotOptimize(inflateDirectly(open));
        const auto middle = Clock::now();
        if (oursFirst)
            benchmark::DoNotOptimize(inflateDirectly(open));
        else
            benchmark::DoNotOptimize(readThroughFileSystem(fileSystem.get(), out));
        const auto end = Clock::now();
        const double first = std::chrono::duration<double>(middle - start).count();
        const double second = std::chrono::duration<double>(end - middle).count();
        oursSeconds += oursFirst ? first : second;
        zlibSeconds += oursFirst ? second : first;
        oursFirst = !oursFirst;
    }
    if (out != source.plain)
        state.SkipWithError("the member did not read back");
    const double iterations = double(state.iterations());
    state.counters["file_system_us"] = benchmark::Counter(oursSeconds * 1e6 / iterations);
    state.counters["zlib_us"] = benchmark::Counter(zlibSeconds * 1e6 / iterations);
    state.counters["time_vs_zlib"] = benchmark::Counter(zlibSeconds > 0 ? oursSeconds / zlibSeconds : 0);
    state.counters["KB"] = benchmark::Counter(double(source.plain.size()) / 1024.0);
    state.counters["compressed_KB"] = benchmark::Counter(double(source.compressedSize) / 1024.0);
}
BENCHMARK(BM_FileSystemVsZlib)->Arg(4 << 10)->Arg(64 << 10)->Unit(benchmark::kMicrosecond);
// An 8 MB member takes milliseconds: a run of the default length holds too few
// of them for a steady ratio.
BENCHMARK(BM_FileSystemVsZlib)->Arg(8 << 20)->MinTime(4.0)->Unit(benchmark::kMicrosecond);

} // namespace
