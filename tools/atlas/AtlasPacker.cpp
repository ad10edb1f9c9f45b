#include "tools/atlas/AtlasPacker.h"

#include "engine/content/CImageFormatRegistry.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/io/CDiskReadFile.h"
#include "engine/io/CDiskWriteFile.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/io/FilePaths.h"
#include "engine/video/AtlasTextureCollection.h"

#include <algorithm>
#include <cstring>

namespace {

// A picture's part that goes on a page, and where it went.
struct Item {
    uint32_t input = 0;
    int32_t sourceX = 0;
    int32_t sourceY = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t x = 0;
    int32_t y = 0;
};

// The skyline of a page: the top edges of what has been placed, left to
// right. A rectangle goes where its bottom ends highest, then leftmost.
class Skyline {
public:
    Skyline(int32_t width, int32_t height) : m_width(width), m_height(height) { m_nodes.push_back({0, 0, width}); }

    bool insert(int32_t width, int32_t height, int32_t& x, int32_t& y) {
        int32_t bestBottom = m_height + 1;
        int32_t bestWidth = 0;
        std::size_t bestIndex = m_nodes.size();
        for (std::size_t i = 0; i < m_nodes.size(); ++i) {
            int32_t top = 0;
            if (!fits(i, width, height, top))
                continue;
            const int32_t bottom = top + height;
            if (bottom < bestBottom || (bottom == bestBottom && m_nodes[i].width < bestWidth)) {
                bestBottom = bottom;
                bestWidth = m_nodes[i].width;
                bestIndex = i;
                x = m_nodes[i].x;
                y = top;
            }
        }
        if (bestIndex == m_nodes.size())
            return false;
        addLevel(bestIndex, x, y, width, height);
        return true;
    }

private:
    struct Node {
        int32_t x;
        int32_t y;
        int32_t width;
    };

    bool fits(std::size_t index, int32_t width, int32_t height, int32_t& top) const {
        const int32_t x = m_nodes[index].x;
        if (x + width > m_width)
            return false;
        int32_t left = width;
        top = m_nodes[index].y;
        for (std::size_t i = index; left > 0; ++i) {
            if (i == m_nodes.size())
                return false;
            top = std::max(top, m_nodes[i].y);
            if (top + height > m_height)
                return false;
            left -= m_nodes[i].width;
        }
        return true;
    }

    void addLevel(std::size_t index, int32_t x, int32_t y, int32_t width, int32_t height) {
        m_nodes.insert(m_nodes.begin() + std::ptrdiff_t(index), Node{x, y + height, width});
        for (std::size_t i = index + 1; i < m_nodes.size(); ++i) {
            const int32_t previousEnd = m_nodes[i - 1].x + m_nodes[i - 1].width;
            if (m_nodes[i].x >= previousEnd)
                break;
            const int32_t shrink = previousEnd - m_nodes[i].x;
            m_nodes[i].x += shrink;
            m_nodes[i].width -= shrink;
            if (m_nodes[i].width > 0)
                break;
            m_nodes.erase(m_nodes.begin() + std::ptrdiff_t(i));
            --i;
        }
        for (std::size_t i = 0; i + 1 < m_nodes.size(); ++i) {
            if (m_nodes[i].y == m_nodes[i + 1].y) {
                m_nodes[i].width += m_nodes[i + 1].width;
                m_nodes.erase(m_nodes.begin() + std::ptrdiff_t(i + 1));
                --i;
            }
        }
    }

