#include "engine/core/CArray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// An element ordered by `key` only, so equal keys are told apart by `tag`.
struct Tagged {
    int key;
    char tag;
    bool operator<(const Tagged& other) const { return key < other.key; }
};

std::string tagsOf(const Tagged* data, uint32_t n) {
    std::string out;
    for (uint32_t i = 0; i < n; ++i)
        out += std::to_string(data[i].key) + data[i].tag + ' ';
    return out;
}

// A second, independent rendering of the heap sort: zero-based, recursive,
// on a std::vector.
void siftDownReference(std::vector<Tagged>& v, size_t k, size_t heapSize) {
    size_t left = 2 * k + 1;
    if (left >= heapSize)
        return;
    size_t child = left;
    if (left + 1 < heapSize && v[left].key < v[left + 1].key)
        child = left + 1;
    if (!(v[k].key < v[child].key))
        return;
    std::swap(v[k], v[child]);
    siftDownReference(v, child, heapSize);
}

void heapSortReference(std::vector<Tagged>& v) {
    const size_t n = v.size();
    if (n < 2)
        return;
    for (size_t k = (n - 1) / 2 + 1; k-- > 0;)
        siftDownReference(v, k, n);
    for (size_t m = n - 1; m >= 1; --m) {
        std::swap(v[0], v[m]);
        siftDownReference(v, 0, m);
    }
}

// Counts live objects so that leaks and double destruction show.
struct Counted {
    static int live;
    std::string text;
    explicit Counted(std::string t) : text(std::move(t)) { ++live; }
    Counted(const Counted& other) : text(other.text) { ++live; }
    Counted(Counted&& other) noexcept : text(std::move(other.text)) { ++live; }
    Counted& operator=(const Counted&) = default;
    Counted& operator=(Counted&&) = default;
    ~Counted() { --live; }
};
int Counted::live = 0;

// Long enough to live on the heap, so a read of a freed buffer is caught.
std::string longText(int i) { return "element number " + std::to_string(i) + " with a heap-allocated text"; }

} // namespace

TEST(CArray, FreshArrayHasNoBufferAndIsSorted) {
    CArray<int> a;
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_EQ(a.allocated(), 0u);
    EXPECT_EQ(a.size(), 0u);
    EXPECT_FALSE(a.ownsData());
    EXPECT_TRUE(a.isSorted());
    EXPECT_EQ(a.begin(), a.end());
}

TEST(CArray, GrowsByTheFixedSequence) {
    CArray<int> a;
    std::vector<uint32_t> capacities;
    for (int i = 0; i < 1200; ++i) {
        a.push_back(i);
        if (capacities.empty() || capacities.back() != a.allocated())
            capacities.push_back(a.allocated());
    }
    EXPECT_EQ(capacities, (std::vector<uint32_t>{6, 13, 27, 55, 111, 223, 447, 895, 1119, 1399}));
    for (int i = 0; i < 1200; ++i)
        ASSERT_EQ(a[i], i);
    EXPECT_TRUE(a.ownsData());
}

TEST(CArray, FullLargeArrayGrowsByAQuarter) {
    CArray<int> a;
    a.reallocate(600);
    for (int i = 0; i < 600; ++i)
        a.push_back(i);
    EXPECT_EQ(a.allocated(), 600u);
    a.push_back(600);
    EXPECT_EQ(a.allocated(), 751u);
    EXPECT_EQ(a.size(), 601u);
}

TEST(CArray, InsertsBeforeTheIndexAndKeepsTheRest) {
    CArray<int> a;
    a.push_back(1);
    a.push_back(3);
    a.insert(0, 0);
    a.insert(2, 2);
    a.insert(4, 4);
    EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{0, 1, 2, 3, 4}));

    CArray<std::string> s;
    s.push_back("b");
    s.push_back("d");
    s.insert("a", 0);
    s.insert("c", 2);
    EXPECT_EQ(std::vector<std::string>(s.begin(), s.end()), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(CArray, InsertingAnElementOfTheSameFullArrayIsSafe) {
    CArray<int> ints;
    for (int i = 0; i < 6; ++i)
        ints.push_back(100 + i);
    ASSERT_EQ(ints.size(), ints.allocated());
    ints.push_back(ints[0]);
    ints.insert(ints[2], 0);
    EXPECT_EQ(std::vector<int>(ints.begin(), ints.end()), (std::vector<int>{102, 100, 101, 102, 103, 104, 105, 100}));

    CArray<std::string> texts;
    for (int i = 0; i < 6; ++i)
        texts.push_back(longText(i));
    ASSERT_EQ(texts.size(), texts.allocated());
    texts.push_back(texts[3]); // the buffer moves while the argument lives in it
    EXPECT_EQ(texts[6], longText(3));
    texts.insert(texts[6], 1); // no reallocation, but the argument's slot shifts
    EXPECT_EQ(texts[1], longText(3));
    EXPECT_EQ(texts[7], longText(3));
    EXPECT_EQ(texts[2], longText(1));
}

TEST(CArray, CopyAssignmentCopiesCapacityElementsAndSortedFlag) {
    CArray<int> source;
    for (int i = 0; i < 7; ++i)
        source.push_back(7 - i);
    CArray<int> target;
    target.push_back(99);
    target = source;
    EXPECT_EQ(target.allocated(), 13u);
    EXPECT_EQ(target.size(), 7u);
    EXPECT_FALSE(target.isSorted());
    EXPECT_NE(target.data(), source.data());
    EXPECT_EQ(std::vector<int>(target.begin(), target.end()), std::vector<int>(source.begin(), source.end()));

    source.sort();
    CArray<int> copied(source);
    EXPECT_TRUE(copied.isSorted());
    EXPECT_EQ(copied[0], 1);
}

TEST(CArray, CopyOfAnArrayWithoutBufferLeavesNoBuffer) {
    CArray<int> empty;
    CArray<int> target;
    target.push_back(1);
    target = empty;
    EXPECT_EQ(target.data(), nullptr);
    EXPECT_EQ(target.allocated(), 0u);
    EXPECT_EQ(target.size(), 0u);
    EXPECT_FALSE(target.ownsData());
}

TEST(CArray, SelfAssignmentKeepsTheElements) {
    CArray<std::string> a;
    for (int i = 0; i < 3; ++i)
        a.push_back(longText(i));
    auto& self = a;
    a = self;
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[2], longText(2));
}

