#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "game/config/GGameMessage.h"
#include "game/config/GResources.h"

#include <cstdint>

class BaseNode;
class GBuildingConfig;
class GBuildingNode;
class GOnRoadLocationNode;
class GTrainNode;
class GWorkerNode;

// The game messages of the level's world (see GGameMessage). Messages that
// name world objects hold a reference to each, so a message queued for later
// delivery never points at a released node; the typed getters cast to the
// class the game world gives them.

// 4097: an objectives group has started.
class GObjectivesGroupStartedMessage : public GGameMessage {
public:
    static constexpr int32_t TypeId = 4097;
    GObjectivesGroupStartedMessage(int groupIndex, int time, int score, const CString& tutorial)
        : m_groupIndex(groupIndex), m_time(time), m_score(score), m_tutorial(tutorial) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    [[nodiscard]] int getGroupIndex() const { return m_groupIndex; }
    [[nodiscard]] int getTime() const { return m_time; }
    [[nodiscard]] int getScore() const { return m_score; }
    [[nodiscard]] const CString& getTutorial() const { return m_tutorial; }

protected:
    ~GObjectivesGroupStartedMessage() override;

private:
    int m_groupIndex;
    int m_time;
    int m_score;
    CString m_tutorial;
};

// 4098: an objectives group is complete.
class GObjectivesGroupCompletedMessage : public GGameMessage {
public:
    static constexpr int32_t TypeId = 4098;
    GObjectivesGroupCompletedMessage(int groupIndex, int time, int score, int elapsedSeconds, const CString& tutorial)
        : m_groupIndex(groupIndex), m_time(time), m_score(score), m_elapsedSeconds(elapsedSeconds),
          m_tutorial(tutorial) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    [[nodiscard]] int getGroupIndex() const { return m_groupIndex; }
    [[nodiscard]] int getTime() const { return m_time; }
    [[nodiscard]] int getScore() const { return m_score; }
    [[nodiscard]] int getElapsedSeconds() const { return m_elapsedSeconds; }
    [[nodiscard]] const CString& getTutorial() const { return m_tutorial; }

protected:
    ~GObjectivesGroupCompletedMessage() override;

private:
    int m_groupIndex;
    int m_time;
    int m_score;
    int m_elapsedSeconds;
    CString m_tutorial;
};

// 4099: the level day ended and its income was collected.
class GIncomeCollectedMessage : public GGameMessage {
public:
    static constexpr int32_t TypeId = 4099;
    GIncomeCollectedMessage() = default;
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GIncomeCollectedMessage() override;
};

// 4102: the level's counters changed.
class GLevelStatsChangedMessage : public GGameMessage {
public:
    static constexpr int32_t TypeId = 4102;
    GLevelStatsChangedMessage() = default;
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GLevelStatsChangedMessage() override;
};

// The common part of the messages about one building (or station, or
// on-road location): a counted reference to it, which may be null.
class GBuildingMessage : public GGameMessage {
public:
    template <class T = GBuildingNode> [[nodiscard]] T* getBuilding() const {
        return static_cast<T*>(m_building.get());
    }
    [[nodiscard]] BaseNode* getBuildingNode() const { return m_building.get(); }

protected:
    explicit GBuildingMessage(BaseNode* building);
    ~GBuildingMessage() override;

private:
    CRefHandle<BaseNode> m_building;
};

// 4100: the selected building changed, or the selected building did.
class GBuildingChangedMessage : public GBuildingMessage {
public:
    static constexpr int32_t TypeId = 4100;
    // `building`: the newly selected or changed one (may be null); `other`:
    // the one selected before, or the same building.
    GBuildingChangedMessage(BaseNode* building, BaseNode* other);
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    template <class T = GBuildingNode> [[nodiscard]] T* getOtherBuilding() const {
        return static_cast<T*>(m_other.get());
    }

protected:
    ~GBuildingChangedMessage() override;

private:
    CRefHandle<BaseNode> m_other;
};

// 4103: a building finished producing.
class GResourcesProducedMessage : public GBuildingMessage {
public:
    static constexpr int32_t TypeId = 4103;
    GResourcesProducedMessage(BaseNode* building, const GResourceMap& produced);
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    [[nodiscard]] const GResourceMap& getProduced() const { return m_produced; }

protected:
    ~GResourcesProducedMessage() override;

private:
    GResourceMap m_produced;
};

