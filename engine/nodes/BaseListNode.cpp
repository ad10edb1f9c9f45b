#include "engine/nodes/BaseListNode.h"

#include "engine/core/CEventKeyDown.h"
#include "engine/nodes/CEventValueChanged.h"
#include "engine/nodes/SliderNode.h"
#include "engine/scene/CEventClickStarted.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventHovered.h"
#include "engine/scene/CEventUnhovered.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/CAtlasTexture.h"

BaseListNode::BaseListNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : ControlNode(contentName, parent, sceneManager) {
    setFocusOnHover(true);
    // The elements live under a private child that scene files never hold;
    // it is listed (drawn, hit and given the manager with the others) and
    // flagged only once it is in the list.
    BaseNode* root = new BaseNode(CObjectName(contentName.owner(), CStringW()), nullptr, sceneManager);
    m_elementsRoot.reset(root);
    addChild(root);
    root->setNotSerialised(true);
}

BaseListNode::~BaseListNode() = default;

const CStringW& BaseListNode::getTypeName() const {
    static const CStringW name(u"BaseListNode");
    return name;
}

const CStringW& BaseListNode::getClassName() const { return BaseListNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Items

BaseListNode::Item* BaseListNode::itemAt(int32_t item) {
    return item >= 0 && item < getItemsCount() ? &m_items[size_t(item)] : nullptr;
}

const BaseListNode::Item* BaseListNode::itemAt(int32_t item) const {
    return item >= 0 && item < getItemsCount() ? &m_items[size_t(item)] : nullptr;
}

void BaseListNode::setItemData(int32_t item, int32_t data) {
    if (Item* record = itemAt(item))
        record->data = data;
}

int32_t BaseListNode::getItemData(int32_t item) const {
    const Item* record = itemAt(item);
    return record ? record->data : -1;
}

void BaseListNode::setItemChecked(int32_t item, bool checked) {
    if (Item* record = itemAt(item))
        record->checked = checked;
}

bool BaseListNode::isItemChecked(int32_t item) const {
    const Item* record = itemAt(item);
    return record && record->checked;
}

void BaseListNode::setItemEnabled(int32_t item, bool enabled) {
    if (Item* record = itemAt(item))
        record->enabled = enabled;
}

bool BaseListNode::isItemEnabled(int32_t item) const {
    const Item* record = itemAt(item);
    return record && record->enabled;
}

void BaseListNode::setItemImage(int32_t item, int32_t column, CAtlasTexture* image) {
    Item* record = itemAt(item);
    if (!record || column < 0)
        return;
    while (record->images.size() <= uint32_t(column))
        record->images.push_back(CRefHandle<CAtlasTexture>());
    record->images[uint32_t(column)] = CRefHandle<CAtlasTexture>::share(image);
}

void BaseListNode::setItemObject(int32_t item, CRefCounted* object) {
    Item* record = itemAt(item);
    if (!record || record->object.get() == object)
        return;
    record->object = CRefHandle<CRefCounted>::share(object);
}

CRefCounted* BaseListNode::getItemObject(int32_t item) const {
    const Item* record = itemAt(item);
    return record ? record->object.get() : nullptr;
}

BaseNode* BaseListNode::getElement(int32_t index) const {
    const CArray<BaseNode*>& elements = m_elementsRoot->getChildren();
    return index >= 0 && uint32_t(index) < elements.size() ? elements[uint32_t(index)] : nullptr;
}

int32_t BaseListNode::getElementsCount() const { return int32_t(m_elementsRoot->getChildren().size()); }

void BaseListNode::setOrientation(int32_t orientation) {
    m_orientation = orientation >= Vertical && orientation <= GridByRows ? orientation : Vertical;
    rebuildElements();
}

// ---------------------------------------------------------------------------
// Template parts

void BaseListNode::applyTemplate() {
    if (!getSceneManager<BaseNode>())
        return;
    ControlNode::applyTemplate();
    findParts();
}

void BaseListNode::findParts() {
    m_element.reset();
    m_prevButton.reset();
    m_nextButton.reset();
    m_slider.reset();
    ControlNode* root = getTemplateRoot();
    if (!root)
        return;
    static const CName elementName("Element");
    static const CName prevName("PrevButton");
    static const CName nextName("NextButton");
    static const CName sliderName("Slider");
    m_element = CRefHandle<BaseNode>::share(root->findChild(elementName, 1));
    m_prevButton = CRefHandle<BaseNode>::share(root->findChild(prevName, 1));
    m_nextButton = CRefHandle<BaseNode>::share(root->findChild(nextName, 1));
    m_slider = CRefHandle<SliderNode>::share(nodeCast<SliderNode>(root->findChild(sliderName, 1)));
    if (m_element) {
        m_element->setVisible(false);
        m_element->setCanBeHit(false);
    }
}

// ---------------------------------------------------------------------------
// Events

const CEventHandlerTable& BaseListNode::getEventHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& BaseListNode::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(ControlNode::handlerTable());
        t.add<&BaseListNode::onChildClickStarted>(CEventClickStarted::TypeId);
        t.add<&BaseListNode::onChildClicked>(CEventClicked::TypeId);
        t.add<&BaseListNode::onChildHovered>(CEventHovered::TypeId);
        t.add<&BaseListNode::onChildUnhovered>(CEventUnhovered::TypeId);
        t.add<&BaseListNode::onChildValueChanged>(CEventValueChanged::TypeId);
        return t;
    }();
    return table;
}

