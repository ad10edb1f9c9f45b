#include "engine/scene/CNodeFactory.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/scene/Animator.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/ControlNode.h"
#include "engine/scene/KeyFrame.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/SetProps.h"
#include "engine/scene/SetStates.h"
#include "engine/scene/TemplateCollectionNode.h"

namespace {

template <class T> BaseNode* createNodeOf(const CObjectName& name) { return new T(name, nullptr, nullptr); }

template <class T> Animator* createKeyOf() { return new T(); }

} // namespace

CNodeFactory::CNodeFactory() {
    // The standard nodes (sprites, texts, widgets, particles, sounds) live in
    // a higher library and register themselves there.
    static const CStringW baseNode(u"BaseNode");
    static const CStringW templateCollectionNode(u"TemplateCollectionNode");
    static const CStringW controlNode(u"ControlNode");
    static const CStringW sceneNode(u"SceneNode");
    static const CStringW keyFrame(u"KeyFrame");
    static const CStringW setProps(u"SetProps");
    static const CStringW setStates(u"SetStates");

    static_cast<void>(registerNodeClass(baseNode, &createNodeOf<BaseNode>));
    static_cast<void>(registerNodeClass(templateCollectionNode, &createNodeOf<TemplateCollectionNode>));
    static_cast<void>(registerNodeClass(controlNode, &createNodeOf<ControlNode>));
    static_cast<void>(registerNodeClass(sceneNode, &createNodeOf<SceneNode>));
    static_cast<void>(registerKeyClass(keyFrame, &createKeyOf<KeyFrame>));
    static_cast<void>(registerKeyClass(setProps, &createKeyOf<SetProps>));
    static_cast<void>(registerKeyClass(setStates, &createKeyOf<SetStates>));
}

CNodeFactory::~CNodeFactory() = default;

CNodeFactory* CNodeFactory::getShared() { return CEngineManagers::instance().getNodeFactory(); }

// The managers' slot lives in the core library, which cannot build a node
// factory: the getter is defined here, where the class is.
CNodeFactory* CEngineManagers::getNodeFactory() {
    if (!m_nodeFactory.get())
        m_nodeFactory.reset(new CNodeFactory);
    return m_nodeFactory.get();
}

bool CNodeFactory::registerNodeClass(const CStringW& className, NodeCreateFunction create) {
    if (!create)
        return false;
    return m_nodeClasses.insert(className, create).second;
}

bool CNodeFactory::registerKeyClass(const CStringW& className, KeyCreateFunction create) {
    if (!create)
        return false;
    return m_keyClasses.insert(className, create).second;
}

CRefHandle<BaseNode> CNodeFactory::createNode(const CStringW& className, const CObjectName& name) const {
    auto found = m_nodeClasses.find(className);
    if (found == m_nodeClasses.end()) {
        CLog::instance()->log(CStringW(u"Unknown node class: ") + className, CLog::Warning);
        return nullptr;
    }
    return CRefHandle<BaseNode>(found->value(name));
}

CRefHandle<Animator> CNodeFactory::createKey(const CStringW& className) const {
    auto found = m_keyClasses.find(className);
    if (found == m_keyClasses.end()) {
        CLog::instance()->log(CStringW(u"Unknown animation key class: ") + className, CLog::Warning);
        return nullptr;
    }
    return CRefHandle<Animator>(found->value());
}
