#include "engine/platform/CPlatformInstanceLock.h"

#include "engine/platform/win32/Win32Support.h"

// On Windows the lock is a named 4-byte shared-memory block in the session's
// namespace: the first process to create it holds it, and the system frees
// it when the last handle goes, so a crashed holder never blocks the next
// start. Raise requests are a named event the holder waits on. The folder
// names a separate lock under the same name (names are already private to
// the user's session, so no folder is needed to keep users apart).

namespace {

// "Local\<name>" with '\' (which names may not hold) and '/' as '_', and a
// hash of the folder when one is given.
std::wstring objectName(const std::string& name, const std::string& folder, const wchar_t* suffix) {
    std::wstring wide = win32Widen(name);
    for (wchar_t& c : wide) {
        if (c == L'\\' || c == L'/')
            c = L'_';
    }
    if (!folder.empty()) {
        uint64_t hash = 14695981039346656037ull; // FNV-1a
        for (unsigned char c : folder)
            hash = (hash ^ c) * 1099511628211ull;
        wchar_t text[20];
        swprintf(text, 20, L" %016llx", static_cast<unsigned long long>(hash));
        wide += text;
    }
    return L"Local\\" + wide + suffix;
}

} // namespace

struct CPlatformInstanceLock::State {
    HANDLE mapping = nullptr;
    void* view = nullptr;
    HANDLE raise = nullptr; // auto-reset: set by a later instance
    HANDLE stop = nullptr;  // manual-reset: set by stopWaiting
};

CPlatformInstanceLock::CPlatformInstanceLock() : m_state(std::make_unique<State>()) {}

CPlatformInstanceLock::~CPlatformInstanceLock() { release(); }

PlatformLockResult CPlatformInstanceLock::acquire(const std::string& name, const std::string& folder,
                                                  std::string* error) {
    if (m_state->mapping)
        return PlatformLockResult::Acquired;
    if (name.empty()) {
        win32StoreError(error, "the lock has no name");
        return PlatformLockResult::Failed;
    }
    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, objectName(name, folder, L"").c_str());
    if (!mapping) {
        if (GetLastError() == ERROR_ACCESS_DENIED)
            return PlatformLockResult::HeldElsewhere; // made by another user's process under that name
        win32StoreError(error);
        return PlatformLockResult::Failed;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mapping);
        return PlatformLockResult::HeldElsewhere;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 4);
    if (!view) {
        win32StoreError(error);
        CloseHandle(mapping);
        return PlatformLockResult::Failed;
    }
    *static_cast<volatile uint32_t*>(view) = 0;
    m_state->mapping = mapping;
    m_state->view = view;
    // Without these the lock still holds; only raise requests are lost.
    m_state->raise = CreateEventW(nullptr, FALSE, FALSE, objectName(name, folder, L".raise").c_str());
    m_state->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return PlatformLockResult::Acquired;
}

void CPlatformInstanceLock::release() {
    State& state = *m_state;
    if (state.view)
        UnmapViewOfFile(state.view);
    for (HANDLE* handle : {&state.mapping, &state.raise, &state.stop}) {
        if (*handle)
            CloseHandle(*handle);
        *handle = nullptr;
    }
    state.view = nullptr;
}

bool CPlatformInstanceLock::isHeld() const { return m_state->mapping != nullptr; }

bool CPlatformInstanceLock::takeRaiseRequests() {
    return m_state->raise && WaitForSingleObject(m_state->raise, 0) == WAIT_OBJECT_0;
}

bool CPlatformInstanceLock::waitForRaiseRequests() {
    if (!m_state->raise || !m_state->stop)
        return false;
    const HANDLE handles[2] = {m_state->stop, m_state->raise};
    return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

void CPlatformInstanceLock::stopWaiting() {
    if (m_state->stop)
        SetEvent(m_state->stop);
}

bool CPlatformInstanceLock::sendRaiseRequest(const std::string& name, const std::string& folder) {
    HANDLE raise = OpenEventW(EVENT_MODIFY_STATE, FALSE, objectName(name, folder, L".raise").c_str());
    if (!raise)
        return false;
    const bool sent = SetEvent(raise);
    CloseHandle(raise);
    return sent;
}

std::string CPlatformInstanceLock::defaultFolder() { return std::string(); }
