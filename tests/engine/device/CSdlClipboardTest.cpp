#include "engine/device/CSdlClipboard.h"

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/platform/PlatformWindow.h"

#include <gtest/gtest.h>

#include <string>

TEST(CSdlClipboard, KeepsWideTextThroughTheSystemClipboard) {
    std::string error;
    if (!platformVideoInit(&error))
        GTEST_SKIP() << "no video system: " << error;
    CRefHandle<CSdlClipboard> clipboard(new CSdlClipboard);
    const CStringW text(u"Br\u00eendlemoor \u20ac \U0001F600");
    clipboard->setText(text);
    EXPECT_EQ(clipboard->text(), text);
    clipboard->setText(CStringW());
    EXPECT_EQ(clipboard->text(), CStringW());
}
