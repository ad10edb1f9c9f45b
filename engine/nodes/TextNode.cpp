#include "engine/nodes/TextNode.h"

#include "engine/content/CDictionary.h"
#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CRect.h"
#include "engine/nodes/NodeContent.h"
#include "engine/nodes/SpriteGeometry.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataFont.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataStringW.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/IGraphicsDriver.h"

#include <cmath>

namespace {

constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';

// The dictionary's word-breaking rules; none without a dictionary.
TextBreakRules breakRules() {
    TextBreakRules rules;
    const CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    if (!dictionary)
        return rules;
    rules.charWrap = dictionary->get("IsCharWrapOn") == u"true";
    rules.punctuation = dictionary->get("PunctuationMarks");
    // The dictionary answers a missing key with the key between percent signs.
    if (rules.punctuation == u"%PunctuationMarks%")
        rules.punctuation = u"-.,;:!?";
    return rules;
}

} // namespace

// ---------------------------------------------------------------------------
// Font metrics

float TextNode::FontMetrics::lineHeight() const { return font->getLineHeight(); }
CVector2d TextNode::FontMetrics::globalKerning() const { return font->getGlobalKerning(); }
const FontGlyph& TextNode::FontMetrics::glyph(char16_t c) const { return font->getGlyph(c); }
CVector2d TextNode::FontMetrics::charSize(char16_t c) const { return font->charSize(c, false); }
CVector2d TextNode::FontMetrics::textExtent(const CStringW& text, const CVector2d& kerning) const {
    return font->textExtent(text, kerning);
}
int32_t TextNode::FontMetrics::pairKerning(char16_t first, char16_t second) const {
    return font->getKerning(first, second);
}
CImageTexture* TextNode::FontMetrics::page(int32_t index) const {
    const CAtlasTexture* texture = font->getTexture(index);
    return texture && texture->getDriverTexture() ? texture->getImageTexture() : nullptr;
}

// ---------------------------------------------------------------------------
// Construction

TextNode::TextNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager), m_material(makeSpriteMaterial(3)) {}

TextNode::~TextNode() {
    // The layout's quads point into materials it owns; the font goes last.
    m_layout.setMetrics(nullptr);
}

const CStringW& TextNode::getTypeName() const {
    static const CStringW name(u"TextNode");
    return name;
}

const CStringW& TextNode::getClassName() const { return TextNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Settings

void TextNode::expand() {
    const CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    m_displayText = dictionary ? dictionary->translate(m_text) : m_text;
}

void TextNode::rebuild() {
    m_layout.rebuildLines(m_displayText, breakRules(), boxSize());
    layOut();
}

void TextNode::layOut() { m_layout.layOut(m_material, getAbsoluteColor(), boxSize()); }

void TextNode::setText(const CStringW& text) {
    if (text == m_text)
        return;
    m_text = text;
    expand();
    rebuild();
}

void TextNode::setFont(Font* font) {
    if (font == m_font.get())
        return;
    m_metrics.font = font;
    m_layout.setMetrics(font ? &m_metrics : nullptr);
    m_font = CRefHandle<Font>::share(font);
    rebuild();
}

void TextNode::setFontScale(float scale) {
    m_layout.fontScale = scale;
    rebuild();
}

void TextNode::setKerning(const CVector2d& kerning) {
    m_layout.kerning = kerning;
    rebuild();
}

void TextNode::setWordWrap(bool wrap) {
    m_layout.wordWrap = wrap;
    rebuild();
}

void TextNode::setTextHAlign(int32_t align) {
    m_layout.hAlign = align;
    layOut();
}

void TextNode::setTextVAlign(int32_t align) {
    m_layout.vAlign = align;
    layOut();
}

void TextNode::insertCharAt(char16_t c, int32_t line, int32_t column) {
    const int32_t position = m_layout.sourcePosition(m_text, line, column);
    const int32_t length = int32_t(m_text.length());
    if (position < 0 || position > length)
        return;
    CStringW text = m_text.subString(0, position);
    text += c;
    text += m_text.subString(position, length - position);
    m_text = text;
    expand();
    rebuild();
}

void TextNode::deleteCharAt(int32_t line, int32_t column) {
    const int32_t position = m_layout.sourcePosition(m_text, line, column);
    const int32_t length = int32_t(m_text.length());
    if (position < 0 || position >= length)
        return;
    const bool pair =
        m_text[uint32_t(position)] == kCR && position + 1 < length && m_text[uint32_t(position + 1)] == kLF;
    m_text.erase(position, pair ? 2 : 1);
    expand();
    rebuild();
}

// ---------------------------------------------------------------------------
// Drawing

void TextNode::updateAbsoluteColor() {
    BaseNode::updateAbsoluteColor();
    m_layout.setColor(getAbsoluteColor());
}

void TextNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    if (isTransformDirty() || isColorDirty())
        refreshDirtyTransformAndColor();
    // Clipped children draw as one group right after the text.
    const bool group = areChildrenClipped() && !getChildren().empty();
    if (isDrawn() || group)
        list.push_back(CRenderItem{this, 0, getDepth()});
    if (!group)
        registerChildren(getChildren(), list);
}

