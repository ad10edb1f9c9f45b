// Reads arbitrary bytes as a PNG file. A decoded image must be whole, and
// writing it as PNG and reading that back must give the same pixels.

#include "engine/content/CPngImageLoader.h"
#include "engine/content/CPngImageWriter.h"
#include "engine/io/CVirtualFile.h"
#include "fuzz/content/FuzzImage.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX)
        return 0;
    CRefHandle<IReadableFile> file = fuzzFile(data, size, u"fuzz.png");
    CRefHandle<CPngImageLoader> loader(new CPngImageLoader());
    (void)loader->checkSignature(file.get());
    (void)file->seek(0, false);
    CRefHandle<CPixelImage> image(loader->load(file.get(), CObjectName()));
    if (!image)
        return 0;
    touchEveryPixel(*image);

    CRefHandle<CVirtualFile> out(new CVirtualFile(CStringW(u"again.png"), 0));
    CRefHandle<CPngImageWriter> writer(new CPngImageWriter());
    if (!writer->write(out.get(), image.get(), 0) || !out->seek(0, false))
        __builtin_trap();
    CRefHandle<CPixelImage> again(loader->load(out.get(), CObjectName()));
    if (!again || again->colorFormat() != image->colorFormat() || again->width() != image->width() ||
        again->height() != image->height() || std::memcmp(again->data(), image->data(), size_t(image->dataSize())) != 0)
        __builtin_trap();
    return 0;
}
