#include "engine/content/CImageContentProcessor.h"

#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/CPixelImage.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"

CImageContentProcessor::CImageContentProcessor(CImageFormatRegistry* registry)
    : m_registry(CRefHandle<CImageFormatRegistry>::share(registry)) {}

CImageContentProcessor::~CImageContentProcessor() = default;

CImageFormatRegistry* CImageContentProcessor::getRegistry() const {
    return m_registry ? m_registry.get() : CEngineManagers::instance().getImageFormatRegistry();
}

IContent* CImageContentProcessor::load(IContentManager*, IReadableFile* file, const CObjectName& name) {
    if (!file)
        return nullptr;
    CImageFormatRegistry* registry = getRegistry();
    if (!registry) {
        CLog::instance()->log("Can't load image: " + file->fileName(), CLog::Warning);
        return nullptr;
    }
    // The registry logs its own line when no loader decodes the file.
    return registry->loadImage(file, name);
}

bool CImageContentProcessor::save(IContentManager*, IContent* content, IWritableFile* file, const void* parameter) {
    // The type code alone does not prove the class: another content class
    // could answer 'imag'.
    const auto* image = dynamic_cast<const CPixelImage*>(content);
    CImageFormatRegistry* registry = getRegistry();
    if (!file)
        return false;
    if (!image || !registry) {
        CLog::instance()->log("Can't save image: " + file->fileName(), CLog::Warning);
        return false;
    }
    // The registry logs its own line when no writer takes the file.
    return registry->writeImage(image, file, static_cast<const int*>(parameter));
}
