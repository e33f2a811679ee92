// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A one-line description of the running operating system for the
// information window. Where the system describes itself (Linux: os-release
// and uname), that text is used; on Windows the description is made from the
// version record by the rules below, which are kept as pure functions of
// their inputs so that they can be checked without the system they
// describe. Texts from the platform layer are UTF-8.

#include "platform/OSVersion.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

namespace kelvara {

// The system's description; never fails. Falls back from the detailed
// description to the basic one to "Microsoft Windows".
QString GetOSVersionText();

// The detailed and the basic description of the running system, from the
// platform's version record ("Unknown" and an all-zero record where it has
// none, as on Linux).
QString GetDetailedOSVersion();
QString GetBasicOSVersion();

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