    int32_t m_width;
    int32_t m_height;
    std::vector<Node> m_nodes;
};

// Places `items` (in order) on a page of `width` x `height`; those that fit
// get their position and are moved to `placed`, the others stay.
void packPage(std::vector<Item>& items, std::vector<Item>& placed, int32_t width, int32_t height, int32_t padding) {
    Skyline skyline(width, height);
    std::vector<Item> left;
    for (Item& item : items) {
        int32_t x = 0;
        int32_t y = 0;
        if (skyline.insert(item.width + 2 * padding, item.height + 2 * padding, x, y)) {
            item.x = x + padding;
            item.y = y + padding;
            placed.push_back(item);
        } else {
            left.push_back(item);
        }
    }
    items.swap(left);
}

// Page sizes from the smallest up: 1x1, 2x1, 2x2, 4x2, ...
std::vector<std::pair<int32_t, int32_t>> pageSizes(int32_t maxSize) {
    std::vector<std::pair<int32_t, int32_t>> sizes;
    for (int32_t side = 1; side <= maxSize; side *= 2) {
        if (side > 1)
            sizes.emplace_back(side, side / 2);
        sizes.emplace_back(side, side);
    }
    return sizes;
}

bool isPowerOfTwo(int32_t value) { return value > 0 && (value & (value - 1)) == 0; }

// Copies the item's pixels to the page and repeats its edge pixels over the
// padding around it.
void drawItem(const CPixelImage& source, const Item& item, CPixelImage& page, int32_t padding) {
    auto* pixels = reinterpret_cast<uint32_t*>(page.data());
    const auto* sourcePixels = reinterpret_cast<const uint32_t*>(source.data());
    const uint32_t stride = page.pitch() / 4;
    const uint32_t sourceStride = source.pitch() / 4;
    for (int32_t row = 0; row < item.height; ++row) {
        const uint32_t* from = sourcePixels + std::size_t(item.sourceY + row) * sourceStride + item.sourceX;
        uint32_t* to = pixels + std::size_t(item.y + row) * stride + item.x;
        std::memcpy(to, from, std::size_t(item.width) * 4);
        for (int32_t i = 1; i <= padding; ++i) {
            to[-i] = from[0];
            to[item.width - 1 + i] = from[item.width - 1];
        }
    }
    const std::size_t rowBytes = std::size_t(item.width + 2 * padding) * 4;
    uint32_t* firstRow = pixels + std::size_t(item.y) * stride + item.x - padding;
    uint32_t* lastRow = pixels + std::size_t(item.y + item.height - 1) * stride + item.x - padding;
    for (int32_t i = 1; i <= padding; ++i) {
        std::memcpy(firstRow - std::size_t(i) * stride, firstRow, rowBytes);
        std::memcpy(lastRow + std::size_t(i) * stride, lastRow, rowBytes);
    }
}

// The smallest rectangle holding every pixel whose alpha is not 0; empty for
// a fully transparent picture.
void opaqueBounds(const CPixelImage& image, int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) {
    const auto width = int32_t(image.width());
    const auto height = int32_t(image.height());
    left = width;
    top = height;
    right = 0;
    bottom = 0;
    const uint32_t stride = image.pitch() / 4;
    const auto* pixels = reinterpret_cast<const uint32_t*>(image.data());
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            if (pixels[std::size_t(y) * stride + x] >> 24) {
                left = std::min(left, x);
                right = std::max(right, x + 1);
                top = std::min(top, y);
                bottom = std::max(bottom, y + 1);
            }
        }
    }
    if (right <= left || bottom <= top)
        left = top = right = bottom = 0;
}

CImageFormatRegistry* imageRegistry() {
    CEngineManagers& managers = CEngineManagers::instance();
    if (!managers.getImageFormatRegistry())
        managers.setImageFormatRegistry(new CImageFormatRegistry);
    return managers.getImageFormatRegistry();
}

} // namespace