bool TextNode::isDrawn() const { return m_font && !m_text.empty() && getAbsoluteColor().alpha() != 0; }

void TextNode::render(IGraphicsDriver* driver, const CRect* clip) {
    if (!driver)
        return;
    if (isDrawn())
        drawGlyphs(driver, clip);
    if (areChildrenClipped())
        BaseNode::render(driver, clip);
}

void TextNode::drawGlyphs(IGraphicsDriver* driver, const CRect* clip) {
    CQuadBatch* batch = driver->quadBatch();
    if (batch)
        batch->flush();
    // Whole units, so that glyph edges fall on pixels.
    const CMat4& absolute = getAbsoluteTransformation();
    CMat4 world = absolute;
    world[12] = std::floor(absolute[12] + 0.5f);
    world[13] = std::floor(absolute[13] + 0.5f);
    world[14] = 0.0f;
    driver->setMatrix(MatrixKind::World, world);
    if (clip) {
        // The clip rectangle in the node's space; a node that cannot be
        // inverted collapses it to the origin.
        CVector2d topLeft;
        CVector2d bottomRight;
        if (!toNodeSpace(absolute, CVector2d(clip->left, clip->top), topLeft) ||
            !toNodeSpace(absolute, CVector2d(clip->right, clip->bottom), bottomRight)) {
            topLeft = CVector2d();
            bottomRight = CVector2d();
        }
        const float planes[4][4] = {
            {0.0f, 1.0f, 0.0f, -topLeft.y},
            {0.0f, -1.0f, 0.0f, bottomRight.y},
            {1.0f, 0.0f, 0.0f, -topLeft.x},
            {-1.0f, 0.0f, 0.0f, bottomRight.x},
        };
        for (uint32_t i = 0; i < 4; ++i)
            (void)driver->defineClipPlane(i, planes[i], true);
    }
    if (batch) {
        for (const CBatchQuad* quad : m_layout.drawOrder())
            batch->addQuadVertices(quad);
        batch->flush();
    }
    driver->setMatrix(MatrixKind::World, CMat4::identity());
    if (clip)
        for (uint32_t i = 0; i < 4; ++i)
            driver->toggleClipPlane(i, false);
}

bool TextNode::hitTest(const CVector3d& point) const { return isVisible() && isPointInside(point); }

bool TextNode::onDictionaryChanged(CEventDictionaryChanged*) {
    IContentManager* manager = getContentName().owner();
    if (!manager || !m_font)
        return false;
    expand();
    // A language may bring its own font file under the same name.
    const CStringW fontName = m_font->getContentName().str();
    manager->remove(m_font.get());
    CRefHandle<IContent> reloaded(manager->load(ContentTypeFont, fontName, true));
    Font* font = dynamic_cast<Font*>(reloaded.get());
    if (font == m_font.get())
        rebuild();
    else
        setFont(font);
    return false;
}

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& TextNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& TextNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&TextNode::setKerningProperty, &TextNode::getKerningProperty>("Kerning");
        t.add<&TextNode::setFontScaleProperty, &TextNode::getFontScaleProperty>("FontScale");
        t.add<&TextNode::setTextHAlignProperty, &TextNode::getTextHAlignProperty>("TextHAlign");
        t.add<&TextNode::setTextVAlignProperty, &TextNode::getTextVAlignProperty>("TextVAlign");
        t.add<&TextNode::setWordWrapProperty, &TextNode::getWordWrapProperty>("WordWrap");
        t.add<&TextNode::setTextProperty, &TextNode::getTextProperty>("Text");
        t.add<&TextNode::setFontProperty, &TextNode::getFontProperty>("Font");
        return t;
    }();
    return table;
}

