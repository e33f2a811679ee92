// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/OSDescription.h"

namespace kelvara {

namespace {

constexpr std::uint16_t SuiteEnterprise = 0x0002;
constexpr std::uint16_t SuiteDatacenter = 0x0080;
constexpr std::uint16_t SuitePersonal = 0x0200;
constexpr std::uint16_t SuiteBlade = 0x0400;
constexpr std::uint8_t ProductWorkstation = 1;
constexpr std::uint8_t ProductServer = 3;

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The second character of the service-pack text, which names the Windows 95
// family's release.
QChar ReleaseLetter(const TOSVersionRecord& record) {
    return record.servicePack.size() >= 2 ? QChar::fromLatin1(record.servicePack[1]) : QChar();
}

QString Windows95Family(const TOSVersionRecord& r) {
    if (r.majorVersion == 4 && r.minorVersion == 0) {
        const QChar letter = ReleaseLetter(r);
        return QStringLiteral("Microsoft Windows 95 ") +
               (letter == u'C' || letter == u'B' ? QStringLiteral("OSR2 ") : QString());
    }
    if (r.majorVersion == 4 && r.minorVersion == 10)
        return QStringLiteral("Microsoft Windows 98 ") +
               (ReleaseLetter(r) == u'A' ? QStringLiteral("SE ") : QString());
    if (r.majorVersion == 4 && r.minorVersion == 90)
        return QStringLiteral("Microsoft Windows Millennium Edition");
    return QStringLiteral("Unknown");
}

QString NtBaseName(const TOSVersionRecord& r) {
    if (r.majorVersion == 5 && r.minorVersion == 2)
        return QStringLiteral("Microsoft Windows .NET Server 2003 family, ");
    if (r.majorVersion == 5 && r.minorVersion == 1)
        return QStringLiteral("Microsoft Windows XP ");
    if (r.majorVersion == 5 && r.minorVersion == 0)
        return QStringLiteral("Microsoft Windows 2000 ");
    if (r.majorVersion <= 4)
        return QStringLiteral("Microsoft Windows NT ");
    return QStringLiteral("Windows NT product family? ");
}

QString NtEditionFromRecord(const TOSVersionRecord& r) {
    const std::uint16_t suite = r.suiteMask;
    if (r.productType == ProductWorkstation) {
        if (r.majorVersion == 4)
            return QStringLiteral("Workstation 4.0 ");
        return (suite & SuitePersonal) != 0 ? QStringLiteral("Home Edition ")
                                            : QStringLiteral("Professional ");
    }
    if (r.productType != ProductServer)
        return {}; // domain controllers and anything else get no edition
    if (r.majorVersion == 5 && r.minorVersion == 2) {
        if ((suite & SuiteDatacenter) != 0)
            return QStringLiteral("Datacenter Edition ");
        if ((suite & SuiteEnterprise) != 0)
            return QStringLiteral("Enterprise Edition ");
        // The whole mask, not the bit: a blade with other suites is Standard.
        if (suite == SuiteBlade)
            return QStringLiteral("Web Edition ");
        return QStringLiteral("Standard Edition ");
    }
    if (r.majorVersion == 5 && r.minorVersion == 0) {
        if ((suite & SuiteDatacenter) != 0)
            return QStringLiteral("Datacenter Server ");
        if ((suite & SuiteEnterprise) != 0)
            return QStringLiteral("Advanced Server ");
        return QStringLiteral("Server ");
    }
    return (suite & SuiteEnterprise) != 0 ? QStringLiteral("Server 4.0, Enterprise Edition ")
                                          : QStringLiteral("Server 4.0 ");
}

// Without the extended record the edition comes from the registry, and the
// version number follows it directly: "Workstation 4.0" then the service
// pack with no blank between.
QString NtEditionFromProductType(const TOSVersionRecord& r, const std::string& productType) {
    const QString type = Text(productType.substr(0, productType.find('\0'))).toUpper();
    QString edition;
    if (type == QLatin1String("WINNT"))
        edition = QStringLiteral("Workstation ");
    else if (type == QLatin1String("LANMANNT"))
        edition = QStringLiteral("Server ");
    else if (type == QLatin1String("SERVERNT"))
        edition = QStringLiteral("Advanced Server ");
    return edition + QString::number(static_cast<std::int32_t>(r.majorVersion)) + u'.' +
           QString::number(static_cast<std::int32_t>(r.minorVersion));
}

QString NtServicePack(const TOSVersionRecord& r, bool hotfixKeyExists) {
    const int build = static_cast<int>(r.buildNumber & 0xFFFF);
    const QString servicePack = Text(r.servicePack);
    if (r.majorVersion == 4 &&
        servicePack.compare(QLatin1String("Service Pack 6"), Qt::CaseInsensitive) == 0 &&
        hotfixKeyExists)
        return QStringLiteral("Service Pack 6a (Build %1)").arg(build);
    return QStringLiteral("%1 (Build %2)").arg(servicePack, QString::number(build));
}

} // namespace

QString PlatformName(std::uint32_t platformId) {
    switch (platformId) {
    case 0:
        return QStringLiteral("Windows 3.1");
    case 1:
        return QStringLiteral("Windows 95");
    case 2:
        return QStringLiteral("Windows NT");
    default:
        return {};
    }
}

QString DescribeDetailedOSVersion(const std::optional<TOSVersionRecord>& record, bool extended,
                                  const std::optional<std::string>& productType,
                                  bool hotfixKeyExists) {
    if (!record)
        return QStringLiteral("Unknown");
    const TOSVersionRecord& r = *record;
    switch (r.platformId) {
    case 0:
        return QStringLiteral("Microsoft Win32s");
    case 1:
        return Windows95Family(r);
    case 2:
        break;
    default:
        return QStringLiteral("Unknown");
    }
    QString result = NtBaseName(r);
    if (extended) {
        result += NtEditionFromRecord(r);
    } else {
        if (!productType)
            return result;
        result += NtEditionFromProductType(r, *productType);
    }
    return result + NtServicePack(r, hotfixKeyExists);
}

QString DescribeBasicOSVersion(const TOSVersionRecord& r) {
    // %d of each field, as the description always printed them.
    return QStringLiteral("%1 Version %2.%3 (Build %4 : %5)")
        .arg(PlatformName(r.platformId), QString::number(static_cast<std::int32_t>(r.majorVersion)),
             QString::number(static_cast<std::int32_t>(r.minorVersion)),
             QString::number(static_cast<std::int32_t>(r.buildNumber)), Text(r.servicePack));
}

} // namespace kelvara
