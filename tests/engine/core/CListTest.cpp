#include "engine/core/CList.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

template <class T> std::vector<T> valuesOf(const CList<T>& list) { return {list.begin(), list.end()}; }

} // namespace

TEST(CList, AppendsAndIteratesInOrder) {
    CList<int> list;
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.begin(), list.end());
    for (int i = 1; i <= 4; ++i)
        list.push_back(i);
    list.push_front(0);
    EXPECT_EQ(valuesOf(list), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(list.size(), 5u);
    EXPECT_EQ(list.front(), 0);
    EXPECT_EQ(list.back(), 4);
}

TEST(CList, CopyAssignmentReplacesAndSelfAssignmentKeeps) {
    CList<std::string> source;
    for (const char* t : {"one", "two", "three"})
        source.push_back(t);
    CList<std::string> target;
    target.push_back("old");
    target = source;
    EXPECT_EQ(valuesOf(target), valuesOf(source));
    EXPECT_EQ(target.size(), 3u);
    target.push_back("four"); // the copy is independent
    EXPECT_EQ(source.size(), 3u);

    auto& self = target;
    target = self;
    EXPECT_EQ(valuesOf(target), (std::vector<std::string>{"one", "two", "three", "four"}));

    CList<std::string> moved(std::move(target));
    EXPECT_TRUE(target.empty());
    EXPECT_EQ(moved.size(), 4u);
    target = moved; // a moved-from list is usable
    EXPECT_EQ(target.back(), "four");
}

TEST(CList, EraseRelinksNeighboursAtEveryPosition) {
    CList<int> list;
    for (int i = 0; i < 6; ++i)
        list.push_back(i);
    list.erase(list.begin()); // first
    auto it = list.begin();
    ++it;
    it = list.erase(it); // middle: answers the next node
    EXPECT_EQ(*it, 3);
    auto last = list.begin();
    for (uint32_t i = 1; i < list.size(); ++i)
        ++last;
    EXPECT_EQ(list.erase(last), list.end()); // last
    EXPECT_EQ(valuesOf(list), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(list.back(), 4);
    list.push_back(9); // the last link was updated
    EXPECT_EQ(valuesOf(list), (std::vector<int>{1, 3, 4, 9}));

    while (!list.empty())
        list.erase(list.begin());
    EXPECT_EQ(list.begin(), list.end());
    list.push_back(7);
    EXPECT_EQ(list.front(), 7);
    EXPECT_EQ(list.back(), 7);
}

TEST(CList, ClearEmptiesTheList) {
    CList<std::string> list;
    list.push_back("a long enough text to live on the heap");
    list.push_back("b");
    list.clear();
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(list.begin(), list.end());
}
