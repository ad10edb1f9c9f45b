#pragma once

#include "engine/core/CLog.h"

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// Records the lines the logger prints while the object lives (prefix and
// text, as UTF-8, without the line ending). Lines still go to the console
// and to any capture made before this one. With `includeDebug` the logger's
// threshold is lowered to Debug for the capture's life, so debug lines are
// printed and recorded too. Lines logged from other threads are recorded.
class LogCapture {
public:
    explicit LogCapture(bool includeDebug = false);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // True when some recorded line contains `text`.
    [[nodiscard]] bool contains(std::string_view text) const;
    // How many recorded lines contain `text`.
    [[nodiscard]] std::size_t count(std::string_view text) const;
    [[nodiscard]] std::vector<std::string> lines() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    CLog::Sink m_previous;
    int m_previousThreshold;
};
