#include "engine/device/CrashPrompt.h"

#include "engine/core/CrashDumpHandler.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(CrashPrompt, UnknownRequestsAreRefusedWithoutShowingAnything) {
    const std::vector<std::vector<std::string>> requests = {
        {},
        {"yes-no"},
        {"maybe", "Write a report?"},
        {"ok", "text", "extra"},
    };
    for (const auto& request : requests) {
        SCOPED_TRACE(request.size());
        EXPECT_EQ(runCrashPrompt(request), 2);
    }
}

TEST(CrashPrompt, InstallsTheExecutableAsTheHandlersPrompt) {
    EXPECT_TRUE(installCrashPrompt("/usr/bin/true"));
    LogCapture log;
    EXPECT_FALSE(installCrashPrompt(std::string(5000, 'x')));
    EXPECT_TRUE(log.contains("WRN: Can't use the crash prompt"));
    ASSERT_TRUE(setCrashDumpPrompt("", {}));
}
