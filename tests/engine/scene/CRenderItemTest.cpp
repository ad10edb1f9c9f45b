#include "engine/scene/CRenderItem.h"

#include "engine/core/CRect.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using ::testing::ElementsAre;

TEST(CRenderItem, SortsByDepthThenTexture) {
    CArray<CRenderItem> list;
    const CRenderItem items[] = {{nullptr, 7, 2.0f}, {nullptr, 3, 1.0f},  {nullptr, 9, 2.0f},
                                 {nullptr, 1, 2.0f}, {nullptr, 5, -1.0f}, {nullptr, 2, 1.0f}};
    for (const CRenderItem& item : items)
        list.push_back(item);
    EXPECT_FALSE(list.isSorted());
    sortRenderList(list);
    EXPECT_TRUE(list.isSorted());
    std::vector<std::string> order;
    for (const CRenderItem& item : list)
        order.push_back(std::to_string(int(item.z)) + "/" + std::to_string(item.textureKey));
    EXPECT_THAT(order, ElementsAre("-1/5", "1/2", "1/3", "2/1", "2/7", "2/9"));
}

namespace {

// A frame's list: item i is told apart by its clip, &rects[i].
struct SorterFrame {
    const char* what;
    std::vector<std::pair<float, uintptr_t>> items;
    bool reused;
};

} // namespace

TEST(CRenderItem, SorterOrdersEachFrameAsTheHeapSortAndReusesOnlyARepeatedOrder) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const SorterFrame frames[] = {
        {"first frame", {{2, 7}, {1, 3}, {2, 9}, {2, 1}, {-1, 5}, {1, 2}, {2, 7}, {0, 0}}, false},
        {"the same list", {{2, 7}, {1, 3}, {2, 9}, {2, 1}, {-1, 5}, {1, 2}, {2, 7}, {0, 0}}, true},
        {"depths move, order and ties kept", {{3, 7}, {1, 3}, {3, 9}, {3, 1}, {-4, 5}, {1, 2}, {3, 7}, {0.5f, 0}}, true},
        {"two items swap places", {{3, 7}, {1, 3}, {3, 9}, {3, 1}, {-4, 5}, {1, 2}, {3, 7}, {2, 0}}, false},
        {"a tie comes apart", {{3, 7}, {1, 3}, {3, 9}, {3, 1}, {-4, 5}, {1, 2}, {3.5f, 7}, {2, 0}}, false},
        {"a tie forms", {{3, 7}, {1, 3}, {3, 9}, {3, 1}, {-4, 5}, {1, 2}, {3, 7}, {2, 0}}, false},
        {"a texture key breaks a tie", {{3, 7}, {1, 3}, {3, 9}, {3, 1}, {-4, 5}, {1, 2}, {3, 8}, {2, 0}}, false},
        {"unchanged again", {{3, 7}, {1, 3}, {3, 9}, {3, 1}, {-4, 5}, {1, 2}, {3, 8}, {2, 0}}, true},
        {"one item more", {{3, 7}, {1, 3}, {3, 9}, {3, 1}, {-4, 5}, {1, 2}, {3, 8}, {2, 0}, {0, 4}}, false},
        {"an undefined depth", {{3, 7}, {1, 3}, {nan, 9}, {3, 1}, {-4, 5}, {1, 2}, {3, 8}, {2, 0}, {0, 4}}, false},
        {"the same undefined depth", {{3, 7}, {1, 3}, {nan, 9}, {3, 1}, {-4, 5}, {1, 2}, {3, 8}, {2, 0}, {0, 4}}, false},
        {"all equal", {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}, false},
        {"all equal again", {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}, true},
    };
    CRect rects[16];
    CRenderListSorter sorter;
    CArray<CRenderItem> list;
    for (const SorterFrame& frame : frames) {
        SCOPED_TRACE(frame.what);
        CArray<CRenderItem> expected;
        while (!list.empty())
            list.pop_back();
        for (size_t i = 0; i < frame.items.size(); ++i) {
            const CRenderItem item{nullptr, frame.items[i].second, frame.items[i].first, &rects[i]};
            list.push_back(item);
            expected.push_back(item);
        }
        sortRenderList(expected);
        sorter.sort(list);
        EXPECT_TRUE(list.isSorted());
        EXPECT_EQ(sorter.reusedOrder(), frame.reused);
        ASSERT_EQ(list.size(), expected.size());
        for (uint32_t k = 0; k < list.size(); ++k)
            EXPECT_EQ(list[k].clip - rects, expected[k].clip - rects) << "position " << k;
    }
}
