#include "engine/scene/BaseNode.h"

#include "engine/content/ContentType.h"
#include "engine/core/CEvent.h"
#include "engine/core/CLog.h"
#include "engine/core/CRect.h"
#include "engine/core/CStringW.h"
#include "engine/core/NumberText.h"
#include "engine/scene/CEventDictionaryChanged.h"
#include "engine/scene/CEventKeyFinished.h"
#include "engine/scene/CEventManagerAttached.h"
#include "engine/scene/CEventNodeStateApplying.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/CEventNodeStateFinished.h"
#include "engine/scene/CEventNodeStateMissing.h"
#include "engine/scene/CEventStateFinished.h"
#include "engine/scene/CEventStateStarted.h"
#include "engine/scene/CEventTemplatesChanged.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyDataVector3d.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/CSceneFileWriter.h"
#include "engine/scene/NodeLayoutBits.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/CRectI.h"
#include "engine/video/IGraphicsDriver.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// 1/255 as a single-precision float (slightly above 1/255): 255 x 255 stays
// 255 and 127 x 127 gives 63.
constexpr float kColorScale = 0.0039215689f;
constexpr float kDegreesToRadians = 0.017453292f;
// Fallbacks followed for one setState before giving up (a fallback table
// whose names lead in a circle would otherwise never end).
constexpr int kMaxFallbacks = 64;
// A 2D part whose determinant is this close to 0 has no usable inverse.
constexpr float kSingularDeterminant = 1e-6f;

BaseNode* asNode(CPropertyObject* object) { return static_cast<BaseNode*>(object); }
const BaseNode* asNode(const CPropertyObject* object) { return static_cast<const BaseNode*>(object); }

bool differsFrom(const CVector3d& value, const CVector3d& reference) { return !value.equals(reference, 1e-6f); }

// The driver's scissor rectangle for a screen rectangle. Positions come from
// files: NaN and huge corners saturate.
CRectI scissorOf(const CRect& rect) {
    return CRectI(truncateToInt(rect.left), truncateToInt(rect.top), truncateToInt(rect.right),
                  truncateToInt(rect.bottom));
}

uint32_t modulateChannel(uint32_t parent, uint32_t own) { return uint32_t(float(parent) * float(own) * kColorScale); }

// The entry of one 4-bit layout field; AlignmentX reads back signed.
template <int Shift, bool Signed> void addLayoutEntry(CPropertyTable& table, const char* name) {
    table.add(
        name,
        [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) {
            asNode(o)->setNodeLayout(setLayoutField(asNode(o)->getNodeLayout(), Shift, getPropertyInt(v)));
        },
        [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
            const uint32_t word = asNode(o)->getNodeLayout();
            return CPropertyDataInt::create(Signed ? getLayoutFieldSigned(word, Shift) : getLayoutField(word, Shift));
        });
}

} // namespace

BaseNode::BaseNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : IContent(contentName, 0), m_sceneManager(sceneManager) {
    setMask(NodeMask);
    if (parent)
        parent->addChild(this);
}

BaseNode::~BaseNode() {
    removeAllChildren();
    releaseStates();
}

const CStringW& BaseNode::getTypeName() const {
    static const CStringW name(u"BaseNode");
    return name;
}

