#include "engine/nodes/StandardNodes.h"

#include "engine/core/CStringW.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/EditNode.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/MessageBoxNode.h"
#include "engine/nodes/NineGridSpriteNode.h"
#include "engine/nodes/ParticleSystemNode.h"
#include "engine/nodes/ProgressBarNode.h"
#include "engine/nodes/SliderNode.h"
#include "engine/nodes/SoundNode.h"
#include "engine/nodes/SpawnerNode.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CNodeFactory.h"

namespace {

template <class T> BaseNode* createDetached(const CObjectName& name) { return new T(name, nullptr, nullptr); }

// One row per class: its name in scene files and how to make a detached node.
struct NodeClass {
    const char16_t* name;
    CNodeFactory::NodeCreateFunction create;
};

// The standard node classes. New classes add their row here.
constexpr NodeClass kNodeClasses[] = {
    {u"TextNode", &createDetached<TextNode>},
    {u"SpriteNode", &createDetached<SpriteNode>},
    {u"NineGridSpriteNode", &createDetached<NineGridSpriteNode>},
    {u"ButtonNode", &createDetached<ButtonNode>},
    {u"BackButtonNode", &createDetached<BackButtonNode>},
    {u"CheckBoxNode", &createDetached<CheckBoxNode>},
    {u"SliderNode", &createDetached<SliderNode>},
    {u"ProgressBarNode", &createDetached<ProgressBarNode>},
    {u"EditNode", &createDetached<EditNode>},
    {u"MessageBoxNode", &createDetached<MessageBoxNode>},
    {u"TabSceneNode", &createDetached<TabSceneNode>},
    {u"ListNode", &createDetached<ListNode>},
    {u"SoundNode", &createDetached<SoundNode>},
    {u"ParticleSystemNode", &createDetached<ParticleSystemNode>},
    {u"SpawnerNode", &createDetached<SpawnerNode>},
};

} // namespace

void registerStandardNodes(CNodeFactory& factory) {
    for (const NodeClass& nodeClass : kNodeClasses)
        (void)factory.registerNodeClass(CStringW(nodeClass.name), nodeClass.create);
}
