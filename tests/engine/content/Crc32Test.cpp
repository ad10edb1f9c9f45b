#include "engine/content/Crc32.h"

#include <gtest/gtest.h>

#include <string>

TEST(Crc32, MatchesTheStandardCheckValues) {
    const struct {
        std::string text;
        uint32_t crc;
    } cases[] = {
        {"", 0x00000000u},
        {"123456789", 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(updateCrc32(0, c.text.data(), c.text.size()), c.crc);
    }
}

TEST(Crc32, RunningValueEqualsOneCrcOverTheWhole) {
    std::string text;
    for (int i = 0; i < 10000; ++i)
        text += char(i * 7 + 3);
    const uint32_t whole = updateCrc32(0, text.data(), text.size());
    uint32_t running = 0;
    for (size_t at = 0; at < text.size(); at += 4096)
        running = updateCrc32(running, text.data() + at, std::min<size_t>(4096, text.size() - at));
    EXPECT_EQ(running, whole);
}