const CStringW& BaseNode::getClassName() const { return BaseNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& BaseNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& BaseNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(CPropertyObject::propertyTable());
        t.add(
            "Name",
            [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) { asNode(o)->m_name = getPropertyNameId(v); },
            [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
                return CPropertyDataString::createFromNameId(asNode(o)->m_name);
            });
        t.add(
            "Visible",
            [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) { asNode(o)->m_visible = getPropertyBool(v); },
            [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
                return CPropertyDataBool::create(asNode(o)->m_visible);
            });
        t.add(
            "Position",
            [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) {
                asNode(o)->setPosition(getPropertyVector3d(v));
            },
            [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
                return CPropertyDataVector3d::create(asNode(o)->m_position);
            });
        t.add(
            "Rotation",
            [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) {
                asNode(o)->setRotation(getPropertyVector3d(v));
            },
            [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
                return CPropertyDataVector3d::create(asNode(o)->m_rotation);
            });
        t.add(
            "Scale",
            [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) { asNode(o)->setScale(getPropertyVector3d(v)); },
            [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
                return CPropertyDataVector3d::create(asNode(o)->m_scale);
            });
        t.add(
            "Bounds",
            [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) {
                asNode(o)->setBounds(getPropertyVector3d(v));
            },
            [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
                return CPropertyDataVector3d::create(asNode(o)->m_bounds);
            });
        t.add(
            "PivotPoint",
            [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) {
                asNode(o)->setPivotPoint(getPropertyVector2d(v));
            },
            [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
                return CPropertyDataVector2d::create(asNode(o)->m_pivotPoint);
            });
        t.add(
            "TintColor",
            [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) {
                asNode(o)->setTintColor(getPropertyColor(v));
            },
            [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
                return CPropertyDataColor::create(asNode(o)->m_tintColor);
            });
        addLayoutEntry<kLayoutAlignmentXShift, true>(t, "AlignmentX");
        addLayoutEntry<kLayoutAlignmentYShift, false>(t, "AlignmentY");
        addLayoutEntry<kLayoutAnchorXShift, false>(t, "AnchorX");
        addLayoutEntry<kLayoutAnchorYShift, false>(t, "AnchorY");
        addLayoutEntry<kLayoutSizePolicyXShift, false>(t, "SizePolicyX");
        addLayoutEntry<kLayoutSizePolicyYShift, false>(t, "SizePolicyY");
        t.add(
            "DefaultState",
            [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) {
                asNode(o)->m_defaultState = getPropertyNameId(v);
            },
            [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
                return CPropertyDataString::createFromNameId(asNode(o)->m_defaultState);
            });
        t.add(
            "ChildrenClipped",
            [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) {
                asNode(o)->m_childrenClipped = getPropertyBool(v);
            },
            [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
                return CPropertyDataBool::create(asNode(o)->m_childrenClipped);
            });
        t.add(
            "CanBeHit",
            [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) { asNode(o)->m_canBeHit = getPropertyBool(v); },
            [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
                return CPropertyDataBool::create(asNode(o)->m_canBeHit);
            });
        t.add(
            "DebugDataVisible",
            [](CPropertyObject* o, const CRefHandle<IPropertyData>& v) {
                asNode(o)->m_debugDataVisible = getPropertyBool(v);
            },
            [](const CPropertyObject* o) -> CRefHandle<IPropertyData> {
                return CPropertyDataBool::create(asNode(o)->m_debugDataVisible);
            });
        return t;
    }();
    return table;
}

void BaseNode::writeProperties(CPropertyBag& bag) const {
    if (!m_name.empty())
        bag.setString("Name", m_name.str());
    if (!m_visible)
        bag.setBool("Visible", false);
    if (differsFrom(m_position, CVector3d(0.0f, 0.0f, 0.0f)))
        bag.setVector3d("Position", m_position);
    if (differsFrom(m_rotation, CVector3d(0.0f, 0.0f, 0.0f)))
        bag.setVector3d("Rotation", m_rotation);
    if (differsFrom(m_scale, CVector3d(1.0f, 1.0f, 1.0f)))
        bag.setVector3d("Scale", m_scale);
    if (differsFrom(m_bounds, CVector3d(100.0f, 100.0f, 0.0f)))
        bag.setVector3d("Bounds", m_bounds);
    if (m_pivotPoint.x != 0.0f || m_pivotPoint.y != 0.0f)
        bag.setVector2d("PivotPoint", m_pivotPoint);
    if (m_tintColor.value != 0xFFFFFFFFu)
        bag.setColor("TintColor", m_tintColor);
    if (m_nodeLayout != 0)
        bag.setInt("NodeLayout", int(m_nodeLayout));
    if (!m_defaultState.empty())
        bag.setString("DefaultState", m_defaultState.str());
    if (m_childrenClipped)
        bag.setBool("ChildrenClipped", true);
    if (!m_canBeHit)
        bag.setBool("CanBeHit", false);
    if (m_debugDataVisible)
        bag.setBool("DebugDataVisible", true);
}

void BaseNode::readProperties(const CPropertyBag& bag) {
    // A key that is present, even with a value of no registered kind, sets
    // its field; an absent key leaves it.
    auto present = [&bag](const char* key) { return bag.indexOf(key) >= 0; };
    if (present("Name"))
        m_name = getPropertyNameId(bag.get("Name"));
    if (present("Visible"))
        m_visible = getPropertyBool(bag.get("Visible"));
    if (present("Position"))
        setPosition(getPropertyVector3d(bag.get("Position")));
    if (present("Rotation"))
        setRotation(getPropertyVector3d(bag.get("Rotation")));
    if (present("Scale"))
        setScale(getPropertyVector3d(bag.get("Scale")));
    if (present("Bounds"))
        setBounds(getPropertyVector3d(bag.get("Bounds")));
    if (present("PivotPoint"))
        setPivotPoint(getPropertyVector2d(bag.get("PivotPoint")));
    if (present("TintColor"))
        setTintColor(getPropertyColor(bag.get("TintColor")));
    if (present("NodeLayout"))
        m_nodeLayout = uint32_t(getPropertyInt(bag.get("NodeLayout")));
    if (present("DefaultState"))
        m_defaultState = getPropertyNameId(bag.get("DefaultState"));
    if (present("CanBeHit"))
        m_canBeHit = getPropertyBool(bag.get("CanBeHit"));
    if (present("ChildrenClipped"))
        m_childrenClipped = getPropertyBool(bag.get("ChildrenClipped"));
}

