#include "engine/content/CPngImageLoader.h"

#include "engine/content/CPixelImage.h"
#include "engine/content/ImageLoadReport.h"
#include "engine/content/PngErrorHandlers.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/IReadableFile.h"

#include <png.h>

#include <climits>
#include <csetjmp>
#include <cstdlib>

namespace {

constexpr int SignatureBytes = 8;

void readFromFile(png_structp png, png_bytep data, size_t length) {
    auto* file = static_cast<IReadableFile*>(png_get_io_ptr(png));
    if (length > size_t(INT32_MAX) || file->read(data, int32_t(length)) != int32_t(length))
        png_error(png, "Read Error");
}

// Everything the decode allocates, kept outside the frame that calls setjmp
// so that the values are exact after a library error jumps back.
// The address is handed to libpng as its error pointer, so every store to
// these fields is in memory before any libpng call.
struct PngDecode {
    PngErrorText error;
    png_structp png = nullptr;
    png_infop info = nullptr;
    CPixelImage* image = nullptr;
    png_bytepp rows = nullptr;

    ~PngDecode() {
        std::free(rows);
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (image)
            image->release();
    }
};

// Runs libpng over `file` (its signature already read) into state.image.
// False after a library error or an unusable header, with the reason logged.
[[gnu::noinline]] bool decodePng(PngDecode& state, IReadableFile* file, const CObjectName& name) {
    if (setjmp(png_jmpbuf(state.png)))
        return false;

    png_set_read_fn(state.png, file, &readFromFile);
    png_set_sig_bytes(state.png, SignatureBytes);
    png_read_info(state.png, state.info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(state.png, state.info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);

    const bool hasTransparencyChunk = png_get_valid(state.png, state.info, PNG_INFO_tRNS) != 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(state.png);
    if (bitDepth < 8) {
        if (colorType == PNG_COLOR_TYPE_GRAY)
            png_set_expand_gray_1_2_4_to_8(state.png);
        else
            png_set_packing(state.png);
    }
    if (hasTransparencyChunk)
        png_set_tRNS_to_alpha(state.png);
    if (bitDepth == 16)
        png_set_strip_16(state.png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(state.png);
    const bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || hasTransparencyChunk;
    // A8R8G8B8 is the little-endian word 0xAARRGGBB: bytes blue, green, red, alpha.
    if (hasAlpha)
        png_set_bgr(state.png);
    png_set_interlace_handling(state.png);
    png_read_update_info(state.png, state.info);

    const ColorFormat format = hasAlpha ? ColorFormat::A8R8G8B8 : ColorFormat::R8G8B8;
    const int expectedType = hasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    const uint64_t rowBytes = uint64_t(width) * colorFormatBytes(format);
    if (png_get_color_type(state.png, state.info) != expectedType || png_get_bit_depth(state.png, state.info) != 8 ||
        png_get_rowbytes(state.png, state.info) != rowBytes) {
        reportImageLoadFailure(file->fileName(), "PNG: unexpected pixel layout after conversion");
        return false;
    }

    state.image = CPixelImage::create(name, format, width, height);
    if (!state.image) {
        reportImageLoadFailure(file->fileName(), "PNG: the image is too large");
        return false;
    }
    state.rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * height));
    if (!state.rows) {
        reportImageLoadFailure(file->fileName(), "PNG: out of memory for the rows");
        return false;
    }
    for (png_uint_32 i = 0; i < height; ++i)
        state.rows[i] = state.image->data() + uint64_t(i) * state.image->pitch();

    png_read_image(state.png, state.rows);
    png_read_end(state.png, nullptr);
    return true;
}

} // namespace

bool CPngImageLoader::acceptsExtension(const CStringW& lowerExtension) const { return lowerExtension == u"png"; }

bool CPngImageLoader::checkSignature(IReadableFile* file) const {
    png_byte signature[SignatureBytes];
    if (!file || file->read(signature, SignatureBytes) != SignatureBytes)
        return false;
    return png_sig_cmp(signature, 0, SignatureBytes) == 0;
}

CPixelImage* CPngImageLoader::load(IReadableFile* file, const CObjectName& name) const {
    if (!file)
        return nullptr;
    png_byte signature[SignatureBytes];
    if (file->read(signature, SignatureBytes) != SignatureBytes) {
        reportImageLoadFailure(file->fileName(), "PNG: the file is too short");
        return nullptr;
    }
    if (png_sig_cmp(signature, 0, SignatureBytes) != 0) {
        reportImageLoadFailure(file->fileName(), "not a PNG file");
        return nullptr;
    }

    PngDecode state;
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state.error, &onPngError, &onPngWarning);
    if (!state.png) {
        reportImageLoadFailure(file->fileName(), "PNG: the decoder could not be made");
        return nullptr;
    }
    state.info = png_create_info_struct(state.png);
    if (!state.info) {
        reportImageLoadFailure(file->fileName(), "PNG: the decoder could not be made");
        return nullptr;
    }
    if (!decodePng(state, file, name)) {
        if (state.error.text[0] != 0)
            reportImageLoadFailure(file->fileName(), CString("PNG: ") + state.error.text);
        return nullptr;
    }
    CPixelImage* image = state.image;
    state.image = nullptr;
    return image;
}