bool BaseListNode::routeToChildren(int phase, CEvent* event) {
    if (ControlNode::routeToChildren(phase, event))
        return true;
    if (!event)
        return false;
    // A hidden list (a build list closed, say) must not choose through its
    // parts; a disabled one still lets them take input.
    if (event->isKindOf(CEvent::KindInput) && !isVisible())
        return false;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    // Handlers may apply the template again and so replace the parts.
    CArray<CRefHandle<BaseNode>> targets;
    targets.push_back(m_prevButton);
    targets.push_back(m_nextButton);
    if (!event->isKindOf(CEvent::KindKeyboard))
        targets.push_back(CRefHandle<BaseNode>::share(m_slider.get()));
    // Events the elements root takes (node events) reached the elements
    // through it already.
    if (!(m_elementsRoot->getMask() & event->getMask()))
        for (const CRefHandle<BaseNode>& element : childSnapshot(m_elementsRoot.get()))
            targets.push_back(element);
    for (const CRefHandle<BaseNode>& target : targets)
        if (target && (target->getMask() & event->getMask()) && target->dispatch(phase, event))
            return true;
    return false;
}

bool BaseListNode::onKeyDown(CEventKeyDown*) { return false; }

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& BaseListNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& BaseListNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(ControlNode::propertyTable());
        t.add<&BaseListNode::setCircularProperty, &BaseListNode::getCircularProperty>("Circular");
        t.add<&BaseListNode::setOrientationProperty, &BaseListNode::getOrientationProperty>("Orientation");
        t.add<&BaseListNode::setSelectWhileListingProperty, &BaseListNode::getSelectWhileListingProperty>(
            "IsSelectWhileListingOn");
        return t;
    }();
    return table;
}

void BaseListNode::setCircularProperty(const CRefHandle<IPropertyData>& value) { m_circular = getPropertyBool(value); }
CRefHandle<IPropertyData> BaseListNode::getCircularProperty() const { return CPropertyDataBool::create(m_circular); }
void BaseListNode::setOrientationProperty(const CRefHandle<IPropertyData>& value) {
    setOrientation(getPropertyInt(value));
}
CRefHandle<IPropertyData> BaseListNode::getOrientationProperty() const {
    return CPropertyDataInt::create(m_orientation);
}
void BaseListNode::setSelectWhileListingProperty(const CRefHandle<IPropertyData>& value) {
    m_selectWhileListing = getPropertyBool(value);
}
CRefHandle<IPropertyData> BaseListNode::getSelectWhileListingProperty() const {
    return CPropertyDataBool::create(m_selectWhileListing);
}

void BaseListNode::writeProperties(CPropertyBag& bag) const {
    ControlNode::writeProperties(bag);
    if (m_selectedItem != 0)
        bag.setInt("SelectedItem", m_selectedItem);
    if (!m_circular)
        bag.setBool("Circular", false);
    if (m_orientation != Vertical)
        bag.setInt("Orientation", m_orientation);
    if (m_selectWhileListing)
        bag.setBool("IsSelectWhileListingOn", true);
}

void BaseListNode::readProperties(const CPropertyBag& bag) {
    ControlNode::readProperties(bag);
    if (bag.indexOf("Circular") >= 0)
        m_circular = getPropertyBool(bag.get("Circular"));
    if (bag.indexOf("Orientation") >= 0)
        setOrientation(getPropertyInt(bag.get("Orientation")));
    if (bag.indexOf("IsSelectWhileListingOn") >= 0)
        m_selectWhileListing = getPropertyBool(bag.get("IsSelectWhileListingOn"));
}

// ---------------------------------------------------------------------------
// Cloning and copying

BaseNode* BaseListNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<BaseListNode>(parent, sceneManager);
}

void BaseListNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    const BaseListNode* list = nodeCast<BaseListNode>(source);
    const uint32_t before = getChildren().size();
    ControlNode::copyFrom(source, sceneManager);
    if (!list || list == this)
        return;
    // The children were copied, the source's private elements root among
    // them: this list has its own.
    const int64_t sourceRoot = list->getChildren().indexOf(list->m_elementsRoot.get());
    if (sourceRoot >= 0 && before + uint32_t(sourceRoot) < getChildren().size())
        static_cast<void>(removeChild(getChildren()[before + uint32_t(sourceRoot)]));
    m_selectedItem = list->m_selectedItem;
    m_circular = list->m_circular;
    m_orientation = list->m_orientation;
    m_selectWhileListing = list->m_selectWhileListing;
    // The copy's template root is its own: so are its parts.
    findParts();
    // Texts and flags are copied; images and objects are shared.
    m_items.insert(m_items.end(), list->m_items.begin(), list->m_items.end());
}
