#include "engine/content/CJpgaImageLoader.h"

#include "engine/content/CJpegImageLoader.h"
#include "engine/content/CPixelImage.h"
#include "engine/core/CStringW.h"
#include "engine/io/ArchiveSupport.h"
#include "engine/io/CRangeReadFile.h"
#include "engine/io/IReadableFile.h"

#include <cstring>

CJpgaImageLoader::CJpgaImageLoader() : m_jpeg(new CJpegImageLoader()) {}

bool CJpgaImageLoader::acceptsExtension(const CStringW& lowerExtension) const { return lowerExtension == u"jpga"; }

bool CJpgaImageLoader::checkSignature(IReadableFile* file) const {
    uint8_t tag[4];
    if (!file || file->read(tag, 4) != 4)
        return false;
    return std::memcmp(tag, "AGPJ", 4) == 0;
}

CPixelImage* CJpgaImageLoader::load(IReadableFile* file, const CObjectName& name) const {
    if (!file)
        return nullptr;
    uint8_t header[HeaderBytes];
    if (file->read(header, HeaderBytes) != HeaderBytes)
        return nullptr;
    const uint32_t version = readLe32(header + 4);
    const uint64_t alphaOffset = readLe32(header + 8);
    const uint64_t fileSize = uint64_t(file->size());
    if (version != Version || alphaOffset < uint64_t(HeaderBytes) || alphaOffset > fileSize)
        return nullptr;

    CRefHandle<IReadableFile> colorPart(
        CRangeReadFile::create(file, HeaderBytes, int32_t(alphaOffset - HeaderBytes), CStringW(u"rgb.jpga")));
    CRefHandle<IReadableFile> alphaPart(
        CRangeReadFile::create(file, int32_t(alphaOffset), int32_t(fileSize - alphaOffset), CStringW(u"alpha.jpga")));
    if (!colorPart || !alphaPart)
        return nullptr;
    CRefHandle<CPixelImage> color(m_jpeg->load(colorPart.get(), CObjectName()));
    if (!color)
        return nullptr;
    CRefHandle<CPixelImage> alpha(m_jpeg->load(alphaPart.get(), CObjectName()));
    if (!alpha || alpha->width() != color->width() || alpha->height() != color->height())
        return nullptr;

    CRefHandle<CPixelImage> image(CPixelImage::createConverted(name, ColorFormat::A8R8G8B8, *color));
    if (!image || !image->copyAlphaFrom(*alpha))
        return nullptr;
    return image.detach();
}
