#include "game/nodes/GBuildingInfoNode.h"

#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/video/CAtlasTexture.h"
#include "game/nodes/GNodeHelpers.h"

namespace {

const CName& lineName(uint32_t line) {
    static const CName names[GBuildingInfoNode::LineCount] = {
        CName("Preview"), CName("BuildingName"), CName("Income"),      CName("Guests"),
        CName("Gold"),    CName("ServedGuests"), CName("Description"), CName("DescriptionSign"),
    };
    return names[line];
}

bool isPictureLine(uint32_t line) {
    return line == GBuildingInfoNode::Preview || line == GBuildingInfoNode::DescriptionSign;
}

BaseNode* findIn(const BaseNode* panel, const BaseNode* templateRoot, const char* name) {
    const CName id(name);
    BaseNode* found = panel->findChild(id, 1);
    if (!found && templateRoot)
        found = templateRoot->findChild(id, 1);
    return found;
}

void place(BaseNode* node, float x, float y) {
    node->setPosition(CVector3d(x, y, 0.0f));
    node->markTransformDirty();
}

} // namespace

GBuildingInfoNode::GBuildingInfoNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : ControlNode(contentName, parent, sceneManager) {}

BaseNode* GBuildingInfoNode::create(const CObjectName& name) { return new GBuildingInfoNode(name, nullptr, nullptr); }

const CStringW& GBuildingInfoNode::getTypeName() const {
    static const CStringW name(u"GBuildingInfoNode");
    return name;
}

const CStringW& GBuildingInfoNode::getClassName() const { return GBuildingInfoNode::getTypeName(); }

BaseNode* GBuildingInfoNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GBuildingInfoNode>(parent, sceneManager);
}

void GBuildingInfoNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    const uint32_t before = getChildren().size();
    ControlNode::copyFrom(source, sceneManager);
    const GBuildingInfoNode* other = nodeCast<GBuildingInfoNode>(source);
    if (!other || other == this)
        return;
    dropCopiesOfUnsavedChildren(source, this, before);
    m_spacerWidth = other->m_spacerWidth;
    m_spacerHeight = other->m_spacerHeight;
    m_gridStep = other->m_gridStep;
    for (uint32_t i = 0; i < LineCount; ++i) {
        m_texts[i] = other->m_texts[i];
        m_shown[i] = other->m_shown[i];
    }
}

void GBuildingInfoNode::setLine(Line line, const CStringW& text) {
    m_texts[line] = text;
    m_dirty = true;
}

void GBuildingInfoNode::showLine(Line line, bool show) {
    m_shown[line] = show;
    m_dirty = true;
}

void GBuildingInfoNode::clearTexts() {
    for (CStringW& text : m_texts)
        text = CStringW();
    m_dirty = true;
}

void GBuildingInfoNode::showAllLines(bool show) {
    for (bool& shown : m_shown)
        shown = show;
    m_dirty = true;
}

void GBuildingInfoNode::highlightIncome(bool on) {
    m_highlightIncome = on;
    m_dirty = true;
}

void GBuildingInfoNode::highlightGuests(bool on) {
    m_highlightGuests = on;
    m_dirty = true;
}

// ---------------------------------------------------------------------------
// Binding

void GBuildingInfoNode::bind(BaseNode* templateRoot) {
    for (uint32_t i = 0; i < LineCount; ++i) {
        BaseNode* child = findChild(lineName(i), 1);
        if (!child && templateRoot)
            child = templateRoot->findChild(lineName(i), 1);
        const bool fits =
            child && (isPictureLine(i) ? child->isKindOf(SpriteNode::TypeId) : child->isKindOf(TextNode::TypeId));
        m_lines[i] = fits ? child : nullptr;
    }
    if (const BaseNode* spacer = findIn(this, templateRoot, "Spacer")) {
        m_spacerWidth = spacer->getBounds().x;
        m_spacerHeight = spacer->getBounds().y;
        m_gridStep = int32_t(m_spacerWidth / 5.0f);
    }
    replaceHighlights(findIn(this, templateRoot, "HighlightArrow"), findIn(this, templateRoot, "HighlightUnderline"));
}

void GBuildingInfoNode::replaceHighlights(BaseNode* arrowTemplate, BaseNode* underlineTemplate) {
    for (BaseNode*& highlight : m_highlights) {
        BaseNode* old = highlight;
        highlight = nullptr;
        if (old && old->getParent())
            (void)old->getParent()->removeChild(old);
    }
    BaseNode* const templates[2] = {arrowTemplate, underlineTemplate};
    for (uint32_t kind = 0; kind < 2; ++kind) {
        BaseNode* source = templates[kind];
        if (!source)
            continue;
        source->setVisible(false);
        for (uint32_t pair = 0; pair < 2; ++pair) {
            BaseNode* copy = source->clone(this, source->getSceneManager<BaseNode>());
            if (!copy)
                continue;
            copy->setVisible(false);
            copy->setNotSerialised(true);
            m_highlights[pair * 2 + kind] = copy;
        }
    }
}

void GBuildingInfoNode::onLoaded() {
    ControlNode::onLoaded();
    bind(nullptr);
}

void GBuildingInfoNode::applyTemplate() {
    if (!getSceneManager<BaseNode>())
        return;
    ControlNode::applyTemplate();
    bind(getTemplateRoot());
    m_dirty = true;
}

