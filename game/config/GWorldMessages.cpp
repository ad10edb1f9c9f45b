#include "game/config/GWorldMessages.h"

#include "engine/scene/BaseNode.h"
#include "game/config/GBuildingConfig.h"

GBuildingMessage::GBuildingMessage(BaseNode* building) : m_building(CRefHandle<BaseNode>::share(building)) {}

GBuildingChangedMessage::GBuildingChangedMessage(BaseNode* building, BaseNode* other)
    : GBuildingMessage(building), m_other(CRefHandle<BaseNode>::share(other)) {}

GResourcesProducedMessage::GResourcesProducedMessage(BaseNode* building, const GResourceMap& produced)
    : GBuildingMessage(building), m_produced(produced) {}

GOnRoadLocationDoneMessage::GOnRoadLocationDoneMessage(BaseNode* location, GBuildingConfig* type,
                                                       const GResourceMap& taken)
    : GBuildingMessage(location), m_type(CRefHandle<GBuildingConfig>::share(type)), m_taken(taken) {}

GBuildingWorkerMessage::GBuildingWorkerMessage(BaseNode* building, BaseNode* worker)
    : GBuildingMessage(building), m_worker(CRefHandle<BaseNode>::share(worker)) {}

GTrainArrivedMessage::GTrainArrivedMessage(BaseNode* station, BaseNode* train)
    : GBuildingMessage(station), m_train(CRefHandle<BaseNode>::share(train)) {}

GTrainLeavedMessage::GTrainLeavedMessage(BaseNode* station, BaseNode* train, int trainKey)
    : GBuildingMessage(station), m_train(CRefHandle<BaseNode>::share(train)), m_trainKey(trainKey) {}

GBuildingCompletedMessage::GBuildingCompletedMessage(BaseNode* building, GBuildingConfig* type)
    : GBuildingMessage(building), m_type(CRefHandle<GBuildingConfig>::share(type)) {}

GObjectivesGroupStartedMessage::~GObjectivesGroupStartedMessage() = default;
GObjectivesGroupCompletedMessage::~GObjectivesGroupCompletedMessage() = default;
GIncomeCollectedMessage::~GIncomeCollectedMessage() = default;
GLevelStatsChangedMessage::~GLevelStatsChangedMessage() = default;
GBuildingMessage::~GBuildingMessage() = default;
GBuildingChangedMessage::~GBuildingChangedMessage() = default;
GResourcesProducedMessage::~GResourcesProducedMessage() = default;
GWorkersTrainedMessage::~GWorkersTrainedMessage() = default;
GBuildingWorkerMessage::~GBuildingWorkerMessage() = default;
GWorkerArrivedMessage::~GWorkerArrivedMessage() = default;
GWorkerLeavedMessage::~GWorkerLeavedMessage() = default;
GTrainArrivedMessage::~GTrainArrivedMessage() = default;
GTrainLeavedMessage::~GTrainLeavedMessage() = default;
GBuildingCompletedMessage::~GBuildingCompletedMessage() = default;
GResourceTradeMessage::~GResourceTradeMessage() = default;
GResourceSoldMessage::~GResourceSoldMessage() = default;
GResourceBoughtMessage::~GResourceBoughtMessage() = default;
GRandomResourceAppearedMessage::~GRandomResourceAppearedMessage() = default;
GBuildingRepairedMessage::~GBuildingRepairedMessage() = default;
GBuildingDestroyedMessage::~GBuildingDestroyedMessage() = default;
GPauseRequestMessage::~GPauseRequestMessage() = default;
GLevelModifierRequestMessage::~GLevelModifierRequestMessage() = default;
GBuildingExistsQueryMessage::~GBuildingExistsQueryMessage() = default;
GOnRoadLocationDoneMessage::~GOnRoadLocationDoneMessage() = default;
