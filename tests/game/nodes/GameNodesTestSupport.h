#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/SceneNode.h"

// A scene with its own update scheduler, for nodes that schedule themselves
// with the scene that owns them.
struct SceneClock {
    CRefHandle<CUpdateScheduler> scheduler{new CUpdateScheduler};
    CRefHandle<SceneNode> scene{new SceneNode(CObjectName(), nullptr, nullptr)};

    SceneClock() { scene->setSceneScheduler(scheduler.get()); }
    ~SceneClock() { scene->removeAllChildren(); }

    // Makes `node` a child of the scene.
    void adopt(BaseNode* node) const {
        scene->addChild(node);
        node->setSceneManager(nullptr, scene.get());
    }
    // One frame: the scene's render list is collected.
    void draw() const {
        CArray<CRenderItem> list;
        scene->registerForRendering(list);
    }
};
