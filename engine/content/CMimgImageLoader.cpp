#include "engine/content/CMimgImageLoader.h"

#include "engine/content/CJpegImageLoader.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/CPngImageLoader.h"
#include "engine/core/CLog.h"
#include "engine/core/CStringW.h"
#include "engine/io/ArchiveSupport.h"
#include "engine/io/CRangeReadFile.h"
#include "engine/io/IReadableFile.h"

namespace {

// A raw part: width, height, then exactly enough packed pixels (more bytes
// are ignored). A short part is damage: it is logged and gives null.
CPixelImage* decodeRaw(IReadableFile* part, ColorFormat format, const CObjectName& name) {
    uint8_t size[8];
    if (part->read(size, 8) != 8)
        return nullptr;
    const uint32_t width = readLe32(size);
    const uint32_t height = readLe32(size + 4);
    const uint64_t bytes = CPixelImage::dataSizeFor(format, width, height);
    if (bytes == 0)
        return nullptr;
    if (bytes > uint64_t(part->size()) - 8) {
        CLog::instance()->log(part->fileName() + " RAW data size mismatch!", CLog::Warning);
        return nullptr;
    }
    CPixelImage* image = CPixelImage::create(name, format, width, height);
    if (!image)
        return nullptr;
    if (uint64_t(part->read(image->data(), int32_t(bytes))) != bytes) {
        CLog::instance()->log(part->fileName() + " RAW data size mismatch!", CLog::Warning);
        image->release();
        return nullptr;
    }
    return image;
}

bool formatHasAlpha(ColorFormat format) {
    return format == ColorFormat::A1R5G5B5 || format == ColorFormat::A4R4G4B4 || format == ColorFormat::A8R8G8B8;
}

} // namespace

CMimgImageLoader::CMimgImageLoader() : m_png(new CPngImageLoader()), m_jpeg(new CJpegImageLoader()) {}

bool CMimgImageLoader::acceptsExtension(const CStringW& lowerExtension) const { return lowerExtension == u"mimg"; }

bool CMimgImageLoader::checkSignature(IReadableFile* file) const {
    uint8_t tag[4];
    if (!file || file->size() < 4 || !file->seek(file->size() - 4, false) || file->read(tag, 4) != 4)
        return false;
    return readLe32(tag) == Tag;
}

CPixelImage* CMimgImageLoader::decodePart(IReadableFile* part, uint8_t type, uint32_t rawFormat,
                                          const CObjectName& name) const {
    switch (type) {
    case Raw:
        return decodeRaw(part, ColorFormat(rawFormat), name);
    case Png:
        return m_png->load(part, name);
    case Jpeg:
        return m_jpeg->load(part, name);
    default:
        return nullptr;
    }
}

CPixelImage* CMimgImageLoader::load(IReadableFile* file, const CObjectName& name) const {
    if (!file)
        return nullptr;
    const int64_t fileSize = file->size();
    if (fileSize < TrailerBytes || !file->seek(int32_t(fileSize - TrailerBytes), false))
        return nullptr;
    uint8_t trailer[TrailerBytes];
    if (file->read(trailer, TrailerBytes) != TrailerBytes)
        return nullptr;
    const int64_t colorSize = readLe32(trailer + 8);
    const uint8_t alphaType = trailer[12];
    const uint8_t colorType = trailer[13];
    const uint32_t formatCode = readLe16(trailer + 16);
    const uint32_t version = readLe16(trailer + 18);
    const int64_t partsEnd = fileSize - TrailerBytes;
    if (version > MaxVersion || !isImageFormat(ColorFormat(formatCode)) || colorSize > partsEnd)
        return nullptr;
    const ColorFormat format = ColorFormat(formatCode);

    CRefHandle<IReadableFile> colorPart(CRangeReadFile::create(file, 0, int32_t(colorSize), CStringW(u"rgb.mimg")));
    if (!colorPart)
        return nullptr;
    CRefHandle<CPixelImage> color(decodePart(colorPart.get(), colorType, formatCode, name));
    if (!color)
        return nullptr;

    if (alphaType != None && formatHasAlpha(format)) {
        CRefHandle<IReadableFile> alphaPart(
            CRangeReadFile::create(file, int32_t(colorSize), int32_t(partsEnd - colorSize), CStringW(u"alpha.mimg")));
        CRefHandle<CPixelImage> alpha(alphaPart ? decodePart(alphaPart.get(), alphaType, formatCode, CObjectName())
                                                : nullptr);
        if (alpha) {
            if (alpha->width() != color->width() || alpha->height() != color->height())
                return nullptr;
            if (color->colorFormat() != ColorFormat::A8R8G8B8) {
                color.reset(CPixelImage::createConverted(name, ColorFormat::A8R8G8B8, *color));
                if (!color)
                    return nullptr;
            }
            // An alpha part of another format (a raw 16-bit one) gives no
            // grey level and is ignored, like one that does not decode.
            static_cast<void>(color->copyAlphaFrom(*alpha));
        }
    }

    if (color->colorFormat() == format)
        return color.detach();
    return CPixelImage::createConverted(name, format, *color);
}
