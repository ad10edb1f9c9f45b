#pragma once

#include "engine/core/CName.h"
#include "engine/core/CScheduledObject.h"
#include "engine/scene/ControlNode.h"
#include "game/config/GResources.h"

#include <cstdint>

class IGameLevel;
class LevelConfiguration;
class ObjectsConfiguration;

// The base of every object on a level's map (building places and buildings,
// the headquarters, on-road locations, walking characters, trains): ties the
// object to its level and keeps its store of resources. Scheduled every
// 30 ms once a level puts it on a scheduler; this base's update does nothing.
class GObjectNode : public ControlNode, public CScheduledObject {
public:
    static constexpr int32_t TypeId = 2060;
    static constexpr uint32_t UpdateInterval = 30;

    GObjectNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ControlNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The control's copy and, from another GObjectNode, its store.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    [[nodiscard]] bool update(uint32_t elapsed) override;

    // Joins the level and takes its configuration pointers; null changes
    // nothing.
    virtual void setLevelScene(IGameLevel* level);
    [[nodiscard]] IGameLevel* getLevelScene() const { return m_levelScene; }
    [[nodiscard]] LevelConfiguration* getLevelConfiguration() const { return m_levelConfiguration; }
    [[nodiscard]] ObjectsConfiguration* getObjectsConfiguration() const { return m_objectsConfiguration; }

    // The amount held, 0 for a resource never added (no entry is made).
    [[nodiscard]] int getResource(CName resource) const;
    [[nodiscard]] bool hasResource(CName resource, int amount) const { return getResource(resource) >= amount; }
    // Adds `amount` (may be negative); an entry that comes to 0 is removed.
    void addResource(CName resource, int amount);
    void addResources(const GResourceMap& amounts);
    // True when the store holds at least every amount of `amounts`.
    [[nodiscard]] bool hasResources(const GResourceMap& amounts) const;
    // True when no entry is above 0.
    [[nodiscard]] bool isEmpty() const;
    // Adds every amount held to `target` and empties the store.
    void takeResources(GResourceMap& target);
    void clearResources() { m_resources.clear(); }
    [[nodiscard]] int getMoney() const { return getResource(nameIdMoney()); }
    [[nodiscard]] int getGold() const { return getResource(nameIdGold()); }
    // A copy of the quest items: every entry but Materials, Gold, Money,
    // Workers and Guests.
    [[nodiscard]] GResourceMap getOtherResources() const;
    [[nodiscard]] const GResourceMap& getResources() const { return m_resources; }

    // Materials, Gold, Money, Workers, Guests and BurstMoney.
    [[nodiscard]] static bool isStandardResource(CName resource);

protected:
    ~GObjectNode() override;

private:
    IGameLevel* m_levelScene = nullptr;
    LevelConfiguration* m_levelConfiguration = nullptr;
    ObjectsConfiguration* m_objectsConfiguration = nullptr;
    GResourceMap m_resources;
};
