#include "engine/platform/CPlatformProcess.h"

#include "engine/platform/win32/Win32Process.h"

#include <algorithm>
#include <cwctype>

namespace {

void appendQuoted(std::wstring& line, const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    for (size_t i = 0;; ++i) {
        size_t backslashes = 0;
        while (i < argument.size() && argument[i] == L'\\') {
            ++i;
            ++backslashes;
        }
        if (i == argument.size()) {
            line.append(backslashes * 2, L'\\');
            break;
        }
        if (argument[i] == L'"') {
            line.append(backslashes * 2 + 1, L'\\');
            line += L'"';
        } else {
            line.append(backslashes, L'\\');
            line += argument[i];
        }
    }
    line += L'"';
}

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text)
        c = wchar_t(std::towupper(c));
    return text;
}

std::wstring variableName(const std::wstring& entry) { return upper(entry.substr(0, entry.find(L'='))); }

// This process's environment with `added` entries replacing or joining it,
// as the zero-separated block CreateProcessW takes.
std::wstring environmentBlock(const std::vector<std::string>& added) {
    std::vector<std::wstring> entries;
    std::vector<std::wstring> extra;
    for (const std::string& entry : added)
        extra.push_back(win32Widen(entry));
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
            std::wstring text(entry);
            const bool replaced = std::any_of(extra.begin(), extra.end(), [&text](const std::wstring& e) {
                return text[0] != L'=' && variableName(e) == variableName(text);
            });
            if (!replaced)
                entries.push_back(text);
        }
        FreeEnvironmentStringsW(block);
    }
    entries.insert(entries.end(), extra.begin(), extra.end());
    std::wstring result;
    for (const std::wstring& entry : entries) {
        result += entry;
        result += L'\0';
    }
    result += L'\0';
    return result;
}

} // namespace

std::wstring win32CommandLine(const std::string& program, const std::vector<std::string>& arguments) {
    std::wstring line;
    appendQuoted(line, win32Widen(program));
    for (const std::string& argument : arguments) {
        line += L' ';
        appendQuoted(line, win32Widen(argument));
    }
    return line;
}

struct CPlatformProcess::State {
    HANDLE process = nullptr; // the running child, or null
};

CPlatformProcess::CPlatformProcess() : m_state(std::make_unique<State>()) {}

CPlatformProcess::~CPlatformProcess() {
    if (m_state->process) {
        (void)kill();
        WaitForSingleObject(m_state->process, INFINITE);
        CloseHandle(m_state->process);
    }
}

bool CPlatformProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                             const Options& options) {
    if (m_state->process)
        return false;
    std::wstring commandLine = win32CommandLine(program, arguments);
    std::wstring environment = environmentBlock(options.environment);
    const std::wstring folder = win32Widen(options.workingFolder);
    const std::wstring programPath = win32Widen(program);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!options.outputFile.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        output = CreateFileW(win32Widen(options.outputFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE)
            return false;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(programPath.c_str(), commandLine.data(), nullptr, nullptr,
                                        output != INVALID_HANDLE_VALUE, CREATE_UNICODE_ENVIRONMENT, environment.data(),
                                        folder.empty() ? nullptr : folder.c_str(), &startup, &info);
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    if (!started)
        return false;
    CloseHandle(info.hThread);
    m_state->process = info.hProcess;
    return true;
}

bool CPlatformProcess::waitForExit(uint32_t timeoutMilliseconds, PlatformExitStatus* status) {
    if (!m_state->process || WaitForSingleObject(m_state->process, timeoutMilliseconds) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(m_state->process, &code);
    CloseHandle(m_state->process);
    m_state->process = nullptr;
    if (status) {
        *status = {};
        status->exited = true;
        status->code = int(code);
    }
    return true;
}

bool CPlatformProcess::requestClose() {
    if (!m_state->process)
        return false;
    struct Search {
        DWORD processId;
        bool told;
    } search{GetProcessId(m_state->process), false};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* found = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            // The windows a player sees and could close; not helper ones.
            if (owner == found->processId && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == nullptr &&
                PostMessageW(window, WM_CLOSE, 0, 0))
                found->told = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.told;
}

bool CPlatformProcess::kill() { return m_state->process && TerminateProcess(m_state->process, 1); }

bool CPlatformProcess::isRunning() const {
    return m_state->process && WaitForSingleObject(m_state->process, 0) == WAIT_TIMEOUT;
}
