#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CString.h"
#include "game/config/GAmountObjectives.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GBuildingObjectives.h"
#include "game/config/GNumberText.h"
#include "game/config/IObjectiveLevel.h"
#include "game/config/ObjectivesGroup.h"
#include "tests/game/config/ConfigTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// A level whose numbers, places and history the test sets.
class FakeObjectiveLevel : public IObjectiveLevel {
public:
    int getHeadquartersResource(CName name) const override {
        const auto it = resources.find(name.str().c_str());
        return it == resources.end() ? 0 : it->second;
    }
    int getHeadquartersWorkers() const override { return workers; }
    float getLevelIncome() const override { return income; }
    int getLevelGuests() const override { return guests; }
    int getLevelExtraGuests() const override { return extraGuests; }
    int getLevelHappiness() const override { return happiness; }
    uint32_t getPlaceCount() const override { return uint32_t(places.size()); }
    GObjectivePlace getPlace(uint32_t index) const override { return places[index]; }
    const CArray<GHistoryRecord>& getHistory() const override { return history; }

    std::map<std::string, int> resources;
    int workers = 0;
    float income = 0.0f;
    int guests = 0;
    int extraGuests = 0;
    int happiness = 0;
    std::vector<GObjectivePlace> places;
    CArray<GHistoryRecord> history;
};

// Type records shared by the tests of this file.
const GBuildingConfig* record(const char* name, GBuildingType kind, int level = 1) {
    static std::vector<CRefHandle<GBuildingConfig>> records;
    CRefHandle<GBuildingConfig> made(new GBuildingConfig);
    made->Name = CName(name);
    made->Kind = kind;
    made->Level = level;
    records.push_back(made);
    return made.get();
}

const GBuildingConfig* const kCottage1 = record("Cottage1", GBuildingType::Apartment);
const GBuildingConfig* const kCottage2 = record("Cottage2", GBuildingType::Apartment);
const GBuildingConfig* const kBakery = record("Bakery1", GBuildingType::Commercial);
const GBuildingConfig* const kSmithy = record("Smithy1", GBuildingType::Produce);
const GBuildingConfig* const kEmptyPlace = record("Place", GBuildingType::BuildingPlace, 0);

GObjectivePlace place(const GBuildingConfig* current, const char* name = "Place1") {
    GObjectivePlace p;
    p.name = CName(name);
    p.current = current;
    return p;
}

template <class T> std::unique_ptr<T> readObjective(const std::string& attributes) {
    auto objective = std::make_unique<T>();
    CRefHandle<CXmlStreamReader> reader = xmlReaderAt("<Objective " + attributes + "/>", u"Objective");
    objective->readFromXml(*reader);
    return objective;
}

std::string utf8(const CStringW& text) { return CString(text).c_str(); }

class Objectives : public ::testing::Test {
protected:
    void SetUp() override {
        CDictionary* dictionary = CEngineManagers::instance().getDictionary();
        dictionary->clear();
        setThousandsDelimiter(u',');
        dictionary->set(CString("MoneyDollar"), CStringW(u"$#p"));
        dictionary->set(CString("Obj_Income"), CStringW(u"Earn #p"));
        dictionary->set(CString("Obj_IncomeFull"), CStringW(u"Earn #p a day"));
        dictionary->set(CString("Obj_Workers"), CStringW(u"Hire #p"));
        dictionary->set(CString("Obj_HaveGuests"), CStringW(u"Host #p"));
        dictionary->set(CString("Obj_Happiness"), CStringW(u"Cheer #p"));
    }
    void TearDown() override { CEngineManagers::instance().getDictionary()->clear(); }

    FakeObjectiveLevel level;
};

} // namespace

