#include "engine/nodes/ListNode.h"

#include "engine/core/CEventKey.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/nodes/CEventValueChanged.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/ListEvents.h"
#include "engine/nodes/SliderNode.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClickStarted.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventHovered.h"
#include "engine/scene/CEventUnhovered.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataStringWArray.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/CAtlasTexture.h"

#include <algorithm>
#include <cmath>
#include <string>

ListNode::ListNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseListNode(contentName, parent, sceneManager) {}

const CStringW& ListNode::getTypeName() const {
    static const CStringW name(u"ListNode");
    return name;
}

const CStringW& ListNode::getClassName() const { return ListNode::getTypeName(); }

namespace {

// How many elements of `element` fit in `length`: 0 for sizes that are not
// positive numbers, at most the element limit.
int32_t fittingCount(float length, float element) {
    if (!(element > 0.0f))
        return 0;
    const float count = std::floor(length / element);
    if (!(count >= 0.0f))
        return 0;
    return count >= float(ListNode::MaxElements) ? ListNode::MaxElements : int32_t(count);
}

} // namespace

// ---------------------------------------------------------------------------
// Lines and indices

int32_t ListNode::itemsPerLine() const {
    switch (m_orientation) {
    case GridByColumns:
        return m_rows;
    case GridByRows:
        return m_columns;
    default:
        return 1;
    }
}

int32_t ListNode::visibleLines() const {
    switch (m_orientation) {
    case Vertical:
    case GridByRows:
        return m_rows;
    default:
        return m_columns;
    }
}

int32_t ListNode::totalLines() const {
    const int32_t perLine = itemsPerLine();
    if (perLine <= 0)
        return 0;
    return (getItemsCount() + perLine - 1) / perLine;
}

int32_t ListNode::lineStep() const {
    if (m_orientation == GridByColumns)
        return m_rows;
    if (m_orientation == GridByRows)
        return m_columns;
    return 1;
}

int32_t ListNode::wrapIndex(int32_t index) const {
    const int32_t n = getItemsCount();
    if (n <= 0)
        return 0;
    if (index >= 0 && index < n)
        return index;
    if (!m_circular)
        return index < 0 ? 0 : n - 1;
    const int32_t r = index % n;
    return r < 0 ? r + n : r;
}

int32_t ListNode::clampTopItem(int32_t top) const {
    if (m_circular)
        return wrapIndex(top);
    const int32_t maxTop = std::max(0, (totalLines() - visibleLines()) * itemsPerLine());
    if (getItemsCount() <= 0 || m_columns * m_rows <= 0 || top < 0)
        return 0;
    return std::min(top, maxTop);
}

int32_t ListNode::itemToSlot(int32_t item) const {
    const int32_t n = getItemsCount();
    const int32_t e = getElementsCount();
    if (n == 0)
        return -1;
    if (m_topItem + e < n || (m_topItem <= item && item < n))
        return item - m_topItem;
    // The window runs past the end and on from the first item.
    const int32_t w = (m_topItem + e) % n;
    return item >= 0 && item < w ? e - w + item : -1;
}

// ---------------------------------------------------------------------------
// Items

void ListNode::setItemsCount(int32_t count) {
    m_items.resize(size_t(std::max(count, 0)));
    m_topItem = clampTopItem(m_topItem);
    if (getElementsCount() >= getItemsCount())
        m_topItem = 0;
    updateElements();
    setSelectedItem(m_selectedItem, false);
    updateSliderRange();
}

int32_t ListNode::itemsCountFromFile(int32_t count) const {
    if (count <= MaxItemsFromFile)
        return count;
    CLog::instance()->log(CString("List item count too large, limited: ") + getName().str(), CLog::Warning);
    return MaxItemsFromFile;
}

void ListNode::setItemText(int32_t item, int32_t column, const CStringW& text) {
    Item* record = itemAt(item);
    if (!record || column < 0)
        return;
    while (record->texts.size() <= uint32_t(column))
        record->texts.push_back(CStringW());
    record->texts[uint32_t(column)] = text;
}

CStringW ListNode::getItemText(int32_t item, int32_t column) const {
    const Item* record = itemAt(item);
    if (!record || column < 0 || uint32_t(column) >= record->texts.size())
        return CStringW();
    return record->texts[uint32_t(column)];
}

void ListNode::setStrings(const CArray<CStringW>& strings) {
    setItemsCount(int32_t(strings.size()));
    for (uint32_t i = 0; i < strings.size(); ++i)
        setItemText(int32_t(i), 0, strings[i]);
    updateElements();
}