// ---------------------------------------------------------------------------
// Content, cloning and copying

IContent* BaseNode::clone() const { return clone(nullptr, m_sceneManager); }

uint32_t BaseNode::getContentType() const { return ContentTypeSceneNode; }

BaseNode* BaseNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<BaseNode>(parent, sceneManager);
}

bool BaseNode::readFromXml(CSceneFileReader& reader) { return reader.readElement(this); }

bool BaseNode::writeToXml(CSceneFileWriter& writer) const { return writer.writeElement(this); }

void BaseNode::copyFrom(const BaseNode* source, BaseNode*) {
    if (!source || source == this)
        return;
    m_name = source->m_name;
    m_visible = source->m_visible;
    m_absoluteTransformation = source->m_absoluteTransformation;
    m_position = source->m_position;
    m_rotation = source->m_rotation;
    m_scale = source->m_scale;
    m_bounds = source->m_bounds;
    m_pivotPoint = source->m_pivotPoint;
    m_tintColor = source->m_tintColor;
    m_nodeLayout = source->m_nodeLayout;
    m_canBeHit = source->m_canBeHit;
    m_childrenClipped = source->m_childrenClipped;
    m_defaultState = source->m_defaultState;
    m_debugDataVisible = source->m_debugDataVisible;
    m_fileRecord = source->m_fileRecord ? std::make_unique<FileRecord>(*source->m_fileRecord) : nullptr;
    copyChildrenAndStates(source, this);
}

void BaseNode::copyChildrenAndStates(const BaseNode* source, BaseNode* target) {
    if (!source || !target || source == target)
        return;
    // Stopping the target's state reports to its parent, whose handler may
    // drop the target.
    const CRefHandle<BaseNode> keepTarget = CRefHandle<BaseNode>::share(target);
    // A snapshot: cloning into a target inside the source's own subtree must
    // not visit the clones.
    for (const CRefHandle<BaseNode>& child : childSnapshot(source))
        static_cast<void>(child->clone(target, target->m_sceneManager));
    for (const CNodeState* sourceState : source->m_states) {
        CRefHandle<CNodeState> state = sourceState->clone();
        // A state renamed after it was registered may meet a taken name; the
        // first one stays.
        static_cast<void>(target->addState(state.get()));
    }
    target->applyDefaultState();
}

// ---------------------------------------------------------------------------
// Events

const CEventHandlerTable& BaseNode::getEventHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& BaseNode::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(CEventReceiver::handlerTable());
        t.add<&BaseNode::onManagerAttached>(CEventManagerAttached::TypeId);
        t.add<&BaseNode::onTemplatesChanged>(CEventTemplatesChanged::TypeId);
        t.add<&BaseNode::onDictionaryChanged>(CEventDictionaryChanged::TypeId);
        t.add<&BaseNode::onKeyNotification>(KeyNotificationId);
        t.add<&BaseNode::onKeyFinished>(CEventKeyFinished::TypeId);
        t.add<&BaseNode::onStateStarted>(CEventStateStarted::TypeId);
        t.add<&BaseNode::onStateActionFinished>(CEventStateFinished::TypeId);
        t.add<&BaseNode::onChildStateFinished>(CEventNodeStateFinished::TypeId);
        t.add<&BaseNode::onAllChildrenFinished>(CEventNodeStateCompleted::TypeId);
        return t;
    }();
    return table;
}

bool BaseNode::handleEvent(CEvent* event) { return handleWithTable(getEventHandlerTable(), event); }

bool BaseNode::routeToChildren(int phase, CEvent* event) {
    if (!event)
        return false;
    const CArray<CRefHandle<BaseNode>> children = childSnapshot(this);
    const bool input = event->isKindOf(CEvent::KindInput);
    for (uint32_t i = children.size(); i-- > 0;) {
        BaseNode* child = children[i].get();
        const bool accepts = (child->getMask() & event->getMask()) || (input && child->m_nestedManagers > 0);
        if (accepts && child->dispatch(phase, event))
            return true;
    }
    return false;
}

