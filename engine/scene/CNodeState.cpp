#include "engine/scene/CNodeState.h"

#include "engine/core/CEvent.h"
#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/scene/Animator.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CEventKeyFinished.h"
#include "engine/scene/CEventStateFinished.h"
#include "engine/scene/CEventStateStarted.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"

namespace {

// The keys of `list` with a reference each, so that keys dropped while they
// are applied or stopped live until the walk is over.
CArray<CRefHandle<Animator>> snapshot(const CArray<Animator*>& list) {
    CArray<CRefHandle<Animator>> keys;
    for (Animator* key : list)
        keys.push_back(CRefHandle<Animator>::share(key));
    return keys;
}

} // namespace

CNodeState::CNodeState(CName name) : m_name(name) { setMask(StateMask); }

CNodeState::~CNodeState() { clear(); }

const CPropertyTable& CNodeState::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& CNodeState::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable own(CPropertyObject::propertyTable());
        own.add(
            "Name",
            [](CPropertyObject* object, const CRefHandle<IPropertyData>& value) {
                static_cast<CNodeState*>(object)->m_name = getPropertyNameId(value);
            },
            [](const CPropertyObject* object) -> CRefHandle<IPropertyData> {
                return CPropertyDataString::createFromNameId(static_cast<const CNodeState*>(object)->m_name);
            });
        return own;
    }();
    return table;
}

const CEventHandlerTable& CNodeState::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable own(CEventReceiver::handlerTable());
        own.add<&CNodeState::onKeyNotification>(BaseNode::KeyNotificationId);
        own.add<&CNodeState::onKeyFinished>(CEventKeyFinished::TypeId);
        return own;
    }();
    return table;
}

bool CNodeState::handleEvent(CEvent* event) { return handleWithTable(handlerTable(), event); }

bool CNodeState::routeToParent(int, CEvent* event) {
    if (!m_node || !event || !(m_node->getMask() & event->getMask()))
        return false;
    // The node's handlers may drop its last reference; it lives until the
    // event is handled.
    const CRefHandle<BaseNode> node = CRefHandle<BaseNode>::share(m_node);
    return node->dispatch(HandleOnly, event);
}

void CNodeState::sendToNode(CEvent* event) { routeToParent(HandleOnly, event); }

void CNodeState::sendFinished(bool stopped) {
    CEventStateFinished* event = new CEventStateFinished(this, m_reportedId, stopped);
    sendToNode(event);
    event->release();
}

void CNodeState::setNode(BaseNode* node) {
    m_node = node;
    for (CArray<Animator*>* list : {&m_keys, &m_startKeys, &m_endKeys})
        for (Animator* key : *list)
            key->setTarget(node);
}

void CNodeState::applyKeys(const CArray<Animator*>& list) {
    for (const CRefHandle<Animator>& key : snapshot(list))
        key->apply(0, true);
}

void CNodeState::start(CUpdateScheduler* scheduler, CName reportId) {
    // The node's handlers may drop this state while it runs.
    const CRefHandle<CNodeState> keepAlive = CRefHandle<CNodeState>::share(this);
    m_reportedId = reportId.empty() ? m_name : reportId;
    CEventStateStarted* started = new CEventStateStarted(this, m_reportedId);
    sendToNode(started);
    started->release();
    m_endApplied = false;
    applyKeys(m_startKeys);
    applyKeys(m_keys);
    if (!scheduler) {
        m_pending = 0;
        return;
    }
    const CArray<CRefHandle<Animator>> keys = snapshot(m_keys);
    m_pending = int(keys.size());
    for (const CRefHandle<Animator>& key : keys)
        static_cast<void>(key->start(scheduler));
    if (keys.empty())
        sendFinished(false);
}

bool CNodeState::onKeyNotification(CEvent* event) {
    sendToNode(event);
    return false;
}

bool CNodeState::onKeyFinished(CEventKeyFinished* event) {
    const CRefHandle<CNodeState> keepAlive = CRefHandle<CNodeState>::share(this);
    sendToNode(event);
    if (m_pending == 0)
        return false;
    if (--m_pending > 0)
        return false;
    // A key that reported because it looped goes on running: the run is
    // finished for its node, but its end keys wait for stop.
    if (!event->isLooped()) {
        m_endApplied = true;
        applyKeys(m_endKeys);
    }
    sendFinished(false);
    return false;
}

