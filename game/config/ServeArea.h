#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CVector2di.h"

class CXmlStreamReader;
class IGameBuilding;

// The neighbourhood a building serves: building places given as offsets
// (column, row) from the building's own place on the grid of places, which
// runs in rows of 6, and the bonuses it gives the buildings standing there.
struct ServeArea {
    // Reads the current "ServeArea" element: its attributes, then its "Area"
    // children up to the end element `endName`. A missing Color is "Blue".
    void readFromXml(CXmlStreamReader& reader, const char16_t* endName);

    // The bonuses the area gives on behalf of `building`: 0 for none or a
    // busy one, the Broken values while it is broken.
    [[nodiscard]] int getIncomeBonus(const IGameBuilding* building) const;
    [[nodiscard]] int getGuestsAddBonus(const IGameBuilding* building) const;
    [[nodiscard]] int getHappinessBonus(const IGameBuilding* building) const;

    // Whether the area of a building on place `placeA` reaches the building
    // on place `placeB`, whose type also covers the place offsets `occupied`.
    // Offsets are not wrapped: a column past the row's end is no place.
    [[nodiscard]] bool covers(int placeA, int placeB, const CArray<CVector2di>& occupied) const;

    static constexpr int PlacesPerRow = 6;

    CName Name;
    CName Color;
    CArray<CVector2di> Area;
    int ServeIncome = 0;
    float ServeIncomeGold = 0.0f;
    int IncomeBonus = 0;
    int BrokenIncomeBonus = 0;
    int GuestsAddBonus = 0;
    int BrokenGuestsAddBonus = 0;
    int HappinessBonus = 0;
    int BrokenHappinessBonus = 0;
};

// True when any area of `areas` covers (see ServeArea::covers).
[[nodiscard]] bool serveAreasCover(const CArray<ServeArea>& areas, int placeA, int placeB,
                                   const CArray<CVector2di>& occupied);