TEST(CArray, ReserveMakesRoomOnceAndKeepsTheElements) {
    CArray<int> a;
    a.push_back(7);
    a.reserve(100);
    EXPECT_EQ(a.allocated(), 100u);
    const int* buffer = a.data();
    a.reserve(50); // room already: nothing moves
    for (int i = 1; i < 100; ++i)
        a.push_back(i);
    EXPECT_EQ(a.data(), buffer);
    EXPECT_EQ(a.allocated(), 100u);
    EXPECT_EQ(a[0], 7);
    EXPECT_EQ(a[99], 99);
    // The insertion rule is untouched: below 500 slots a full array grows
    // to used + 1 + used.
    a.push_back(100);
    EXPECT_EQ(a.allocated(), 201u);
}

TEST(CArray, AppendCopiesABlockAndGrowsAtLeastByTheInsertionRule) {
    CArray<int> a;
    const int block[3] = {1, 2, 3};
    ASSERT_TRUE(a.append(block, 3));
    EXPECT_EQ(a.allocated(), 6u); // what the insertion rule gives an empty array
    ASSERT_TRUE(a.append(block, 3));
    ASSERT_TRUE(a.append(block, 0));
    EXPECT_EQ(a.allocated(), 6u);
    std::vector<int> many(40, 9);
    ASSERT_TRUE(a.append(many.data(), 40));
    EXPECT_EQ(a.allocated(), 46u); // more than the rule's 13: exactly the need
    EXPECT_EQ(a.size(), 46u);
    EXPECT_EQ(a[3], 1);
    EXPECT_EQ(a[5], 3);
    EXPECT_EQ(a[45], 9);
    EXPECT_FALSE(a.isSorted());
}

TEST(CArray, AppendingItsOwnElementsSurvivesTheReallocation) {
    CArray<std::string> a;
    for (int i = 0; i < 6; ++i)
        a.push_back(longText(i));
    ASSERT_EQ(a.allocated(), 6u);
    // The source lies in the buffer that the append replaces.
    ASSERT_TRUE(a.append(a.data() + 2, 4));
    ASSERT_EQ(a.size(), 10u);
    EXPECT_EQ(a[6], longText(2));
    EXPECT_EQ(a[9], longText(5));

    CArray<int> numbers;
    for (int i = 0; i < 6; ++i)
        numbers.push_back(i);
    ASSERT_TRUE(numbers.append(numbers.data(), 6));
    EXPECT_EQ(numbers[11], 5);

    // push_back of an own element, with room left and at a full buffer.
    for (uint32_t used : {4u, 6u}) {
        SCOPED_TRACE(used);
        CArray<std::string> texts;
        texts.reserve(6);
        for (uint32_t i = 0; i < used; ++i)
            texts.push_back(longText(int(i)));
        texts.push_back(texts[1]);
        ASSERT_EQ(texts.size(), used + 1);
        EXPECT_EQ(texts[used], longText(1));
        EXPECT_EQ(texts[1], longText(1));
        EXPECT_FALSE(texts.isSorted());
    }
}

TEST(CArray, MoveLeavesTheSourceFresh) {
    CArray<std::string> a;
    a.push_back(longText(0));
    const std::string* buffer = a.data();
    CArray<std::string> b(std::move(a));
    EXPECT_EQ(b.data(), buffer);
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_EQ(a.size(), 0u);
    a = std::move(b);
    EXPECT_EQ(a.data(), buffer);
    EXPECT_EQ(a[0], longText(0));
}