bool AtlasPacker::pack(const std::vector<AtlasInput>& inputs, const AtlasPackOptions& options, std::string* error) {
    m_pages.clear();
    m_placements.assign(inputs.size(), AtlasPlacement());
    if (!isPowerOfTwo(options.maxSize) || options.maxSize > 16384 || options.padding < 0 || options.padding > 64) {
        *error = "page size must be a power of two up to 16384 and padding 0 to 64";
        return false;
    }
    std::vector<Item> items;
    for (uint32_t i = 0; i < inputs.size(); ++i) {
        const CPixelImage* image = inputs[i].image.get();
        if (!image || image->colorFormat() != ColorFormat::A8R8G8B8) {
            *error = "not an A8R8G8B8 picture: " + std::string(CString(inputs[i].name).view());
            return false;
        }
        Item item{i, 0, 0, int32_t(image->width()), int32_t(image->height()), 0, 0};
        if (options.trim) {
            int32_t left = 0, top = 0, right = 0, bottom = 0;
            opaqueBounds(*image, left, top, right, bottom);
            item.sourceX = left;
            item.sourceY = top;
            item.width = right - left;
            item.height = bottom - top;
            m_placements[i].offsetB = CVector2d(float(left), float(top));
            // A fully transparent picture keeps nothing: its size is all offset.
            m_placements[i].offsetA =
                CVector2d(float(int32_t(image->width()) - right), float(int32_t(image->height()) - bottom));
        }
        if (item.width == 0 || item.height == 0)
            continue; // nothing to draw: a zero rectangle on page 0
        if (item.width + 2 * options.padding > options.maxSize || item.height + 2 * options.padding > options.maxSize) {
            *error = "picture larger than a page: " + std::string(CString(inputs[i].name).view());
            return false;
        }
        items.push_back(item);
    }
    // Tallest first, then widest: the skyline stays flat.
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        return a.height != b.height ? a.height > b.height : a.width > b.width;
    });

    const std::vector<std::pair<int32_t, int32_t>> sizes = pageSizes(options.maxSize);
    std::vector<std::vector<Item>> pages;
    std::vector<std::pair<int32_t, int32_t>> pageSize;
    while (!items.empty()) {
        uint64_t area = 0;
        for (const Item& item : items)
            area += uint64_t(item.width + 2 * options.padding) * uint64_t(item.height + 2 * options.padding);
        bool done = false;
        for (const auto& [width, height] : sizes) {
            if (uint64_t(width) * uint64_t(height) < area)
                continue;
            std::vector<Item> trial = items;
            std::vector<Item> placed;
            packPage(trial, placed, width, height, options.padding);
            if (trial.empty()) {
                pages.push_back(std::move(placed));
                pageSize.emplace_back(width, height);
                items.clear();
                done = true;
                break;
            }
        }
        if (done)
            break;
        // Not everything fits on one page: fill a page of the largest size.
        std::vector<Item> placed;
        packPage(items, placed, options.maxSize, options.maxSize, options.padding);
        pages.push_back(std::move(placed));
        pageSize.emplace_back(options.maxSize, options.maxSize);
    }
    if (pages.empty()) {
        pages.emplace_back();
        pageSize.emplace_back(1, 1);
    }

    for (uint32_t p = 0; p < pages.size(); ++p) {
        CRefHandle<CPixelImage> page(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8,
                                                         uint32_t(pageSize[p].first), uint32_t(pageSize[p].second)));
        if (!page) {
            *error = "cannot make a page";
            return false;
        }
        std::memset(page->data(), 0, std::size_t(page->dataSize()));
        for (const Item& item : pages[p]) {
            drawItem(*inputs[item.input].image, item, *page, options.padding);
            AtlasPlacement& placement = m_placements[item.input];
            placement.page = p;
            placement.left = item.x;
            placement.top = item.y;
            placement.right = item.x + item.width;
            placement.bottom = item.y + item.height;
        }
        m_pages.push_back(page);
    }
    return true;
}

CRefHandle<AtlasTextureCollection> makeAtlasCollection(const std::vector<AtlasInput>& inputs, const AtlasPacker& packer,
                                                       const std::vector<CStringW>& pageFileNames) {
    CRefHandle<AtlasTextureCollection> collection(new AtlasTextureCollection(CObjectName()));
    for (const CStringW& name : pageFileNames)
        collection->addAtlasFile(name);
    for (uint32_t i = 0; i < inputs.size() && i < packer.placements().size(); ++i) {
        const AtlasPlacement& p = packer.placements()[i];
        collection->addSubTexture({inputs[i].name, p.page, p.left, p.top, p.right, p.bottom, p.offsetB, p.offsetA});
    }
    return collection;
}

bool writePngFile(const CPixelImage& image, const std::string& path) {
    CRefHandle<CDiskWriteFile> file(CDiskWriteFile::create(fromNativePath(path), false));
    if (!file) {
        CLog::instance()->log("Can't write file: " + CString(path.c_str()), CLog::Error);
        return false;
    }
    return imageRegistry()->writeImage(&image, file.get(), nullptr) && file->close(true);
}

CRefHandle<CPixelImage> readImageFile(const std::string& path) {
    CRefHandle<CDiskReadFile> file(CDiskReadFile::create(fromNativePath(path)));
    if (!file) {
        CLog::instance()->log("Can't read file: " + CString(path.c_str()), CLog::Error);
        return nullptr;
    }
    CRefHandle<CPixelImage> image(imageRegistry()->loadImage(file.get(), CObjectName()));
    if (!image || image->colorFormat() == ColorFormat::A8R8G8B8)
        return image;
    CRefHandle<CPixelImage> converted(
        CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, image->width(), image->height()));
    if (!converted)
        return nullptr;
    image->exportPixels(converted->data(), image->width(), image->height(), ColorFormat::A8R8G8B8);
    return converted;
}

bool writeCollectionFile(AtlasTextureCollection& collection, const std::string& path) {
    CRefHandle<CDiskWriteFile> file(CDiskWriteFile::create(fromNativePath(path), false));
    if (!file) {
        CLog::instance()->log("Can't write file: " + CString(path.c_str()), CLog::Error);
        return false;
    }
    bool written = false;
    {
        CRefHandle<CXmlStreamWriter> writer(new CXmlStreamWriter(file.get()));
        writer->startDocument();
        written = collection.write(writer.get(), nullptr);
    }
    return file->close(true) && written;
}
