#include "engine/scene/CRenderItem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
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