CArray<CStringW> ListNode::getStrings() const {
    CArray<CStringW> strings;
    for (const Item& item : m_items)
        strings.push_back(item.texts.empty() ? CStringW() : item.texts[0]);
    return strings;
}

// ---------------------------------------------------------------------------
// Selection and scrolling

void ListNode::setSelectedItem(int32_t index, bool scrollIntoView) {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const int32_t old = m_selectedItem;
    m_selectedItem = wrapIndex(index);
    const int32_t slot = itemToSlot(m_selectedItem);
    if (slot < 0 || slot >= getElementsCount()) {
        if (ControlNode* focused = nodeCast<ControlNode>(getFocusedChild()))
            focused->setFocused(false);
        if (scrollIntoView)
            scrollTo(m_selectedItem);
    } else if (isFocused()) {
        ControlNode* element = nodeCast<ControlNode>(getElement(slot));
        if (element && !element->isFocused())
            element->setFocused(true);
    }
    unfocusElementsBut(slot);
    if (m_selectedItem != old)
        postToParent<CEventListSelectionChanged>(this, m_selectedItem);
}

void ListNode::unfocusElementsBut(int32_t slot) {
    // A focused element shows the selection: only the selected one may.
    const int32_t count = getElementsCount();
    for (int32_t i = 0; i < count; ++i) {
        auto* element = nodeCast<ControlNode>(getElement(i));
        if (i != slot && element && element->isFocused())
            element->setFocused(false);
    }
}

void ListNode::scrollTo(int32_t top) {
    m_topItem = clampTopItem(top);
    if (getElementsCount() >= getItemsCount())
        m_topItem = 0;
    updateElements();
    setSelectedItem(m_selectedItem, false);
    updateSliderRange();
}

void ListNode::focusDefault() {
    // An element taking the focus (clicked, hovered) keeps the window where
    // it is; otherwise the selection is brought into view.
    const BaseNode* focused = getFocusedChild();
    if (focused && m_elementsRoot->isAncestorOf(focused))
        return;
    setSelectedItem(m_selectedItem, true);
}

void ListNode::updateSliderRange() {
    const int32_t lines = visibleLines();
    const int32_t perLine = itemsPerLine();
    const int32_t total = totalLines();
    if (!m_slider || lines == 0 || perLine == 0 || total == 0)
        return;
    m_slider->setMinValue(0.0f);
    m_slider->setMaxValue(float(total));
    m_slider->setValue(float(m_topItem / perLine));
    m_slider->setPageSize(float(lines));
}

void ListNode::updateButtonsEnabled() {
    if (m_circular)
        return;
    if (ControlNode* prev = nodeCast<ControlNode>(m_prevButton.get()))
        prev->setEnabled(m_topItem != 0);
    if (ControlNode* next = nodeCast<ControlNode>(m_nextButton.get()))
        next->setEnabled(clampTopItem(m_topItem + 1) != m_topItem);
}

// ---------------------------------------------------------------------------
// Elements

void ListNode::applyTemplate() {
    if (!getSceneManager<BaseNode>())
        return;
    BaseListNode::applyTemplate();
    findElementParts();
    rebuildElements();
    updateElements();
}

void ListNode::findElementParts() {
    m_imageParts.clear();
    m_textParts.clear();
    if (!m_element)
        return;
    static const CName textName("Text");
    static const CName imageName("Image");
    const CArray<BaseNode*>& children = m_element->getChildren();
    for (uint32_t i = 0; i < children.size(); ++i) {
        const BaseNode* child = children[i];
        if (child->getName() == textName && child->isKindOf(TextNode::TypeId))
            m_textParts.push_back(int32_t(i));
        else if (child->getName() == imageName && child->isKindOf(SpriteNode::TypeId))
            m_imageParts.push_back(int32_t(i));
    }
}

void ListNode::rebuildElements() {
    if (m_element) {
        const CVector3d& bounds = getBounds();
        const CVector3d& element = m_element->getBounds();
        m_columns = fittingCount(bounds.x, element.x);
        m_rows = fittingCount(bounds.y, element.y);
    }
    if (m_orientation == Vertical)
        m_columns = 1;
    else if (m_orientation == Horizontal)
        m_rows = 1;
    m_columns = std::max(m_columns, 0);
    m_rows = std::max(m_rows, 0);
    if (m_columns * m_rows > MaxElements) {
        CLog::instance()->log(CString("List grid too large, elements limited: ") + getName().str(), CLog::Warning);
        m_rows = MaxElements / m_columns;
    }

    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    m_elementsRoot->removeAllChildren();
    if (m_element) {
        const CRefHandle<BaseNode> model = m_element;
        const int32_t count = m_columns * m_rows;
        for (int32_t i = 0; i < count; ++i) {
            BaseNode* element = model->clone(m_elementsRoot.get(), getSceneManager<BaseNode>());
            const std::string name = "Element" + std::to_string(i);
            element->setName(CName(name.c_str()));
            element->setCanBeHit(true);
            element->setVisible(true);
        }
    }
    layoutElements();
}

