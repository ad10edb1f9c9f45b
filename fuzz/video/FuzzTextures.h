#pragma once

// Shared by the fuzz targets of texture content (atlas collections, fonts):
// a file system that serves the input under one name and a small PNG under
// every other name ending in ".png", and a driver that keeps textures in
// memory, so that rectangles and glyphs are cut from real textures.

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/CImageContentProcessor.h"
#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/CPixelImage.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CVirtualFile.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/video/CAtlasCollectionProcessor.h"
#include "engine/video/CAtlasTextureProcessor.h"
#include "engine/video/CImageTextureProcessor.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/IDriverTexture.h"

#include <cstdlib>
#include <cstring>
#include <vector>

// A texture that is only its sizes and its image.
class FuzzTexture : public IDriverTexture {
public:
    explicit FuzzTexture(CPixelImage* image)
        : m_imageSize(int32_t(image->width()), int32_t(image->height())), m_size(64, 64),
          m_image(CRefHandle<CPixelImage>::share(image)) {}
    [[nodiscard]] void* lock(bool) override { return nullptr; }
    void unlock() override {}
    [[nodiscard]] const CSizeI& imageSize() const override { return m_imageSize; }
    [[nodiscard]] const CSizeI& size() const override { return m_size; }
    [[nodiscard]] int32_t driverType() const override { return 2; }
    [[nodiscard]] ColorFormat colorFormat() const override { return ColorFormat::A8R8G8B8; }
    [[nodiscard]] uint32_t pitch() const override { return 0; }
    [[nodiscard]] bool hasMipMaps() const override { return false; }
    void regenerateMipMaps() override {}
    [[nodiscard]] bool isRenderTarget() const override { return false; }
    [[nodiscard]] CPixelImage* image() const override { return m_image.get(); }
    void dropImage() override { m_image.reset(); }

private:
    ~FuzzTexture() override = default;
    CSizeI m_imageSize;
    CSizeI m_size;
    CRefHandle<CPixelImage> m_image;
};

class FuzzDriver : public CNullGraphicsDriver {
public:
    FuzzDriver() : CNullGraphicsDriver(CEngineCreationParams(), nullptr, nullptr) {}
    [[nodiscard]] IDriverTexture* makeDriverTexture(CPixelImage* image) override {
        return image ? new FuzzTexture(image) : nullptr;
    }
    [[nodiscard]] int32_t driverType() const override { return 2; }
};

// The input under `inputName`; a 40 x 24 PNG under any name ending in ".png".
class FuzzFileSystem : public CVirtualFileSystem {
public:
    explicit FuzzFileSystem(const char16_t* inputName) : m_inputName(inputName) {}
    void setInput(const uint8_t* data, size_t size) {
        m_data = data;
        m_size = size;
    }
    void setPicture(std::vector<uint8_t> png) { m_png = std::move(png); }

    IReadableFile* openForRead(const CStringW& path) override {
        if (path == m_inputName)
            return new CBufferFile(const_cast<uint8_t*>(m_data), int32_t(m_size), path, false);
        const uint32_t length = path.length();
        if (length >= 4 && path.subString(int(length) - 4, 4) == u".png" && !m_png.empty())
            return new CBufferFile(m_png.data(), int32_t(m_png.size()), path, false);
        return nullptr;
    }

private:
    CStringW m_inputName;
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    std::vector<uint8_t> m_png;
};

// The content layer with the texture processors over a FuzzDriver.
struct FuzzTextureStack {
    explicit FuzzTextureStack(const char16_t* inputName) : fileSystem(new FuzzFileSystem(inputName)) {
        CLog::instance()->setThreshold(CLog::User + 1);
        if (!CEngineManagers::instance().getImageFormatRegistry())
            CEngineManagers::instance().setImageFormatRegistry(new CImageFormatRegistry);
        processors =
            CRefHandle<CContentProcessorsManager>(new CContentProcessorsManager(fileSystem.get(), driver.get()));
        manager = CRefHandle<CContentManager>(new CContentManager(driver.get(), fileSystem.get(), processors.get()));
        CRefHandle<IContentProcessor> list[] = {
            CRefHandle<IContentProcessor>(new CImageTextureProcessor(driver.get())),
            CRefHandle<IContentProcessor>(new CAtlasTextureProcessor(driver.get())),
            CRefHandle<IContentProcessor>(new CAtlasCollectionProcessor(fileSystem.get())),
            CRefHandle<IContentProcessor>(new CImageContentProcessor),
        };
        for (const auto& processor : list)
            if (!processors->registerProcessor(processor.get()))
                std::abort();
        fileSystem->setPicture(picturePng());
    }

    // A small picture as PNG bytes, made by the engine's writer.
    std::vector<uint8_t> picturePng() {
        CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 40, 24));
        image->fillColor(CColor(0xFF336699));
        CRefHandle<CVirtualFile> file(new CVirtualFile(CStringW(u"picture.png"), 0));
        if (!CEngineManagers::instance().getImageFormatRegistry()->writeImage(image.get(), file.get(), nullptr))
            std::abort();
        std::vector<uint8_t> bytes(size_t(file->size()));
        if (!file->seek(0, false) || file->read(bytes.data(), int32_t(bytes.size())) != int32_t(bytes.size()))
            std::abort();
        return bytes;
    }

    CRefHandle<FuzzDriver> driver{new FuzzDriver};
    CRefHandle<FuzzFileSystem> fileSystem;
    CRefHandle<CContentProcessorsManager> processors;
    CRefHandle<CContentManager> manager;
};
