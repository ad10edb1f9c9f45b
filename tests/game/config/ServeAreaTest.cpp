#include "game/config/ServeArea.h"

#include "tests/game/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

ServeArea readArea(const std::string& element) {
    ServeArea area;
    CRefHandle<CXmlStreamReader> reader = xmlReaderAt(element, u"ServeArea");
    area.readFromXml(*reader, u"ServeArea");
    return area;
}

CArray<CVector2di> offsets(std::initializer_list<CVector2di> list) {
    CArray<CVector2di> out;
    for (const CVector2di& offset : list)
        out.push_back(offset);
    return out;
}

} // namespace

TEST(ServeArea, ReadsAttributesAndAreas) {
    const ServeArea area = readArea(R"(<ServeArea Name="Water" IncomeBonus="3"><Area Value="1,0"/>
        <Other Value="9,9"/><Area Value="0;-1"/><Area/></ServeArea><Area Value="5,5"/>)");
    EXPECT_EQ(area.Name, CName("Water"));
    EXPECT_EQ(area.Color, CName("Blue"));
    EXPECT_EQ(area.IncomeBonus, 3);
    EXPECT_EQ(area.ServeIncome, 0);
    ASSERT_EQ(area.Area.size(), 3u);
    EXPECT_EQ(area.Area[0], CVector2di(1, 0));
    EXPECT_EQ(area.Area[1], CVector2di(0, -1));
    EXPECT_EQ(area.Area[2], CVector2di(0, 0));
}

TEST(ServeArea, Coverage) {
    const struct {
        const char* what;
        CArray<CVector2di> area;
        int placeA;
        int placeB;
        CArray<CVector2di> occupied;
        bool covers;
    } cases[] = {
        {"right neighbour", offsets({{1, 0}}), 7, 8, {}, true},
        {"not its own place", offsets({{1, 0}}), 7, 7, {}, false},
        {"no wrap into the next row", offsets({{1, 0}}), 5, 6, {}, false},
        {"through an occupied place", offsets({{2, 0}}), 2, 3, offsets({{1, 0}}), true},
        {"row below", offsets({{-1, 1}}), 7, 12, {}, true},
        {"empty area", {}, 7, 8, offsets({{0, 0}}), false},
        {"huge offsets stay apart", offsets({{2147483647, 2147483647}}), 7, 8, offsets({{2147483647, 0}}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ServeArea area;
        area.Area = c.area;
        EXPECT_EQ(area.covers(c.placeA, c.placeB, c.occupied), c.covers);
        CArray<ServeArea> areas;
        areas.push_back(ServeArea());
        areas.push_back(area);
        EXPECT_EQ(serveAreasCover(areas, c.placeA, c.placeB, c.occupied), c.covers);
    }
}

TEST(ServeArea, BonusesFollowTheServingBuilding) {
    const ServeArea area =
        readArea(R"(<ServeArea IncomeBonus="10" BrokenIncomeBonus="4" GuestsAddBonus="3" BrokenGuestsAddBonus="1"
                    HappinessBonus="6" BrokenHappinessBonus="2"/>)");
    FakeBuilding building;
    EXPECT_EQ(area.getIncomeBonus(&building), 10);
    EXPECT_EQ(area.getGuestsAddBonus(&building), 3);
    EXPECT_EQ(area.getHappinessBonus(&building), 6);
    building.broken = true;
    EXPECT_EQ(area.getIncomeBonus(&building), 4);
    EXPECT_EQ(area.getGuestsAddBonus(&building), 1);
    EXPECT_EQ(area.getHappinessBonus(&building), 2);
    building.busy = true;
    EXPECT_EQ(area.getIncomeBonus(&building), 0);
    EXPECT_EQ(area.getGuestsAddBonus(&building), 0);
    EXPECT_EQ(area.getHappinessBonus(&building), 0);
    EXPECT_EQ(area.getIncomeBonus(nullptr), 0);
}
