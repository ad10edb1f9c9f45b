#include "game/config/GGameMessage.h"

#include "engine/core/CEventReceiver.h"
#include "engine/core/CStringW.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/SceneManager.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GRandomEventMessages.h"
#include "game/config/GWorldMessages.h"
#include "tests/game/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct LevelUnderPlay {
    explicit LevelUnderPlay(bool levelTakes)
        : play(new BaseNode(CObjectName(), nullptr, nullptr)), level(new BaseNode(CObjectName(), play.get(), nullptr)),
          levelHook(new RecordingReceiver(levelTakes)), playHook(new RecordingReceiver(true)) {
        play->setMask(CEvent::MaskAll);
        level->addPreHandler(levelHook.get());
        play->addPreHandler(playHook.get());
    }
    ~LevelUnderPlay() {
        level->removePreHandler(levelHook.get());
        play->removePreHandler(playHook.get());
    }
    CRefHandle<BaseNode> play;
    CRefHandle<BaseNode> level;
    CRefHandle<RecordingReceiver> levelHook;
    CRefHandle<RecordingReceiver> playHook;
};

} // namespace

TEST(GGameMessage, EveryMessageIsAKindOfItsIdTheGameAndAny) {
    CArray<CName> none;
    const CRefHandle<CEvent> messages[] = {
        CRefHandle<CEvent>(new GGameMessage(1)),
        CRefHandle<CEvent>(new GObjectivesGroupStartedMessage(0, 120, 1, CString("T"))),
        CRefHandle<CEvent>(new GIncomeCollectedMessage),
        CRefHandle<CEvent>(new GBuildingChangedMessage(nullptr, nullptr)),
        CRefHandle<CEvent>(new GTrainLeavedMessage(nullptr, nullptr, 3)),
        CRefHandle<CEvent>(new GBuildingCompletedMessage(nullptr, nullptr)),
        CRefHandle<CEvent>(new GResourceSoldMessage(CName("Gold"), 5, 100)),
        CRefHandle<CEvent>(new GLevelModifierRequestMessage(0.5f, CName("GoldM"))),
        CRefHandle<CEvent>(new GBrokenBuildingEvent(none, none, true)),
        CRefHandle<CEvent>(new GWeatherEffectEvent({20000, 40000})),
    };
    for (const CRefHandle<CEvent>& message : messages) {
        SCOPED_TRACE(message->getType());
        EXPECT_EQ(message->getMask(), CEvent::MaskGame);
        EXPECT_TRUE(message->isKindOf(message->getType()));
        EXPECT_TRUE(message->isKindOf(GGameMessage::TypeId));
        EXPECT_TRUE(message->isKindOf(CEvent::KindAny));
        EXPECT_FALSE(message->isKindOf(GGameMessage::TypeId + 200));
        EXPECT_EQ(message->className(), u"#thisClassName");
        // Only the events of the random-event requests are kinds of 4123.
        const int32_t type = message->getType();
        EXPECT_EQ(message->isKindOf(GRandomEvent::TypeId), type >= 4124 && type <= 4127);
    }
}

TEST(GGameMessage, ALevelThatConsumesAMessageKeepsItFromThePlayScreen) {
    LevelUnderPlay consuming(true);
    CRefHandle<GGameMessage> message(new GLevelStatsChangedMessage);
    EXPECT_TRUE(sendToLevel(consuming.level.get(), message.get()));
    EXPECT_EQ(consuming.levelHook->seen, std::vector<int32_t>{GLevelStatsChangedMessage::TypeId});
    EXPECT_TRUE(consuming.playHook->seen.empty());

    LevelUnderPlay noting(false);
    EXPECT_TRUE(sendToLevel(noting.level.get(), message.get()));
    EXPECT_EQ(noting.levelHook->seen.size(), 1u);
    EXPECT_EQ(noting.playHook->seen, std::vector<int32_t>{GLevelStatsChangedMessage::TypeId});

    EXPECT_FALSE(sendToLevel(nullptr, message.get()));
}

TEST(GGameMessage, MessagesKeepTheNodesTheyNameAlive) {
    BaseNode* building = new BaseNode(CObjectName(), nullptr, nullptr);
    BaseNode* worker = new BaseNode(CObjectName(), nullptr, nullptr);
    CRefHandle<GWorkerArrivedMessage> message(new GWorkerArrivedMessage(building, worker));
    EXPECT_EQ(building->referenceCount(), 2);
    building->release();
    worker->release();
    EXPECT_EQ(message->getBuilding<BaseNode>(), building);
    EXPECT_EQ(message->getWorker<BaseNode>(), worker);
    EXPECT_EQ(message->getBuilding<BaseNode>()->referenceCount(), 1);
}

TEST(GGameMessage, TrainAndCompletionMessagesCarryWhatTheyName) {
    CRefHandle<BaseNode> station(new BaseNode(CObjectName(), nullptr, nullptr));
    BaseNode* train = new BaseNode(CObjectName(), nullptr, nullptr);
    CRefHandle<GTrainLeavedMessage> left(new GTrainLeavedMessage(station.get(), train, 7));
    train->release();
    EXPECT_EQ(left->getBuilding<BaseNode>(), station.get());
    EXPECT_EQ(left->getTrain<BaseNode>(), train) << "kept alive by the message";
    EXPECT_EQ(left->getTrainKey(), 7);

    GBuildingConfig* type = new GBuildingConfig;
    CRefHandle<GBuildingCompletedMessage> completed(new GBuildingCompletedMessage(station.get(), type));
    type->release();
    EXPECT_EQ(completed->getNewType(), type);
    EXPECT_EQ(completed->getNewType()->referenceCount(), 1);
    EXPECT_EQ(completed->getBuilding<BaseNode>(), station.get());
}

TEST(GGameMessage, TheLevelsOwnMessagesReachItsParentOnTheNextUpdate) {
    CRefHandle<SceneManager> manager(new SceneManager(CObjectName(), nullptr, nullptr));
    CRefHandle<BaseNode> play(new BaseNode(CObjectName(), nullptr, manager.get()));
    CRefHandle<BaseNode> level(new BaseNode(CObjectName(), play.get(), manager.get()));
    CRefHandle<RecordingReceiver> playHook(new RecordingReceiver(false));
    play->setMask(CEvent::MaskAll);
    play->addPreHandler(playHook.get());

    CRefHandle<GGameMessage> completed(new GGameMessage(1));
    postToLevelParent(level.get(), completed.get());
    EXPECT_TRUE(playHook->seen.empty());
    EXPECT_EQ(completed->referenceCount(), 2); // the queue holds one
    (void)manager->update(10);
    EXPECT_EQ(playHook->seen, std::vector<int32_t>{GGameMessage::TypeId});
    EXPECT_EQ(completed->referenceCount(), 1);
    play->removePreHandler(playHook.get());
}
