#include "game/config/LevelModifiers.h"

#include "engine/core/CStringW.h"
#include "game/config/GLevelModifierValues.h"
#include "tests/game/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

CRefHandle<LevelModifiers> readModifiers(const std::string& body) {
    CRefHandle<LevelModifiers> set(new LevelModifiers);
    CRefHandle<CXmlStreamReader> reader =
        xmlReaderAt("<LevelModifiers>" + body + "</LevelModifiers>", u"LevelModifiers");
    set->readFromXml(*reader);
    return set;
}

std::string modifier(const char* type, const char* value) {
    return std::string("<Modifier Type=\"") + type + "\" Value=\"" + value + "\"/>";
}

} // namespace

TEST(LevelModifiers, EveryKindIsMadeByItsExactName) {
    for (int kind = 0; kind < GLevelModifier::KindCount; ++kind) {
        const CStringW name(GLevelModifier::kindName(GLevelModifier::Kind(kind)));
        CRefHandle<GLevelModifier> made(GLevelModifier::create(name));
        ASSERT_TRUE(made);
        EXPECT_EQ(made->getKind(), kind);
        EXPECT_EQ(made->getValue(), 0.0f);
    }
    EXPECT_FALSE(CRefHandle<GLevelModifier>(GLevelModifier::create(CStringW(u"workerpricem"))));
    EXPECT_FALSE(CRefHandle<GLevelModifier>(GLevelModifier::create(CStringW(u"WorkerPriceM "))));
    EXPECT_FALSE(CRefHandle<GLevelModifier>(GLevelModifier::create(CStringW())));
}

TEST(LevelModifiers, ProductsSumsAndFlags) {
    GLevelModifierValues values;
    EXPECT_FALSE(values.CanReceiveMoneyLetters);
    EXPECT_TRUE(values.CanBuildingsBroke);

    readModifiers(modifier("WorkerPriceM", "0.5") + modifier("WorkerPriceM", "0.8") + modifier("WorkersCostA", "1.0") +
                  modifier("WorkersCostA", "0.6") + modifier("CanReceiveMoneyLetters", "1") +
                  modifier("CanBuildingsBroke", "-2") + modifier("ActiveFeatureRechargingTimeM", "2"))
        ->applyAll(values);
    EXPECT_FLOAT_EQ(values.WorkerPriceM, 0.4f);
    EXPECT_FLOAT_EQ(values.WorkersCostA, 1.6f);
    EXPECT_TRUE(values.CanReceiveMoneyLetters);
    EXPECT_FALSE(values.CanBuildingsBroke);
    EXPECT_FLOAT_EQ(values.ActiveFeatureRechargingTimeM, 2.0f);
    EXPECT_FLOAT_EQ(values.BuildTimeM, 1.0f);

    values.reset();
    EXPECT_FLOAT_EQ(values.WorkerPriceM, 1.0f);
    EXPECT_FLOAT_EQ(values.WorkersCostA, 0.0f);
    EXPECT_FALSE(values.CanReceiveMoneyLetters);
    EXPECT_TRUE(values.CanBuildingsBroke);
}

TEST(LevelModifiers, TheLastFlagAppliedDecides) {
    const struct {
        const char* first;
        const char* second;
        bool expected;
    } cases[] = {{"1", "0", false}, {"0", "1", true}, {"1", "-1", false}, {"0.01", "5", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " then " + c.second);
        GLevelModifierValues values;
        readModifiers(modifier("CanReceiveMoneyLetters", c.first) + modifier("CanReceiveMoneyLetters", c.second))
            ->applyAll(values);
        EXPECT_EQ(values.CanReceiveMoneyLetters, c.expected);
    }
}

TEST(LevelModifiers, UnknownTypesAndOtherElementsAreSkipped) {
    CRefHandle<LevelModifiers> set =
        readModifiers(modifier("Nonsense", "3") + "<Other Type=\"GoldM\" Value=\"2\"/>" + modifier("GoldM", "3") +
                      "<Modifier Value=\"2\"/>" + "<Modifier Type=\"BuildTimeM\"/>");
    ASSERT_EQ(set->size(), 2u);
    EXPECT_EQ(set->get(0)->getKind(), GLevelModifier::GoldM);
    EXPECT_EQ(set->get(0)->getValue(), 3.0f);
    EXPECT_EQ(set->get(1)->getKind(), GLevelModifier::BuildTimeM);
    EXPECT_EQ(set->get(1)->getValue(), 0.0f); // no Value
    EXPECT_EQ(set->get(2), nullptr);
}

TEST(LevelModifiers, ReadingAgainReplacesTheSet) {
    CRefHandle<LevelModifiers> set = readModifiers(modifier("GoldM", "3") + modifier("GoldM", "4"));
    CRefHandle<CXmlStreamReader> reader =
        xmlReaderAt("<LevelModifiers>" + modifier("BuildTimeM", "0.5") + "</LevelModifiers>", u"LevelModifiers");
    set->readFromXml(*reader);
    ASSERT_EQ(set->size(), 1u);
    EXPECT_EQ(set->get(0)->getKind(), GLevelModifier::BuildTimeM);
}

TEST(LevelModifiers, EmptyElementReadsNothingOfWhatFollows) {
    CRefHandle<CXmlStreamReader> reader =
        xmlReaderAt("<B><LevelModifiers/>" + modifier("GoldM", "3") + "</B>", u"LevelModifiers");
    CRefHandle<LevelModifiers> set(new LevelModifiers);
    set->readFromXml(*reader);
    EXPECT_EQ(set->size(), 0u);
    ASSERT_TRUE(reader->readNext());
    EXPECT_EQ(reader->nodeName(), u"Modifier");
}
