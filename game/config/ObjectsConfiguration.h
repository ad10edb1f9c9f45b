#pragma once

#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GTrainConfig.h"
#include "game/config/GUniqUpgradeConfig.h"
#include "game/config/GWorkerConfig.h"
#include "game/config/RRStationItems.h"

#include <cstdint>

class CVirtualFileSystem;
class CXmlStreamReader;

// The catalogue of what a level can hold: building types, unique upgrades,
// worker and train kinds and the railway station's offers, filled from the
// four shared files under "levels/common/" (any file may hold any record).
//
// Records are kept by name, the first of a name winning across all files;
// the maps run in the unsigned order of the name ids, so records without a
// name come last. A record found here stays valid until the next `clear`;
// holders that keep it longer take a reference.
class ObjectsConfiguration : public CRefCounted {
public:
    template <class T> using Catalogue = CMap<uint32_t, CRefHandle<T>>;

    // The files read, in this order, by the loading screen.
    static constexpr const char16_t* FileNames[] = {
        u"levels/common/BuildingsConfiguration.xml",
        u"levels/common/WorkersConfiguration.xml",
        u"levels/common/TrainsConfiguration.xml",
        u"levels/common/RRStationButtonsConfiguration.xml",
    };

    ObjectsConfiguration() = default;

    // Adds the records of one document; the last "RRStationItems" read
    // replaces the station's offers. Answers false (after one log line) when
    // the document ended before its "ObjectsConfiguration" end element.
    bool readFromXml(CXmlStreamReader& reader);
    // Drops every record and the station's offers.
    void clear();
    // Empties the catalogue and reads FileNames in order from `files`,
    // passing over a file that cannot be opened. With `buildingsOnly`, reads
    // only the first (the developer's reload).
    void reload(CVirtualFileSystem* files, bool buildingsOnly = false);

    [[nodiscard]] GBuildingConfig* findBuilding(CName name) const { return find(m_buildings, name); }
    [[nodiscard]] GWorkerConfig* findWorker(CName name) const { return find(m_workers, name); }
    [[nodiscard]] GTrainConfig* findTrain(CName name) const { return find(m_trains, name); }
    // The first unique upgrade (in map order) of Type `type` (any type for
    // the empty name) whose BuildingTypes hold `buildingType`, or null.
    [[nodiscard]] GUniqUpgradeConfig* findUniqUpgrade(CName type, CName buildingType) const;
    // Null until an "RRStationItems" element has been read.
    [[nodiscard]] RRStationItems* getStationItems() const { return m_stationItems.get(); }

    [[nodiscard]] const Catalogue<GBuildingConfig>& getBuildings() const { return m_buildings; }
    [[nodiscard]] const Catalogue<GUniqUpgradeConfig>& getUniqUpgrades() const { return m_uniqUpgrades; }
    [[nodiscard]] const Catalogue<GWorkerConfig>& getWorkers() const { return m_workers; }
    [[nodiscard]] const Catalogue<GTrainConfig>& getTrains() const { return m_trains; }

    // The key of a name in the maps.
    [[nodiscard]] static uint32_t keyOf(CName name) { return uint32_t(name.id()); }

protected:
    ~ObjectsConfiguration() override;

private:
    template <class T> [[nodiscard]] static T* find(const Catalogue<T>& map, CName name) {
        auto found = map.find(keyOf(name));
        return found == map.end() ? nullptr : found->value.get();
    }

    Catalogue<GBuildingConfig> m_buildings;
    Catalogue<GUniqUpgradeConfig> m_uniqUpgrades;
    Catalogue<GWorkerConfig> m_workers;
    Catalogue<GTrainConfig> m_trains;
    CRefHandle<RRStationItems> m_stationItems;
};
