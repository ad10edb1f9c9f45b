#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/sound/ISoundInstance.h"

#include <string>
#include <vector>

// A sound instance without audio for the cue tests: the test decides when a
// playing sound ends. Every fake (and clone) registers in a shared board, so
// a test can reach the instances a cue made.
class FakeSound : public ISoundInstance {
public:
    struct Board {
        std::vector<FakeSound*> sounds;
        // The variant ids in the order they were started.
        std::vector<int> started;
    };

    FakeSound(Board* board, int id);

    [[nodiscard]] IContent* clone() const override;
    [[nodiscard]] int32_t getState() const override { return m_state; }
    bool play() override;
    void stop() override { m_state = StateStopped; }
    void pause(bool paused) override;
    [[nodiscard]] float getVolume() const override { return m_volume; }
    void setVolume(float volume) override { m_volume = volume; }
    [[nodiscard]] bool isLooping() const override { return m_looping; }
    void setLooping(bool looping) override { m_looping = looping; }

    // The sound reaches its end (unless it loops by itself).
    void finish();
    void setFailsToPlay(bool fails) { m_failsToPlay = fails; }
    [[nodiscard]] int id() const { return m_id; }
    [[nodiscard]] int plays() const { return m_plays; }

protected:
    ~FakeSound() override;

private:
    Board* m_board;
    int m_id;
    int32_t m_state = StateStopped;
    float m_volume = 1.0f;
    bool m_looping = false;
    bool m_failsToPlay = false;
    int m_plays = 0;
};
