#pragma once

#include "engine/core/CStringW.h"
#include "engine/scene/ControlNode.h"

#include <cstdint>

class SpriteNode;
class TextNode;

// The panel that describes a building or an action: a preview picture, the
// name, up to four short figures (income, guests, gold, served guests)
// flowed into rows on a coarse grid, a description with an optional sign
// beside it, and an arrow and underline that can point at the income or the
// guests figure. It only shows what it is given; every setter marks it
// dirty and the next drawing lays it out once.
class GBuildingInfoNode : public ControlNode {
public:
    static constexpr int32_t TypeId = 2031;

    enum Line : uint32_t {
        Preview = 0,
        BuildingName,
        Income,
        Guests,
        Gold,
        ServedGuests,
        Description,
        DescriptionSign,
        LineCount
    };

    GBuildingInfoNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ControlNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // Copies the spacer, texts and show flags (not the highlights).
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    // Draws the panel, then lays it out when dirty.
    void registerForRendering(CArray<CRenderItem>& list) override;
    // Binds the line children, the spacer and the highlight clones among the
    // panel's own children.
    void onLoaded() override;
    // The template step, then the binding again (own children first, then
    // the template's) with new highlight clones.
    void applyTemplate() override;

    // Pictures are atlas-texture names.
    void setPreview(const CStringW& name) { setLine(Preview, name); }
    void setBuildingName(const CStringW& text) { setLine(BuildingName, text); }
    void setIncome(const CStringW& text) { setLine(Income, text); }
    void setGuests(const CStringW& text) { setLine(Guests, text); }
    void setGold(const CStringW& text) { setLine(Gold, text); }
    void setServedGuests(const CStringW& text) { setLine(ServedGuests, text); }
    void setDescription(const CStringW& text) { setLine(Description, text); }
    void setDescriptionSign(const CStringW& name) { setLine(DescriptionSign, name); }
    void clearTexts();
    void showPreview(bool show) { showLine(Preview, show); }
    void showBuildingName(bool show) { showLine(BuildingName, show); }
    void showDescription(bool show) { showLine(Description, show); }
    void showDescriptionSign(bool show) { showLine(DescriptionSign, show); }
    void showAllLines(bool show);
    void highlightIncome(bool on);
    void highlightGuests(bool on);
    // Lays the panel out when it is dirty.
    void updateLayout();

    [[nodiscard]] bool isDirty() const { return m_dirty; }
    [[nodiscard]] const CStringW& getLineText(Line line) const { return m_texts[line]; }
    // A line is shown when its flag is on and its text is not empty.
    [[nodiscard]] bool isLineShown(Line line) const { return m_shown[line] && !m_texts[line].empty(); }
    [[nodiscard]] BaseNode* getLineNode(Line line) const { return m_lines[line]; }
    [[nodiscard]] int32_t getGridStep() const { return m_gridStep; }
    [[nodiscard]] BaseNode* getIncomeArrow() const { return m_highlights[0]; }
    [[nodiscard]] BaseNode* getIncomeUnderline() const { return m_highlights[1]; }
    [[nodiscard]] BaseNode* getGuestsArrow() const { return m_highlights[2]; }
    [[nodiscard]] BaseNode* getGuestsUnderline() const { return m_highlights[3]; }

protected:
    ~GBuildingInfoNode() override = default;

    void onDescendantRemoved(BaseNode* node) override;

private:
    void setLine(Line line, const CStringW& text);
    void showLine(Line line, bool show);
    // Binds the children; with `templateRoot`, missing ones are looked for
    // there too.
    void bind(BaseNode* templateRoot);
    void replaceHighlights(BaseNode* arrowTemplate, BaseNode* underlineTemplate);
    void placeHighlight(BaseNode* arrow, BaseNode* underline, TextNode* line, bool on);

    bool m_dirty = false;
    float m_spacerWidth = 0.0f;
    float m_spacerHeight = 0.0f;
    int32_t m_gridStep = 5;
    CStringW m_texts[LineCount];
    bool m_shown[LineCount] = {true, true, true, true, true, true, true, true};
    bool m_highlightIncome = false;
    bool m_highlightGuests = false;
    // Children of the panel or of its template root; not owned.
    BaseNode* m_lines[LineCount] = {};
    // Income arrow, income underline, guests arrow, guests underline: the
    // panel's own unsaved children.
    BaseNode* m_highlights[4] = {};
};
