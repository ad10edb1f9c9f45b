#pragma once

class CStringW;

// The kind of a building, an index into a fixed table of names.
enum class GBuildingType : int {
    BuildingPlace = 0,
    Apartment = 1,
    Commercial = 2,
    Service = 3,
    Produce = 4,
    OnRoad = 5,
    MajorOffice = 6,
    Uniq = 7,
    Count = 8
};

// The first type whose name begins `text` (case-sensitive), trying the names
// in index order: "Service2" is a Service. BuildingPlace when none does.
[[nodiscard]] GBuildingType buildingTypeFromName(const CStringW& text);
// "BuildingPlace" to "Uniq"; "" outside the table.
[[nodiscard]] const char16_t* buildingTypeName(int type);
