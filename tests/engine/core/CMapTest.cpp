#include "engine/core/CMap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Checks the red-black and search-tree properties of `map`; answers an
// empty text when they hold, else what is wrong.
template <class K, class V> class TreeChecker {
public:
    using Node = typename CMap<K, V>::Node;

    std::string check(const CMap<K, V>& map) {
        m_error.clear();
        m_nodes = 0;
        const Node* root = map.root();
        if (root && root->isRed)
            fail("red root");
        if (root && root->parent)
            fail("root with a parent");
        blackHeight(root, nullptr, nullptr);
        if (m_nodes != map.size())
            fail("count " + std::to_string(map.size()) + " but " + std::to_string(m_nodes) + " nodes");
        return m_error;
    }

private:
    // Black nodes on every path below `node`, or -1 after a failure. Keys
    // must lie in (low, high).
    int blackHeight(const Node* node, const K* low, const K* high) {
        if (!node)
            return 1;
        ++m_nodes;
        if ((low && !(*low < node->key)) || (high && !(node->key < *high)))
            fail("key out of order");
        for (const Node* child : {node->left, node->right}) {
            if (child && child->parent != node)
                fail("wrong parent link");
            if (child && node->isRed && child->isRed)
                fail("red node with a red child");
        }
        int left = blackHeight(node->left, low, &node->key);
        int right = blackHeight(node->right, &node->key, high);
        if (left != right)
            fail("black heights differ");
        return left + (node->isRed ? 0 : 1);
    }

    void fail(const std::string& what) {
        if (m_error.empty())
            m_error = what;
    }

    std::string m_error;
    uint32_t m_nodes = 0;
};

template <class K, class V> std::vector<std::pair<K, V>> entriesOf(const CMap<K, V>& map) {
    std::vector<std::pair<K, V>> out;
    for (const auto& node : map)
        out.emplace_back(node.key, node.value);
    return out;
}

template <class K, class V> std::vector<std::pair<K, V>> entriesOf(const std::map<K, V>& map) {
    return {map.begin(), map.end()};
}

template <class K, class V> std::string checkTree(const CMap<K, V>& map) { return TreeChecker<K, V>().check(map); }

std::string keyText(uint32_t n) { return "key" + std::to_string(n * 7919 % 1000); }

} // namespace

TEST(CMap, InsertKeepsTheExistingValue) {
    CMap<int, int> map;
    auto [added, inserted] = map.insert(5, 50);
    EXPECT_TRUE(inserted);
    EXPECT_EQ(added->key, 5);
    auto [existing, again] = map.insert(5, 99);
    EXPECT_FALSE(again);
    EXPECT_EQ(existing, added);
    EXPECT_EQ(existing->value, 50);
    EXPECT_EQ(map.size(), 1u);
}

TEST(CMap, IndexOperatorInsertsAZeroValue) {
    CMap<int, int> map;
    EXPECT_EQ(map[3], 0);
    EXPECT_EQ(map.size(), 1u);
    map[3] += 4;
    EXPECT_EQ(map.find(3)->value, 4);

    CMap<std::string, std::string> texts;
    EXPECT_EQ(texts["missing"], "");
    EXPECT_TRUE(texts.contains("missing"));
}

TEST(CMap, EraseByKeyAnswersTheRemovedValue) {
    CMap<int, int> map;
    map.insert(1, 10);
    map.insert(2, 20);
    EXPECT_EQ(map.erase(2), 20);
    EXPECT_EQ(map.erase(2), 0);
    EXPECT_EQ(map.erase(7), 0);
    EXPECT_EQ(map.size(), 1u);
    EXPECT_EQ(map.find(2), map.end());

    CMap<int, std::string> texts;
    texts.insert(1, "one");
    EXPECT_EQ(texts.erase(1), "one");
    EXPECT_EQ(texts.erase(1), "");
}

TEST(CMap, IteratesInAscendingOrderAndClears) {
    CMap<std::string, int> map;
    for (const char* key : {"pear", "apple", "fig", "kiwi", "banana"})
        map.insert(key, int(std::string(key).size()));
    std::vector<std::string> keys;
    for (const auto& node : map)
        keys.push_back(node.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"apple", "banana", "fig", "kiwi", "pear"}));

    map.clear();
    EXPECT_EQ(map.size(), 0u);
    EXPECT_EQ(map.begin(), map.end());
    EXPECT_EQ(map.root(), nullptr);
    map.insert("again", 1); // usable after clear
    EXPECT_EQ(map.size(), 1u);
}

