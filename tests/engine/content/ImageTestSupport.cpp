#include "tests/engine/content/ImageTestSupport.h"

#include "engine/core/CStringW.h"
#include "engine/io/CBufferFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

CRefHandle<IReadableFile> memoryFile(const std::vector<uint8_t>& bytes, const std::string& name) {
    auto* data = new uint8_t[bytes.size() + 1];
    if (!bytes.empty())
        std::memcpy(data, bytes.data(), bytes.size());
    return CRefHandle<IReadableFile>(new CBufferFile(data, int32_t(bytes.size()), CStringW(name.c_str()), true));
}

std::vector<uint8_t> fixtureBytes(const std::string& name) {
    return readAllBytes(std::string(BM_SOURCE_DIR) + "/tests/engine/content/data/" + name);
}

CRefHandle<CVirtualFile> newVirtualFile(const std::string& name) {
    return CRefHandle<CVirtualFile>(new CVirtualFile(CStringW(name.c_str()), 4096));
}

std::vector<uint8_t> fileBytes(CVirtualFile* file) {
    std::vector<uint8_t> bytes(size_t(file->size()));
    const int32_t position = file->position();
    if (file->seek(0, false) && !bytes.empty()) {
        EXPECT_EQ(file->read(bytes.data(), int32_t(bytes.size())), int32_t(bytes.size()));
    }
    (void)file->seek(position, false);
    return bytes;
}

ReferencePixels readRgba16(const std::vector<uint8_t>& bytes, uint32_t width, uint32_t height) {
    ReferencePixels reference{width, height, {}};
    if (bytes.size() != size_t(width) * height * 8) {
        ADD_FAILURE() << "reference dump has " << bytes.size() << " bytes";
        return reference;
    }
    for (size_t i = 0; i < bytes.size(); i += 8) {
        // High bytes of R, G, B, A.
        reference.argb.push_back((uint32_t(bytes[i + 6]) << 24) | (uint32_t(bytes[i]) << 16) |
                                 (uint32_t(bytes[i + 2]) << 8) | bytes[i + 4]);
    }
    return reference;
}

ReferencePixels readPnm(const std::vector<uint8_t>& bytes) {
    ReferencePixels reference;
    size_t at = 0;
    auto token = [&]() {
        while (at < bytes.size() && std::isspace(bytes[at]))
            ++at;
        std::string text;
        while (at < bytes.size() && !std::isspace(bytes[at]))
            text += char(bytes[at++]);
        return text;
    };
    const std::string magic = token();
    reference.width = uint32_t(std::atoi(token().c_str()));
    reference.height = uint32_t(std::atoi(token().c_str()));
    const int maximum = std::atoi(token().c_str());
    ++at; // the one whitespace byte before the samples
    const size_t channels = magic == "P6" ? 3 : 1;
    if ((magic != "P6" && magic != "P5") || maximum != 255 ||
        bytes.size() - at != size_t(reference.width) * reference.height * channels) {
        ADD_FAILURE() << "unexpected PNM header " << magic;
        return reference;
    }
    for (; at < bytes.size(); at += channels) {
        const uint32_t r = bytes[at];
        const uint32_t g = channels == 3 ? bytes[at + 1] : r;
        const uint32_t b = channels == 3 ? bytes[at + 2] : r;
        reference.argb.push_back(0xFF000000u | (r << 16) | (g << 8) | b);
    }
    return reference;
}

void expectPixelsNear(const CPixelImage& image, const ReferencePixels& reference, int tolerance) {
    ASSERT_EQ(image.width(), reference.width);
    ASSERT_EQ(image.height(), reference.height);
    ASSERT_EQ(reference.argb.size(), size_t(reference.width) * reference.height);
    int reported = 0;
    for (uint32_t y = 0; y < image.height(); ++y) {
        for (uint32_t x = 0; x < image.width(); ++x) {
            const uint32_t got = image.pixelAt(x, y).value;
            const uint32_t want = reference.argb[size_t(y) * reference.width + x];
            bool near = true;
            for (int shift = 0; shift < 32; shift += 8) {
                const int a = int((got >> shift) & 0xFF);
                const int b = int((want >> shift) & 0xFF);
                if (std::abs(a - b) > tolerance)
                    near = false;
            }
            if (!near && reported++ < 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): got " << std::hex << got << ", want " << want;
        }
    }
}

void appendLe16(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.push_back(uint8_t(value));
    bytes.push_back(uint8_t(value >> 8));
}

void appendLe32(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back(uint8_t(value >> (8 * i)));
}

CObjectName imageName(const char16_t* text) { return CObjectName(nullptr, CStringW(text)); }
