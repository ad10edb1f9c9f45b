#include "game/config/GBuildingConfig.h"

#include "game/config/GLevelModifierValues.h"
#include "tests/game/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CRefHandle<GBuildingConfig> readBuilding(const std::string& body) {
    CRefHandle<GBuildingConfig> building(new GBuildingConfig);
    CRefHandle<CXmlStreamReader> reader = xmlReaderAt("<Building>" + body + "</Building>", u"Building");
    building->readFromXml(*reader);
    return building;
}

// The first Building of the buildings fixture.
CRefHandle<GBuildingConfig> bakery() {
    CRefHandle<GBuildingConfig> building(new GBuildingConfig);
    building->readFromXml(*xmlReaderAt(fixtureText("BuildingsConfiguration.xml"), u"Building"));
    return building;
}

std::vector<std::string> names(const CArray<CName>& list) {
    std::vector<std::string> out;
    for (CName name : list)
        out.push_back(name.str().c_str());
    return out;
}

int amountOf(const GResourceMap& map, const char* name) {
    auto found = map.find(CName(name));
    return found == map.end() ? -1 : found->value;
}

} // namespace

TEST(GBuildingConfig, TypeNamesMatchByPrefix) {
    const struct {
        const char16_t* text;
        GBuildingType type;
    } cases[] = {
        {u"Service", GBuildingType::Service},         {u"Service2", GBuildingType::Service},
        {u"service", GBuildingType::BuildingPlace},   {u"", GBuildingType::BuildingPlace},
        {u"Serv", GBuildingType::BuildingPlace},      {u"UniqHouse", GBuildingType::Uniq},
        {u"MajorOffice", GBuildingType::MajorOffice}, {u"ApartmentBig", GBuildingType::Apartment},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(CString(CStringW(c.text)).c_str());
        EXPECT_EQ(buildingTypeFromName(CStringW(c.text)), c.type);
    }
}