bool BaseNode::routeToParent(int phase, CEvent* event) {
    if (!event || !m_parent || !(m_parent->getMask() & event->getMask()))
        return false;
    // The parent's handlers may detach it from its own parent, which may hold
    // its last reference.
    const CRefHandle<BaseNode> parent = CRefHandle<BaseNode>::share(m_parent);
    return parent->dispatch(phase, event);
}

void BaseNode::postDeferred(CEvent* event, int phase) {
    if (!event || !m_sceneManager || !(getMask() & event->getMask()))
        return;
    m_sceneManager->queueEvent(this, phase, event);
}

void BaseNode::postDeferred(CEventReceiver* receiver, int phase, CEvent* event) {
    if (!event || !receiver || !m_sceneManager || !(receiver->getMask() & event->getMask()))
        return;
    m_sceneManager->queueEvent(receiver, phase, event);
}

void BaseNode::postDeferredToParent(CEvent* event, int phase) {
    if (!event || !m_sceneManager || !m_parent || !(m_parent->getMask() & event->getMask()))
        return;
    m_sceneManager->queueEvent(m_parent, phase, event);
}

void BaseNode::queueEvent(CEventReceiver*, int, CEvent*) {}

bool BaseNode::onManagerAttached(CEventManagerAttached*) { return false; }

bool BaseNode::onTemplatesChanged(CEventTemplatesChanged*) { return false; }

bool BaseNode::onDictionaryChanged(CEventDictionaryChanged*) { return false; }

bool BaseNode::onKeyNotification(CEvent*) { return false; }

bool BaseNode::onKeyFinished(CEventKeyFinished*) { return false; }

bool BaseNode::onStateStarted(CEventStateStarted*) { return false; }

bool BaseNode::onStateActionFinished(CEventStateFinished* event) {
    // The parent's handler may drop this node or its states.
    const CRefHandle<BaseNode> keepNode = CRefHandle<BaseNode>::share(this);
    CNodeState* state = event->getState();
    if (!state || state != m_currentState)
        return false;
    const CRefHandle<CNodeState> keepState = CRefHandle<CNodeState>::share(state);
    const bool consumed = routeNewToParent<CEventNodeStateFinished>(HandleOnly, this, event->getReportedId());
    const CName next = state->getNextState();
    if (consumed || event->isStopped() || next.empty() || referenceCount() <= 1)
        return false;
    // States without keys finish inside their own start; a chain of them
    // that leads back to itself would follow NextState for ever. A run of
    // more such steps than the node has states must be such a loop.
    if (m_nextStateDepth > m_states.size()) {
        CLog::instance()->log(CString("Node states follow each other in a loop without time passing: ") +
                                  state->getName().str(),
                              CLog::Warning);
        return false;
    }
    ++m_nextStateDepth;
    setState(next, nullptr, CName());
    --m_nextStateDepth;
    return false;
}

bool BaseNode::onChildStateFinished(CEventNodeStateFinished* event) {
    // Handlers of event 83 may drop this node.
    const CRefHandle<BaseNode> keepNode = CRefHandle<BaseNode>::share(this);
    BaseNode* child = event->getNode();
    if (!child || child->m_parent != this)
        return false;
    auto pending = m_pendingCounts.find(event->getStateId());
    if (pending == m_pendingCounts.end() || pending->value <= 0)
        return false;
    if (--pending->value > 0)
        return false;
    const CRefHandle<CEventNodeStateCompleted> completed(new CEventNodeStateCompleted(this, event->getStateId()));
    if (!handleEvent(completed.get()))
        routeToParent(HandleOnly, completed.get());
    return false;
}

bool BaseNode::onAllChildrenFinished(CEventNodeStateCompleted*) { return false; }

// ---------------------------------------------------------------------------
// Tree

void BaseNode::addChild(BaseNode* child) { insertAt(child, 0, true); }

void BaseNode::insertChild(BaseNode* child, BaseNode* after) {
    if (!child || child == this)
        return;
    if (!after) {
        insertAt(child, 0, false);
        return;
    }
    // The position is taken once the child has left its old place, which
    // may be in this very list.
    insertAt(child, UINT32_MAX, false);
    const int64_t childIndex = m_children.indexOf(child);
    if (after == child || childIndex < 0 || m_children.indexOf(after) < 0)
        return;
    m_children.erase(uint32_t(childIndex));
    const int64_t target = m_children.indexOf(after);
    m_children.insert(child, uint32_t(target + 1));
}

void BaseNode::insertChild(BaseNode* child, int index) { insertAt(child, index < 0 ? 0 : uint32_t(index), false); }