void ListNode::layoutElements() {
    if (m_columns * m_rows <= 0 || !m_element)
        return;
    const float width = m_element->getBounds().x;
    const float height = m_element->getBounds().y;
    float along = 0.0f;
    const int32_t count = getElementsCount();
    for (int32_t i = 0; i < count; ++i) {
        BaseNode* element = getElement(i);
        CVector3d position(0.0f, 0.0f, 0.0f);
        switch (m_orientation) {
        case Vertical:
        case Horizontal: {
            const bool vertical = m_orientation == Vertical;
            (vertical ? position.y : position.x) = along;
            const float size = vertical ? height : width;
            along += size;
            if (i == m_separationItemIndex)
                along += m_separatorWidth * size;
            break;
        }
        case GridByColumns:
            position.x = float(i / m_rows) * width;
            position.y = float(i % m_rows) * height;
            break;
        default:
            position.x = float(i % m_columns) * width;
            position.y = float(i / m_columns) * height;
            break;
        }
        element->setPosition(position);
        element->markTransformDirty();
    }
}

void ListNode::updateElements() {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const int32_t n = getItemsCount();
    const int32_t e = getElementsCount();
    const int32_t selectedSlot = itemToSlot(m_selectedItem);
    static const CName focusState("Focus");
    static const CName checkBoxName("CheckBox");
    for (int32_t i = 0; i < e; ++i) {
        const CRefHandle<BaseNode> element = CRefHandle<BaseNode>::share(getElement(i));
        if (!element)
            continue;
        int32_t index = m_topItem + i;
        if (index >= n) {
            if (!(m_circular && n > e)) {
                element->setVisible(false);
                continue;
            }
            index %= n;
        }
        const Item& item = m_items[size_t(index)];
        element->setVisible(true);
        ControlNode* control = nodeCast<ControlNode>(element.get());
        if (control) {
            // An item without a template name keeps the look of the model.
            const ControlNode* model = nodeCast<ControlNode>(m_element.get());
            const CName look = item.data >= 0 ? CName::fromId(item.data) : model ? model->getTemplateName() : CName();
            if (control->getTemplateName() != look)
                control->setTemplateName(look);
        }
        const CArray<BaseNode*>& parts = element->getChildren();
        for (uint32_t j = 0; j < m_textParts.size(); ++j) {
            const uint32_t at = uint32_t(m_textParts[j]);
            if (TextNode* text = at < parts.size() ? nodeCast<TextNode>(parts[at]) : nullptr)
                text->setText(j < item.texts.size() ? item.texts[j] : CStringW());
        }
        for (uint32_t j = 0; j < m_imageParts.size(); ++j) {
            const uint32_t at = uint32_t(m_imageParts[j]);
            if (SpriteNode* image = at < parts.size() ? nodeCast<SpriteNode>(parts[at]) : nullptr)
                image->setAtlasTexture(j < item.images.size() ? item.images[j].get() : nullptr);
        }
        if (control)
            control->setEnabled(item.enabled);
        if (i == selectedSlot)
            element->applyStateRecursive(focusState, nullptr);
        if (CheckBoxNode* check = nodeCast<CheckBoxNode>(element->findChild(checkBoxName, 1)))
            check->setChecked(item.checked);
    }
    layoutElements();
    updateSliderRange();
    updateButtonsEnabled();
}

// ---------------------------------------------------------------------------
// Input

bool ListNode::onKeyDown(CEventKeyDown* event) {
    int32_t step = 0;
    const int32_t code = event->getKeyCode();
    const bool horizontalKey = code == CEventKey::KeyLeft || code == CEventKey::KeyRight;
    const bool verticalKey = code == CEventKey::KeyUp || code == CEventKey::KeyDown;
    const int32_t sign = code == CEventKey::KeyLeft || code == CEventKey::KeyUp ? -1 : 1;
    if (horizontalKey) {
        if (m_orientation == Horizontal || m_orientation == GridByRows)
            step = sign;
        else if (m_orientation == GridByColumns)
            step = sign * m_rows;
    } else if (verticalKey) {
        if (m_orientation == Vertical || m_orientation == GridByColumns)
            step = sign;
        else if (m_orientation == GridByRows)
            step = sign * m_columns;
    }
    if (step == 0)
        return ControlNode::onKeyDown(event);
    const int32_t target = wrapIndex(m_selectedItem + step);
    if (target == m_selectedItem)
        return ControlNode::onKeyDown(event);
    setSelectedItem(target, true);
    return true;
}

