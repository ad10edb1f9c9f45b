#include "game/nodes/GSpriteBatchingNode.h"

#include "engine/core/CRefHandle.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CPropertyBag.h"

#include <gtest/gtest.h>

namespace {

// A batching node with a sprite, a plain node holding a sprite, and the
// sprite returned for each.
struct Tree {
    CRefHandle<GSpriteBatchingNode> root{new GSpriteBatchingNode(CObjectName(), nullptr, nullptr)};
    SpriteNode* direct = nullptr;
    SpriteNode* nested = nullptr;

    Tree() {
        direct = new SpriteNode(CObjectName(), root.get(), nullptr);
        direct->release();
        BaseNode* group = new BaseNode(CObjectName(), root.get(), nullptr);
        group->release();
        nested = new SpriteNode(CObjectName(), group, nullptr);
        nested->release();
    }
};

} // namespace

TEST(GSpriteBatchingNode, BatchesItsDirectSpritesOnceLoadedAndItsClonesToo) {
    Tree tree;
    EXPECT_FALSE(tree.direct->isBatched());
    tree.root->onLoaded();
    EXPECT_TRUE(tree.direct->isBatched());
    EXPECT_FALSE(tree.nested->isBatched()) << "deeper sprites are left alone";

    CRefHandle<BaseNode> copy(tree.root->clone(nullptr, nullptr));
    ASSERT_EQ(copy->getChildren().size(), 2u);
    const SpriteNode* sprite = nodeCast<SpriteNode>(copy->getChildren()[0]);
    ASSERT_NE(sprite, nullptr);
    EXPECT_TRUE(sprite->isBatched());
}

TEST(GSpriteBatchingNode, SwitchedOffItWritesTheKeyAndBatchesNothing) {
    Tree tree;
    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    tree.root->writeProperties(*bag);
    EXPECT_LT(bag->indexOf("UseBatchingForChildren"), 0) << "the default is not written";

    bag->setBool("UseBatchingForChildren", false);
    tree.root->readProperties(*bag);
    tree.root->onLoaded();
    EXPECT_FALSE(tree.direct->isBatched());
    CRefHandle<CPropertyBag> written(new CPropertyBag);
    tree.root->writeProperties(*written);
    ASSERT_GE(written->indexOf("UseBatchingForChildren"), 0);
    EXPECT_FALSE(written->getBool("UseBatchingForChildren"));
}