void BaseNode::insertAt(BaseNode* child, uint32_t index, bool atEnd) {
    if (!child || child == this)
        return;
    if (child->isAncestorOf(this)) {
        CLog::instance()->log(CString("Can't add a node below its own descendant: ") + child->m_name.str(),
                              CLog::Warning);
        return;
    }
    // The reference first: the old parent may hold the child's last one.
    child->addRef();
    child->detachFromParent();
    if (!child->m_notSerialised) {
        if (atEnd || index >= m_children.size())
            m_children.push_back(child);
        else
            m_children.insert(child, index);
    }
    child->m_parent = this;
    if (child->m_nestedManagers)
        addNestedManagers(int32_t(child->m_nestedManagers));
    // Its absolute transform and tint now depend on another parent.
    child->m_transformDirty = true;
    child->m_colorDirty = true;
    passLinksToChild(child);
}

void BaseNode::detachFromParent() {
    if (!m_parent || m_parent->removeChild(this))
        return;
    // Not in the list (a template root): only the link goes.
    BaseNode* parent = m_parent;
    m_parent = nullptr;
    if (m_nestedManagers)
        parent->addNestedManagers(-int32_t(m_nestedManagers));
    parent->notifyDescendantRemoved(this);
}

bool BaseNode::removeChild(BaseNode* child) {
    const int64_t index = child ? m_children.indexOf(child) : -1;
    if (index < 0)
        return false;
    m_children.erase(uint32_t(index));
    child->m_parent = nullptr;
    if (child->m_nestedManagers)
        addNestedManagers(-int32_t(child->m_nestedManagers));
    child->setSceneManager(nullptr, nullptr);
    notifyDescendantRemoved(child);
    child->release();
    return true;
}

void BaseNode::removeAllChildren() {
    CArray<BaseNode*> children = std::move(m_children);
    m_children.clear();
    for (BaseNode* child : children) {
        child->m_parent = nullptr;
        if (child->m_nestedManagers)
            addNestedManagers(-int32_t(child->m_nestedManagers));
        child->setSceneManager(nullptr, nullptr);
        notifyDescendantRemoved(child);
        child->release();
    }
}

void BaseNode::addNestedManagers(int32_t delta) {
    for (BaseNode* up = this; up; up = up->m_parent)
        up->m_nestedManagers = uint32_t(int32_t(up->m_nestedManagers) + delta);
}

void BaseNode::notifyDescendantRemoved(BaseNode* node) {
    for (BaseNode* up = this; up; up = up->m_parent)
        up->onDescendantRemoved(node);
}

CArray<CRefHandle<BaseNode>> BaseNode::childSnapshot(const BaseNode* node) {
    CArray<CRefHandle<BaseNode>> children;
    if (!node)
        return children;
    for (BaseNode* child : node->m_children)
        children.push_back(CRefHandle<BaseNode>::share(child));
    return children;
}

void BaseNode::passLinksToChild(BaseNode* child) { child->setSceneManager(m_sceneManager, m_ownerScene); }

void BaseNode::setParent(BaseNode* parent) {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    detachFromParent();
    if (parent)
        parent->addChild(this);
}

BaseNode* BaseNode::findChild(CName name, int depth) const {
    for (BaseNode* child : m_children)
        if (child->m_name == name)
            return child;
    if (depth == 1 || depth < -1)
        return nullptr;
    const int next = depth <= 0 ? depth : depth - 1;
    for (BaseNode* child : m_children)
        if (BaseNode* found = child->findChild(name, next))
            return found;
    return nullptr;
}

BaseNode* BaseNode::getNodeAt(const CVector3d& point) {
    if (!m_visible || !m_canBeHit)
        return nullptr;
    if (hitTest(point))
        return this;
    for (BaseNode* child : m_children)
        if (BaseNode* found = child->getNodeAt(point))
            return found;
    return nullptr;
}

void BaseNode::setSceneManager(BaseNode* sceneManager, BaseNode* ownerScene) {
    storeSceneManager(sceneManager, ownerScene);
    for (const CRefHandle<BaseNode>& child : childSnapshot(this))
        child->setSceneManager(sceneManager, ownerScene);
    if (ownerScene)
        applyDefaultState();
}

void BaseNode::storeSceneManager(BaseNode* sceneManager, BaseNode* ownerScene) {
    m_sceneManager = sceneManager;
    m_ownerScene = ownerScene;
}

bool BaseNode::isAncestorOf(const BaseNode* node) const {
    for (const BaseNode* up = node ? node->m_parent : nullptr; up; up = up->m_parent)
        if (up == this)
            return true;
    return false;
}

void BaseNode::setUserData(CRefCounted* data) { m_userData = CRefHandle<CRefCounted>::share(data); }

