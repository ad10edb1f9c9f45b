// Reads arbitrary bytes as a scene file of the standard nodes, with a font
// ("f.mfnt") and a picture ("a.png") waiting in the content cache, so that
// texts lay out and sprites place their quads whatever values the file
// gives (NaN scales, huge kerning, odd alignments and stretch modes). Every
// node is then drawn into the Null driver, hit, clicked and edited; the tree
// must write, read and write again unchanged.

#include "bench/support/BenchTexture.h"
#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CVirtualFile.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/ProgressBarNode.h"
#include "engine/nodes/SliderNode.h"
#include "engine/nodes/SoundNode.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/CSceneFileWriter.h"
#include "engine/scene/CSceneNodeProcessor.h"
#include "engine/scene/Font.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/CQuadBatch.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Glyphs for the ASCII letters, digits, blanks and a few marks; page 1 is
// missing, and the glyphs of "#" and "@" name it.
class FuzzFont : public Font {
public:
    FuzzFont(const CObjectName& name, CAtlasTexture* page) : Font(name) {
        addTexture(page);
        addTexture(nullptr);
        for (char16_t c = 32; c < 127; ++c) {
            FontGlyph glyph;
            glyph.textureIndex = (c == u'#' || c == u'@') ? 1 : 0;
            glyph.left = float(c % 16) * 8.0f;
            glyph.right = glyph.left + float(2 + c % 6);
            glyph.bottom = 12.0f;
            glyph.width = glyph.right - glyph.left;
            glyph.height = 12.0f;
            glyph.b = CVector2d(float(c % 3) - 1.0f, 1.0f);
            glyph.a = CVector2d(1.0f, 2.0f);
            addGlyph(c, glyph);
        }
        setKerning(u'A', u'V', -2);
        setKerning(u'a', u' ', 7);
        finishLoading();
    }
    void load(CXmlStreamReader*, int) override {}
    bool write(CXmlStreamWriter*, int) override { return false; }
};

// Serves the input under three names; nothing else exists.
class InputFileSystem : public CVirtualFileSystem {
public:
    void setInput(const uint8_t* data, size_t size) {
        m_data = data;
        m_size = size;
    }
    IReadableFile* openForRead(const CStringW& path) override {
        if (!(path == u"root.mscn") && !(path == u"a.mscn") && !(path == u"b.mscn"))
            return nullptr;
        return new CBufferFile(const_cast<uint8_t*>(m_data), int32_t(m_size), path, false);
    }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

struct Setup {
    Setup() {
        CLog::instance()->setThreshold(CLog::User + 1);
        CNodeFactory* factory = CNodeFactory::getShared();
        registerStandardNodes(*factory);
        if (!CSceneNodeProcessor::registerWith(processors.get(), factory))
            std::abort();
        CRefHandle<BenchTexture> texture(new BenchTexture(CSizeI(128, 64)));
        page.reset(new CImageTexture(CObjectName(), CStringW(u"page.png"), texture.get()));
        picture.reset(new CAtlasTexture(CObjectName(manager.get(), CStringW(u"a.png")), page.get(),
                                        CRect(0.25f, 0.0f, 0.75f, 0.5f), CVector2d(1.0f, 2.0f), CVector2d(3.0f, 4.0f)));
        font.reset(new FuzzFont(CObjectName(manager.get(), CStringW(u"f.mfnt")), picture.get()));
        CEngineCreationParams params;
        driver.reset(createNullDriver(params, nullptr, nullptr));
    }

    void cacheContent() {
        (void)manager->addToCache(picture.get());
        (void)manager->addToCache(font.get());
    }

