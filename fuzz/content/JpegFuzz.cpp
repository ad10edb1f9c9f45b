// Reads arbitrary bytes as a JPEG file. A decoded image must be whole and
// must encode again.

#include "engine/content/CJpegImageLoader.h"
#include "engine/content/CJpegImageWriter.h"
#include "engine/io/CVirtualFile.h"
#include "fuzz/content/FuzzImage.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX)
        return 0;
    CRefHandle<IReadableFile> file = fuzzFile(data, size, u"fuzz.jpg");
    CRefHandle<CJpegImageLoader> loader(new CJpegImageLoader());
    (void)loader->checkSignature(file.get());
    (void)file->seek(0, false);
    CRefHandle<CPixelImage> image(loader->load(file.get(), CObjectName()));
    if (!image)
        return 0;
    touchEveryPixel(*image);
    // Encoding costs as much as decoding; small images are enough for it.
    if (image->dataSize() <= 256 * 1024) {
        CRefHandle<CVirtualFile> out(new CVirtualFile(CStringW(u"again.jpg"), 0));
        CRefHandle<CJpegImageWriter> writer(new CJpegImageWriter());
        if (!writer->write(out.get(), image.get(), 50))
            __builtin_trap();
    }
    return 0;
}