TEST(GBuildingConfig, EveryKeyOfTheFixture) {
    CRefHandle<GBuildingConfig> b = bakery();
    EXPECT_EQ(b->Kind, GBuildingType::Service);
    EXPECT_EQ(b->Type, CName("Service2"));
    EXPECT_EQ(b->Name, CName("Bakery"));
    EXPECT_EQ(b->Level, 2);
    EXPECT_EQ(b->AllowedFromLevel, 3);
    EXPECT_EQ(names(b->Upgrades), (std::vector<std::string>{"Bakery3", "BakeryGold"}));
    EXPECT_STREQ(b->DisplayName.c_str(), "Bakery_Name");
    EXPECT_EQ(b->Description, u"Fresh bread");
    EXPECT_EQ(b->FullDescription, u"Fresh bread every morning");
    EXPECT_EQ(b->ButtonTemplate, CName("BakeryButton"));
    EXPECT_EQ(b->BuiltSoundCueName, CName("Built"));
    EXPECT_EQ(b->SelectedSoundCueName, CName("Selected"));
    EXPECT_EQ(b->ServeName, CName("Food"));

    EXPECT_EQ(b->Build.Time, 100); // 50 raised
    EXPECT_EQ(b->Build.Workers, 2);
    EXPECT_EQ(amountOf(b->Build.Resources, "Money"), 1000);
    EXPECT_EQ(amountOf(b->Build.Resources, "Materials"), 20);
    EXPECT_EQ(b->Repair.Workers, 1); // 0 raised
    EXPECT_EQ(b->Repair.Time, 3000);
    EXPECT_EQ(b->Destroy.Time, 5000);
    EXPECT_EQ(amountOf(b->Destroy.Resources, "Money"), 300);

    EXPECT_EQ(b->RandomResource.TimeRange, (GIntRange{10000, 20000}));
    EXPECT_EQ(b->RandomResource.Template, CName("Pile"));
    EXPECT_EQ(b->RandomResource.MaterialsRange, (GIntRange{1, 3}));
    EXPECT_EQ(b->RandomResource.GoldRange, (GIntRange{2, 4}));
    EXPECT_EQ(b->RandomResource.MoneyRange, (GIntRange{100, 200}));

    EXPECT_FALSE(b->CanBeDestroyed); // "True" is not "true"
    EXPECT_EQ(b->ProvidedService, 5);
    EXPECT_EQ(b->TrainArrivalTimeRange, (GIntRange{30000, 60000}));
    EXPECT_EQ(names(b->WorkerWorkStates), (std::vector<std::string>{"Work", "Carry", "Stand", "Stand"}));
    ASSERT_EQ(b->OccupiedPlaces.size(), 3u);
    EXPECT_EQ(b->OccupiedPlaces[0], CVector2di(0, 1));
    EXPECT_EQ(b->OccupiedPlaces[1], CVector2di(1, 1));
    EXPECT_EQ(b->OccupiedPlaces[2], CVector2di(1, 0));

    ASSERT_EQ(b->ServeAreas.size(), 2u);
    const ServeArea& food = b->ServeAreas[0];
    EXPECT_EQ(food.Name, CName("Food"));
    EXPECT_EQ(food.Color, CName("Red"));
    EXPECT_EQ(food.ServeIncome, 50);
    EXPECT_FLOAT_EQ(food.ServeIncomeGold, 1.5f);
    EXPECT_EQ(food.IncomeBonus, 10);
    EXPECT_EQ(food.BrokenIncomeBonus, 5);
    EXPECT_EQ(food.GuestsAddBonus, 3);
    EXPECT_EQ(food.BrokenGuestsAddBonus, 1);
    EXPECT_EQ(food.HappinessBonus, 4);
    EXPECT_EQ(food.BrokenHappinessBonus, 2);
    ASSERT_EQ(food.Area.size(), 2u);
    EXPECT_EQ(food.Area[1], CVector2di(-1, 0));
    EXPECT_EQ(b->ServeAreas[1].Color, CName("Blue"));
    EXPECT_EQ(names(b->RequiredServeAreas), (std::vector<std::string>{"Water", "Roads"}));

    EXPECT_FLOAT_EQ(b->Income, 12.5f);
    EXPECT_EQ(b->IncomeGold, 3);
    EXPECT_EQ(b->Happiness, 6);
    EXPECT_EQ(b->GuestsCount, 8);

    // The unknown kind is skipped whole (its serve area is not the
    // building's); the second GoldRush is refused by the list.
    ASSERT_EQ(b->ActiveFeatures->size(), 1u);
    const GActiveFeature* feature = b->ActiveFeatures->get(0);
    EXPECT_EQ(feature->getKind(), GActiveFeature::GoldPercent);
    EXPECT_EQ(feature->FeatureName, CName("GoldRush"));
    EXPECT_EQ(feature->getOwner(), b->ActiveFeatures.get());

    ASSERT_TRUE(b->Modifiers);
    GLevelModifierValues values;
    b->Modifiers->applyAll(values);
    EXPECT_FLOAT_EQ(values.WorkerPriceM, 0.8f);
    EXPECT_TRUE(values.CanReceiveMoneyLetters);

    // Only the items of the second ProduceItems.
    ASSERT_EQ(b->ProduceItems.size(), 2u);
    const GProduceItemConfig* bread = b->ProduceItems[0].get();
    EXPECT_EQ(bread->Name, CName("Bread"));
    EXPECT_EQ(bread->Workers, 2);
    EXPECT_EQ(bread->Time, 8000);
    EXPECT_EQ(amountOf(bread->RequiredResources, "Materials"), 5);
    EXPECT_EQ(amountOf(bread->ProducedResources, "Gold"), 2);
    // An item that gives nothing takes one worker for five seconds.
    EXPECT_EQ(b->ProduceItems[1]->Workers, 1);
    EXPECT_EQ(b->ProduceItems[1]->Time, 5000);
}

TEST(GBuildingConfig, DefaultsAndAnEmptyElement) {
    for (const CRefHandle<GBuildingConfig>& b :
         {CRefHandle<GBuildingConfig>(new GBuildingConfig), readBuilding(""), readBuilding("<Unknown/>")}) {
        EXPECT_EQ(b->Kind, GBuildingType::BuildingPlace);
        EXPECT_EQ(b->AllowedFromLevel, 1);
        EXPECT_TRUE(b->CanBeDestroyed);
        EXPECT_EQ(b->Build.Time, 5000);
        EXPECT_EQ(b->Repair.Workers, 1);
        EXPECT_EQ(b->Destroy.Workers, 1);
        // Workers index the four work states: an empty list would be read past.
        EXPECT_EQ(names(b->WorkerWorkStates), (std::vector<std::string>{"Stand", "Stand", "Stand", "Stand"}));
        EXPECT_FALSE(b->Modifiers);
        ASSERT_TRUE(b->ActiveFeatures);
        EXPECT_EQ(b->ActiveFeatures->size(), 0u);
    }
}

