#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/SceneNode.h"
#include "game/config/IGameLevel.h"
#include "game/config/LevelConfiguration.h"

#include <cstdint>
#include <initializer_list>
#include <string>

// A finished level as the result screen sees it: its number, groups of the
// given seconds each, the clock on or off, and the results the level kept.
class FinishedLevel : public SceneNode, public IGameLevel {
public:
    FinishedLevel(int number, std::initializer_list<int> groupSeconds, std::initializer_list<uint8_t> results,
                  bool clockOn = true)
        : SceneNode(CObjectName(), nullptr, nullptr), m_number(number), m_configuration(new LevelConfiguration()) {
        std::string xml = std::string("<Level><IsClockOn Value=\"") + (clockOn ? "true" : "false") + "\"/><Objectives>";
        for (int seconds : groupSeconds)
            xml += "<ObjectivesGroup Time=\"" + std::to_string(seconds) + "\"></ObjectivesGroup>";
        xml += "</Objectives></Level>";
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(xml.data(), xml.size()));
        m_configuration->readFromXml(*reader);
        for (uint8_t result : results)
            m_results.push_back(result);
    }

    CEventReceiver* getLevelReceiver() override { return this; }
    [[nodiscard]] LevelConfiguration* getLevelConfiguration() const override { return m_configuration.get(); }
    [[nodiscard]] ObjectsConfiguration* getObjectsConfiguration() const override { return nullptr; }
    [[nodiscard]] const GLevelModifierValues* getModifierValues() const override { return nullptr; }
    [[nodiscard]] float getLevelIncome() const override { return 0.0f; }
    [[nodiscard]] int getHeadquartersGold() const override { return 0; }
    [[nodiscard]] int getLevelNumber() const override { return m_number; }
    [[nodiscard]] const CArray<uint8_t>* getGroupResults() const override { return &m_results; }

protected:
    ~FinishedLevel() override = default;

private:
    int m_number;
    CRefHandle<LevelConfiguration> m_configuration;
    CArray<uint8_t> m_results;
};