TEST_F(Objectives, AmountKindsAgainstTheLevel) {
    const struct {
        const char* what;
        std::unique_ptr<GObjective> objective;
        void (*setUp)(FakeObjectiveLevel&);
        bool complete;
        const char* progress;
    } cases[] = {
        {"money at the goal", readObjective<GObjectiveMoney>("Value=\"5000\""),
         [](FakeObjectiveLevel& l) { l.resources["Money"] = 5000; }, true, "$5,000/$5,000"},
        {"money one short", readObjective<GObjectiveMoney>("Value=\"5000\""),
         [](FakeObjectiveLevel& l) { l.resources["Money"] = 4999; }, false, "$4,999/$5,000"},
        {"money in millions", readObjective<GObjectiveMoney>("Value=\"2000000\""),
         [](FakeObjectiveLevel& l) { l.resources["Money"] = 1234567; }, false, "$1,234,567/$2,000,000"},
        {"gold with a fraction", readObjective<GObjectiveGold>("Value=\"1200.5\""),
         [](FakeObjectiveLevel& l) { l.resources["Gold"] = 1200; }, false, "1,200/1,200"},
        {"gold above", readObjective<GObjectiveGold>("Value=\"1200.5\""),
         [](FakeObjectiveLevel& l) { l.resources["Gold"] = 1201; }, true, "1,201/1,200"},
        {"income exactly", readObjective<GObjectiveIncome>("Value=\"99.9\""),
         [](FakeObjectiveLevel& l) { l.income = 99.9f; }, true, "$100/$99"},
        {"income just under", readObjective<GObjectiveIncome>("Value=\"99.9\""),
         [](FakeObjectiveLevel& l) { l.income = 99.4f; }, false, "$99/$99"},
        {"workers", readObjective<GObjectiveWorkers>("Value=\"6\""), [](FakeObjectiveLevel& l) { l.workers = 6; }, true,
         "6/6"},
        {"workers short", readObjective<GObjectiveWorkers>("Value=\"6\""), [](FakeObjectiveLevel& l) { l.workers = 5; },
         false, "5/6"},
        {"guests with extra guests", readObjective<GObjectiveGuestsCount>("Value=\"1500\""),
         [](FakeObjectiveLevel& l) {
             l.guests = 1000;
             l.extraGuests = 500;
         },
         true, "1500/1500"},
        {"guests short", readObjective<GObjectiveGuestsCount>("Value=\"1500\""),
         [](FakeObjectiveLevel& l) {
             l.guests = 1000;
             l.extraGuests = 499;
         },
         false, "1499/1500"},
        {"happiness below zero", readObjective<GObjectiveHappiness>("Value=\"30\""),
         [](FakeObjectiveLevel& l) { l.happiness = -5; }, false, "-5/30"},
        {"happiness", readObjective<GObjectiveHappiness>("Value=\"30\""),
         [](FakeObjectiveLevel& l) { l.happiness = 31; }, true, "31/30"},
        {"missing Value asks for nothing", readObjective<GObjectiveMoney>(""), [](FakeObjectiveLevel&) {}, true,
         "$0/$0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeObjectiveLevel fresh;
        c.setUp(fresh);
        EXPECT_EQ(c.objective->isComplete(fresh), c.complete);
        EXPECT_EQ(utf8(c.objective->getProgressText(fresh)), c.progress);
    }
}

TEST_F(Objectives, AmountKindsInfoAndHintTexts) {
    const struct {
        std::unique_ptr<GObjective> objective;
        const char* info;
        const char* fullInfo;
        const char* hint;
    } cases[] = {
        {readObjective<GObjectiveMoney>("Value=\"5\" InfoStr=\"%Obj_Cash%\""), "%Obj_Cash%", "%Obj_Cash%",
         "%GamePlay_CompleteHintMoney%"},
        {readObjective<GObjectiveGold>("Value=\"5\" InfoStr=\"Gold!\""), "Gold!", "Gold!",
         "%GamePlay_CompleteHintGold%"},
        {readObjective<GObjectiveIncome>("Value=\"12345.9\" InfoStr=\"ignored\""), "Earn 12,345", "Earn 12,345 a day",
         "%GamePlay_CompleteHintIncome%"},
        {readObjective<GObjectiveWorkers>("Value=\"1200\""), "Hire 1200", "Hire 1200",
         "%GamePlay_CompleteHintWorkers%"},
        {readObjective<GObjectiveGuestsCount>("Value=\"40\""), "Host 40", "Host 40", "%GamePlay_CompleteHintGuests%"},
        {readObjective<GObjectiveHappiness>("Value=\"-3\""), "Cheer -3", "Cheer -3",
         "%GamePlay_CompleteHintHappiness%"},
        {readObjective<GObjectiveHaveTypedBuildingsCount>("Value=\"1\" InfoStr=\"Own\""), "Own", "Own", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.info);
        EXPECT_EQ(utf8(c.objective->getInfoText(false)), c.info);
        EXPECT_EQ(utf8(c.objective->getInfoText(true)), c.fullInfo);
        EXPECT_EQ(utf8(c.objective->getHintText()), c.hint);
    }
}

TEST_F(Objectives, ThousandsDelimiterComesFromTheDictionary) {
    const struct {
        const char* what;
        const char16_t* text; // null: no entry
        char16_t delimiter;
        const char* grouped;
    } cases[] = {
        {"no entry", nullptr, u',', "1,234,567"},
        {"a blank", u" ", u' ', "1 234 567"},
        {"first character only", u".x", u'.', "1.234.567"},
        {"a line feed reads as a blank", u"\n.", u' ', "1 234 567"},
        {"a carriage return reads as a blank", u"\r", u' ', "1 234 567"},
        {"empty: no delimiter", u"", 0, "1234567"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<CDictionary> dictionary(new CDictionary);
        if (c.text)
            dictionary->set(CString("ThousandsDelimiter"), CStringW(c.text));
        EXPECT_EQ(thousandsDelimiterFrom(*dictionary), c.delimiter);
        setThousandsDelimiter(thousandsDelimiterFrom(*dictionary));
        EXPECT_EQ(utf8(groupedNumber(1234567)), c.grouped);
        EXPECT_EQ(utf8(plainNumber(-1234567)), "-1234567");
    }
    setThousandsDelimiter(u',');
}

TEST_F(Objectives, TypedBuildingsCountPlaceByPlace) {
    const auto damaged = [] {
        GObjectivePlace p = place(kCottage1);
        p.damageState = 2;
        return p;
    };
    const auto withTask = [](const GBuildingConfig* current, const GBuildingConfig* previous, int task) {
        GObjectivePlace p = place(current);
        p.previous = previous;
        p.taskKind = task;
        return p;
    };
    const auto with = [](GObjectivePlace p, void (*change)(GObjectivePlace&)) {
        change(p);
        return p;
    };
    const struct {
        const char* what;
        const char* attributes;
        GObjectivePlace place;
        int count;
    } cases[] = {
        {"a built cottage", "", place(kCottage1), 1},
        {"another type", "", place(kCottage2), 0},
        {"hidden", "", with(place(kCottage1), [](GObjectivePlace& p) { p.visible = false; }), 0},
        {"disabled", "", with(place(kCottage1), [](GObjectivePlace& p) { p.enabled = false; }), 0},
        {"unreachable", "", with(place(kCottage1), [](GObjectivePlace& p) { p.reachable = false; }), 0},
        {"without its services", "", with(place(kCottage1), [](GObjectivePlace& p) { p.hasRequiredServices = false; }),
         0},
        {"damaged", "", damaged(), 0},
        {"under repair", "", withTask(kCottage1, nullptr, GObjectivePlace::RepairTask), 0},
        {"levelled up counts as its previous type", "", withTask(kCottage2, kCottage1, GObjectivePlace::BuildTask), 1},
        {"not yet as its new type", "BuildingTypes=\"Cottage2\"",
         withTask(kCottage2, kCottage1, GObjectivePlace::BuildTask), 0},
        {"being built from nothing", "", withTask(kCottage1, nullptr, GObjectivePlace::BuildTask), 0},
        {"being demolished", "", withTask(kCottage1, kCottage1, GObjectivePlace::DestroyTask), 0},
        {"an empty place", "BuildingTypes=\"\"", place(kEmptyPlace), 0},
        {"a place without a record", "BuildingTypes=\"\"", place(nullptr), 0},
        {"a place without a record, minimum bonus given", "BuildingTypes=\"\" MinIncomeBonus=\"0\"", place(nullptr), 0},
        {"other place", "PlaceNames=\"Place2;Place3\"", place(kCottage1), 0},
        {"named place", "PlaceNames=\"Place2;Place1\"", place(kCottage1), 1},
        {"too few served guests", "MinServedGuests=\"4\"",
         with(place(kCottage1), [](GObjectivePlace& p) { p.servedGuests = 3; }), 0},
        {"enough served guests", "MinServedGuests=\"4\"",
         with(place(kCottage1), [](GObjectivePlace& p) { p.servedGuests = 4; }), 1},
        {"income bonus under the minimum", "MinIncomeBonus=\"15\"",
         with(place(kCottage1), [](GObjectivePlace& p) { p.incomeBonus = 14.5f; }), 0},
        {"income bonus at the minimum", "MinIncomeBonus=\"15\"",
         with(place(kCottage1), [](GObjectivePlace& p) { p.incomeBonus = 15.0f; }), 1},
        {"the minimum bonus binds apartments only", "BuildingTypes=\"Bakery1\" MinIncomeBonus=\"15\"", place(kBakery),
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string attributes = std::string(c.attributes).find("BuildingTypes") == std::string::npos
                                           ? std::string("Value=\"1\" BuildingTypes=\"Cottage1\" ") + c.attributes
                                           : std::string("Value=\"1\" ") + c.attributes;
        auto objective = readObjective<GObjectiveHaveTypedBuildingsCount>(attributes);
        FakeObjectiveLevel one;
        one.places.push_back(c.place);
        EXPECT_EQ(objective->count(one, true), c.count);
        EXPECT_EQ(objective->isComplete(one), c.count == 1);
    }
}

TEST_F(Objectives, TypedBuildingsCountAgainstEveryApartment) {
    level.places = {place(kCottage1, "Place1"), place(kCottage2, "Place2"), place(kBakery, "Place3")};

    auto cottages = readObjective<GObjectiveHaveTypedBuildingsCount>("Value=\"-1\" BuildingTypes=\"Cottage1\"");
    EXPECT_FALSE(cottages->isComplete(level));
    EXPECT_EQ(utf8(cottages->getProgressText(level)), "1/2");

    auto any = readObjective<GObjectiveHaveTypedBuildingsCount>("Value=\"-1\"");
    EXPECT_TRUE(any->isComplete(level)) << "every apartment is also a building of any type";
    EXPECT_EQ(utf8(any->getProgressText(level)), "3/2");

    auto two = readObjective<GObjectiveHaveTypedBuildingsCount>("Value=\"2\" BuildingTypes=\"Cottage1;Cottage2\"");
    EXPECT_TRUE(two->isComplete(level));
    EXPECT_EQ(utf8(two->getProgressText(level)), "2/2");
}

TEST_F(Objectives, EachTypeCountsUpToValuePerType) {
    auto objective =
        readObjective<GObjectiveHaveEachTypeBuildingsCount>("Value=\"2\" BuildingTypes=\"Bakery1;Smithy1\"");
    level.places = {place(kBakery), place(kBakery), place(kBakery)};
    EXPECT_EQ(objective->count(level), 2);
    EXPECT_FALSE(objective->isComplete(level));
    EXPECT_EQ(utf8(objective->getProgressText(level)), "2/4");

    GObjectivePlace brokenSmithy = place(kSmithy);
    brokenSmithy.damageState = 1;
    level.places.push_back(place(kSmithy));
    level.places.push_back(brokenSmithy);
    EXPECT_TRUE(objective->isComplete(level)) << "a damaged building is still built";
    auto owned = readObjective<GObjectiveHaveEachTypeBuildingsCount>(
        "Value=\"2\" BuildingTypes=\"Bakery1;Smithy1\" MustOwn=\"true\"");
    EXPECT_EQ(owned->count(level), 3);
    EXPECT_FALSE(owned->isComplete(level)) << "but not owned";

    GObjectivePlace demolished = place(kSmithy);
    demolished.taskKind = GObjectivePlace::DestroyTask;
    level.places.back() = demolished;
    EXPECT_FALSE(objective->isComplete(level));
}

// A goal of 0 is met at once, so a level whose objective lost its "Value" can
// still be finished; the reader says so once.
TEST_F(Objectives, WithoutValueTheGoalIsZeroAndMetAtOnce) {
    using Make = std::function<std::unique_ptr<GObjective>()>;
    const auto kind = []<class T>(T*, const char* attributes) -> Make {
        return [attributes] { return readObjective<T>(std::string("Type=\"Test\" ") + attributes); };
    };
    const struct {
        const char* what;
        Make make;
        bool warns;
    } cases[] = {
        {"money", kind((GObjectiveMoney*)nullptr, ""), true},
        {"gold", kind((GObjectiveGold*)nullptr, ""), true},
        {"income", kind((GObjectiveIncome*)nullptr, ""), true},
        {"workers", kind((GObjectiveWorkers*)nullptr, ""), true},
        {"guests", kind((GObjectiveGuestsCount*)nullptr, ""), true},
        {"happiness", kind((GObjectiveHappiness*)nullptr, ""), true},
        {"typed buildings", kind((GObjectiveHaveTypedBuildingsCount*)nullptr, "BuildingTypes=\"Cottage1\""), true},
        {"each type", kind((GObjectiveHaveEachTypeBuildingsCount*)nullptr, "BuildingTypes=\"Bakery1\""), true},
        {"history actions", kind((GObjectiveTypedHistoryActionsCount*)nullptr, "Action=\"Build\""), true},
        {"history amount alone: a count of 0 is meant",
         kind((GObjectiveTypedHistoryActionsCount*)nullptr, "Action=\"GoldSell\" Amount=\"0\""), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        std::unique_ptr<GObjective> objective = c.make();
        EXPECT_TRUE(objective->isComplete(FakeObjectiveLevel()));
        EXPECT_EQ(log.count("Objective without a Value, its goal is 0: Test"), c.warns ? 1u : 0u);
    }
    LogCapture log;
    EXPECT_TRUE(readObjective<GObjectiveMoney>("Type=\"Money\" Value=\"0\"")->isComplete(FakeObjectiveLevel()));
    EXPECT_TRUE(log.lines().empty()) << "a stated 0 is no fault";
}

TEST_F(Objectives, HistoryActionsCountAndAmount) {
    const auto add = [this](int kind, const char* type, const char* placeName, int amount) {
        level.history.push_back(GHistoryRecord{kind, CName(type), CName(placeName), amount});
    };
    auto sales = readObjective<GObjectiveTypedHistoryActionsCount>("Action=\"GoldSell\" Value=\"0\" Amount=\"500\"");
    add(GHistoryRecord::GoldSell, "", "", 200);
    add(GHistoryRecord::Build, "Cottage1", "Place1", 1000);
    add(GHistoryRecord::GoldSell, "", "", 250);
    EXPECT_FALSE(sales->isComplete(level));
    EXPECT_EQ(utf8(sales->getProgressText(level)), "450/500");
    add(GHistoryRecord::GoldSell, "", "", 50);
    EXPECT_TRUE(sales->isComplete(level));

    auto builds = readObjective<GObjectiveTypedHistoryActionsCount>(
        "Action=\"Build\" Value=\"2\" BuildingTypes=\"Cottage1;Cottage2\" PlaceNames=\"Place1\"");
    EXPECT_FALSE(builds->isComplete(level));
    EXPECT_EQ(utf8(builds->getProgressText(level)), "1/2");
    add(GHistoryRecord::Build, "Cottage2", "Place2", 0);
    add(GHistoryRecord::Build, "Bakery1", "Place1", 0);
    EXPECT_FALSE(builds->isComplete(level)) << "other place, other type";
    add(GHistoryRecord::Build, "Cottage2", "Place1", 0);
    EXPECT_TRUE(builds->isComplete(level));

    // An unknown action is never met; without a Value the goal is 0, met at once.
    const struct {
        const char* attributes;
        bool met;
    } goals[] = {{"Action=\"build\" Value=\"1\"", false}, {"Action=\"Destroy\"", true}, {"", true}};
    for (const auto& goal : goals) {
        SCOPED_TRACE(goal.attributes);
        auto objective = readObjective<GObjectiveTypedHistoryActionsCount>(goal.attributes);
        EXPECT_EQ(objective->isComplete(level), goal.met);
    }
    EXPECT_EQ(readObjective<GObjectiveTypedHistoryActionsCount>("Action=\"build\"")->Action, -1);
}

TEST_F(Objectives, EveryApartmentAtTheMinimumBonus) {
    auto objective = readObjective<GObjectiveAllBuildingsHaveMinIncomeBonus>("MinIncomeBonus=\"20\"");
    GObjectivePlace rich = place(kCottage1, "Place1");
    rich.incomeBonus = 25.0f;
    GObjectivePlace poor = place(kCottage2, "Place2");
    poor.incomeBonus = 15.0f;
    GObjectivePlace hidden = place(kCottage2, "Place4");
    hidden.visible = false;
    level.places = {rich, poor, place(kBakery, "Place3"), hidden, place(nullptr, "Place5")};
    EXPECT_FALSE(objective->isComplete(level));
    EXPECT_EQ(utf8(objective->getProgressText(level)), "1/2");

    level.places[1].incomeBonus = 20.0f;
    EXPECT_TRUE(objective->isComplete(level));
    level.places[1].taskKind = GObjectivePlace::BuildTask;
    level.places[1].previous = kCottage1;
    EXPECT_FALSE(objective->isComplete(level)) << "busy apartments are not done yet";

    auto onlyPlace1 = readObjective<GObjectiveAllBuildingsHaveMinIncomeBonus>(
        "MinIncomeBonus=\"20\" PlaceNames=\"Place1\" BuildingTypes=\"Cottage1\"");
    EXPECT_TRUE(onlyPlace1->isComplete(level));
    EXPECT_EQ(utf8(onlyPlace1->getProgressText(level)), "1/1");
}

TEST_F(Objectives, ActionTextsAndIcons) {
    const struct {
        const char* what;
        std::unique_ptr<GObjective> objective;
        const char16_t* action;
        const char16_t* icon;
    } cases[] = {
        {"own", readObjective<GObjectiveHaveTypedBuildingsCount>("MustOwn=\"true\" BuildingTypes=\"Mill1;Mill2\""),
         u"%Briffings_Own%", u"Mill1.png"},
        {"build", readObjective<GObjectiveHaveTypedBuildingsCount>("MustOwn=\"True\" Icon=\"Own.png\""),
         u"%Briffings_Build%", u"Own.png"},
        {"exception", readObjective<GObjectiveHaveTypedBuildingsCount>("MustOwn=\"true\" Exception=\"true\""),
         u"%Briffings_Build%", u"HaveTypedBuildingsCount.png"},
        {"named exception",
         readObjective<GObjectiveAllBuildingsHaveMinIncomeBonus>("Exception=\"true\" ExceptionName=\"%Fix%\""),
         u"%Fix%", u"HaveTypedBuildingsCount.png"},
        {"exception not exactly true",
         readObjective<GObjectiveAllBuildingsHaveMinIncomeBonus>("Exception=\"yes\" ExceptionName=\"%Fix%\""),
         u"%Briffings_Own%", u"HaveTypedBuildingsCount.png"},
        {"each, owned", readObjective<GObjectiveHaveEachTypeBuildingsCount>("MustOwn=\"true\" BuildingTypes=\"A\""),
         u"%Briffings_Own%", u"HaveEachTypeBuildingsCount.png"},
        {"destroy", readObjective<GObjectiveTypedHistoryActionsCount>("Action=\"Destroy\" BuildingTypes=\"Inn1\""),
         u"%Briffings_Destroy%", u"Inn1.png"},
        {"unique upgrade", readObjective<GObjectiveTypedHistoryActionsCount>("Action=\"UniqUpgrade\""),
         u"%Briffings_UniqUpgrade%", u"TypedHistoryActionsCount.png"},
        {"repair keeps the default",
         readObjective<GObjectiveTypedHistoryActionsCount>("Action=\"Repair\" Icon=\"Wrench.png\""),
         u"scenes/images/GameMenu/GoalIcons/Action", u"Wrench.png"},
        {"amount kinds have none", readObjective<GObjectiveIncome>("Icon=\"\""), u"", u"Income.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.objective->getActionText(), CStringW(c.action));
        EXPECT_EQ(c.objective->getIconPath(), CStringW(GObjective::IconFolder) + c.icon);
    }
}

TEST_F(Objectives, GroupStopsAtTheFirstUnmetObjective) {
    CRefHandle<ObjectivesGroup> group(new ObjectivesGroup);
    CRefHandle<CXmlStreamReader> reader =
        xmlReaderAt("<ObjectivesGroup><Objective Type=\"Workers\" Value=\"2\"/><Objective Type=\"money\" Value=\"1\"/>"
                    "<Objective Type=\"Happiness\" Value=\"3\"/></ObjectivesGroup>"
                    "<Objective Type=\"Gold\" Value=\"1\"/>",
                    u"ObjectivesGroup");
    group->readFromXml(*reader);
    ASSERT_EQ(group->size(), 2u);
    EXPECT_FALSE(group->isComplete(level));
    level.workers = 2;
    EXPECT_FALSE(group->isComplete(level));
    level.happiness = 3;
    EXPECT_TRUE(group->isComplete(level));
    EXPECT_TRUE(CRefHandle<ObjectivesGroup>(new ObjectivesGroup)->isComplete(level));
    for (const char16_t* type :
         {u"Money", u"Gold", u"Income", u"Workers", u"GuestsCount", u"Happiness", u"HaveTypedBuildingsCount",
          u"HaveEachTypeBuildingsCount", u"TypedHistoryActionsCount", u"AllBuildingsHaveMinIncomeBonus"})
        EXPECT_TRUE(GObjective::create(CStringW(type))) << utf8(CStringW(type));
    EXPECT_FALSE(GObjective::create(CStringW(u"money")));
    EXPECT_FALSE(GObjective::create(CStringW()));
}