void ListNode::listTo(int32_t target) {
    if (m_selectWhileListing) {
        scrollTo(target);
        setSelectedItem(target, false);
    } else {
        scrollTo(target);
    }
}

void ListNode::postValueChangedIf(int32_t selectedBefore, int32_t topBefore) {
    if (m_selectedItem != selectedBefore || m_topItem != topBefore)
        postToParent<CEventValueChanged>(this);
}

bool ListNode::onChildClicked(CEventClicked* event) {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const int32_t selectedBefore = m_selectedItem;
    const int32_t topBefore = m_topItem;
    const BaseNode* sender = event->getControl();
    bool handled = false;
    if (sender && sender == m_prevButton.get()) {
        listTo(clampTopItem(m_topItem - lineStep()));
        handled = true;
    } else if (sender && sender == m_nextButton.get()) {
        listTo(clampTopItem(m_topItem + lineStep()));
        handled = true;
    } else if (sender) {
        static const CName checkBoxName("CheckBox");
        const int32_t e = getElementsCount();
        for (int32_t i = 0; i < e && !handled; ++i) {
            BaseNode* element = getElement(i);
            if (sender == element) {
                const int32_t item = wrapIndex(m_topItem + i);
                if (item < getItemsCount()) {
                    m_selectedItem = item;
                    unfocusElementsBut(i);
                    postToParent<CEventListItemClicked>(this, item);
                }
                handled = true;
            } else if (sender->getParent() == element && sender->getName() == checkBoxName &&
                       sender->isKindOf(CheckBoxNode::TypeId)) {
                const int32_t item = wrapIndex(m_topItem + i);
                const bool checked = static_cast<const CheckBoxNode*>(sender)->isChecked();
                setItemChecked(item, checked);
                postToParent<CEventListItemChecked>(this, item, checked);
                handled = true;
            }
        }
    }
    postValueChangedIf(selectedBefore, topBefore);
    return handled;
}

bool ListNode::onChildClickStarted(CEventClickStarted* event) {
    const BaseNode* sender = event->getControl();
    return sender && sender->getParent() == m_elementsRoot.get();
}

bool ListNode::onChildHovered(CEventHovered* event) {
    const BaseNode* node = event->getOnNode();
    const int64_t slot = node ? m_elementsRoot->getChildren().indexOf(const_cast<BaseNode*>(node)) : -1;
    if (slot < 0)
        return false;
    if (getItemsCount() >= 1)
        postToParent<CEventListItemHovered>(this, wrapIndex(m_topItem + int32_t(slot)));
    return true;
}

bool ListNode::onChildUnhovered(CEventUnhovered* event) {
    const BaseNode* node = event->getOffNode();
    const int64_t slot = node ? m_elementsRoot->getChildren().indexOf(const_cast<BaseNode*>(node)) : -1;
    if (slot < 0)
        return false;
    if (getItemsCount() >= 1)
        postToParent<CEventListItemUnhovered>(this, wrapIndex(m_topItem + int32_t(slot)));
    return true;
}

bool ListNode::onChildValueChanged(CEventValueChanged* event) {
    if (!m_slider || event->getSender() != m_slider.get())
        return false;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    listTo(int32_t(std::trunc(m_slider->getValue())) * itemsPerLine());
    return true;
}

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& ListNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& ListNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseListNode::propertyTable());
        t.add<&ListNode::setSelectedItemProperty, &ListNode::getSelectedItemProperty>("SelectedItem");
        t.add<&ListNode::setTopItemProperty, &ListNode::getTopItemProperty>("TopItem");
        t.add<&ListNode::setItemsCountProperty, &ListNode::getItemsCountProperty>("ItemsCount");
        t.add<&ListNode::setStringsProperty, &ListNode::getStringsProperty>("Strings");
        t.add<&ListNode::setSeparationItemIndexProperty, &ListNode::getSeparationItemIndexProperty>(
            "SeparationItemIndex");
        t.add<&ListNode::setSeparatorWidthProperty, &ListNode::getSeparatorWidthProperty>("SeparatorWidth");
        return t;
    }();
    return table;
}

namespace {

CArray<CStringW> stringsOf(const CRefHandle<IPropertyData>& value) {
    const auto* array =
        IPropertyData::sameKind<CPropertyDataStringWArray>(value.get(), IPropertyData::TypeStringWArray);
    return array ? array->getValues() : CArray<CStringW>();
}

} // namespace

