#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CStringW.h"
#include "engine/nodes/BaseListNode.h"

#include <cstdint>
#include <utility>

// The list widget: a window of its items shown through a fixed grid of
// elements (a column, a row, or a grid filled by columns or by rows), which
// the step buttons, the scroll-bar slider and the arrow keys move. Keeps a
// selected item, may wrap around its ends (Circular), and posts the list
// events 67 to 72 to its parent.
class ListNode : public BaseListNode {
public:
    static constexpr int32_t TypeId = 14;
    // Limits for what a file can ask for: elements of the grid, and items.
    static constexpr int32_t MaxElements = 1024;
    static constexpr int32_t MaxItemsFromFile = 65536;

    ListNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseListNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    // Reads the count before the selection and the top item; before the list
    // has a grid a non-circular list therefore starts at the top.
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // The parts, the element's "Text" and "Image" positions, the elements.
    void applyTemplate() override;
    void focusDefault() override;
    // Arrow keys move the selection by the orientation's steps; a key the
    // list cannot take goes to the focus navigation.
    bool onKeyDown(CEventKeyDown* event) override;
    // Computes the grid from the list and element bounds and clones the
    // elements from the "Element" model.
    void rebuildElements() override;
    bool onChildClickStarted(CEventClickStarted* event) override;
    bool onChildClicked(CEventClicked* event) override;
    bool onChildHovered(CEventHovered* event) override;
    bool onChildUnhovered(CEventUnhovered* event) override;
    bool onChildValueChanged(CEventValueChanged* event) override;
    // The step buttons are enabled while they can move (left alone in a
    // circular list).
    virtual void updateButtonsEnabled();

    // Appends default items or drops them from the end; a negative count
    // counts as 0.
    void setItemsCount(int32_t count);
    // Grows the item's texts up to `column`; nothing for an index outside.
    void setItemText(int32_t item, int32_t column, const CStringW& text);
    [[nodiscard]] CStringW getItemText(int32_t item, int32_t column) const;
    // One item per text, the text in column 0; the rest of kept items stays.
    void setStrings(const CArray<CStringW>& strings);
    [[nodiscard]] CArray<CStringW> getStrings() const;
    // Selects `index` (wrapped), with `scrollIntoView` scrolling to it when
    // it is not shown; posts CEventListSelectionChanged on a change.
    void setSelectedItem(int32_t index, bool scrollIntoView);
    // Makes `top` (clamped) the item of element 0.
    void scrollTo(int32_t top);
    // Copies the visible items into the elements; game code calls it after
    // changing items through the accessors.
    void updateElements();
    // The element index showing `item`; anything outside [0, elements) means
    // not shown.
    [[nodiscard]] int32_t itemToSlot(int32_t item) const;
    [[nodiscard]] int32_t wrapIndex(int32_t index) const;
    [[nodiscard]] int32_t clampTopItem(int32_t top) const;

    [[nodiscard]] int32_t getTopItem() const { return m_topItem; }
    void setSeparationItemIndex(int32_t index) { m_separationItemIndex = index; }
    [[nodiscard]] int32_t getSeparationItemIndex() const { return m_separationItemIndex; }
    void setSeparatorWidth(float width) { m_separatorWidth = width; }
    [[nodiscard]] float getSeparatorWidth() const { return m_separatorWidth; }

    // Items per line, visible lines and lines of the whole list.
    [[nodiscard]] int32_t itemsPerLine() const;
    [[nodiscard]] int32_t visibleLines() const;
    [[nodiscard]] int32_t totalLines() const;

protected:
    ~ListNode() override = default;

private:
    void setSelectedItemProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getSelectedItemProperty() const;
    void setTopItemProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getTopItemProperty() const;
    void setItemsCountProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getItemsCountProperty() const;
    void setStringsProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getStringsProperty() const;
    void setSeparationItemIndexProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getSeparationItemIndexProperty() const;
    void setSeparatorWidthProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getSeparatorWidthProperty() const;

    // A count read from a file, limited (and logged) past MaxItemsFromFile.
    [[nodiscard]] int32_t itemsCountFromFile(int32_t count) const;
    void findElementParts();
    void layoutElements();
    void updateSliderRange();
    // Rows in a grid by columns, columns in a grid by rows, else 1.
    [[nodiscard]] int32_t lineStep() const;
    // Scrolls by the buttons or the slider, moving the selection along when
    // IsSelectWhileListingOn.
    void listTo(int32_t target);
    // Takes the focus from every element but the one in `slot` (-1: all).
    void unfocusElementsBut(int32_t slot);
    void postValueChangedIf(int32_t selectedBefore, int32_t topBefore);
    // Posts a new E deferred to the parent, handled there or passed up.
    template <class E, class... Args> void postToParent(Args&&... args) {
        const CRefHandle<E> event(new E(std::forward<Args>(args)...));
        postDeferredToParent(event.get(), HandleThenParent);
    }

    int32_t m_topItem = 0;
    int32_t m_separationItemIndex = -1;
    float m_separatorWidth = 0.0f;
    CArray<int32_t> m_imageParts;
    CArray<int32_t> m_textParts;
};
