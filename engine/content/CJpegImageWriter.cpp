#include "engine/content/CJpegImageWriter.h"

#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/JpegErrorManager.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/IWritableFile.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t InitialOutputBytes = 64 * 1024;

// Collects the compressed stream in a block that doubles when full.
struct JpegMemoryDestination {
    jpeg_destination_mgr base;
    uint8_t* block = nullptr;
    size_t capacity = 0;
};

void initDestination(j_compress_ptr codec) {
    auto* destination = reinterpret_cast<JpegMemoryDestination*>(codec->dest);
    destination->base.next_output_byte = destination->block;
    destination->base.free_in_buffer = destination->capacity;
}

boolean emptyOutputBuffer(j_compress_ptr codec) {
    auto* destination = reinterpret_cast<JpegMemoryDestination*>(codec->dest);
    // Called when the block is full; the whole block holds output.
    const size_t used = destination->capacity;
    if (used > size_t(INT32_MAX) / 2)
        abortJpeg(reinterpret_cast<j_common_ptr>(codec), "output too large");
    auto* grown = static_cast<uint8_t*>(std::realloc(destination->block, used * 2));
    if (!grown)
        abortJpeg(reinterpret_cast<j_common_ptr>(codec), "out of memory for the output");
    destination->block = grown;
    destination->capacity = used * 2;
    destination->base.next_output_byte = grown + used;
    destination->base.free_in_buffer = destination->capacity - used;
    return TRUE;
}

void termDestination(j_compress_ptr) {}

// The encoder and its buffers; the encoder holds the address (as its error
// manager), so the fields are exact after a library error jumps back.
struct JpegEncode {
    jpeg_compress_struct codec;
    JpegErrorManager error;
    JpegMemoryDestination destination;
    bool created = false;
    CPixelImage* rgb = nullptr;

    ~JpegEncode() {
        if (created)
            jpeg_destroy_compress(&codec);
        std::free(destination.block);
        if (rgb)
            rgb->release();
    }
};

[[gnu::noinline]] bool encodeJpeg(JpegEncode& state, int quality) {
    std::memset(&state.codec, 0, sizeof state.codec);
    state.codec.err = installJpegErrorManager(state.error);
    if (setjmp(state.error.jump))
        return false;
    jpeg_create_compress(&state.codec);
    state.created = true;
    state.destination.base.init_destination = &initDestination;
    state.destination.base.empty_output_buffer = &emptyOutputBuffer;
    state.destination.base.term_destination = &termDestination;
    state.codec.dest = &state.destination.base;

    state.codec.image_width = state.rgb->width();
    state.codec.image_height = state.rgb->height();
    state.codec.input_components = 3;
    state.codec.in_color_space = JCS_RGB;
    jpeg_set_defaults(&state.codec);
    jpeg_set_quality(&state.codec, quality, TRUE);
    jpeg_start_compress(&state.codec, TRUE);
    while (state.codec.next_scanline < state.codec.image_height) {
        JSAMPROW row = state.rgb->data() + uint64_t(state.codec.next_scanline) * state.rgb->pitch();
        (void)jpeg_write_scanlines(&state.codec, &row, 1);
    }
    jpeg_finish_compress(&state.codec);
    return true;
}

} // namespace

bool CJpegImageWriter::acceptsExtension(const CStringW& fileName) const {
    return CImageFormatRegistry::hasExtension(fileName, "jpg") || CImageFormatRegistry::hasExtension(fileName, "jpeg");
}

bool CJpegImageWriter::write(IWritableFile* file, const CPixelImage* image, int quality) const {
    if (!file || !image || image->colorFormat() == ColorFormat::A4R4G4B4)
        return false;

    JpegEncode state;
    state.rgb = CPixelImage::create(CObjectName(), ColorFormat::R8G8B8, image->width(), image->height());
    state.destination.block = static_cast<uint8_t*>(std::malloc(InitialOutputBytes));
    state.destination.capacity = InitialOutputBytes;
    if (!state.rgb || !state.destination.block)
        return false;
    const uint8_t* from = image->data();
    uint8_t* to = state.rgb->data();
    // A1R5G5B5 channels are shifted (times 8), the others converted as usual.
    for (uint32_t y = 0; y < image->height(); ++y, from += image->pitch(), to += state.rgb->pitch())
        static_cast<void>(
            CPixelImage::convertPixels(from, image->colorFormat(), image->width(), to, ColorFormat::R8G8B8));

    if (!encodeJpeg(state, quality == 0 ? 75 : quality)) {
        CLog::instance()->log(CStringW(u"Can't write image: ") + file->fileName() + u": JPEG: " +
                                  CStringW(CString(state.error.message)),
                              CLog::Error);
        return false;
    }
    const size_t produced = state.destination.capacity - state.destination.base.free_in_buffer;
    if (produced > size_t(INT32_MAX) || file->write(state.destination.block, int32_t(produced)) != int32_t(produced)) {
        CLog::instance()->log("Can't write image: " + file->fileName(), CLog::Error);
        return false;
    }
    return true;
}
