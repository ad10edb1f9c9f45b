#pragma once

#include "engine/platform/CPlatformWriteFile.h"

#include <functional>
#include <optional>
#include <vector>

// Counts the platform's file calls (opens, writes, syncs, closes, renames,
// folder syncs) made while the object lives, and makes the one numbered
// `failAt` (0 for the first) fail as an input/output error would. One at a
// time.
class FileFaults {
public:
    explicit FileFaults(int failAt = -1);
    ~FileFaults();
    FileFaults(const FileFaults&) = delete;
    FileFaults& operator=(const FileFaults&) = delete;

    // Every call seen, in order.
    [[nodiscard]] const std::vector<PlatformFileCall>& calls() const { return m_calls; }

    // Runs `save` once as it is, then once for each call it made with that
    // call failing, handing `check` the call that failed, whether a rename
    // came before it, and what `save` answered. `prepare` (may be empty)
    // runs before each run.
    static void
    eachCallFailing(const std::function<void()>& prepare, const std::function<bool()>& save,
                    const std::function<void(PlatformFileCall failed, bool afterRename, bool saved)>& check);

private:
    static bool onCall(PlatformFileCall call, void* context);

    int m_failAt;
    std::vector<PlatformFileCall> m_calls;
};

[[nodiscard]] const char* callName(PlatformFileCall call);