TEST(GBuildingConfig, WorkStatesAndServiceCodes) {
    const struct {
        const char* states;
        std::vector<std::string> expected;
    } stateCases[] = {
        {"Work;Carry", {"Work", "Carry", "Stand", "Stand"}},
        {"A;;B", {"A", "B", "Stand", "Stand"}},
        {"A;B;C;D;E", {"A", "B", "C", "D", "E"}},
        {"", {"Stand", "Stand", "Stand", "Stand"}},
    };
    for (const auto& c : stateCases) {
        SCOPED_TRACE(c.states);
        EXPECT_EQ(names(readBuilding(std::string("<WorkerWorkStates Value=\"") + c.states + "\"/>")->WorkerWorkStates),
                  c.expected);
    }
    const struct {
        int written;
        int stored;
    } serviceCases[] = {{4, 4}, {5, 5}, {3, 0}, {6, 0}, {-4, 0}};
    for (const auto& c : serviceCases) {
        SCOPED_TRACE(c.written);
        EXPECT_EQ(readBuilding("<ProvidedService Value=\"" + std::to_string(c.written) + "\"/>")->ProvidedService,
                  c.stored);
    }
}

TEST(GBuildingConfig, EmptyContainersDoNotSwallowTheirSiblings) {
    const char* containers[] = {"<Upgrades/>",
                                "<Build/>",
                                "<Repair/>",
                                "<Destroy/>",
                                "<RandomResource/>",
                                "<ProduceItems/>",
                                "<LevelModifiers/>",
                                "<ServeArea/>",
                                "<ActiveFeature Type=\"GoldPercent\"/>",
                                "<ActiveFeature Type=\"Unknown\"/>"};
    for (const char* container : containers) {
        SCOPED_TRACE(container);
        CRefHandle<GBuildingConfig> b =
            readBuilding(std::string(container) + "<Level Value=\"4\"/><Name Value=\"N\"/>");
        EXPECT_EQ(b->Level, 4);
        EXPECT_EQ(b->Name, CName("N"));
    }
    // And the readers of the nested blocks stop at their own ends.
    CRefHandle<GBuildingConfig> b =
        readBuilding("<ProduceItems><Item/><Item><Workers Value=\"3\"/></Item></ProduceItems><Level Value=\"6\"/>");
    ASSERT_EQ(b->ProduceItems.size(), 2u);
    EXPECT_EQ(b->ProduceItems[1]->Workers, 3);
    EXPECT_EQ(b->Level, 6);
}

TEST(GBuildingConfig, ReadingAgainReplacesTheListsThatStartEmpty) {
    CRefHandle<GBuildingConfig> b = bakery();
    CRefHandle<CXmlStreamReader> reader =
        xmlReaderAt(R"(<Building><OccupiedPlaces Value="2;2"/></Building>)", u"Building");
    b->readFromXml(*reader);
    EXPECT_EQ(b->OccupiedPlaces.size(), 1u);
    EXPECT_TRUE(b->ServeAreas.empty());
    EXPECT_FALSE(b->Modifiers);
    EXPECT_EQ(b->Level, 2); // not named again
}

TEST(GBuildingConfig, UnknownChildrenReachTheHook) {
    class Recording : public GBuildingConfig {
    public:
        std::vector<std::string> unknown;

    protected:
        void readUnknownElement(CXmlStreamReader& reader) override {
            unknown.push_back(CString(reader.nodeName()).c_str());
        }
    };
    CRefHandle<Recording> b(new Recording);
    b->readFromXml(*xmlReaderAt(R"(<Building><Sign Value="x"/><Level Value="1"/><Flag/></Building>)", u"Building"));
    EXPECT_EQ(b->unknown, (std::vector<std::string>{"Sign", "Flag"}));
}
