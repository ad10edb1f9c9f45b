#include "engine/content/CImageFormatRegistry.h"

#include "engine/content/CJpegImageLoader.h"
#include "engine/content/CJpegImageWriter.h"
#include "engine/content/CJpgaImageLoader.h"
#include "engine/content/CMimgImageLoader.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/CPngImageLoader.h"
#include "engine/content/CPngImageWriter.h"
#include "engine/content/ImageLoadReport.h"
#include "engine/core/CLog.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CStringW.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"

#include <algorithm>
#include <vector>

namespace {

char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c; }

} // namespace

CImageFormatRegistry::CImageFormatRegistry() {
    m_loaders.push_back(CRefHandle<IImageFormatLoader>(new CJpegImageLoader()));
    m_loaders.push_back(CRefHandle<IImageFormatLoader>(new CJpgaImageLoader()));
    m_loaders.push_back(CRefHandle<IImageFormatLoader>(new CPngImageLoader()));
    m_loaders.push_back(CRefHandle<IImageFormatLoader>(new CMimgImageLoader()));
    m_writers.push_back(CRefHandle<IImageFormatWriter>(new CJpegImageWriter()));
    m_writers.push_back(CRefHandle<IImageFormatWriter>(new CPngImageWriter()));
}

CImageFormatRegistry::~CImageFormatRegistry() = default;

void CImageFormatRegistry::addLoader(IImageFormatLoader* loader) {
    if (loader)
        m_loaders.push_back(CRefHandle<IImageFormatLoader>::share(loader));
}

void CImageFormatRegistry::addWriter(IImageFormatWriter* writer) {
    if (writer)
        m_writers.push_back(CRefHandle<IImageFormatWriter>::share(writer));
}

bool CImageFormatRegistry::hasExtension(const CStringW& fileName, const char* lowerExtension) {
    const CStringW extension = getFileExtension(fileName);
    uint32_t i = 0;
    for (; i < extension.length(); ++i) {
        if (lowerExtension[i] == '\0' || asciiLower(extension[i]) != char16_t(lowerExtension[i]))
            return false;
    }
    return lowerExtension[i] == '\0';
}

CPixelImage* CImageFormatRegistry::loadImage(IReadableFile* file, const CObjectName& name) const {
    if (!file)
        return nullptr;
    CStringW extension = getFileExtension(file->fileName());
    for (uint32_t i = 0; i < extension.length(); ++i)
        extension[i] = asciiLower(extension[i]);

    // Each loader decodes the file at most once: by its extension, else by
    // its content. Their reasons make one line when none decodes it.
    CImageLoadFailureCapture failures;
    std::vector<const IImageFormatLoader*> tried;
    for (const CRefHandle<IImageFormatLoader>& loader : m_loaders) {
        if (!loader->acceptsExtension(extension) || !file->seek(0, false))
            continue;
        tried.push_back(loader.get());
        if (CPixelImage* image = loader->load(file, name))
            return image;
    }
    for (const CRefHandle<IImageFormatLoader>& loader : m_loaders) {
        if (std::find(tried.begin(), tried.end(), loader.get()) != tried.end())
            continue;
        if (!file->seek(0, false) || !loader->checkSignature(file) || !file->seek(0, false))
            continue;
        if (CPixelImage* image = loader->load(file, name))
            return image;
    }
    const CString& reason = failures.reason();
    CLog::instance()->log(
        CStringW(u"Can't load image: ") + file->fileName() +
            (reason.empty() ? CStringW(u": not an image format known here") : CStringW(u": ") + CStringW(reason)),
        CLog::Warning);
    return nullptr;
}

bool CImageFormatRegistry::writeImage(const CPixelImage* image, IWritableFile* file, const int* quality) const {
    if (!image || !file)
        return false;
    const int value = quality ? *quality : 100;
    for (const CRefHandle<IImageFormatWriter>& writer : m_writers) {
        if (writer->acceptsExtension(file->fileName()) && writer->write(file, image, value))
            return true;
    }
    CLog::instance()->log("Can't save image: " + file->fileName(), CLog::Warning);
    return false;
}