void BaseNode::setDeclaredClass(const CStringW& type, const CStringW& classOverride) {
    if (classOverride.empty()) {
        if (m_fileRecord)
            m_fileRecord->type = m_fileRecord->classOverride = CStringW();
        return;
    }
    if (!m_fileRecord)
        m_fileRecord = std::make_unique<FileRecord>();
    m_fileRecord->type = type;
    m_fileRecord->classOverride = classOverride;
}

namespace {
const CStringW& emptyText() {
    static const CStringW empty;
    return empty;
}
} // namespace

const CStringW& BaseNode::getDeclaredType() const { return m_fileRecord ? m_fileRecord->type : emptyText(); }

const CStringW& BaseNode::getClassOverride() const { return m_fileRecord ? m_fileRecord->classOverride : emptyText(); }

void BaseNode::addUsedCollection(const CStringW& fullName) {
    if (fullName.empty())
        return;
    if (!m_fileRecord)
        m_fileRecord = std::make_unique<FileRecord>();
    if (m_fileRecord->uses.indexOf(fullName) < 0)
        m_fileRecord->uses.push_back(fullName);
}

const CArray<CStringW>& BaseNode::getUsedCollections() const {
    static const CArray<CStringW> none;
    return m_fileRecord ? m_fileRecord->uses : none;
}

// ---------------------------------------------------------------------------
// States

CNodeState* BaseNode::findState(CName id) const {
    // A node has a handful of states: a scan by name id beats a tree.
    for (CNodeState* state : m_states)
        if (state->getName() == id)
            return state;
    return nullptr;
}

bool BaseNode::addState(CNodeState* state) {
    if (!state || findState(state->getName()))
        return false;
    state->addRef();
    state->setNode(this);
    m_states.push_back(state);
    return true;
}

CUpdateScheduler* BaseNode::getStateScheduler() const {
    return m_ownerScene ? m_ownerScene->getSceneScheduler() : nullptr;
}

void BaseNode::setState(CName id, FallbackFunction fallback, CName reportedId) {
    if (id.empty())
        return;
    // Stopping the old state reports to the parent, whose handler may drop
    // this node.
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    if (reportedId.empty())
        reportedId = id;
    CName wanted = id;
    for (int step = 0; step <= kMaxFallbacks; ++step) {
        if (CNodeState* state = findState(wanted)) {
            const CRefHandle<CNodeState> keepState = CRefHandle<CNodeState>::share(state);
            stopCurrentState(false);
            // Handlers run by the stop may have released this node's states;
            // the current state must be one the node holds.
            if (findState(wanted) != state)
                return;
            m_currentState = state;
            state->start(getStateScheduler(), reportedId);
            return;
        }
        const CName other = fallback ? fallback(wanted) : CName();
        if (other.empty())
            break;
        wanted = other;
    }
    reportStateEvents(reportedId, false);
}

void BaseNode::applyStateRecursive(CName id, FallbackFunction fallback) {
    if (m_children.empty()) {
        reportStateEvents(id, true);
        return;
    }
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    handleNew<CEventNodeStateApplying>(this, id);
    const CArray<CRefHandle<BaseNode>> children = childSnapshot(this);
    // Children still running this state from an earlier application end that
    // run first, while nothing is counted: their reports belong to it, and
    // only the run applied now counts toward event 83.
    m_pendingCounts[id] = 0;
    for (const CRefHandle<BaseNode>& child : children) {
        const CNodeState* current = child->m_currentState;
        if (current && current->getReportedId() == id && child->m_parent == this)
            child->stopCurrentState(false);
    }
    m_pendingCounts[id] = int(children.size());
    for (const CRefHandle<BaseNode>& child : children)
        child->setState(id, fallback, CName());
}

void BaseNode::reportStateEvents(CName stateId, bool self) {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    if (self) {
        handleNew<CEventNodeStateApplying>(this, stateId);
        handleNew<CEventNodeStateCompleted>(this, stateId);
        return;
    }
    routeNewToParent<CEventNodeStateMissing>(HandleOnly, this, stateId);
    routeNewToParent<CEventNodeStateFinished>(HandleOnly, this, stateId);
}

int BaseNode::getPendingCount(CName state) const {
    auto found = m_pendingCounts.find(state);
    return found == m_pendingCounts.end() ? 0 : found->value;
}

void BaseNode::stopState(CName id, bool complete) {
    if (CNodeState* state = findState(id)) {
        const CRefHandle<CNodeState> keepState = CRefHandle<CNodeState>::share(state);
        state->stop(complete);
    }
}

void BaseNode::stopStates(bool complete) {
    CArray<CRefHandle<CNodeState>> states;
    for (CNodeState* state : m_states)
        states.push_back(CRefHandle<CNodeState>::share(state));
    for (const CRefHandle<CNodeState>& state : states)
        state->stop(complete);
}