void CNodeState::stop(bool complete) {
    const CRefHandle<CNodeState> keepAlive = CRefHandle<CNodeState>::share(this);
    for (const CRefHandle<Animator>& key : snapshot(m_keys))
        key->stop(complete, false);
    if (!m_endApplied) {
        m_endApplied = true;
        applyKeys(m_endKeys);
    }
    if (m_pending > 0) {
        m_pending = 0;
        sendFinished(true);
    }
}

void CNodeState::appendKey(CArray<Animator*>& list, Animator* key) {
    if (!key)
        return;
    key->addRef();
    key->setListener(this);
    key->setTarget(m_node);
    list.push_back(key);
}

void CNodeState::addKey(Animator* key) { appendKey(m_keys, key); }

void CNodeState::addStartKey(Animator* key) { appendKey(m_startKeys, key); }

void CNodeState::addEndKey(Animator* key) { appendKey(m_endKeys, key); }

void CNodeState::clear() {
    for (Animator* key : m_keys)
        key->stop(false, false);
    for (CArray<Animator*>* list : {&m_keys, &m_startKeys, &m_endKeys}) {
        CArray<Animator*> keys = std::move(*list);
        list->clear();
        for (Animator* key : keys) {
            key->setListener(nullptr);
            key->setTarget(nullptr);
            key->release();
        }
    }
}

CRefHandle<CNodeState> CNodeState::clone() const {
    CRefHandle<CNodeState> copy(new CNodeState(m_name));
    copy->m_nextState = m_nextState;
    for (Animator* key : m_keys)
        copy->addKey(key->clone().get());
    for (Animator* key : m_startKeys)
        copy->addStartKey(key->clone().get());
    for (Animator* key : m_endKeys)
        copy->addEndKey(key->clone().get());
    return copy;
}

void CNodeState::readXml(CXmlStreamReader* reader, IContentManager* contentManager, const KeyCreator& createKey) {
    clear();
    // A self-closing "State" element holds no keys; reading on would take
    // the elements that follow it.
    if (!reader || reader->isSelfClosing())
        return;
    static const CStringW stateName(u"State");
    static const CStringW mainName(u"Animator");
    static const CStringW startName(u"StartAnimator");
    static const CStringW endName(u"EndAnimator");
    while (reader->readNext()) {
        const int type = reader->nodeType();
        if (type == CXmlStreamReader::ElementEnd && reader->nodeName() == stateName)
            break;
        if (type != CXmlStreamReader::Element)
            continue;
        const CStringW elementName = reader->nodeName();
        CArray<Animator*>* list = elementName == mainName    ? &m_keys
                                  : elementName == startName ? &m_startKeys
                                  : elementName == endName   ? &m_endKeys
                                                             : nullptr;
        if (!list)
            continue;
        CRefHandle<Animator> key(createKey ? createKey(reader->attribute("Type")) : nullptr);
        // An unknown key's content is read on at this level and ignored.
        if (!key)
            continue;
        key->setName(CName(CString(reader->attribute("Name"))));
        key->load(reader, contentManager, elementName);
        appendKey(*list, key.get());
    }
}

void CNodeState::writeXml(CXmlStreamWriter* writer) const {
    if (!writer)
        return;
    const CStringW name(m_name.str());
    const CStringW next(m_nextState.str());
    writer->openElement(u"State", false, u"Name", name.c_str(), m_nextState.empty() ? nullptr : u"NextState",
                        m_nextState.empty() ? nullptr : next.c_str());
    writer->newLine();
    static const CStringW mainName(u"Animator");
    static const CStringW startName(u"StartAnimator");
    static const CStringW endName(u"EndAnimator");
    for (Animator* key : m_keys)
        key->save(writer, mainName);
    for (Animator* key : m_startKeys)
        key->save(writer, startName);
    for (Animator* key : m_endKeys)
        key->save(writer, endName);
    writer->closeElement(u"State");
    writer->newLine();
}
