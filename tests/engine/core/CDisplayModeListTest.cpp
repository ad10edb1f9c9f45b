#include "engine/core/CDisplayModeList.h"

#include "engine/core/CRefHandle.h"

#include <gtest/gtest.h>

TEST(CDisplayModeList, StaysSortedAndFreeOfDuplicates) {
    CRefHandle<CDisplayModeList> list(new CDisplayModeList);
    EXPECT_EQ(list->modes().size(), 0u);
    EXPECT_EQ(list->desktopMode(), CDisplayMode{});

    list->addMode({1024, 768, 32});
    list->addMode({800, 600, 32});
    list->addMode({1024, 768, 16});
    list->addMode({800, 600, 32});
    const CDisplayMode& found = list->addMode({1024, 768, 32});
    EXPECT_EQ(found, (CDisplayMode{1024, 768, 32}));

    ASSERT_EQ(list->modes().size(), 3u);
    EXPECT_EQ(list->modes()[0], (CDisplayMode{800, 600, 32}));
    EXPECT_EQ(list->modes()[1], (CDisplayMode{1024, 768, 16}));
    EXPECT_EQ(list->modes()[2], (CDisplayMode{1024, 768, 32}));
}