void ListNode::setSelectedItemProperty(const CRefHandle<IPropertyData>& value) {
    setSelectedItem(getPropertyInt(value), true);
}
CRefHandle<IPropertyData> ListNode::getSelectedItemProperty() const { return CPropertyDataInt::create(m_selectedItem); }
void ListNode::setTopItemProperty(const CRefHandle<IPropertyData>& value) { scrollTo(getPropertyInt(value)); }
CRefHandle<IPropertyData> ListNode::getTopItemProperty() const { return CPropertyDataInt::create(m_topItem); }
void ListNode::setItemsCountProperty(const CRefHandle<IPropertyData>& value) {
    setItemsCount(itemsCountFromFile(getPropertyInt(value)));
}
CRefHandle<IPropertyData> ListNode::getItemsCountProperty() const { return CPropertyDataInt::create(getItemsCount()); }
void ListNode::setStringsProperty(const CRefHandle<IPropertyData>& value) { setStrings(stringsOf(value)); }
CRefHandle<IPropertyData> ListNode::getStringsProperty() const {
    return CPropertyDataStringWArray::create(getStrings());
}
void ListNode::setSeparationItemIndexProperty(const CRefHandle<IPropertyData>& value) {
    m_separationItemIndex = getPropertyInt(value);
}
CRefHandle<IPropertyData> ListNode::getSeparationItemIndexProperty() const {
    return CPropertyDataInt::create(m_separationItemIndex);
}
void ListNode::setSeparatorWidthProperty(const CRefHandle<IPropertyData>& value) {
    m_separatorWidth = getPropertyFloat(value);
}
CRefHandle<IPropertyData> ListNode::getSeparatorWidthProperty() const {
    return CPropertyDataFloat::create(m_separatorWidth);
}

void ListNode::writeProperties(CPropertyBag& bag) const {
    ControlNode::writeProperties(bag);
    if (m_selectedItem != 0)
        bag.setInt("SelectedItem", m_selectedItem);
    if (m_topItem != 0)
        bag.setInt("TopItem", m_topItem);
    if (getItemsCount() != 0)
        bag.setInt("ItemsCount", getItemsCount());
    if (!m_circular)
        bag.setBool("Circular", false);
    if (m_orientation != Vertical)
        bag.setInt("Orientation", m_orientation);
    if (m_selectWhileListing)
        bag.setBool("IsSelectWhileListingOn", true);
    if (getItemsCount() != 0)
        bag.set("Strings", CPropertyDataStringWArray::create(getStrings()));
    if (m_separationItemIndex >= 0)
        bag.setInt("SeparationItemIndex", m_separationItemIndex);
    if (std::fabs(m_separatorWidth) > 1e-6f)
        bag.setFloat("SeparatorWidth", m_separatorWidth);
}

void ListNode::readProperties(const CPropertyBag& bag) {
    ControlNode::readProperties(bag);
    auto present = [&bag](const char* key) { return bag.indexOf(key) >= 0; };
    if (present("Circular"))
        m_circular = getPropertyBool(bag.get("Circular"));
    if (present("Orientation"))
        setOrientation(getPropertyInt(bag.get("Orientation")));
    if (present("IsSelectWhileListingOn"))
        m_selectWhileListing = getPropertyBool(bag.get("IsSelectWhileListingOn"));
    if (present("ItemsCount"))
        setItemsCount(itemsCountFromFile(getPropertyInt(bag.get("ItemsCount"))));
    if (present("SelectedItem"))
        setSelectedItem(getPropertyInt(bag.get("SelectedItem")), true);
    if (present("TopItem"))
        scrollTo(getPropertyInt(bag.get("TopItem")));
    if (present("Strings"))
        setStrings(stringsOf(bag.get("Strings")));
    if (present("SeparationItemIndex"))
        m_separationItemIndex = getPropertyInt(bag.get("SeparationItemIndex"));
    if (present("SeparatorWidth"))
        m_separatorWidth = getPropertyFloat(bag.get("SeparatorWidth"));
}

// ---------------------------------------------------------------------------
// Cloning and copying

BaseNode* ListNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<ListNode>(parent, sceneManager);
}

void ListNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseListNode::copyFrom(source, sceneManager);
    const ListNode* list = nodeCast<ListNode>(source);
    if (!list || list == this)
        return;
    m_topItem = list->m_topItem;
    m_separationItemIndex = list->m_separationItemIndex;
    m_separatorWidth = list->m_separatorWidth;
    findElementParts();
    rebuildElements();
    updateElements();
}
