#pragma once

#include "engine/content/ContentType.h"
#include "engine/content/IContentProcessor.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class CImageFormatRegistry;

// The processor of images ('imag'): decodes files into CPixelImage through
// the image format registry and writes images back through its writers
// (screenshots). It holds no driver or audio device, so it keeps the empty
// receiver mask and device events never reach it.
class CImageContentProcessor : public IContentProcessor {
public:
    // Works with `registry` (a reference is taken). Without one, each call
    // uses the registry the engine managers hold at that time.
    explicit CImageContentProcessor(CImageFormatRegistry* registry = nullptr);

    [[nodiscard]] uint32_t getContentType() const override { return ContentTypeImage; }

    // A new image named `name` (count 1, owned by the caller), or null after
    // one "Can't load image: " line with the file's name.
    [[nodiscard]] IContent* load(IContentManager* manager, IReadableFile* file, const CObjectName& name) override;
    // Writes the image with the writer chosen by the file's extension.
    // `parameter` is null (quality 100) or points to the int quality.
    // False for content that is not an image or a name no writer takes,
    // after one "Can't save image: " line with the file's name.
    [[nodiscard]] bool save(IContentManager* manager, IContent* content, IWritableFile* file,
                            const void* parameter) override;
    [[nodiscard]] bool canSave() const override { return true; }

    // The registry calls go to; no reference handed out. May be null.
    [[nodiscard]] CImageFormatRegistry* getRegistry() const;

protected:
    ~CImageContentProcessor() override;

private:
    CRefHandle<CImageFormatRegistry> m_registry;
};
