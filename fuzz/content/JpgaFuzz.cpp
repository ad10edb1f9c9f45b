// Reads arbitrary bytes as a "jpga" file (colour JPEG and alpha JPEG behind a
// 12-byte header). A decoded image must be whole.

#include "engine/content/CJpgaImageLoader.h"
#include "fuzz/content/FuzzImage.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX)
        return 0;
    CRefHandle<IReadableFile> file = fuzzFile(data, size, u"fuzz.jpga");
    CRefHandle<CJpgaImageLoader> loader(new CJpgaImageLoader());
    (void)loader->checkSignature(file.get());
    (void)file->seek(0, false);
    CRefHandle<CPixelImage> image(loader->load(file.get(), CObjectName()));
    if (!image)
        return 0;
    if (image->colorFormat() != ColorFormat::A8R8G8B8)
        __builtin_trap();
    touchEveryPixel(*image);
    return 0;
}