TEST(CMap, EraseWhileIteratingVisitsEveryOtherEntry) {
    CMap<int, int> map;
    for (int i = 0; i < 100; ++i)
        map.insert(i, i);
    for (auto it = map.begin(); it != map.end();) {
        if (it->key % 2 == 0)
            it = map.erase(it);
        else
            ++it;
    }
    EXPECT_EQ(map.size(), 50u);
    int expected = 1;
    for (const auto& node : map) {
        EXPECT_EQ(node.key, expected);
        expected += 2;
    }
    EXPECT_EQ(checkTree(map), "");
}

TEST(CMap, CopyAndMove) {
    CMap<int, std::string> source;
    for (int i = 0; i < 50; ++i)
        source.insert(i * 3 % 50, std::to_string(i));
    CMap<int, std::string> copy(source);
    EXPECT_EQ(entriesOf(copy), entriesOf(source));
    EXPECT_EQ(checkTree(copy), "");

    CMap<int, std::string> assigned;
    assigned.insert(999, "old");
    assigned = source;
    EXPECT_EQ(entriesOf(assigned), entriesOf(source));
    auto& self = assigned;
    assigned = self;
    EXPECT_EQ(entriesOf(assigned), entriesOf(source));

    CMap<int, std::string> moved(std::move(assigned));
    EXPECT_EQ(assigned.size(), 0u);
    EXPECT_EQ(assigned.begin(), assigned.end());
    EXPECT_EQ(entriesOf(moved), entriesOf(source));
}

TEST(CMap, MatchesStdMapUnderRandomWork) {
    std::mt19937 random(20240611);
    CMap<int, int> map;
    std::map<int, int> reference;
    TreeChecker<int, int> checker;
    for (int step = 0; step < 200000; ++step) {
        // The key range grows and shrinks so the tree does both for long runs.
        const int range = 50 + (step / 10000 % 2 ? 3000 : 300);
        const int key = int(random() % range) - range / 4;
        const int value = int(random());
        switch (random() % 6) {
        case 0:
        case 1: {
            auto [it, inserted] = map.insert(key, value);
            auto [expected, expectedInserted] = reference.insert({key, value});
            ASSERT_EQ(inserted, expectedInserted);
            ASSERT_EQ(it->value, expected->second);
            break;
        }
        case 2:
            ASSERT_EQ(map.erase(key), reference.count(key) ? reference[key] : 0);
            reference.erase(key);
            break;
        case 3: {
            auto it = map.find(key);
            if (it != map.end()) {
                map.erase(it);
                reference.erase(key);
            }
            break;
        }
        case 4: {
            auto it = map.find(key);
            auto expected = reference.find(key);
            ASSERT_EQ(it == map.end(), expected == reference.end());
            if (expected != reference.end()) {
                ASSERT_EQ(it->value, expected->second);
            }
            break;
        }
        default:
            map[key] += 1;
            reference[key] += 1;
            break;
        }
        ASSERT_EQ(map.size(), reference.size());
        if (step % 997 == 0) {
            ASSERT_EQ(checker.check(map), "") << "step " << step;
            ASSERT_EQ(entriesOf(map), entriesOf(reference)) << "step " << step;
        }
    }
    EXPECT_EQ(checker.check(map), "");
    EXPECT_EQ(entriesOf(map), entriesOf(reference));
}

TEST(CMap, MatchesStdMapWithStringKeys) {
    std::mt19937 random(77);
    CMap<std::string, uint32_t> map;
    std::map<std::string, uint32_t> reference;
    TreeChecker<std::string, uint32_t> checker;
    for (uint32_t step = 0; step < 20000; ++step) {
        const std::string key = keyText(random() % 1500);
        if (random() % 3) {
            map[key] = step;
            reference[key] = step;
        } else {
            uint32_t expected = reference.count(key) ? reference[key] : 0;
            ASSERT_EQ(map.erase(key), expected);
            reference.erase(key);
        }
        if (step % 499 == 0) {
            ASSERT_EQ(checker.check(map), "") << "step " << step;
        }
    }
    EXPECT_EQ(entriesOf(map), entriesOf(reference));
}

TEST(CMap, StaysBalancedUnderSortedInsertion) {
    CMap<int, int> map;
    for (int i = 0; i < 4096; ++i)
        map.insert(i, i);
    EXPECT_EQ(checkTree(map), "");
    int depth = 0;
    for (const auto* node = map.root(); node; node = node->right)
        ++depth;
    EXPECT_LE(depth, 24); // twice the logarithm bounds any path
    for (int i = 4095; i >= 0; i -= 2)
        map.erase(i);
    EXPECT_EQ(checkTree(map), "");
    EXPECT_EQ(map.size(), 2048u);
}
