#pragma once

#include "game/app/GBaseSceneNode.h"

class TextNode;

// What the objectives window asks of the level it introduces; the level scene,
// in a library above this one, implements it.
class ILevelObjectives {
public:
    // The level's number as the player sees it (1 for the first level).
    [[nodiscard]] virtual int32_t getLevelNumber() const = 0;
    // The number of objectives groups (stages) of the level.
    [[nodiscard]] virtual int32_t getObjectivesGroupCount() const = 0;

protected:
    ~ILevelObjectives() = default;
};

// The window that introduces a level: its number, its introduction, its
// stages and how many of them the good rank needs. OK, Esc and Enter close it.
class GLevelObjectivesScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2017;

    GLevelObjectivesScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBaseSceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    void onLoaded() override;
    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onControlClicked(CEvent* event) override;

    // The level shown (borrowed; the play screen sets it before pushing the
    // window and keeps the level alive while it is open).
    void setLevelScene(ILevelObjectives* level) { m_levelScene = level; }

    // The stages the good rank needs out of `groups`: half, rounded up.
    [[nodiscard]] static int32_t requiredGroups(int32_t groups) { return groups / 2 + groups % 2; }

protected:
    ~GLevelObjectivesScene() override = default;

private:
    ILevelObjectives* m_levelScene = nullptr;
    BaseNode* m_scene = nullptr;
    TextNode* m_levelText = nullptr;
    TextNode* m_goalsText = nullptr;
    TextNode* m_stageCountText = nullptr;
    TextNode* m_rankText = nullptr;
};