    CRefHandle<InputFileSystem> fileSystem{new InputFileSystem};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> manager{new CContentManager(nullptr, fileSystem.get(), processors.get())};
    CRefHandle<CImageTexture> page;
    CRefHandle<CAtlasTexture> picture;
    CRefHandle<FuzzFont> font;
    CRefHandle<IGraphicsDriver> driver;
};

std::vector<uint8_t> written(const BaseNode* root) {
    CRefHandle<CVirtualFile> file(new CVirtualFile(CStringW(u"out.mscn"), 4096));
    {
        CRefHandle<CXmlStreamWriter> writer(new CXmlStreamWriter(file.get()));
        writer->startDocument();
        if (!CSceneFileWriter(writer.get()).writeNode(root))
            std::abort();
    }
    std::vector<uint8_t> bytes(size_t(file->size()));
    if (!file->seek(0, false) || file->read(bytes.data(), int32_t(bytes.size())) != int32_t(bytes.size()))
        std::abort();
    return bytes;
}

CRefHandle<BaseNode> readBack(const std::vector<uint8_t>& bytes, IContentManager* manager) {
    CRefHandle<CXmlStreamReader> xml(new CXmlStreamReader(bytes.data(), bytes.size()));
    uint32_t depth = 0;
    const CStringW name(u"again.mscn");
    CSceneFileReader reader(xml.get(), CNodeFactory::getShared(), depth, name);
    CRefHandle<BaseNode> root = reader.readDocument(CObjectName(manager, name), name);
    if (!root)
        std::abort();
    return root;
}

// Moves the values of the controls through their setters, with the bounds
// and page the file gave.
void pokeControl(BaseNode* node) {
    if (SliderNode* slider = nodeCast<SliderNode>(node)) {
        slider->setPageSize(slider->getDeltaValue());
        slider->setValue(slider->getValue() + slider->getDeltaValue());
        slider->setMinValue(slider->getMinValue() - 1.0f);
        slider->setValueFromPoint(5, 7);
    } else if (ProgressBarNode* bar = nodeCast<ProgressBarNode>(node)) {
        bar->setValue(bar->getValue());
        bar->setMaxValue(bar->getMaxValue() + 1.0f);
    } else if (ListNode* list = nodeCast<ListNode>(node)) {
        list->setItemsCount(list->getItemsCount() + 3);
        list->setItemText(list->getItemsCount() - 1, 2, CStringW(u"x"));
        list->scrollTo(list->getTopItem() + list->itemsPerLine());
        list->setSelectedItem(list->getSelectedItem() - 7, true);
        (void)list->itemToSlot(list->getItemsCount() - 1);
        list->setOrientation(list->getOrientation() + 1);
    } else if (SoundNode* sound = nodeCast<SoundNode>(node)) {
        sound->setPlay(!sound->getPlay());
        sound->setFadeOutTime(sound->getFadeOutTime() - 1);
    } else if (CheckBoxNode* box = nodeCast<CheckBoxNode>(node)) {
        box->setChecked(!box->isChecked());
        (void)box->click();
    } else if (ButtonNode* button = nodeCast<ButtonNode>(node)) {
        button->setText(button->getText());
        button->setImage(button->getImage());
    }
}

// Hits, clicks and edits every node of the subtree.
void poke(BaseNode* node) {
    pokeControl(node);
    const CVector3d points[] = {{0, 0, 0}, {5, 7, 0}, {50, 30, 0}, {-3, 400, 0}, {1e30f, -1e30f, 0}};
    for (const CVector3d& point : points) {
        (void)node->hitTest(point);
        if (TextNode* text = nodeCast<TextNode>(node)) {
            int32_t line = 0;
            int32_t column = 0;
            const int32_t index = text->charAtPoint(CVector2d(point.x, point.y), line, column);
            (void)text->getGlyphRect(index);
            (void)text->getCharRect(line, column);
            text->insertCharAt(u'x', line, column + 1);
            text->deleteCharAt(line, column + 1);
        }
    }
    for (BaseNode* child : node->getChildren())
        poke(child);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16))
        return 0;
    static Setup setup;
    setup.fileSystem->setInput(data, size);
    setup.cacheContent();
    CRefHandle<BaseNode> root(setup.manager->loadNode(CStringW(u"root.mscn"), false));
    if (!root) {
        setup.manager->clear();
        return 0;
    }
    CArray<CRenderItem> list;
    root->registerForRendering(list);
    CQuadBatch* batch = setup.driver->quadBatch();
    batch->begin();
    const CRect clip(-5.0f, -5.0f, 60.0f, 40.0f);
    for (const CRenderItem& item : list)
        item.node->render(setup.driver.get(), item.clip ? item.clip : &clip);
    batch->end();
    poke(root.get());

    const std::vector<uint8_t> second = written(readBack(written(root.get()), setup.manager.get()).get());
    const std::vector<uint8_t> third = written(readBack(second, setup.manager.get()).get());
    setup.manager->clear();
    if (second != third)
        std::abort();
    return 0;
}
