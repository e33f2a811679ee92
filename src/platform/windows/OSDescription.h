// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The description of a Windows system made from its version record, as the
// information window gives it there: pure functions of their inputs, so that
// they can be checked without the system they describe.

#include <QString>
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

// "Windows 3.1", "Windows 95" or "Windows NT" for platform ids 0 to 2, else
// the empty text.
QString PlatformName(std::uint32_t platformId);

// The detailed description: "Microsoft Win32s", the Windows 95 family's
// name with its release suffix, or for the NT family its base name, edition
// (from the extended record, else from `productType` followed by the version
// number), service pack and build ("(Build n)" of the build number's low 16
// bits). `record` is nullopt when the system gave none ("Unknown");
// `extended` says whether it is the extended form; `productType` is the
// registry's "ProductType" value, nullopt when it could not be read (then
// the base name stands alone); `hotfixKeyExists` tells Service Pack 6a from
// 6 on NT 4.
QString DescribeDetailedOSVersion(const std::optional<TOSVersionRecord>& record, bool extended,
                                  const std::optional<std::string>& productType,
                                  bool hotfixKeyExists);

// "<platform name> Version <major>.<minor> (Build <whole build number> :
// <service pack>)".
QString DescribeBasicOSVersion(const TOSVersionRecord& record);

} // namespace kelvara