void GBuildingInfoNode::onDescendantRemoved(BaseNode* node) {
    ControlNode::onDescendantRemoved(node);
    for (BaseNode*& line : m_lines)
        if (line && (line == node || node->isAncestorOf(line)))
            line = nullptr;
    for (BaseNode*& highlight : m_highlights)
        if (highlight && (highlight == node || node->isAncestorOf(highlight)))
            highlight = nullptr;
}

// ---------------------------------------------------------------------------
// Layout

void GBuildingInfoNode::registerForRendering(CArray<CRenderItem>& list) {
    // Laid out first, so that the frame shows the new layout.
    if (m_dirty && isVisible())
        updateLayout();
    ControlNode::registerForRendering(list);
}

void GBuildingInfoNode::updateLayout() {
    if (!m_dirty)
        return;
    m_dirty = false;
    const float panelWidth = getBounds().x;
    const float panelHeight = getBounds().y;
    TextNode* texts[LineCount] = {};
    for (uint32_t i = 0; i < LineCount; ++i)
        texts[i] = isPictureLine(i) ? nullptr : nodeCast<TextNode>(m_lines[i]);

    // Texts and visibility.
    if (m_lines[Preview])
        m_lines[Preview]->setVisible(isLineShown(Preview));
    for (uint32_t i = BuildingName; i <= Description; ++i) {
        TextNode* text = texts[i];
        if (!text)
            continue;
        text->setText(m_texts[i]);
        text->setTextHAlign(i == BuildingName ? 2 : 1);
        text->setTextVAlign(1);
        text->setWordWrap(i == Description);
        text->setVisible(isLineShown(Line(i)));
    }
    if (BaseNode* sign = m_lines[DescriptionSign])
        sign->setVisible(isLineShown(DescriptionSign) && !(texts[Description] && !texts[Description]->isVisible()));

    IContentManager* content = nodeContentManager(this);
    float p = 0.0f;
    float x = 0.0f;
    float y = 0.0f;
    float row = 0.0f;

    if (auto* preview = nodeCast<SpriteNode>(m_lines[Preview]); preview && preview->isVisible() && content) {
        place(preview, 0.0f, 0.0f);
        if (CRefHandle<CAtlasTexture> picture = loadAtlasTexture(content, m_texts[Preview])) {
            p = picture->getPixelSize().x;
            preview->setAtlasTexture(picture.get());
        } else {
            preview->setVisible(false);
        }
    }

    if (TextNode* name = texts[BuildingName]; name && name->isVisible()) {
        place(name, p, 0.0f);
        name->setBounds(CVector3d(panelWidth - p, name->getTextHeight(), 0.0f));
        name->setFontScale(name->getFontScale());
        y = row = name->getTextHeight() + m_spacerHeight;
    }

    for (uint32_t i = Income; i <= ServedGuests; ++i) {
        TextNode* figure = texts[i];
        if (!figure || !figure->isVisible())
            continue;
        const float w = figure->getTextWidth();
        const float h = figure->getTextHeight();
        if (x + w < panelWidth) {
            place(figure, p + x, row);
            y = row + h + m_spacerHeight;
            x = x + w + m_spacerWidth;
        } else {
            place(figure, p, y);
            row = y;
            y = y + h + m_spacerHeight;
            x = w + m_spacerWidth;
        }
        // A grid finer than a unit does not snap.
        if (m_gridStep >= 1 && x > -2.0e9f && x < 2.0e9f)
            x -= float(int32_t(x) % m_gridStep);
    }

    const float remaining = panelHeight - y;
    if (auto* sign = nodeCast<SpriteNode>(m_lines[DescriptionSign]); sign && sign->isVisible() && content) {
        if (CRefHandle<CAtlasTexture> picture = loadAtlasTexture(content, m_texts[DescriptionSign])) {
            const CVector2d size = picture->getPixelSize();
            place(sign, p, y + remaining / 2.0f - size.y / 2.0f);
            p += size.x;
            sign->setAtlasTexture(picture.get());
        }
    }

    if (TextNode* description = texts[Description]; description && description->isVisible()) {
        place(description, p, y);
        description->setBounds(CVector3d(panelWidth - p, remaining, 0.0f));
        if (remaining > description->getTextHeight())
            description->setTextVAlign(2);
        description->setFontScale(description->getFontScale());
    }

    placeHighlight(m_highlights[0], m_highlights[1], texts[Income], m_highlightIncome);
    placeHighlight(m_highlights[2], m_highlights[3], texts[Guests], m_highlightGuests);
}

void GBuildingInfoNode::placeHighlight(BaseNode* arrow, BaseNode* underline, TextNode* line, bool on) {
    const bool visible = on && line && line->isVisible();
    if (arrow) {
        arrow->setVisible(visible);
        if (visible) {
            const CVector3d& at = line->getPosition();
            arrow->setPosition(CVector3d(at.x + line->getTextWidth(), at.y, at.z));
            arrow->markTransformDirty();
        }
    }
    if (underline) {
        underline->setVisible(visible);
        if (visible) {
            // Right below the figure, keeping its own height.
            const CVector3d& at = line->getPosition();
            underline->setPosition(CVector3d(at.x, at.y + line->getTextHeight(), at.z));
            const CVector3d& bounds = underline->getBounds();
            const float extra = arrow ? arrow->getBounds().x / 2.0f : 0.0f;
            underline->setBounds(CVector3d(line->getTextWidth() + extra, bounds.y, bounds.z));
            underline->markTransformDirty();
        }
    }
}
