#include "engine/platform/PlatformCrash.h"

#include "engine/platform/win32/Win32Process.h"
#include "engine/platform/win32/Win32Support.h"

#include <dbghelp.h>

#include <atomic>
#include <csignal>
#include <vector>

// On Windows a crash is an unhandled structured exception (or abort()); it is
// reported with the signal numbers other systems use, so the rest of the
// engine treats both alike, and the report is a minidump written by DbgHelp.

namespace {

constexpr int kSignalIllegal = 4;
constexpr int kSignalAbort = 6;
constexpr int kSignalBus = 7;
constexpr int kSignalArithmetic = 8;
constexpr int kSignalSegmentation = 11;

struct CrashState {
    PlatformCrashCallback callback = nullptr;
    std::atomic<bool> installed{false};
    std::atomic<bool> handling{false};
    CRITICAL_SECTION dumpLock;
};

CrashState& crashState() {
    static CrashState state;
    return state;
}

int signalOf(DWORD code) {
    switch (code) {
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
        return kSignalIllegal;
    case EXCEPTION_DATATYPE_MISALIGNMENT:
        return kSignalBus;
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_STACK_CHECK:
        return kSignalArithmetic;
    default:
        return kSignalSegmentation;
    }
}

// Only the first failing thread reports; the others wait for it to end the
// process.
void report(const PlatformCrashInfo& crash) {
    CrashState& state = crashState();
    if (state.handling.exchange(true)) {
        for (;;)
            Sleep(INFINITE);
    }
    state.callback(crash);
}

LONG WINAPI exceptionFilter(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception ? exception->ExceptionRecord : nullptr;
    if (!record)
        return EXCEPTION_CONTINUE_SEARCH;
    PlatformCrashInfo crash{};
    crash.signalNumber = signalOf(record->ExceptionCode);
    crash.signalCode = int(record->ExceptionCode);
    // For a bad access, the address touched; else where it happened.
    crash.address = record->ExceptionAddress;
    if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2)
        crash.address = reinterpret_cast<const void*>(record->ExceptionInformation[1]);
    crash.context = exception;
    report(crash);
    return EXCEPTION_CONTINUE_SEARCH;
}

void abortHandler(int) {
    PlatformCrashInfo crash{};
    crash.signalNumber = kSignalAbort;
    report(crash);
    platformEndCrashedProcess(kSignalAbort, false);
}

using MiniDumpWriteDumpCall = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                            PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

// DbgHelp from the executable's folder (a newer one shipped with the game),
// else the system's.
HMODULE loadDbgHelp() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        DWORD slash = length;
        while (slash > 0 && path[slash - 1] != L'\\' && path[slash - 1] != L'/')
            --slash;
        static const wchar_t kName[] = L"DBGHELP.DLL";
        if (slash + sizeof kName / sizeof kName[0] <= MAX_PATH) {
            for (size_t i = 0; i < sizeof kName / sizeof kName[0]; ++i)
                path[slash + i] = kName[i];
            if (HMODULE library = LoadLibraryW(path))
                return library;
        }
    }
    return LoadLibraryW(L"DBGHELP.DLL");
}

// Enables the debug privilege on this process's token; false when it was
// not enabled (the dump is still tried). `previous` receives the state to
// put back.
bool enableDebugPrivilege(HANDLE token, TOKEN_PRIVILEGES* previous) {
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &wanted.Privileges[0].Luid))
        return false;
    DWORD size = sizeof *previous;
    return AdjustTokenPrivileges(token, FALSE, &wanted, sizeof *previous, previous, &size) &&
           GetLastError() == ERROR_SUCCESS;
}

} // namespace

bool platformInstallCrashHandler(PlatformCrashCallback callback, PlatformCrashPrepare prepare, void* context) {
    CrashState& state = crashState();
    if (state.installed.load())
        return true;
    if (!callback)
        return false;
    if (prepare)
        prepare(context);
    state.callback = callback;
    InitializeCriticalSection(&state.dumpLock);
    // Room for the handler when the thread's own stack has overflowed.
    ULONG reserve = 64 * 1024;
    SetThreadStackGuarantee(&reserve);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(&exceptionFilter);
    std::signal(SIGABRT, &abortHandler);
    state.installed.store(true);
    return true;
}

PlatformReportResult platformWriteCrashReport(const char* path, const PlatformCrashInfo& crash, int* systemError) {
    auto fail = [systemError](PlatformReportResult result, DWORD error) {
        if (systemError)
            *systemError = int(error);
        return result;
    };
    HMODULE dbgHelp = loadDbgHelp();
    auto writeDump = dbgHelp ? reinterpret_cast<MiniDumpWriteDumpCall>(
                                   reinterpret_cast<void*>(GetProcAddress(dbgHelp, "MiniDumpWriteDump")))
                             : nullptr;
    const DWORD missing = dbgHelp ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND;
    HANDLE file = CreateFileW(win32Widen(path ? path : "").c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return fail(PlatformReportResult::CreateFailed, GetLastError());
    if (!writeDump) {
        CloseHandle(file);
        return fail(PlatformReportResult::WriteFailed, missing);
    }

    HANDLE token = nullptr;
    TOKEN_PRIVILEGES previous{};
    bool privilegeEnabled = false;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, TRUE, &token) ||
        OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        privilegeEnabled = enableDebugPrivilege(token, &previous);

    MINIDUMP_EXCEPTION_INFORMATION exception{};
    exception.ThreadId = GetCurrentThreadId();
    exception.ExceptionPointers = static_cast<EXCEPTION_POINTERS*>(const_cast<void*>(crash.context));
    exception.ClientPointers = FALSE;
    CrashState& state = crashState();
    EnterCriticalSection(&state.dumpLock);
    const BOOL written = writeDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal,
                                   crash.context ? &exception : nullptr, nullptr, nullptr);
    const DWORD error = written ? ERROR_SUCCESS : GetLastError();
    LeaveCriticalSection(&state.dumpLock);

    if (privilegeEnabled)
        AdjustTokenPrivileges(token, FALSE, &previous, 0, nullptr, nullptr);
    if (token)
        CloseHandle(token);
    const bool closed = CloseHandle(file);
    if (!written || !closed)
        return fail(PlatformReportResult::WriteFailed, written ? GetLastError() : error);
    return PlatformReportResult::Written;
}

void platformWriteStandardError(const char* text) {
    if (!text)
        return;
    DWORD length = 0;
    while (text[length])
        ++length;
    DWORD written = 0;
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error && error != INVALID_HANDLE_VALUE)
        WriteFile(error, text, length, &written, nullptr);
}

int platformRunProgramAndWait(const char* program, const char* const* arguments) {
    if (!program)
        return -1;
    std::vector<std::string> list;
    for (size_t i = 0; arguments && arguments[i] && i < 32; ++i)
        list.emplace_back(arguments[i]);
    std::wstring commandLine = win32CommandLine(program, list);
    const std::wstring path = win32Widen(program);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    CloseHandle(info.hThread);
    DWORD code = 0;
    const bool ended =
        WaitForSingleObject(info.hProcess, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    return ended && code <= 255 ? int(code) : -1;
}

void platformEndCrashedProcess(int signalNumber, bool /*systemDump*/) {
    TerminateProcess(GetCurrentProcess(), UINT(128 + signalNumber));
    for (;;)
        Sleep(INFINITE);
}
