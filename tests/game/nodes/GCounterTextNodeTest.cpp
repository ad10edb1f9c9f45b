#include "game/nodes/GCounterTextNode.h"

#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "engine/scene/CPropertyBag.h"
#include "game/config/GNumberText.h"
#include "tests/game/nodes/GameNodesTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string shown(const GCounterTextNode& node) { return std::u16string(node.getText().view()); }

CRefHandle<GCounterTextNode> counter(int start, int end, int time, int mode) {
    CRefHandle<GCounterTextNode> node(new GCounterTextNode(CObjectName(), nullptr, nullptr));
    node->setStartValue(start);
    node->setEndValue(end);
    node->setCountingTime(time);
    node->setValueDisplayMode(mode);
    return node;
}

// The dictionary's money format and thousands delimiter for one test, the
// delimiter taken from the dictionary as the game does at start-up.
struct Dictionary {
    Dictionary() {
        CDictionary* dictionary = CEngineManagers::instance().getDictionary();
        dictionary->set("MoneyDollar", CStringW(u"$#p"));
        dictionary->set("ThousandsDelimiter", CStringW(u"."));
        setThousandsDelimiter(thousandsDelimiterFrom(*dictionary));
    }
    ~Dictionary() {
        CEngineManagers::instance().getDictionary()->clear();
        setThousandsDelimiter(u',');
    }
};

} // namespace

TEST(GCounterTextNode, CountsToTheEndValueWithoutOvershootingIt) {
    auto node = counter(0, 1000, 1000, GCounterTextNode::ShowNumber);
    node->setCounting(true);
    EXPECT_EQ(shown(*node), u"0") << "the start value shows at once";
    int previous = 0;
    for (int step = 0; step < 50 && node->isCounting(); ++step) {
        EXPECT_TRUE(node->update(37));
        std::string digits;
        const CString text(node->getText());
        for (char c : text.view())
            if (c != ',')
                digits += c;
        const int value = std::stoi(digits);
        EXPECT_GE(value, previous);
        EXPECT_LE(value, 1000);
        previous = value;
    }
    EXPECT_FALSE(node->isCounting());
    EXPECT_FALSE(node->getStartCounting());
    EXPECT_EQ(shown(*node), u"1,000");
    EXPECT_FALSE(node->update(30)) << "the next update takes it out of the scheduler";
}

TEST(GCounterTextNode, ShowsEachModeAndCountsDownAsWell) {
    Dictionary dictionary;
    const struct {
        const char* what;
        int start, end, time, mode, elapsed;
        const char16_t* text;
    } cases[] = {
        {"half way down", 1000, 0, 1000, GCounterTextNode::ShowNumber, 500, u"500"},
        {"grouped by the dictionary", 0, 20000, 1000, GCounterTextNode::ShowNumber, 600, u"12.000"},
        {"money", 0, 1500, 100, GCounterTextNode::ShowMoney, 100, u"$1.500"},
        {"minutes and seconds", 0, 65000, 100, GCounterTextNode::ShowMinutesSeconds, 100, u"01:05"},
        {"truncated towards zero", 0, -10, 1000, GCounterTextNode::ShowNumber, 150, u"-1"},
        {"no time shows the end at once", 3, 7000, 0, GCounterTextNode::ShowNumber, 0, u"7.000"},
        {"negative time too", 3, 7, -5, GCounterTextNode::ShowNumber, 0, u"7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto node = counter(c.start, c.end, c.time, c.mode);
        node->setCounting(true);
        if (c.elapsed)
            (void)node->update(uint32_t(c.elapsed));
        EXPECT_EQ(shown(*node), c.text);
    }
}

TEST(GCounterTextNode, ARunningCountIsRetargetedNotRestarted) {
    auto node = counter(0, 100, 1000, GCounterTextNode::ShowNumber);
    node->setCounting(true);
    (void)node->update(500);
    EXPECT_EQ(shown(*node), u"50");
    node->setStartValue(1000);
    node->setCounting(true);
    EXPECT_EQ(node->getLifeTime(), 500) << "a second request is ignored";
    node->setStartValue(0);
    node->setEndValue(300);
    (void)node->update(250);
    EXPECT_EQ(shown(*node), u"225");
    node->setCounting(false);
    EXPECT_FALSE(node->update(30));
    EXPECT_EQ(shown(*node), u"225");
}

TEST(GCounterTextNode, ARequestedCountKeepsTheNodeScheduledWhileItIsDrawn) {
    SceneClock clock;
    auto node = counter(0, 10, 100, GCounterTextNode::ShowNumber);
    clock.adopt(node.get());
    clock.draw();
    EXPECT_EQ(node->getScheduler(), nullptr);
    node->setCounting(true);
    clock.draw();
    EXPECT_EQ(node->getScheduler(), clock.scheduler.get());
    for (int i = 0; i < 10; ++i)
        clock.scheduler->update(30);
    EXPECT_EQ(shown(*node), u"10");
    EXPECT_EQ(node->getScheduler(), nullptr);
}

TEST(GCounterTextNode, WritesWhatDiffersAndReadsTheRequestWithoutStartingIt) {
    auto node = counter(5, 100, 1000, GCounterTextNode::ShowMoney);
    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    node->writeProperties(*bag);
    EXPECT_EQ(bag->getInt("StartValue"), 5);
    EXPECT_LT(bag->indexOf("EndValue"), 0);
    EXPECT_LT(bag->indexOf("CountingTime"), 0);
    EXPECT_EQ(bag->getInt("ValueDisplayMode"), 1);
    EXPECT_LT(bag->indexOf("StartCounting"), 0);

    bag->setBool("StartCounting", true);
    bag->setInt("LifeTime", 40);
    bag->setString("EndValue", CString("many"));
    auto read = counter(0, 100, 1000, 0);
    read->readProperties(*bag);
    EXPECT_TRUE(read->getStartCounting());
    EXPECT_FALSE(read->isCounting()) << "read from a file, the request alone is set";
    EXPECT_EQ(read->getLifeTime(), 40);
    EXPECT_EQ(read->getEndValue(), 0) << "a value of another type reads 0";
    EXPECT_FALSE(read->update(30));

    CRefHandle<BaseNode> copy(read->clone(nullptr, nullptr));
    const auto* copied = nodeCast<GCounterTextNode>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->getStartValue(), 5);
    EXPECT_EQ(copied->getValueDisplayMode(), 1);
    EXPECT_TRUE(copied->getStartCounting());
    EXPECT_EQ(copied->getLifeTime(), 40);
}
