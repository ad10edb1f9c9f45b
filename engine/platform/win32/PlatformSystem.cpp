#include "engine/platform/PlatformSystem.h"

#include "engine/platform/PlatformWindowsInfo.h"
#include "engine/platform/win32/Win32Support.h"

#include <aclapi.h>
#include <shlobj.h>

#include <cctype>
#include <cstdio>

namespace {

bool equalsIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && !b[i];
}

const char* systemName(const PlatformWindowsVersion& v) {
    const bool workstation = v.productType == PlatformWindowsVersion::ProductType::Workstation;
    switch (v.platform) {
    case PlatformWindowsVersion::Platform::Win32s:
        return "Microsoft Win32s ";
    case PlatformWindowsVersion::Platform::Windows9x:
        if (v.major == 4 && v.minor == 0)
            return "Microsoft Windows 95 ";
        if (v.major == 4 && v.minor == 10)
            return "Microsoft Windows 98 ";
        if (v.major == 4 && v.minor == 90)
            return "Microsoft Windows Me ";
        return "";
    case PlatformWindowsVersion::Platform::NT:
        break;
    }
    if (v.major <= 4)
        return "Microsoft Windows NT ";
    if (v.major == 5 && v.minor == 0)
        return "Microsoft Windows 2000 ";
    if (v.major == 5 && v.minor == 1)
        return "Microsoft Windows XP ";
    if (v.major == 6 && v.minor == 0)
        return workstation ? "Microsoft Windows Vista " : "Microsoft Windows Server 2008 ";
    if (v.major == 6 && v.minor == 1)
        return workstation ? "Microsoft Windows 7 " : "Microsoft Windows Server 2008 R2 ";
    // Later systems get their names too, rather than a bare edition.
    if (v.major == 6 && v.minor == 2)
        return workstation ? "Microsoft Windows 8 " : "Microsoft Windows Server 2012 ";
    if (v.major == 6 && v.minor == 3)
        return workstation ? "Microsoft Windows 8.1 " : "Microsoft Windows Server 2012 R2 ";
    if (v.major == 10 && v.minor == 0) {
        if (!workstation)
            return "Microsoft Windows Server ";
        return v.build >= 22000 ? "Microsoft Windows 11 " : "Microsoft Windows 10 ";
    }
    return "";
}

const char* productEdition(uint32_t product) {
    switch (product) {
    case 1:
    case 28:
    case 71:
        return "Ultimate Edition ";
    case 2:
    case 5:
    case 67:
        return "Home Basic Edition ";
    case 3:
    case 26:
    case 68:
        return "Home Premium Edition ";
    case 4:
    case 27:
    case 70:
        return "Enterprise Edition ";
    case 6:
    case 16:
        return "Business Edition ";
    case 11:
    case 47:
    case 66:
        return "Starter Edition ";
    case 48:
    case 49:
    case 69:
        return "Professional Edition ";
    default:
        return "";
    }
}

HKEY rootKey(PlatformRegistryRoot root) {
    return root == PlatformRegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

} // namespace

std::string platformDescribeWindowsVersion(const PlatformWindowsVersion& v) {
    std::string text = systemName(v);
    if (v.platform == PlatformWindowsVersion::Platform::Windows9x) {
        const char mark = v.servicePack.size() > 1 ? v.servicePack[1] : '\0';
        if (v.major == 4 && v.minor == 0 && (mark == 'C' || mark == 'B'))
            text += "OSR2 ";
        if (v.major == 4 && v.minor == 10 && mark == 'A')
            text += "SE ";
        return text;
    }
    if (v.platform != PlatformWindowsVersion::Platform::NT)
        return text;

    if (v.extended) {
        if (v.major == 6) {
            text += productEdition(v.productInfo);
        } else if (v.productType == PlatformWindowsVersion::ProductType::Workstation) {
            text += (v.suiteMask & VER_SUITE_PERSONAL) ? "Personal " : "Professional ";
        } else if (v.productType == PlatformWindowsVersion::ProductType::Server) {
            if (v.suiteMask & VER_SUITE_DATACENTER)
                text += "DataCenter Server ";
            else if (v.suiteMask & VER_SUITE_ENTERPRISE)
                text += "Advanced Server ";
            else
                text += "Server ";
        }
    } else if (equalsIgnoringCase(v.registryProductType, "WINNT")) {
        text += "Professional ";
    } else if (equalsIgnoringCase(v.registryProductType, "LANMANNT")) {
        text += "Server ";
    } else if (equalsIgnoringCase(v.registryProductType, "SERVERNT")) {
        text += "Advanced Server ";
    }

    char build[192];
    if (v.major > 4)
        std::snprintf(build, sizeof build, "%s (Build %lu)", v.servicePack.c_str(),
                      static_cast<unsigned long>(v.build & 0xFFFF));
    else
        std::snprintf(build, sizeof build, "version %lu.%lu %s (Build %lu)", static_cast<unsigned long>(v.major),
                      static_cast<unsigned long>(v.minor), v.servicePack.c_str(), static_cast<unsigned long>(v.build));
    return text + build;
}