void TextNode::setKerningProperty(const CRefHandle<IPropertyData>& value) { setKerning(getPropertyVector2d(value)); }
CRefHandle<IPropertyData> TextNode::getKerningProperty() const {
    return CPropertyDataVector2d::create(m_layout.kerning);
}
void TextNode::setFontScaleProperty(const CRefHandle<IPropertyData>& value) { setFontScale(getPropertyFloat(value)); }
CRefHandle<IPropertyData> TextNode::getFontScaleProperty() const {
    return CPropertyDataFloat::create(m_layout.fontScale);
}
void TextNode::setTextHAlignProperty(const CRefHandle<IPropertyData>& value) { setTextHAlign(getPropertyInt(value)); }
CRefHandle<IPropertyData> TextNode::getTextHAlignProperty() const { return CPropertyDataInt::create(m_layout.hAlign); }
void TextNode::setTextVAlignProperty(const CRefHandle<IPropertyData>& value) { setTextVAlign(getPropertyInt(value)); }
CRefHandle<IPropertyData> TextNode::getTextVAlignProperty() const { return CPropertyDataInt::create(m_layout.vAlign); }
void TextNode::setWordWrapProperty(const CRefHandle<IPropertyData>& value) { setWordWrap(getPropertyBool(value)); }
CRefHandle<IPropertyData> TextNode::getWordWrapProperty() const { return CPropertyDataBool::create(m_layout.wordWrap); }
void TextNode::setTextProperty(const CRefHandle<IPropertyData>& value) { setText(getPropertyStringW(value)); }
CRefHandle<IPropertyData> TextNode::getTextProperty() const { return CPropertyDataStringW::create(m_text); }
void TextNode::setFontProperty(const CRefHandle<IPropertyData>& value) { setFont(fontOf(value)); }
CRefHandle<IPropertyData> TextNode::getFontProperty() const { return CPropertyDataFont::create(m_font.get()); }

void TextNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (m_layout.kerning.x != 0.0f || m_layout.kerning.y != 0.0f)
        bag.setVector2d("Kerning", m_layout.kerning);
    if (m_layout.fontScale != 1.0f)
        bag.setFloat("FontScale", m_layout.fontScale);
    if (m_layout.hAlign != TextLayout::AlignLeft)
        bag.setInt("TextHAlign", m_layout.hAlign);
    if (m_layout.vAlign != TextLayout::AlignTop)
        bag.setInt("TextVAlign", m_layout.vAlign);
    if (m_layout.wordWrap)
        bag.setBool("WordWrap", true);
    if (m_font)
        bag.set("Font", CPropertyDataFont::create(m_font.get()));
    if (!m_text.empty())
        bag.setStringW("Text", m_text);
}

void TextNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    auto present = [&bag](const char* key) { return bag.indexOf(key) >= 0; };
    // Settings first without laying out; the font and the text lay out.
    if (present("Kerning"))
        m_layout.kerning = getPropertyVector2d(bag.get("Kerning"));
    if (present("FontScale"))
        m_layout.fontScale = getPropertyFloat(bag.get("FontScale"));
    if (present("TextHAlign"))
        m_layout.hAlign = getPropertyInt(bag.get("TextHAlign"));
    if (present("TextVAlign"))
        m_layout.vAlign = getPropertyInt(bag.get("TextVAlign"));
    if (present("WordWrap"))
        m_layout.wordWrap = getPropertyBool(bag.get("WordWrap"));
    if (present("Font"))
        setFont(fontOf(bag.get("Font")));
    if (present("Text"))
        setText(getPropertyStringW(bag.get("Text")));
    rebuild();
}

// ---------------------------------------------------------------------------
// Cloning and copying

BaseNode* TextNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<TextNode>(parent, sceneManager);
}

void TextNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const TextNode* text = nodeCast<TextNode>(source);
    if (!text || text == this)
        return;
    m_layout.kerning = text->m_layout.kerning;
    m_layout.fontScale = text->m_layout.fontScale;
    m_layout.hAlign = text->m_layout.hAlign;
    m_layout.vAlign = text->m_layout.vAlign;
    m_layout.wordWrap = text->m_layout.wordWrap;
    m_material = text->m_material;
    m_layout.clearPageMaterials();
    m_text = text->m_text;
    m_displayText = text->m_displayText;
    Font* font = text->m_font.get();
    m_metrics.font = font;
    m_layout.setMetrics(font ? &m_metrics : nullptr);
    m_font = CRefHandle<Font>::share(font);
    rebuild();
}
