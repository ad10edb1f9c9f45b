#pragma once

#include "engine/core/CEventReceiver.h"
#include "engine/core/CMap.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"

class Animator;
class BaseNode;

// Makes nodes and animation keys from the class names that scene files carry
// ("SpriteNode", "KeyFrame"). Nodes and keys have separate maps; names are
// compared exactly (case-sensitive). The constructor registers the classes of
// this library (BaseNode, TemplateCollectionNode, ControlNode, SceneNode and
// the keys KeyFrame, SetProps, SetStates); the application adds its node
// classes later under its own names. Registration is additive: the first
// registration of a name stays.
//
// Contract for the standard-node library, which lives above this one: it
// registers its node classes (SpriteNode, NineGridSpriteNode, TextNode,
// ButtonNode, BackButtonNode, CheckBoxNode, EditNode, ListNode, SliderNode,
// ProgressBarNode, TabSceneNode, ParticleSystemNode, SoundNode, SpawnerNode)
// on the factory the scene files are read with before the first scene
// loads; elements of classes not registered by then are skipped with a log
// line. It also registers
// "MessageBoxNode", a SceneNode that implements IMessageBox, which
// SceneManager::showMessageBox creates through getShared().
class CNodeFactory : public CEventReceiver {
public:
    // A new node (count 1, owned by the caller) with the given content name,
    // detached (no parent, no scene manager); null when it cannot be made.
    using NodeCreateFunction = BaseNode* (*)(const CObjectName& name);
    // A new animation key (count 1, owned by the caller), or null.
    using KeyCreateFunction = Animator* (*)();

    CNodeFactory();

    // The factory the engine managers hold, installed there on first use when
    // the application has not installed one yet. No reference for the caller.
    [[nodiscard]] static CNodeFactory* getShared();

    // Adds the class; false (and no change) for a null function or a name that
    // is already registered.
    [[nodiscard]] bool registerNodeClass(const CStringW& className, NodeCreateFunction create);
    [[nodiscard]] bool registerKeyClass(const CStringW& className, KeyCreateFunction create);

    // A new node of the named class, or null after one log line when the class
    // is not registered.
    [[nodiscard]] CRefHandle<BaseNode> createNode(const CStringW& className, const CObjectName& name) const;
    // A new key of the named class, or null after one log line.
    [[nodiscard]] CRefHandle<Animator> createKey(const CStringW& className) const;

    [[nodiscard]] bool isNodeClassRegistered(const CStringW& className) const {
        return m_nodeClasses.contains(className);
    }
    [[nodiscard]] bool isKeyClassRegistered(const CStringW& className) const {
        return m_keyClasses.contains(className);
    }

protected:
    ~CNodeFactory() override;

private:
    CMap<CStringW, NodeCreateFunction> m_nodeClasses;
    CMap<CStringW, KeyCreateFunction> m_keyClasses;
};
