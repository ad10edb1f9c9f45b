// Money letters in the game's own levels: the town hall's modifier lets them
// arrive, so a level whose events send letters gets them at its houses, and
// the automatic player, collecting them as a player clicks them, is paid.

#include "game/config/LevelConfiguration.h"
#include "tools/autoplay/AutoPlayWorld.h"
#include "tools/autoplay/AutoPlayer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LetterCase {
    const char* folder;
    int number;
    // Game time played (ms).
    uint64_t played;
    bool lettersCome;
};

} // namespace

TEST(AutoPlayLetters, LettersReachTheHousesOfALevelThatSendsThem) {
    const std::string source = BM_SOURCE_DIR;
    // Level 9 brings letters in; level 5 sends none.
    for (const LetterCase& row : {LetterCase{"assets/levels/level9", 9, 240000, true},
                                  LetterCase{"assets/levels/level5", 5, 240000, false}}) {
        SCOPED_TRACE(row.folder);
        AutoPlayWorld world;
        ASSERT_TRUE(world.open(source + "/assets", source, 1));
        ASSERT_TRUE(world.loadLevel(row.folder, row.number));
        // The town hall alone stands at the start and already lets them come.
        EXPECT_TRUE(world.getLevelConfiguration()->ModifierValues.CanReceiveMoneyLetters);
        AutoPlayer player(world);
        const AutoPlayResult result = player.play(row.played);
        if (row.lettersCome) {
            EXPECT_GT(result.letters, 0);
            EXPECT_GE(result.letterMoney, 100 * result.letters);
        } else {
            EXPECT_EQ(result.letters, 0);
        }
    }
}
