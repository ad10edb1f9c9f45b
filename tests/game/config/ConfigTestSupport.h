#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"

#include <string>
#include <string_view>

// A reader over `text`, standing before its first node.
[[nodiscard]] CRefHandle<CXmlStreamReader> xmlReader(std::string_view text);

// A reader over `text` advanced to its first start element named `name`.
[[nodiscard]] CRefHandle<CXmlStreamReader> xmlReaderAt(std::string_view text, const char16_t* name);

// The text of a fixture file under tests/game/config/fixtures.
[[nodiscard]] std::string fixtureText(const char* fileName);

#include "engine/core/CEventReceiver.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/IGameBuilding.h"
#include "game/config/IGameLevel.h"

#include <cstdint>
#include <vector>

// A receiver that notes the type ids of the events handed to it and takes
// them or not.
class RecordingReceiver : public CEventReceiver {
public:
    explicit RecordingReceiver(bool takes = true) : m_takes(takes) {}
    bool handleEvent(CEvent* event) override;
    std::vector<int32_t> seen;

private:
    bool m_takes;
};

// A level whose values the test sets; game messages go to `receiver`.
class FakeLevel : public IGameLevel {
public:
    FakeLevel();
    ~FakeLevel();
    CEventReceiver* getLevelReceiver() override { return receiver.get(); }
    LevelConfiguration* getLevelConfiguration() const override { return nullptr; }
    ObjectsConfiguration* getObjectsConfiguration() const override { return nullptr; }
    const GLevelModifierValues* getModifierValues() const override { return withValues ? &values : nullptr; }
    float getLevelIncome() const override { return income; }
    int getHeadquartersGold() const override { return gold; }

    CRefHandle<RecordingReceiver> receiver;
    GLevelModifierValues values;
    bool withValues = true;
    float income = 0.0f;
    int gold = 0;
};

// A building whose state the test sets.
class FakeBuilding : public IGameBuilding {
public:
    BaseNode* getBuildingNode() override { return nullptr; }
    bool isBusyWithTask() const override { return busy; }
    bool isBroken() const override { return broken; }
    int getGoldIncome() const override { return goldIncome; }

    bool busy = false;
    bool broken = false;
    int goldIncome = 0;
};