void BaseNode::stopChildStates(bool complete) {
    for (const CRefHandle<BaseNode>& child : childSnapshot(this))
        child->stopCurrentState(complete);
}

void BaseNode::stopCurrentState(bool complete) {
    CNodeState* current = m_currentState;
    if (!current)
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const CRefHandle<CNodeState> keepState = CRefHandle<CNodeState>::share(current);
    // The state reports its end (79) while it is still current.
    current->stop(complete);
    if (m_currentState == current)
        m_currentState = nullptr;
}

void BaseNode::releaseStates() {
    CArray<CNodeState*> states = std::move(m_states);
    m_states.clear();
    m_currentState = nullptr;
    for (CNodeState* state : states) {
        // A state kept alive elsewhere must not go on driving this node.
        state->setNode(nullptr);
        state->release();
    }
}

void BaseNode::applyDefaultState() {
    if (m_defaultState.empty())
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    stopCurrentState(false);
    setState(m_defaultState, nullptr, CName());
}

// ---------------------------------------------------------------------------
// Drawing and picking

void BaseNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!m_visible)
        return;
    refreshDirtyTransformAndColor();
    if (m_childrenClipped) {
        if (!m_children.empty())
            list.push_back(CRenderItem{this, 0, getDepth()});
        return;
    }
    registerChildren(m_children, list);
}

void BaseNode::render(IGraphicsDriver* driver, const CRect* clip) {
    if (!driver || !m_childrenClipped)
        return;
    CArray<CRenderItem> list;
    registerChildren(m_children, list);
    renderClippedGroup(driver, list, clip);
}

void BaseNode::renderClippedGroup(IGraphicsDriver* driver, CArray<CRenderItem>& list, const CRect* outerClip) const {
    if (!driver)
        return;
    if (m_sceneManager && m_sceneManager->isDepthSortingEnabled())
        sortRenderList(list);
    if (list.empty())
        return;
    // The screen box around the four corners of the bounds, so that a
    // mirrored or turned group still clips to where it is.
    CVector3d corners[4] = {
        {0.0f, 0.0f, 0.0f}, {m_bounds.x, 0.0f, 0.0f}, {m_bounds.x, m_bounds.y, 0.0f}, {0.0f, m_bounds.y, 0.0f}};
    for (CVector3d& corner : corners)
        m_absoluteTransformation.transformPoint(corner);
    CRect clip(corners[0].x, corners[0].y, corners[0].x, corners[0].y);
    for (const CVector3d& corner : corners) {
        clip.left = std::min(clip.left, corner.x);
        clip.top = std::min(clip.top, corner.y);
        clip.right = std::max(clip.right, corner.x);
        clip.bottom = std::max(clip.bottom, corner.y);
    }
    if (outerClip) {
        clip = CRect(std::max(clip.left, outerClip->left), std::max(clip.top, outerClip->top),
                     std::min(clip.right, outerClip->right), std::min(clip.bottom, outerClip->bottom));
        // Wholly outside the outer group: an empty rectangle, which clips
        // everything (a reversed one would not reach the driver).
        clip.right = std::max(clip.right, clip.left);
        clip.bottom = std::max(clip.bottom, clip.top);
    }
    CQuadBatch* batch = driver->quadBatch();
    if (batch)
        batch->flush();
    driver->setScissorRect(scissorOf(clip));
    driver->enableScissor(true);
    for (CRenderItem& item : list) {
        item.clip = &clip;
        item.node->render(driver, item.clip);
    }
    // The group's batched quads are drawn while the scissor still clips them.
    if (batch)
        batch->flush();
    if (outerClip)
        driver->setScissorRect(scissorOf(*outerClip));
    else
        driver->enableScissor(false);
}

bool BaseNode::isPointInside(const CVector3d& point) const {
    // Nodes live in the plane: only the 2D affine part maps them, so a z
    // scale of 0 (a scale written as "x;y") does not matter here.
    const CMat4& m = m_absoluteTransformation;
    const float determinant = m[0] * m[5] - m[1] * m[4];
    // A degenerate node (zero scale, say) covers no area; NaN fails too.
    if (!(std::fabs(determinant) > kSingularDeterminant))
        return false;
    const float dx = point.x - m[12];
    const float dy = point.y - m[13];
    const float x = (dx * m[5] - dy * m[4]) / determinant;
    const float y = (dy * m[0] - dx * m[1]) / determinant;
    return x > 0.0f && x < m_bounds.x && y > 0.0f && y < m_bounds.y;
}

bool BaseNode::hitTest(const CVector3d&) const { return false; }