// 4104: ordered workers arrived at the headquarters.
class GWorkersTrainedMessage : public GGameMessage {
public:
    static constexpr int32_t TypeId = 4104;
    explicit GWorkersTrainedMessage(int count) : m_count(count) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    [[nodiscard]] int getCount() const { return m_count; }

protected:
    ~GWorkersTrainedMessage() override;

private:
    int m_count;
};

// The common part of 4105 and 4106: a building and a worker.
class GBuildingWorkerMessage : public GBuildingMessage {
public:
    template <class T = GWorkerNode> [[nodiscard]] T* getWorker() const { return static_cast<T*>(m_worker.get()); }

protected:
    GBuildingWorkerMessage(BaseNode* building, BaseNode* worker);
    ~GBuildingWorkerMessage() override;

private:
    CRefHandle<BaseNode> m_worker;
};

// 4105: a worker reached a building.
class GWorkerArrivedMessage : public GBuildingWorkerMessage {
public:
    static constexpr int32_t TypeId = 4105;
    GWorkerArrivedMessage(BaseNode* building, BaseNode* worker) : GBuildingWorkerMessage(building, worker) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GWorkerArrivedMessage() override;
};

// 4106: a worker left a building.
class GWorkerLeavedMessage : public GBuildingWorkerMessage {
public:
    static constexpr int32_t TypeId = 4106;
    GWorkerLeavedMessage(BaseNode* building, BaseNode* worker) : GBuildingWorkerMessage(building, worker) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GWorkerLeavedMessage() override;
};

// 4107: a train arrived at a station (the building).
class GTrainArrivedMessage : public GBuildingMessage {
public:
    static constexpr int32_t TypeId = 4107;
    GTrainArrivedMessage(BaseNode* station, BaseNode* train);
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    template <class T = GTrainNode> [[nodiscard]] T* getTrain() const { return static_cast<T*>(m_train.get()); }

protected:
    ~GTrainArrivedMessage() override;

private:
    CRefHandle<BaseNode> m_train;
};

// 4108: a train left a station (the building). The train may be null when
// only its key is known.
class GTrainLeavedMessage : public GBuildingMessage {
public:
    static constexpr int32_t TypeId = 4108;
    GTrainLeavedMessage(BaseNode* station, BaseNode* train, int trainKey);
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    template <class T = GTrainNode> [[nodiscard]] T* getTrain() const { return static_cast<T*>(m_train.get()); }
    [[nodiscard]] int getTrainKey() const { return m_trainKey; }

protected:
    ~GTrainLeavedMessage() override;

private:
    CRefHandle<BaseNode> m_train;
    int m_trainKey;
};

// 4109: a building's construction is complete; `type` is the record the
// building now has (may be null).
class GBuildingCompletedMessage : public GBuildingMessage {
public:
    static constexpr int32_t TypeId = 4109;
    GBuildingCompletedMessage(BaseNode* building, GBuildingConfig* type);
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    [[nodiscard]] GBuildingConfig* getNewType() const { return m_type.get(); }

protected:
    ~GBuildingCompletedMessage() override;

private:
    CRefHandle<GBuildingConfig> m_type;
};

// 4110: the work at an on-road location is done (the building is the location).
class GOnRoadLocationDoneMessage : public GBuildingMessage {
public:
    static constexpr int32_t TypeId = 4110;
    GOnRoadLocationDoneMessage(BaseNode* location, GBuildingConfig* type, const GResourceMap& taken);
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    template <class T = GOnRoadLocationNode> [[nodiscard]] T* getLocation() const { return getBuilding<T>(); }
    [[nodiscard]] GBuildingConfig* getLocationType() const { return m_type.get(); }
    [[nodiscard]] const GResourceMap& getTaken() const { return m_taken; }

protected:
    ~GOnRoadLocationDoneMessage() override;

private:
    CRefHandle<GBuildingConfig> m_type;
    GResourceMap m_taken;
};

