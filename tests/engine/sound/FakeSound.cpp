#include "tests/engine/sound/FakeSound.h"

#include <algorithm>

FakeSound::FakeSound(Board* board, int id) : m_board(board), m_id(id) { m_board->sounds.push_back(this); }

FakeSound::~FakeSound() {
    auto& sounds = m_board->sounds;
    sounds.erase(std::remove(sounds.begin(), sounds.end(), this), sounds.end());
}

IContent* FakeSound::clone() const {
    auto* copy = new FakeSound(m_board, m_id);
    copy->m_volume = m_volume;
    copy->m_looping = m_looping;
    copy->m_failsToPlay = m_failsToPlay;
    return copy;
}

bool FakeSound::play() {
    if (m_failsToPlay)
        return false;
    ++m_plays;
    m_state = StatePlaying;
    m_board->started.push_back(m_id);
    return true;
}

void FakeSound::pause(bool paused) {
    if (paused && m_state == StatePlaying)
        m_state = StatePaused;
    else if (!paused && m_state == StatePaused)
        m_state = StatePlaying;
}

void FakeSound::finish() {
    if (!m_looping)
        m_state = StateStopped;
}
