#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"

class CObjectName;
class CPixelImage;
class CStringW;
class IImageFormatLoader;
class IImageFormatWriter;
class IReadableFile;
class IWritableFile;

// The image file formats the engine reads (JPEG, "jpga", PNG, "mimg") and
// writes (JPEG, PNG). Built once, owned by the engine managers; usable on its
// own. Main thread only.
class CImageFormatRegistry : public CRefCounted {
public:
    // Registers the loaders JPEG, jpga, PNG, mimg and the writers JPEG, PNG.
    CImageFormatRegistry();

    // Decodes `file`: first every loader that claims the file name's
    // extension, then every loader whose signature test accepts the
    // content; the first image wins. A new image (count 1, owned by the
    // caller) named `name`, or null after logging "Can't load image: " and
    // the file name.
    [[nodiscard]] CPixelImage* loadImage(IReadableFile* file, const CObjectName& name) const;

    // Writes `image` with the first writer that claims the file's name and
    // succeeds. `quality` null means 100. False when none did, after logging
    // "Can't save image: " and the file's name.
    [[nodiscard]] bool writeImage(const CPixelImage* image, IWritableFile* file, const int* quality) const;

    // Adds a loader or writer after the built-in ones (the registry takes a
    // reference).
    void addLoader(IImageFormatLoader* loader);
    void addWriter(IImageFormatWriter* writer);

    // True when the extension of `fileName` equals `lowerExtension` with
    // A-Z taken as a-z.
    [[nodiscard]] static bool hasExtension(const CStringW& fileName, const char* lowerExtension);

protected:
    ~CImageFormatRegistry() override;

private:
    CArray<CRefHandle<IImageFormatLoader>> m_loaders;
    CArray<CRefHandle<IImageFormatWriter>> m_writers;
};
