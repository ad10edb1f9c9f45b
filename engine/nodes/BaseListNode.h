#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/scene/ControlNode.h"

#include <cstdint>
#include <vector>

class CAtlasTexture;
class CEventClickStarted;
class CEventClicked;
class CEventHovered;
class CEventUnhovered;
class CEventValueChanged;
class SliderNode;

// The base of the lists: an ordered array of items shown through element
// nodes cloned from the "Element" part of the control template, with the
// optional "PrevButton", "NextButton" and "Slider" parts. Input the list
// does not take itself is offered to the parts and then to the elements;
// layout, scrolling, selection and the list events belong to ListNode.
class BaseListNode : public ControlNode {
public:
    static constexpr int32_t TypeId = 13;
    static constexpr int32_t Vertical = 0;
    static constexpr int32_t Horizontal = 1;
    static constexpr int32_t GridByColumns = 2;
    static constexpr int32_t GridByRows = 3;

    // One item: texts and images for the element's "Text" and "Image" parts,
    // a template name id for the element, the check and enabled flags and an
    // attached object.
    struct Item {
        CArray<CStringW> texts;
        CArray<CRefHandle<CAtlasTexture>> images;
        int32_t data = -1;
        bool checked = false;
        bool enabled = true;
        CRefHandle<CRefCounted> object;
    };

    BaseListNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ControlNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The control's copy, then the settings and a deep copy of the items
    // (images and objects shared). Parts and elements come from the template.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    [[nodiscard]] const CEventHandlerTable& getEventHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();
    // The control's routing, then the step buttons, the slider (never for
    // keys) and the elements in order. A disabled list still offers input to
    // its parts.
    bool routeToChildren(int phase, CEvent* event) override;

    // The control's template, then the parts found again among the template
    // root's direct children; the "Element" model is hidden and not hit.
    void applyTemplate() override;
    // Not taken: lists that handle keys override this.
    bool onKeyDown(CEventKeyDown* event) override;

    // Rebuilds the element nodes after a change of geometry.
    virtual void rebuildElements() {}
    virtual bool onChildClickStarted(CEventClickStarted*) { return false; }
    virtual bool onChildClicked(CEventClicked*) { return false; }
    virtual bool onChildHovered(CEventHovered*) { return false; }
    virtual bool onChildUnhovered(CEventUnhovered*) { return false; }
    virtual bool onChildValueChanged(CEventValueChanged*) { return false; }

    // Item accessors: an index outside the items changes nothing and reads
    // the defaults (-1, false, null).
    [[nodiscard]] int32_t getItemsCount() const { return int32_t(m_items.size()); }
    void setItemData(int32_t item, int32_t data);
    [[nodiscard]] int32_t getItemData(int32_t item) const;
    void setItemChecked(int32_t item, bool checked);
    [[nodiscard]] bool isItemChecked(int32_t item) const;
    void setItemEnabled(int32_t item, bool enabled);
    [[nodiscard]] bool isItemEnabled(int32_t item) const;
    void setItemImage(int32_t item, int32_t column, CAtlasTexture* image);
    // The attached object gets a counted reference; the old one is released.
    void setItemObject(int32_t item, CRefCounted* object);
    [[nodiscard]] CRefCounted* getItemObject(int32_t item) const;
    // The element node at `index`, or null.
    [[nodiscard]] BaseNode* getElement(int32_t index) const;
    [[nodiscard]] int32_t getElementsCount() const;

    // Values outside 0 to 3 give 0; the elements are rebuilt.
    void setOrientation(int32_t orientation);
    [[nodiscard]] int32_t getOrientation() const { return m_orientation; }
    void setCircular(bool circular) { m_circular = circular; }
    [[nodiscard]] bool isCircular() const { return m_circular; }
    void setSelectWhileListing(bool on) { m_selectWhileListing = on; }
    [[nodiscard]] bool isSelectWhileListingOn() const { return m_selectWhileListing; }
    [[nodiscard]] int32_t getSelectedItem() const { return m_selectedItem; }
    [[nodiscard]] int32_t getColumns() const { return m_columns; }
    [[nodiscard]] int32_t getRows() const { return m_rows; }

    [[nodiscard]] BaseNode* getElementTemplate() const { return m_element.get(); }
    [[nodiscard]] BaseNode* getPrevButton() const { return m_prevButton.get(); }
    [[nodiscard]] BaseNode* getNextButton() const { return m_nextButton.get(); }
    [[nodiscard]] SliderNode* getSlider() const { return m_slider.get(); }
    [[nodiscard]] BaseNode* getElementsRoot() const { return m_elementsRoot.get(); }

protected:
    ~BaseListNode() override;

    // Takes the parts from the template root's direct children.
    void findParts();
    [[nodiscard]] Item* itemAt(int32_t item);
    [[nodiscard]] const Item* itemAt(int32_t item) const;

    std::vector<Item> m_items;
    int32_t m_orientation = Vertical;
    bool m_circular = true;
    int32_t m_selectedItem = 0;
    bool m_selectWhileListing = false;
    CRefHandle<BaseNode> m_elementsRoot;
    int32_t m_columns = 0;
    int32_t m_rows = 0;
    CRefHandle<BaseNode> m_element;
    CRefHandle<BaseNode> m_prevButton;
    CRefHandle<BaseNode> m_nextButton;
    CRefHandle<SliderNode> m_slider;

private:
    void setCircularProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getCircularProperty() const;
    void setOrientationProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getOrientationProperty() const;
    void setSelectWhileListingProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getSelectWhileListingProperty() const;
};