TEST(CArray, ObjectElementsAreConstructedAndDestroyedInPairs) {
    Counted::live = 0;
    {
        CArray<Counted> a;
        for (int i = 0; i < 30; ++i)
            a.insert(Counted(longText(i)), i / 2);
        EXPECT_EQ(Counted::live, 30);
        CArray<Counted> b = a;
        EXPECT_EQ(Counted::live, 60);
        b.reallocate(10); // drops the 20 elements past the new end
        EXPECT_EQ(b.size(), 10u);
        EXPECT_EQ(b.allocated(), 10u);
        EXPECT_EQ(Counted::live, 40);
        EXPECT_EQ(b[9].text, a[9].text);
        b.erase(0);
        b.eraseSwapLast(0);
        EXPECT_EQ(Counted::live, 38);
        b.clear();
        EXPECT_EQ(Counted::live, 30);
    }
    EXPECT_EQ(Counted::live, 0);
}

TEST(CArray, ClearReturnsToTheFreshState) {
    CArray<int> a;
    a.push_back(2);
    a.push_back(1);
    a.clear();
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_EQ(a.allocated(), 0u);
    EXPECT_EQ(a.size(), 0u);
    EXPECT_FALSE(a.ownsData());
    EXPECT_TRUE(a.isSorted());
}

TEST(CArray, EraseKeepsOrderAndEraseSwapLastFillsTheGap) {
    CArray<int> a;
    for (int i = 0; i < 6; ++i)
        a.push_back(i);
    a.sort();
    a.erase(1);
    EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{0, 2, 3, 4, 5}));
    EXPECT_TRUE(a.isSorted());
    a.eraseSwapLast(4); // the last element itself: order unchanged
    EXPECT_TRUE(a.isSorted());
    a.eraseSwapLast(0);
    EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{4, 2, 3}));
    EXPECT_FALSE(a.isSorted());
}

TEST(CArray, SortRunsOnlyWhileTheSortedFlagIsClear) {
    CArray<int> a;
    for (int v : {3, 1, 2})
        a.push_back(v);
    EXPECT_FALSE(a.isSorted());
    a.sort();
    EXPECT_TRUE(a.isSorted());
    EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{1, 2, 3}));

    a[0] = 9; // changed in place: the flag still says sorted
    a.sort();
    EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{9, 2, 3}));

    a.push_back(0); // any insertion re-arms it
    a.sort();
    EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{0, 2, 3, 9}));
}

TEST(CArray, HeapSortLeavesEqualElementsInItsOwnOrder) {
    const struct {
        const char* what;
        std::vector<Tagged> input;
        const char* expected;
    } cases[] = {
        {"three equal", {{1, 'a'}, {1, 'b'}, {1, 'c'}}, "1b 1c 1a "},
        {"four equal", {{1, 'a'}, {1, 'b'}, {1, 'c'}, {1, 'd'}}, "1b 1c 1d 1a "},
        {"equal ends around a smaller middle", {{2, 'a'}, {1, 'x'}, {2, 'b'}}, "1x 2b 2a "},
        {"three equal largest", {{3, 'a'}, {1, 'a'}, {3, 'b'}, {2, 'a'}, {3, 'c'}}, "1a 2a 3b 3c 3a "},
        {"two", {{5, 'a'}, {5, 'b'}}, "5b 5a "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CArray<Tagged> a;
        for (const Tagged& t : c.input)
            a.push_back(t);
        a.sort();
        EXPECT_EQ(tagsOf(a.data(), a.size()), c.expected);
    }
}

TEST(CArray, HeapSortMatchesAnIndependentRendering) {
    std::mt19937 random(1234);
    for (int round = 0; round < 300; ++round) {
        const uint32_t n = random() % 40;
        const int keys = 1 + int(random() % 6); // few keys: many ties
        std::vector<Tagged> expected;
        CArray<Tagged> a;
        for (uint32_t i = 0; i < n; ++i) {
            Tagged t{int(random() % keys), char('A' + i % 58)};
            expected.push_back(t);
            a.push_back(t);
        }
        heapSortReference(expected);
        a.sort();
        SCOPED_TRACE(round);
        ASSERT_EQ(tagsOf(a.data(), a.size()), tagsOf(expected.data(), uint32_t(expected.size())));
    }
}

TEST(CArray, HeapSortTakesAnOrdering) {
    int values[] = {4, 9, 1, 7, 3};
    heapSort(values, 5, [](int a, int b) { return a > b; });
    EXPECT_EQ(std::vector<int>(values, values + 5), (std::vector<int>{9, 7, 4, 3, 1}));

    CArray<std::string> texts;
    for (const char* t : {"pear", "fig", "apple", "kiwi"})
        texts.push_back(t);
    texts.sort([](const std::string& a, const std::string& b) { return a.size() < b.size(); });
    EXPECT_EQ(texts[0], "fig");
    EXPECT_EQ(texts[3], "apple");
    EXPECT_TRUE(texts.isSorted());
}