// The common part of 4111 and 4112: a trade at the station.
class GResourceTradeMessage : public GGameMessage {
public:
    [[nodiscard]] CName getResource() const { return m_resource; }
    [[nodiscard]] int getAmount() const { return m_amount; }
    [[nodiscard]] int getPrice() const { return m_price; }

protected:
    GResourceTradeMessage(CName resource, int amount, int price)
        : m_resource(resource), m_amount(amount), m_price(price) {}
    ~GResourceTradeMessage() override;

private:
    CName m_resource;
    int m_amount;
    int m_price;
};

// 4111: the headquarters sold a resource at the station.
class GResourceSoldMessage : public GResourceTradeMessage {
public:
    static constexpr int32_t TypeId = 4111;
    GResourceSoldMessage(CName resource, int amount, int price) : GResourceTradeMessage(resource, amount, price) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GResourceSoldMessage() override;
};

// 4112: the headquarters bought a resource at the station.
class GResourceBoughtMessage : public GResourceTradeMessage {
public:
    static constexpr int32_t TypeId = 4112;
    GResourceBoughtMessage(CName resource, int amount, int price) : GResourceTradeMessage(resource, amount, price) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GResourceBoughtMessage() override;
};

// 4113: a random resource pile appeared at a building.
class GRandomResourceAppearedMessage : public GBuildingMessage {
public:
    static constexpr int32_t TypeId = 4113;
    GRandomResourceAppearedMessage(BaseNode* building, CName pileType)
        : GBuildingMessage(building), m_pileType(pileType) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    // The type Name of the pile.
    [[nodiscard]] CName getPileType() const { return m_pileType; }

protected:
    ~GRandomResourceAppearedMessage() override;

private:
    CName m_pileType;
};

// 4114: a building was repaired.
class GBuildingRepairedMessage : public GBuildingMessage {
public:
    static constexpr int32_t TypeId = 4114;
    explicit GBuildingRepairedMessage(BaseNode* building) : GBuildingMessage(building) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GBuildingRepairedMessage() override;
};

// 4122: a building was pulled down.
class GBuildingDestroyedMessage : public GBuildingMessage {
public:
    static constexpr int32_t TypeId = 4122;
    explicit GBuildingDestroyedMessage(BaseNode* building) : GBuildingMessage(building) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GBuildingDestroyedMessage() override;
};

// 4128: the tutorial pauses or resumes the level's random events.
class GPauseRequestMessage : public GGameMessage {
public:
    static constexpr int32_t TypeId = 4128;
    explicit GPauseRequestMessage(bool pause) : m_pause(pause) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    [[nodiscard]] bool getPause() const { return m_pause; }

protected:
    ~GPauseRequestMessage() override;

private:
    bool m_pause;
};

// 4129: the tutorial adds a level modifier of the kind named `modifier`.
class GLevelModifierRequestMessage : public GGameMessage {
public:
    static constexpr int32_t TypeId = 4129;
    GLevelModifierRequestMessage(float value, CName modifier) : m_value(value), m_modifier(modifier) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    [[nodiscard]] float getModifierValue() const { return m_value; }
    [[nodiscard]] CName getModifier() const { return m_modifier; }

protected:
    ~GLevelModifierRequestMessage() override;

private:
    float m_value;
    CName m_modifier;
};

// 4130: the tutorial asks whether a building of the given types stands on
// one of the given places; the handler writes the answer into the message.
class GBuildingExistsQueryMessage : public GGameMessage {
public:
    static constexpr int32_t TypeId = 4130;
    GBuildingExistsQueryMessage(const CArray<CName>& buildingTypes, const CArray<CName>& placeNames)
        : m_buildingTypes(buildingTypes), m_placeNames(placeNames) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    [[nodiscard]] const CArray<CName>& getBuildingTypes() const { return m_buildingTypes; }
    [[nodiscard]] const CArray<CName>& getPlaceNames() const { return m_placeNames; }
    [[nodiscard]] bool getAnswer() const { return m_answer; }
    void setAnswer(bool answer) { m_answer = answer; }

protected:
    ~GBuildingExistsQueryMessage() override;

private:
    CArray<CName> m_buildingTypes;
    CArray<CName> m_placeNames;
    bool m_answer = false;
};
