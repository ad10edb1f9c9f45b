#include "engine/content/CPngImageWriter.h"

#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/PngErrorHandlers.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/IWritableFile.h"

#include <png.h>

#include <climits>
#include <csetjmp>
#include <cstdlib>

namespace {

void writeToFile(png_structp png, png_bytep data, size_t length) {
    auto* file = static_cast<IWritableFile*>(png_get_io_ptr(png));
    if (length > size_t(INT32_MAX) || file->write(data, int32_t(length)) != int32_t(length))
        png_error(png, "Write Error");
}

// The file is flushed by its owner; libpng's default would treat it as a FILE*.
void flushNothing(png_structp) {}

// 4-bit channels widened by replication, so that full alpha stays opaque.
void argb4444To8888(const uint8_t* source, uint8_t* target, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i, source += 2, target += 4) {
        const uint32_t v = uint32_t(source[0]) | (uint32_t(source[1]) << 8);
        target[0] = uint8_t((v & 0xF) * 0x11);
        target[1] = uint8_t(((v >> 4) & 0xF) * 0x11);
        target[2] = uint8_t(((v >> 8) & 0xF) * 0x11);
        target[3] = uint8_t(((v >> 12) & 0xF) * 0x11);
    }
}

// The encoder and its buffers; libpng holds the address as its error
// pointer, so the fields are exact after a library error jumps back.
struct PngEncode {
    PngErrorText error;
    png_structp png = nullptr;
    png_infop info = nullptr;
    uint8_t* pixels = nullptr;
    png_bytepp rows = nullptr;

    ~PngEncode() {
        std::free(rows);
        std::free(pixels);
        if (png)
            png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

[[gnu::noinline]] bool encodePng(PngEncode& state, IWritableFile* file, const CPixelImage* image, ColorFormat format) {
    if (setjmp(png_jmpbuf(state.png)))
        return false;
    const bool hasAlpha = format == ColorFormat::A8R8G8B8;
    png_set_write_fn(state.png, file, &writeToFile, &flushNothing);
    png_set_IHDR(state.png, state.info, image->width(), image->height(), 8,
                 hasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(state.png, state.info, state.rows);
    png_write_png(state.png, state.info, hasAlpha ? PNG_TRANSFORM_BGR : PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

} // namespace

bool CPngImageWriter::acceptsExtension(const CStringW& fileName) const {
    return CImageFormatRegistry::hasExtension(fileName, "png");
}

bool CPngImageWriter::write(IWritableFile* file, const CPixelImage* image, int /*quality*/) const {
    if (!file || !image)
        return false;

    // The rows libpng gets: A8R8G8B8 (bytes blue, green, red, alpha, written
    // with the BGR transform) or R8G8B8.
    const ColorFormat source = image->colorFormat();
    const bool hasAlpha =
        source == ColorFormat::A1R5G5B5 || source == ColorFormat::A4R4G4B4 || source == ColorFormat::A8R8G8B8;
    const ColorFormat format = hasAlpha ? ColorFormat::A8R8G8B8 : ColorFormat::R8G8B8;
    const uint64_t rowBytes = uint64_t(image->width()) * colorFormatBytes(format);

    PngEncode state;
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state.error, &onPngError, &onPngWarning);
    if (!state.png) {
        logPngFailure("Internal PNG create write struct failure: ", file->fileName());
        return false;
    }
    state.info = png_create_info_struct(state.png);
    if (!state.info) {
        logPngFailure("Internal PNG create info struct failure: ", file->fileName());
        return false;
    }
    state.pixels = static_cast<uint8_t*>(std::malloc(size_t(rowBytes * image->height())));
    if (!state.pixels) {
        logPngFailure("Internal PNG create image failure: ", file->fileName());
        return false;
    }
    state.rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * image->height()));
    if (!state.rows) {
        logPngFailure("Internal PNG create row pointers failure: ", file->fileName());
        return false;
    }
    const uint8_t* from = image->data();
    for (uint32_t y = 0; y < image->height(); ++y, from += image->pitch()) {
        uint8_t* row = state.pixels + uint64_t(y) * rowBytes;
        state.rows[y] = row;
        if (source == ColorFormat::A4R4G4B4)
            argb4444To8888(from, row, image->width());
        else
            static_cast<void>(CPixelImage::convertPixels(from, source, image->width(), row, format));
    }
    if (encodePng(state, file, image, format))
        return true;
    CLog::instance()->log(CStringW(u"Can't write image: ") + file->fileName() + u": PNG: " +
                              CStringW(CString(state.error.text)),
                          CLog::Error);
    return false;
}
