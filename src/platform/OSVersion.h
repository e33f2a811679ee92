// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The facts about the running operating system that its description is made
// from. On Windows they are the version record, a registry value and whether
// a registry key exists; elsewhere the system describes itself.

#include <cstdint>
#include <optional>
#include <string>

namespace kelvara {

// The Windows version record, as GetVersionEx fills it.
struct TOSVersionRecord {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;
    std::string servicePack; // the service-pack text ("Service Pack 6")
    // Extended form only:
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;
};

enum class TOSVersionRecordForm { Extended, Basic };

// The record in the form asked for; nullopt when the system refuses it or
// has none (Linux).
std::optional<TOSVersionRecord> QueryOSVersionRecord(TOSVersionRecordForm form);

// The "ProductType" value under ProductOptions, at most 254 bytes; nullopt
// when the key or value cannot be read or is too long (or on Linux).
std::optional<std::string> QueryProductType();

// Whether the hotfix key of Service Pack 6a (Q246009) exists.
bool HotfixQ246009Exists();

// The system's own description of itself, or empty where the description is
// made from the version record instead. Never fails.
std::string NativeOSDescription();

} // namespace kelvara
