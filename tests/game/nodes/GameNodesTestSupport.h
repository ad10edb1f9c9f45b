#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/SceneNode.h"

#include <string>

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

class CEngine;
class CNodeFactory;
class SceneManager;
class TemplateCollectionNode;

// The node factory with the standard nodes and the game's visual nodes.
[[nodiscard]] CNodeFactory* gameNodesFactory();

// The node tree of the scene file `text` (read as the file `name`), or null.
[[nodiscard]] CRefHandle<BaseNode> readSceneText(const std::string& text, const char16_t* name);

// `<SceneNode Type="type">` named `name` with `properties` (property
// elements) and `inner` (child nodes, states).
[[nodiscard]] std::string sceneNode(const char* type, const char* name, const std::string& properties,
                                    const std::string& inner = "");

// A scene manager showing the scene of `sceneText`, its controls templated
// from the collection of `templatesText`; pointer events are dispatched
// through the manager.
struct TemplatedScreen {
    TemplatedScreen(const std::string& templatesText, const std::string& sceneText);
    ~TemplatedScreen();
    TemplatedScreen(const TemplatedScreen&) = delete;
    TemplatedScreen& operator=(const TemplatedScreen&) = delete;

    template <class T> [[nodiscard]] T* find(const char* name) const {
        return nodeCast<T>(scene ? scene->findChild(CName(name), 0) : nullptr);
    }
    // Delivers the queued events.
    void drain() const;
    // Runs the scene's states and its scheduled nodes for `ms`.
    void run(uint32_t ms) const;
    void mouseDown(int x, int y) const;
    void mouseMove(int x, int y) const;
    void mouseUp(int x, int y) const;

    CRefHandle<CEngine> engine;
    CRefHandle<SceneManager> manager;
    CRefHandle<BaseNode> templates;
    CRefHandle<BaseNode> sceneNode;
    SceneNode* scene = nullptr;
};
