#include "game/config/ServeArea.h"

#include "engine/core/NumberText.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"
#include "game/config/IGameBuilding.h"

#include <cstdint>

namespace {

int bonusFor(const IGameBuilding* building, int normal, int broken) {
    if (!building || building->isBusyWithTask())
        return 0;
    return building->isBroken() ? broken : normal;
}

} // namespace

void ServeArea::readFromXml(CXmlStreamReader& reader, const char16_t* endName) {
    Name = attributeName(reader, "Name");
    Color = attributeName(reader, "Color");
    ServeIncome = reader.attributeInt("ServeIncome", 0);
    ServeIncomeGold = reader.attributeFloat("ServeIncomeGold", 0.0f);
    IncomeBonus = reader.attributeInt("IncomeBonus", 0);
    BrokenIncomeBonus = reader.attributeInt("BrokenIncomeBonus", 0);
    GuestsAddBonus = reader.attributeInt("GuestsAddBonus", 0);
    BrokenGuestsAddBonus = reader.attributeInt("BrokenGuestsAddBonus", 0);
    HappinessBonus = reader.attributeInt("HappinessBonus", 0);
    BrokenHappinessBonus = reader.attributeInt("BrokenHappinessBonus", 0);
    Area.clear();
    readChildElements(reader, endName, [this](CXmlStreamReader& r) {
        if (r.nodeName() == u"Area") {
            CVector2di offset;
            parseIntPair(valueText(r).c_str(), offset.x, offset.y);
            Area.push_back(offset);
        }
    });
    if (Color.empty()) {
        static const CName blue("Blue");
        Color = blue;
    }
}

int ServeArea::getIncomeBonus(const IGameBuilding* building) const {
    return bonusFor(building, IncomeBonus, BrokenIncomeBonus);
}

int ServeArea::getGuestsAddBonus(const IGameBuilding* building) const {
    return bonusFor(building, GuestsAddBonus, BrokenGuestsAddBonus);
}

int ServeArea::getHappinessBonus(const IGameBuilding* building) const {
    return bonusFor(building, HappinessBonus, BrokenHappinessBonus);
}

bool ServeArea::covers(int placeA, int placeB, const CArray<CVector2di>& occupied) const {
    // 64-bit sums: offsets come from files and may be as large as an int.
    const int64_t ax = placeA % PlacesPerRow, ay = placeA / PlacesPerRow;
    const int64_t bx = placeB % PlacesPerRow, by = placeB / PlacesPerRow;
    for (const CVector2di& offset : Area) {
        const int64_t x = ax + offset.x, y = ay + offset.y;
        if (x == bx && y == by)
            return true;
        for (const CVector2di& extra : occupied) {
            if (x == bx + extra.x && y == by + extra.y)
                return true;
        }
    }
    return false;
}

bool serveAreasCover(const CArray<ServeArea>& areas, int placeA, int placeB, const CArray<CVector2di>& occupied) {
    for (const ServeArea& area : areas) {
        if (area.covers(placeA, placeB, occupied))
            return true;
    }
    return false;
}
