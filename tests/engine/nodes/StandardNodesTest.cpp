#include "engine/nodes/StandardNodes.h"

#include "engine/core/CRefHandle.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/NineGridSpriteNode.h"
#include "engine/nodes/ProgressBarNode.h"
#include "engine/nodes/SliderNode.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CNodeFactory.h"

#include <gtest/gtest.h>

TEST(StandardNodes, EveryClassIsMadeByItsName) {
    CRefHandle<CNodeFactory> factory(new CNodeFactory());
    registerStandardNodes(*factory);
    // A second registration keeps the first creators and harms nothing.
    registerStandardNodes(*factory);
    const struct {
        const char16_t* name;
        int32_t typeId;
    } classes[] = {
        {u"TextNode", TextNode::TypeId},
        {u"SpriteNode", SpriteNode::TypeId},
        {u"NineGridSpriteNode", NineGridSpriteNode::TypeId},
        {u"ButtonNode", ButtonNode::TypeId},
        {u"BackButtonNode", BackButtonNode::TypeId},
        {u"CheckBoxNode", CheckBoxNode::TypeId},
        {u"SliderNode", SliderNode::TypeId},
        {u"ProgressBarNode", ProgressBarNode::TypeId},
    };
    for (const auto& c : classes) {
        const CStringW name(c.name);
        SCOPED_TRACE(c.typeId);
        CRefHandle<BaseNode> node = factory->createNode(name, CObjectName());
        ASSERT_TRUE(node);
        EXPECT_EQ(node->getTypeId(), c.typeId);
        EXPECT_TRUE(node->isKindOf(c.typeId));
        EXPECT_TRUE(node->isKindOf(BaseNode::TypeId));
        // Only the controls are controls.
        EXPECT_EQ(node->isKindOf(5), c.typeId >= ButtonNode::TypeId);
        EXPECT_TRUE(node->getClassName() == name);
        EXPECT_EQ(node->getParent(), nullptr);
    }
}