void BaseNode::refreshDirtyTransformAndColor() {
    if (m_transformDirty)
        updateAbsoluteTransformation();
    if (m_colorDirty)
        updateAbsoluteColor();
}

// ---------------------------------------------------------------------------
// Transform and colour

void BaseNode::setPosition(const CVector3d& position) {
    m_position = position;
    m_transformDirty = true;
}

void BaseNode::setRotation(const CVector3d& rotation) {
    m_rotation = rotation;
    m_transformDirty = true;
}

void BaseNode::setScale(const CVector3d& scale) {
    m_scale = scale;
    m_transformDirty = true;
}

void BaseNode::setBounds(const CVector3d& bounds) {
    m_bounds = bounds;
    m_transformDirty = true;
}

void BaseNode::setPivotPoint(const CVector2d& pivot) {
    m_pivotPoint = pivot;
    m_transformDirty = true;
}

void BaseNode::setTintColor(CColor color) {
    m_tintColor = color;
    m_colorDirty = true;
}

CMat4 BaseNode::getRelativeTransformation() const {
    CMat4 m;
    if (m_rotation.x != 0.0f || m_rotation.y != 0.0f || m_rotation.z != 0.0f) {
        const float ax = m_rotation.x * kDegreesToRadians;
        const float ay = m_rotation.y * kDegreesToRadians;
        const float az = m_rotation.z * kDegreesToRadians;
        const float cx = std::cos(ax), sx = std::sin(ax);
        const float cy = std::cos(ay), sy = std::sin(ay);
        const float cz = std::cos(az), sz = std::sin(az);
        m = CMat4(std::array<float, 16>{cy * cz, cy * sz, -sy, 0.0f,                                   //
                                        sx * sy * cz - cx * sz, sx * sy * sz + cx * cz, sx * cy, 0.0f, //
                                        cx * sy * cz + sx * sz, cx * sy * sz - sx * cz, cx * cy, 0.0f, //
                                        0.0f, 0.0f, 0.0f, 1.0f});
    }
    if (m_position.x != 0.0f || m_position.y != 0.0f || m_position.z != 0.0f)
        m.setTranslation(m_position);
    if (differsFrom(m_scale, CVector3d(1.0f, 1.0f, 1.0f))) {
        CMat4 scale;
        scale[0] = m_scale.x;
        scale[5] = m_scale.y;
        scale[10] = m_scale.z;
        m = m.multiply(scale);
    }
    if (m_pivotPoint.x != 0.0f || m_pivotPoint.y != 0.0f) {
        CMat4 pivot;
        pivot.setTranslation(CVector3d(-m_pivotPoint.x, -m_pivotPoint.y, 0.0f));
        m = m.multiply(pivot);
    }
    return m;
}

void BaseNode::updateAbsoluteTransformation() {
    const CMat4 relative = getRelativeTransformation();
    if (!m_parent) {
        m_absoluteTransformation = relative;
    } else {
        const CMat4& p = m_parent->m_absoluteTransformation;
        if (p.isIdentity()) {
            m_absoluteTransformation = relative;
        } else if (relative.isIdentity()) {
            m_absoluteTransformation = p;
        } else {
            // Only the 2D affine part: nodes turn about z alone.
            const CMat4& r = relative;
            CMat4& a = m_absoluteTransformation;
            const float a0 = p[0] * r[0] + p[4] * r[1];
            const float a1 = p[1] * r[0] + p[5] * r[1];
            const float a4 = p[0] * r[4] + p[4] * r[5];
            const float a5 = p[1] * r[4] + p[5] * r[5];
            const float a12 = p[0] * r[12] + p[4] * r[13] + p[12];
            const float a13 = p[1] * r[12] + p[5] * r[13] + p[13];
            const float a14 = p[14] + r[14];
            a[0] = a0;
            a[1] = a1;
            a[4] = a4;
            a[5] = a5;
            a[12] = a12;
            a[13] = a13;
            a[14] = a14;
        }
    }
    for (BaseNode* child : m_children)
        child->updateAbsoluteTransformation();
    m_transformDirty = false;
}

void BaseNode::updateAbsoluteColor() {
    if (!m_parent) {
        m_absoluteColor = m_tintColor;
    } else {
        const CColor p = m_parent->m_absoluteColor;
        const CColor o = m_tintColor;
        m_absoluteColor = CColor(modulateChannel(p.alpha(), o.alpha()), modulateChannel(p.red(), o.red()),
                                 modulateChannel(p.green(), o.green()), modulateChannel(p.blue(), o.blue()));
    }
    for (BaseNode* child : m_children)
        child->updateAbsoluteColor();
    m_colorDirty = false;
}
