#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CVector2d.h"
#include "game/world/GWorkerNode.h"

#include <cstdint>

// The stagecoach that brings newly hired workers to the headquarters: a
// worker that carries passenger workers and is drawn as two parts, a horse
// and a cart ("Horse" and "Telega" of the template "DilizhansNew"), which
// follow the same road a set distance apart. It cuts right-angle corners.
class GDilizhansNode : public GWorkerNode {
public:
    static constexpr int32_t TypeId = 2064;
    // The horse's head start when the global configuration has no
    // PartDistance.
    static constexpr int32_t DefaultPartDistance = 15;
    // A path point where the path turns within this many radians of a right
    // angle is cut.
    static constexpr float CornerTolerance = 0.174533f;
    // How many steps a new path is advanced by at once.
    static constexpr int32_t HeadStartSteps = 100;

    GDilizhansNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GWorkerNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    // Joins the level, and makes the parts when it has none yet (a coach
    // whose template was applied before it had a level).
    void setLevelScene(IGameLevel* level) override;
    // The object's template, then the horse and the cart: clones of
    // "DilizhansNew"'s "Horse" and "Telega" under the level's walker layer
    // (none before the coach has a level and a scene manager).
    void applyTemplate() override;
    // The union of the parts' "Body" rectangles; the character's own
    // rectangle without parts.
    [[nodiscard]] CRect getRect() const override;
    // Cuts right-angle corners, then gives the horse a head start of about
    // PartDistance, starts the cart and itself, and advances all of it.
    bool setPath(const CArray<CVector2d>& points, bool keepOrder) override;
    // The standard table, for itself and both parts.
    void selectWalkAnimations() override;
    // Its own speed clamped as a worker's; the parts get `speed` unclamped.
    void setSpeed(int32_t speed) override;
    // Passengers ride along idle; the parts show while it drives.
    void onPathStarted() override;
    void onPathFinished() override;
    // Drives: itself, the cart, and the horse a third faster or slower to
    // keep its distance to the cart.
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // A passenger set off: the next may follow once it is far enough.
    void resetSpacing(GWorkerNode* worker);

    // The workers riding along (the headquarters and the places fill the
    // list; no references held). A node that is no worker is not taken.
    void addPassenger(BaseNode* worker) override;
    void removePassenger(GWorkerNode* worker);
    void clearPassengers() override { m_passengers.clear(); }
    [[nodiscard]] int getPassengerCount() const override { return int(m_passengers.size()); }
    [[nodiscard]] BaseNode* getPassenger(int index) const override;
    [[nodiscard]] const CArray<GWorkerNode*>& getPassengers() const { return m_passengers; }

    [[nodiscard]] GCharacterNode* getHorse() const { return m_horse.get(); }
    [[nodiscard]] GCharacterNode* getCart() const { return m_cart.get(); }
    [[nodiscard]] BaseNode* getHorseBody() const { return m_horseBody; }
    [[nodiscard]] BaseNode* getCartBody() const { return m_cartBody; }
    [[nodiscard]] int32_t getTimeSincePassengerLeft() const { return m_timeSincePassengerLeft; }
    [[nodiscard]] int32_t getLastPassengerSpeed() const { return m_lastPassengerSpeed; }

    // `points` without the interior points where the path turns at a right
    // angle (first and last always kept).
    static void smoothCorners(const CArray<CVector2d>& points, CArray<CVector2d>& smoothed);
    // The horse's step for an `elapsed` update: elapsed + elapsed / 3 when
    // it is more than `tolerance` too close to the cart (`wanted` -
    // `distance`), elapsed - elapsed / 3 when too far, else elapsed.
    [[nodiscard]] static uint32_t horseStep(uint32_t elapsed, float wanted, float distance, int32_t tolerance);

protected:
    ~GDilizhansNode() override;

private:
    void buildParts();
    void releaseParts();
    void setPartsVisible(bool visible);
    // Every passenger stops, goes idle and takes the coach's source and
    // target.
    void settlePassengers();
    [[nodiscard]] const CArray<int>* partDistances() const;

    CArray<GWorkerNode*> m_passengers;
    CRefHandle<GCharacterNode> m_horse;
    CRefHandle<GCharacterNode> m_cart;
    BaseNode* m_horseBody = nullptr;
    BaseNode* m_cartBody = nullptr;
    int32_t m_timeSincePassengerLeft = 10000;
    int32_t m_lastPassengerSpeed = 300;
    CArray<CVector2d> m_smoothed;
};
