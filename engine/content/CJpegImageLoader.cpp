#include "engine/content/CJpegImageLoader.h"

#include "engine/content/CPixelImage.h"
#include "engine/content/ImageLoadReport.h"
#include "engine/content/JpegErrorManager.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/IReadableFile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t SourceBufferBytes = 4096;

// Feeds the decoder from an IReadableFile through a buffer in the decoder's
// permanent pool.
struct JpegFileSource {
    jpeg_source_mgr base;
    IReadableFile* file;
    JOCTET* buffer;
};

void initSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr codec) {
    auto* source = reinterpret_cast<JpegFileSource*>(codec->src);
    int32_t count = source->file->read(source->buffer, SourceBufferBytes);
    if (count <= 0) {
        // The end of the file ends the image: hand over an end-of-image code.
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        count = 2;
    }
    source->base.next_input_byte = source->buffer;
    source->base.bytes_in_buffer = size_t(count);
    return TRUE;
}

void skipInputData(j_decompress_ptr codec, long count) {
    if (count <= 0)
        return;
    jpeg_source_mgr* source = codec->src;
    while (size_t(count) > source->bytes_in_buffer) {
        count -= long(source->bytes_in_buffer);
        (void)fillInputBuffer(codec);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) {}

void watchProgress(j_common_ptr codec) {
    auto* decoder = reinterpret_cast<j_decompress_ptr>(codec);
    if (decoder->input_scan_number > CJpegImageLoader::MaxScans)
        abortJpeg(codec, "too many scans");
}

// The decoder and what the decode allocates. The decoder holds the address
// (as its error manager), so every store here is in memory before any
// library call and exact after a library error jumps back.
struct JpegDecode {
    jpeg_decompress_struct codec;
    JpegErrorManager error;
    jpeg_progress_mgr progress;
    bool created = false;
    CPixelImage* image = nullptr;

    ~JpegDecode() {
        if (created)
            jpeg_destroy_decompress(&codec);
        if (image)
            image->release();
    }
};

[[gnu::noinline]] bool decodeJpeg(JpegDecode& state, IReadableFile* file, const CObjectName& name) {
    std::memset(&state.codec, 0, sizeof state.codec);
    state.codec.err = installJpegErrorManager(state.error);
    if (setjmp(state.error.jump))
        return false;

    jpeg_create_decompress(&state.codec);
    state.created = true;
    // Bounds what the library itself may allocate (progressive files keep
    // every coefficient); beyond it the decode fails instead.
    state.codec.mem->max_memory_to_use = long(CPixelImage::MaxDataBytes);
    state.progress.progress_monitor = &watchProgress;
    state.codec.progress = &state.progress;

    auto* source = static_cast<JpegFileSource*>((*state.codec.mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(&state.codec), JPOOL_PERMANENT, sizeof(JpegFileSource)));
    source->buffer = static_cast<JOCTET*>((*state.codec.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&state.codec),
                                                                          JPOOL_PERMANENT, SourceBufferBytes));
    source->file = file;
    source->base.init_source = &initSource;
    source->base.fill_input_buffer = &fillInputBuffer;
    source->base.skip_input_data = &skipInputData;
    source->base.resync_to_restart = &jpeg_resync_to_restart;
    source->base.term_source = &termSource;
    source->base.next_input_byte = nullptr;
    source->base.bytes_in_buffer = 0;
    state.codec.src = &source->base;

    (void)jpeg_read_header(&state.codec, TRUE);
    // Every 8x8 block of the image takes at least a bit of Huffman-coded
    // data: a file far smaller than its stated size could hold is refused
    // before the decoder sets up (and, for progressive files, allocates) the
    // whole image. Arithmetic coding can go below that bound.
    if (!state.codec.arith_code) {
        const uint64_t blocks =
            ((uint64_t(state.codec.image_width) + 7) / 8) * ((uint64_t(state.codec.image_height) + 7) / 8);
        if (uint64_t(std::max<int32_t>(file->size(), 0)) * 8 < blocks)
            abortJpeg(reinterpret_cast<j_common_ptr>(&state.codec), "the file is far too small for its stated size");
    }
    state.codec.out_color_space = JCS_RGB;
    state.codec.do_fancy_upsampling = FALSE;
    if (CPixelImage::dataSizeFor(ColorFormat::R8G8B8, state.codec.image_width, state.codec.image_height) == 0)
        abortJpeg(reinterpret_cast<j_common_ptr>(&state.codec), "image too large");
    (void)jpeg_start_decompress(&state.codec);
    if (state.codec.output_components != 3)
        abortJpeg(reinterpret_cast<j_common_ptr>(&state.codec), "unexpected output components");

    state.image = CPixelImage::create(name, ColorFormat::R8G8B8, state.codec.output_width, state.codec.output_height);
    if (!state.image)
        abortJpeg(reinterpret_cast<j_common_ptr>(&state.codec), "out of memory for the image");
    while (state.codec.output_scanline < state.codec.output_height) {
        JSAMPROW row = state.image->data() + uint64_t(state.codec.output_scanline) * state.image->pitch();
        if (jpeg_read_scanlines(&state.codec, &row, 1) != 1)
            abortJpeg(reinterpret_cast<j_common_ptr>(&state.codec), "scanline not decoded");
    }
    (void)jpeg_finish_decompress(&state.codec);
    return true;
}

} // namespace

bool CJpegImageLoader::acceptsExtension(const CStringW& lowerExtension) const { return lowerExtension == u"jpg"; }

bool CJpegImageLoader::checkSignature(IReadableFile* file) const {
    // The start-of-image marker and the marker after it: JFIF, Exif and
    // bare files alike.
    uint8_t start[3];
    if (!file || !file->seek(0, false) || file->read(start, 3) != 3)
        return false;
    return start[0] == 0xFF && start[1] == 0xD8 && start[2] == 0xFF;
}

CPixelImage* CJpegImageLoader::load(IReadableFile* file, const CObjectName& name) const {
    if (!file)
        return nullptr;
    JpegDecode state;
    if (!decodeJpeg(state, file, name)) {
        reportImageLoadFailure(file->fileName(), CString("JPEG: ") + state.error.message);
        return nullptr;
    }
    // Damaged or cut data the decoder filled in: the image loads, and the
    // damage is said once.
    if (state.error.message[0] != 0)
        CLog::instance()->log(CStringW(u"Image is damaged: ") + file->fileName() + u": JPEG: " +
                                  CStringW(CString(state.error.message)),
                              CLog::Warning);
    CPixelImage* image = state.image;
    state.image = nullptr;
    return image;
}
