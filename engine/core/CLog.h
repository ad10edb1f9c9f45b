#pragma once

#include "engine/core/CMutex.h"
#include "engine/core/CRefCounted.h"

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>

class CString;
class CStringW;

// The process-wide logger. Each line is the level's prefix ("DBG: ", "INF: ",
// "WRN: ", "ERR: ", "USR: ") followed by the text. Lines below the threshold
// (Info unless changed) are dropped; the rest go to the console as plain text
// ('%' has no meaning) and, when a log file is open, to that file in UTF-16.
// Any thread may log.
class CLog : public CRefCounted {
public:
    static constexpr int Debug = 0;
    static constexpr int Info = 1;
    static constexpr int Warning = 2;
    static constexpr int Error = 3;
    static constexpr int User = 4;

    // Receives every line that passes the threshold: its level and the line
    // (prefix and text, without the line ending). Called under the logger's
    // lock, from the thread that logs.
    using Sink = std::function<void(int level, const CStringW& line)>;

    // The logger, created on first use; the caller gets no reference.
    [[nodiscard]] static CLog* instance();
    // Releases the logger as process exit does; a later instance() builds a
    // fresh one. Only for shutdown and tests: no other thread may be logging.
    static void disposeInstance();

    void log(const CStringW& text, int level);
    void log(const char16_t* text, int level);
    void log(const CString& text, int level);
    void log(const char* text, int level);

    [[nodiscard]] int threshold() const { return m_threshold.load(std::memory_order_relaxed); }
    void setThreshold(int level) { m_threshold.store(level, std::memory_order_relaxed); }

    // Appends to the file at `path` (writing a byte-order mark when it is
    // new); false when it cannot be opened. Replaces a file opened before.
    [[nodiscard]] bool openLogFile(const std::filesystem::path& path);
    void closeLogFile();

    // Installs `sink` (may be empty) and answers the one installed before, so
    // that a capture can chain to it and put it back.
    Sink setSink(Sink sink);

private:
    CLog();
    ~CLog() override;

    void writeLine(const char16_t* text, std::size_t length, int level);

    std::atomic<int> m_threshold{Info};
    std::FILE* m_file = nullptr;
    CMutex m_lock;
    Sink m_sink;
};
