#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2di.h"
#include "game/config/ConfigXml.h"
#include "game/config/GActiveFeatureList.h"
#include "game/config/GBuildingActionConfig.h"
#include "game/config/GBuildingType.h"
#include "game/config/GProduceItemConfig.h"
#include "game/config/LevelModifiers.h"
#include "game/config/ServeArea.h"

class CXmlStreamReader;

// The random resource piles that appear at a building.
struct GRandomResourceConfig {
    GIntRange TimeRange;
    CName Template;
    GIntRange MaterialsRange;
    GIntRange GoldRange;
    GIntRange MoneyRange;
};

// One kind of building, or one level of a building that can be upgraded,
// read from a "Building" element of the objects configuration: what it is,
// what building, repairing and destroying it cost, what it yields and
// produces, which places it covers, which services it gives and needs, its
// active features and its level modifiers. Read-only once read; building
// nodes hold a reference to their record, so it outlives a reload of the
// catalogue.
class GBuildingConfig : public CRefCounted {
public:
    GBuildingConfig();

    // The children of a "Building" element whose start the reader has just
    // passed, up to its end element. Keys the element does not name keep
    // their values; level modifiers, serve areas and occupied places start
    // empty.
    void readFromXml(CXmlStreamReader& reader);

    // Service codes a building may provide; any other value is stored as 0.
    static constexpr int ServiceCode4 = 4;
    static constexpr int ServiceCode5 = 5;

    GBuildingType Kind = GBuildingType::BuildingPlace;
    CName Type;
    int Level = 0;
    int AllowedFromLevel = 1;
    CName Name;
    // The records this building can be upgraded to.
    CArray<CName> Upgrades;
    CString DisplayName;
    CStringW Description;
    CStringW FullDescription;
    CName ButtonTemplate;
    CName BuiltSoundCueName;
    CName SelectedSoundCueName;
    CName ServeName;
    GBuildingActionConfig Build;
    GBuildingActionConfig Repair;
    GBuildingActionConfig Destroy;
    GRandomResourceConfig RandomResource;
    bool CanBeDestroyed = true;
    int ProvidedService = 0;
    GIntRange TrainArrivalTimeRange;
    // The workers' work states at the building: left, right, up, down (at
    // least four; "Stand" fills what the file leaves out).
    CArray<CName> WorkerWorkStates;
    // Further grid places the building covers, as offsets from its own.
    CArray<CVector2di> OccupiedPlaces;
    CArray<ServeArea> ServeAreas;
    CArray<CName> RequiredServeAreas;
    float Income = 0.0f;
    int IncomeGold = 0;
    int Happiness = 0;
    int GuestsCount = 0;
    // Never null.
    CRefHandle<GActiveFeatureList> ActiveFeatures;
    // Null when the building brings none.
    CRefHandle<LevelModifiers> Modifiers;
    CArray<CRefHandle<GProduceItemConfig>> ProduceItems;

protected:
    ~GBuildingConfig() override;

    // Called for every child element the reader does not know; does nothing.
    virtual void readUnknownElement(CXmlStreamReader& reader);

private:
    void padWorkerWorkStates();
};
