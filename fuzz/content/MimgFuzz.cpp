// Reads arbitrary bytes as a "mimg" container, through the loader itself and
// through the registry's extension and signature passes. A decoded image
// must be whole and in the trailer's colour format.

#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/CMimgImageLoader.h"
#include "fuzz/content/FuzzImage.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX)
        return 0;
    CRefHandle<IReadableFile> file = fuzzFile(data, size, u"fuzz.mimg");
    CRefHandle<CMimgImageLoader> loader(new CMimgImageLoader());
    (void)loader->checkSignature(file.get());
    (void)file->seek(0, false);
    CRefHandle<CPixelImage> image(loader->load(file.get(), CObjectName()));
    if (image) {
        const uint32_t format = uint32_t(data[size - 8]) | (uint32_t(data[size - 7]) << 8);
        if (uint32_t(image->colorFormat()) != format)
            __builtin_trap();
        touchEveryPixel(*image);
    }

    // The registry tries every loader on content it does not know by name.
    CRefHandle<CImageFormatRegistry> registry(new CImageFormatRegistry());
    CRefHandle<IReadableFile> unnamed = fuzzFile(data, size, u"fuzz");
    CRefHandle<CPixelImage> any(registry->loadImage(unnamed.get(), CObjectName()));
    if (any)
        touchEveryPixel(*any);
    return 0;
}
