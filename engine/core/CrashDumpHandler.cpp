#include "engine/core/CrashDumpHandler.h"

#include "engine/core/CLog.h"
#include "engine/platform/PlatformCrash.h"
#include "engine/platform/PlatformSystem.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <ctime>
#include <mutex>
#include <string>

namespace {

constexpr std::size_t kPathSize = 4096;

// Everything the signal handler reads, set once at installation; only the
// prompt changes later.
struct HandlerState {
    std::mutex installLock;
    bool installed = false;
    bool askUser = true;
    bool fullMemory = false;
    char folder[kPathSize] = {}; // ends with '/', or empty for the current folder
    char executableName[kPathSize] = {};
    std::atomic<bool (*)(const char*)> askYesNo{nullptr};
    std::atomic<void (*)(const char*)> showMessage{nullptr};
};

HandlerState& handlerState() {
    static HandlerState state;
    return state;
}

// Builds text in a fixed buffer without the heap; text past the end is
// dropped and remembered.
class FixedText {
public:
    FixedText(char* buffer, std::size_t size) : m_buffer(buffer), m_size(size) { m_buffer[0] = '\0'; }

    FixedText& text(const char* text) {
        for (; *text; ++text)
            put(*text);
        return *this;
    }
    FixedText& decimal(long long value) {
        char digits[24];
        int count = 0;
        unsigned long long magnitude =
            value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
        do {
            digits[count++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (value < 0)
            put('-');
        while (count)
            put(digits[--count]);
        return *this;
    }
    [[nodiscard]] bool overflowed() const { return m_overflowed; }

private:
    void put(char c) {
        if (m_used + 1 >= m_size) {
            m_overflowed = true;
            return;
        }
        m_buffer[m_used++] = c;
        m_buffer[m_used] = '\0';
    }

    char* m_buffer;
    std::size_t m_size;
    std::size_t m_used = 0;
    bool m_overflowed = false;
};

void copyInto(char* target, const std::string& text) { FixedText(target, kPathSize).text(text.c_str()); }

void handleCrash(const PlatformCrashInfo& crash) {
    HandlerState& state = handlerState();

    char path[kPathSize];
    FixedText dumpPath(path, sizeof path);
    dumpPath.text(state.folder).text(state.executableName).text(".").decimal(std::time(nullptr)).text(".dmp");

    if (state.askUser) {
        char question[kPathSize + 128];
        FixedText(question, sizeof question)
            .text("There was an unexpected error:\n\nWould you like to create a mini-dump file?\n\n")
            .text(path)
            .text(" ");
        bool (*ask)(const char*) = state.askYesNo.load();
        if (ask && !ask(question))
            platformEndCrashedProcess(crash.signalNumber, false);
    }

    int error = ENAMETOOLONG;
    PlatformReportResult result =
        dumpPath.overflowed() ? PlatformReportResult::CreateFailed : platformWriteCrashReport(path, crash, &error);

    char message[kPathSize + 128];
    FixedText text(message, sizeof message);
    if (result == PlatformReportResult::CreateFailed)
        text.text("Failed to create the mini-dump file '").text(path).text("' (error ").decimal(error).text(")");
    else if (result == PlatformReportResult::WriteFailed)
        text.text("Failed to save the mini-dump file to '").text(path).text("' (error ").decimal(error).text(")");

    if (result == PlatformReportResult::Written) {
        platformWriteStandardError("Crash report written to '");
        platformWriteStandardError(path);
        platformWriteStandardError("'\n");
    } else {
        platformWriteStandardError(message);
        platformWriteStandardError("\n");
        void (*show)(const char*) = state.showMessage.load();
        if (state.askUser && show)
            show(message);
    }
    platformEndCrashedProcess(crash.signalNumber, state.fullMemory);
}

} // namespace

bool installCrashDumpHandler(bool askUser, bool fullMemory) {
    HandlerState& state = handlerState();
    std::lock_guard<std::mutex> guard(state.installLock);
    if (state.installed)
        return true;
    state.askUser = askUser;
    state.fullMemory = fullMemory;

    std::string executable = platformExecutablePath();
    std::size_t slash = executable.rfind('/');
    if (slash == std::string::npos) {
        copyInto(state.folder, "");
        copyInto(state.executableName, executable.empty() ? "unknown" : executable);
    } else {
        copyInto(state.folder, executable.substr(0, slash + 1));
        copyInto(state.executableName, executable.substr(slash + 1));
    }

    if (!platformInstallCrashHandler(&handleCrash)) {
        CLog::instance()->log("Could not install the crash handler.", CLog::Error);
        return false;
    }
    state.installed = true;
    return true;
}

void setCrashDumpPrompt(const CrashDumpPrompt& prompt) {
    HandlerState& state = handlerState();
    state.askYesNo.store(prompt.askYesNo);
    state.showMessage.store(prompt.showMessage);
}
