#pragma once

#include <cstdint>
#include <string>

// Windows-only services beside PlatformSystem.h, in plain types: the
// version description's rules, the registry, and the application-data
// folders.

// What the system reports about its version.
struct PlatformWindowsVersion {
    enum class Platform : uint8_t { Win32s, Windows9x, NT };
    enum class ProductType : uint8_t { Workstation, DomainController, Server };
    Platform platform = Platform::NT;
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    std::string servicePack; // "Service Pack 1", or empty
    // From the extended version record; without it, `registryProductType`
    // ("WINNT", "LANMANNT", "SERVERNT") names the edition.
    bool extended = true;
    ProductType productType = ProductType::Workstation;
    uint16_t suiteMask = 0;
    uint32_t productInfo = 0; // GetProductInfo's product type (Windows Vista and later)
    std::string registryProductType;
};

// "Microsoft Windows 7 Home Premium Edition Service Pack 1 (Build 7601)" and
// the like.
[[nodiscard]] std::string platformDescribeWindowsVersion(const PlatformWindowsVersion& version);

// The running system's version; false when it cannot be queried.
[[nodiscard]] bool platformWindowsVersion(PlatformWindowsVersion* version);

enum class PlatformRegistryRoot : uint8_t { LocalMachine, CurrentUser };
// A 32-bit value or a text value under `key` (a path with '\'); false when the
// key or value is missing or of another type.
[[nodiscard]] bool platformRegistryNumber(PlatformRegistryRoot root, const std::string& key, const std::string& value,
                                          uint32_t* number);
[[nodiscard]] bool platformRegistryText(PlatformRegistryRoot root, const std::string& key, const std::string& value,
                                        std::string* text);

// The per-user (roaming) or all-users application-data folder, UTF-8,
// without a trailing separator; empty when the system does not know it.
[[nodiscard]] std::string platformApplicationDataFolder(bool allUsers);

// Gives the local "Users" group full access to `folder`, inherited by what
// is made inside it, keeping the access already granted. False when the
// access list cannot be changed.
[[nodiscard]] bool platformGrantUsersFullAccess(const std::string& folder);