bool platformWindowsVersion(PlatformWindowsVersion* version) {
    if (!version)
        return false;
    // GetVersionEx answers what the manifest claims; the kernel's own call
    // answers the truth.
    using GetVersionCall = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    bool extended = false;
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
        auto getVersion =
            reinterpret_cast<GetVersionCall>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
        extended = getVersion && getVersion(&info) == 0;
    }
    if (!extended) {
        info = OSVERSIONINFOEXW{};
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)))
            return false;
    }
    *version = PlatformWindowsVersion{};
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        version->platform = PlatformWindowsVersion::Platform::Win32s;
        break;
    case VER_PLATFORM_WIN32_WINDOWS:
        version->platform = PlatformWindowsVersion::Platform::Windows9x;
        break;
    default:
        version->platform = PlatformWindowsVersion::Platform::NT;
        break;
    }
    version->major = info.dwMajorVersion;
    version->minor = info.dwMinorVersion;
    version->build = info.dwBuildNumber;
    version->servicePack = win32Narrow(info.szCSDVersion);
    version->extended = extended;
    if (extended) {
        version->productType =
            info.wProductType == VER_NT_WORKSTATION         ? PlatformWindowsVersion::ProductType::Workstation
            : info.wProductType == VER_NT_DOMAIN_CONTROLLER ? PlatformWindowsVersion::ProductType::DomainController
                                                            : PlatformWindowsVersion::ProductType::Server;
        version->suiteMask = info.wSuiteMask;
        DWORD product = 0;
        if (info.dwMajorVersion >= 6 && GetProductInfo(info.dwMajorVersion, info.dwMinorVersion, 0, 0, &product))
            version->productInfo = product;
    } else {
        (void)platformRegistryText(PlatformRegistryRoot::LocalMachine,
                                   "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType",
                                   &version->registryProductType);
    }
    return true;
}

std::string platformOsDescription() {
    PlatformWindowsVersion version;
    return platformWindowsVersion(&version) ? platformDescribeWindowsVersion(version) : std::string();
}

bool platformRegistryNumber(PlatformRegistryRoot root, const std::string& key, const std::string& value,
                            uint32_t* number) {
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegGetValueW(rootKey(root), win32Widen(key).c_str(), win32Widen(value).c_str(), RRF_RT_REG_DWORD, nullptr,
                     &data, &size) != ERROR_SUCCESS)
        return false;
    if (number)
        *number = data;
    return true;
}

bool platformRegistryText(PlatformRegistryRoot root, const std::string& key, const std::string& value,
                          std::string* text) {
    const std::wstring wideKey = win32Widen(key);
    const std::wstring wideValue = win32Widen(value);
    DWORD size = 0;
    if (RegGetValueW(rootKey(root), wideKey.c_str(), wideValue.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
            ERROR_SUCCESS ||
        size > 1024 * 1024)
        return false;
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    size = DWORD(data.size() * sizeof(wchar_t));
    if (RegGetValueW(rootKey(root), wideKey.c_str(), wideValue.c_str(), RRF_RT_REG_SZ, nullptr, data.data(), &size) !=
        ERROR_SUCCESS)
        return false;
    data.resize(wcsnlen(data.c_str(), data.size()));
    if (text)
        *text = win32Narrow(data);
    return true;
}

bool platformCpuMhz(uint32_t* mhz) {
    uint32_t value = 0;
    if (!platformRegistryNumber(PlatformRegistryRoot::LocalMachine,
                                "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", "~MHz", &value))
        return false;
    if (mhz)
        *mhz = value;
    return true;
}

bool platformMemoryStatus(uint64_t* totalKb, uint64_t* availableKb) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return false;
    if (totalKb)
        *totalKb = status.ullTotalPhys >> 10;
    if (availableKb)
        *availableKb = status.ullAvailPhys >> 10;
    return true;
}

std::string platformExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return std::string();
        if (length < path.size()) {
            path.resize(length);
            return win32Narrow(path);
        }
        if (path.size() >= 32768)
            return std::string();
        path.resize(path.size() * 2);
    }
}

std::FILE* platformOpenFile(const std::string& path, const char* mode) {
    return _wfopen(win32Widen(path).c_str(), win32Widen(mode ? mode : "").c_str());
}

std::size_t platformReadFileAt(std::FILE* stream, int64_t offset, void* buffer, std::size_t count) {
    if (!stream || offset < 0 || !buffer || _fseeki64(stream, offset, SEEK_SET) != 0)
        return 0;
    return std::fread(buffer, 1, count, stream);
}

void platformSleepMilliseconds(uint32_t milliseconds) { Sleep(milliseconds); }

std::string platformApplicationDataFolder(bool allUsers) {
    wchar_t path[MAX_PATH] = {};
    // Made when missing (a new profile, or one set elsewhere): a folder
    // that does not exist is answered as a failure.
    const int which = (allUsers ? CSIDL_COMMON_APPDATA : CSIDL_APPDATA) | CSIDL_FLAG_CREATE;
    if (FAILED(SHGetFolderPathW(nullptr, which, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::string();
    std::string folder = win32Narrow(path);
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return folder;
}

bool platformGrantUsersFullAccess(const std::string& folder) {
    const std::wstring path = win32Widen(folder);
    PACL oldList = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &oldList,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    // The well-known group by its id, whatever the system's language.
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID users = nullptr;
    bool done = false;
    if (AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0,
                                 &users)) {
        EXPLICIT_ACCESSW access{};
        access.grfAccessPermissions = GENERIC_ALL;
        access.grfAccessMode = GRANT_ACCESS;
        access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.TrusteeType = TRUSTEE_IS_GROUP;
        access.Trustee.ptstrName = static_cast<LPWSTR>(users);
        PACL newList = nullptr;
        if (SetEntriesInAclW(1, &access, oldList, &newList) == ERROR_SUCCESS) {
            done = SetNamedSecurityInfoW(const_cast<LPWSTR>(path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, newList, nullptr) == ERROR_SUCCESS;
            LocalFree(newList);
        }
        FreeSid(users);
    }
    LocalFree(descriptor);
    return done;
}
