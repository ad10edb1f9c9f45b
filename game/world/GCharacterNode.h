#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRect.h"
#include "engine/core/CVector2d.h"
#include "game/world/GObjectNode.h"

#include <cstdint>

// A game object that walks a path of points at a constant speed, turning to
// one of the walk animations by the direction of the segment it is on, and
// stands ("Stand") at the end. The base of the workers, the stagecoach and
// the guide character.
//
// Its depth follows its place: z = y + x * 0.0001 + Bounds height, so that
// characters lower on the screen, and then further right, draw in front.
class GCharacterNode : public GObjectNode {
public:
    static constexpr int32_t TypeId = 2061;
    static constexpr int32_t DefaultSpeed = 350;
    // Walk tables hold one animation per direction sector.
    static constexpr int32_t SectorCount = 9;

    GCharacterNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GObjectNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // GObjectNode's copy and, from another character, the speed.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // Joins the level, then runs on the level's update scheduler.
    void setLevelScene(IGameLevel* level) override;
    // Walks for `elapsed` ms; always stays scheduled.
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // (x, y, x + Bounds width, y + Bounds height) of its Position.
    [[nodiscard]] virtual CRect getRect() const;

    // Takes a path of at least two points and stands on its first point.
    // Without `keepOrder` the points are taken as given start first; with
    // it they run from the destination (first) to the start (last), as the
    // level hands them out. Fewer than two points: the present path stays,
    // onPathStarted and onPathFinished run, false.
    virtual bool setPath(const CArray<CVector2d>& points, bool keepOrder);
    // Chooses the walk-animation table; here always the standard one.
    virtual void selectWalkAnimations();
    virtual void setSpeed(int32_t speed) { m_speed = speed; }
    [[nodiscard]] int32_t getSpeed() const { return m_speed; }
    // Turns to the walk animation of the vector's direction sector; nothing
    // without a walk table.
    virtual void faceDirection(const CVector2d& vector);
    virtual void onPathStarted() {}
    virtual void onPathFinished() {}

    // Asks the level for a walk path and sets it; false without one.
    bool moveTo(const CVector2d& from, const CVector2d& to, bool straighten);
    // Moves along the path by speed x elapsed; stops at its end.
    void walk(uint32_t elapsed);
    // Empties the path, shows "Stand" and calls onPathFinished.
    void stop();
    // Empties the path and nothing else: no animation, no callback.
    void clearPath() { m_path.clear(); }
    // Sets the Position to `point` with the depth of that place.
    void placeAt(const CVector2d& point);

    [[nodiscard]] const CArray<CVector2d>& getPath() const { return m_path; }
    [[nodiscard]] bool isWalking() const { return m_path.size() >= 2; }
    [[nodiscard]] float getTravelled() const { return m_travelled; }
    [[nodiscard]] CName getCurrentAnimation() const { return m_currentAnimation; }
    [[nodiscard]] int32_t getCurrentDirection() const { return m_currentDirection; }
    [[nodiscard]] const CName* getWalkAnimations() const { return m_walkAnimations; }

    // The direction sector 0..8 of a vector by its screen angle (y down):
    // 0 right, 2 up, 4 left, 6 down, 8 right again just below 360 degrees;
    // -1 when no sector holds it.
    [[nodiscard]] static int32_t directionSector(const CVector2d& vector);
    // "MoveRight", "MoveRightUp", "MoveUp", ... "MoveRightDown", "MoveRight".
    [[nodiscard]] static const CName* standardWalkAnimations();
    [[nodiscard]] static CName standAnimation();

protected:
    ~GCharacterNode() override;

    void setWalkAnimations(const CName* table) { m_walkAnimations = table; }

private:
    const CName* m_walkAnimations = nullptr;
    int32_t m_speed = DefaultSpeed;
    // The points still to visit, the next one last.
    CArray<CVector2d> m_path;
    float m_travelled = 0.0f;
    CName m_currentAnimation;
    int32_t m_currentDirection = -1;
};
