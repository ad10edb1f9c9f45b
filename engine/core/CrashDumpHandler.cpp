#include "engine/core/CrashDumpHandler.h"

#include "engine/core/CLog.h"
#include "engine/platform/CSignalSafeText.h"
#include "engine/platform/PlatformCrash.h"
#include "engine/platform/PlatformSystem.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <ctime>
#include <mutex>

namespace {

constexpr std::size_t kPathSize = 4096;
constexpr std::size_t kMaxPromptArguments = 16;
constexpr std::size_t kPromptTextSize = 8192;

// The prompt program with its arguments, in fixed storage the signal handler
// can read.
struct PromptSlot {
    char program[kPathSize] = {};
    char text[kPromptTextSize] = {};                     // the arguments, each ending with a zero
    const char* arguments[kMaxPromptArguments + 1] = {}; // into `text`, ending with null
    std::size_t count = 0;
};

// Everything the signal handler reads. The flags and names are set once, by
// the installing call before the handler exists; the prompt may change later.
struct HandlerState {
    bool askUser = true;
    bool fullMemory = false;
    char folder[kPathSize] = {}; // ends with '/', or empty for the current folder
    char executableName[kPathSize] = {};

    // setCrashDumpPrompt fills the slot not in use and then publishes it, so
    // the handler never reads a half-written one.
    std::mutex promptLock;
    PromptSlot slots[2];
    std::atomic<const PromptSlot*> prompt{nullptr};
};

HandlerState& handlerState() {
    static HandlerState state;
    return state;
}

// Copies `text` into the fixed buffer `target`; false when it does not fit.
bool copyInto(char* target, std::size_t size, const std::string& text) {
    CSignalSafeText out(target, size);
    out.bytes(text.data(), text.size());
    return !out.overflowed();
}

// Runs the prompt program with `kind` and `text` after its own arguments.
// Answers its exit status, or -1 when there is no program or it could not
// be run.
int runPrompt(const char* kind, const char* text) {
    const PromptSlot* slot = handlerState().prompt.load();
    if (!slot)
        return -1;
    const char* arguments[kMaxPromptArguments + 3];
    std::size_t count = 0;
    for (; count < slot->count; ++count)
        arguments[count] = slot->arguments[count];
    arguments[count++] = kind;
    arguments[count++] = text;
    arguments[count] = nullptr;
    return platformRunProgramAndWait(slot->program, arguments);
}

// True for Yes. Without a prompt program that can be run, the question goes
// to the standard error stream and the answer is Yes.
bool askYesNo(const char* question) {
    int answer = runPrompt("yes-no", question);
    if (answer >= 0)
        return answer == 0;
    platformWriteStandardError(question);
    platformWriteStandardError("\n");
    return true;
}

void handleCrash(const PlatformCrashInfo& crash) {
    HandlerState& state = handlerState();

    char path[kPathSize];
    CSignalSafeText dumpPath(path, sizeof path);
    dumpPath.text(state.folder).text(state.executableName).text(".").decimal(std::time(nullptr)).text(".dmp");

    if (state.askUser) {
        char question[kPathSize + 128];
        CSignalSafeText(question, sizeof question)
            .text("There was an unexpected error:\n\nWould you like to create a mini-dump file?\n\n")
            .text(path)
            .text(" ");
        if (!askYesNo(question))
            platformEndCrashedProcess(crash.signalNumber, false);
    }

    int error = ENAMETOOLONG;
    PlatformReportResult result =
        dumpPath.overflowed() ? PlatformReportResult::CreateFailed : platformWriteCrashReport(path, crash, &error);

    if (result == PlatformReportResult::Written) {
        platformWriteStandardError("Crash report written to '");
        platformWriteStandardError(path);
        platformWriteStandardError("'\n");
    } else {
        char message[kPathSize + 128];
        CSignalSafeText text(message, sizeof message);
        if (result == PlatformReportResult::CreateFailed)
            text.text("Failed to create the mini-dump file '").text(path).text("' (error ").decimal(error).text(")");
        else
            text.text("Failed to save the mini-dump file to '").text(path).text("' (error ").decimal(error).text(")");
        platformWriteStandardError(message);
        platformWriteStandardError("\n");
        if (state.askUser)
            (void)runPrompt("ok", message);
    }
    platformEndCrashedProcess(crash.signalNumber, state.fullMemory);
}

struct InstallSettings {
    bool askUser;
    bool fullMemory;
};

// Runs once, for the call that installs the handler.
void prepareHandler(void* raw) {
    const auto* settings = static_cast<const InstallSettings*>(raw);
    HandlerState& state = handlerState();
    state.askUser = settings->askUser;
    state.fullMemory = settings->fullMemory;

    std::string executable = platformExecutablePath();
    std::size_t slash = executable.find_last_of("/\\");
    std::string folder = slash == std::string::npos ? std::string() : executable.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? executable : executable.substr(slash + 1);
    if (name.empty())
        name = "unknown";
    // A path too long for the buffers would name some other file: write the
    // report to the current folder instead.
    if (!copyInto(state.folder, kPathSize, folder) || !copyInto(state.executableName, kPathSize, name)) {
        (void)copyInto(state.folder, kPathSize, "");
        (void)copyInto(state.executableName, kPathSize, "unknown");
    }
}

} // namespace

bool installCrashDumpHandler(bool askUser, bool fullMemory) {
    InstallSettings settings{askUser, fullMemory};
    if (!platformInstallCrashHandler(&handleCrash, &prepareHandler, &settings)) {
        CLog::instance()->log("Could not install the crash handler.", CLog::Error);
        return false;
    }
    return true;
}

bool setCrashDumpPrompt(const std::string& program, const std::vector<std::string>& arguments) {
    HandlerState& state = handlerState();
    std::lock_guard<std::mutex> guard(state.promptLock);
    if (program.empty()) {
        state.prompt.store(nullptr);
        return true;
    }
    if (arguments.size() > kMaxPromptArguments) {
        CLog::instance()->log("Too many arguments for the crash prompt.", CLog::Error);
        return false;
    }
    PromptSlot& slot = state.prompt.load() == &state.slots[0] ? state.slots[1] : state.slots[0];
    bool fits = copyInto(slot.program, sizeof slot.program, program);
    std::size_t used = 0;
    slot.count = 0;
    for (const std::string& argument : arguments) {
        if (!fits || argument.size() >= sizeof slot.text - used) {
            fits = false;
            break;
        }
        // Each argument ends at its own zero; one holding a zero is cut there.
        (void)copyInto(slot.text + used, sizeof slot.text - used, argument);
        slot.arguments[slot.count++] = slot.text + used;
        used += argument.size() + 1;
    }
    if (!fits) {
        CLog::instance()->log("The crash prompt's program or arguments are too long.", CLog::Error);
        return false;
    }
    slot.arguments[slot.count] = nullptr;
    state.prompt.store(&slot);
    return true;
}
