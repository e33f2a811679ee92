// SPDX-License-Identifier: GPL-3.0-or-later
#include "info/DisplayFormat.h"
#include "platform/OSVersion.h"
#include "platform/linux/OsRelease.h"
#include "platform/windows/OSDescription.h"
#include "support/QStringPrint.h"

#include <QLocale>
#include <QSysInfo>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

using namespace kelvara;

namespace {

TOSVersionRecord Nt(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                    const char* servicePack, std::uint8_t productType = 0,
                    std::uint16_t suite = 0) {
    TOSVersionRecord r;
    r.majorVersion = major;
    r.minorVersion = minor;
    r.buildNumber = build;
    r.platformId = 2;
    r.servicePack = servicePack;
    r.productType = productType;
    r.suiteMask = suite;
    return r;
}

TOSVersionRecord Win9x(std::uint32_t minor, const char* servicePack) {
    TOSVersionRecord r;
    r.majorVersion = 4;
    r.minorVersion = minor;
    r.platformId = 1;
    r.servicePack = servicePack;
    return r;
}

QString Extended(const TOSVersionRecord& r) {
    return DescribeDetailedOSVersion(r, true, std::nullopt, false);
}

// Sets the default locale for one test and puts the old one back.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_old); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

private:
    QLocale m_old;
};

} // namespace

TEST(OSDescription, NtFamilyFromTheExtendedRecord) {
    EXPECT_EQ(Extended(Nt(5, 1, 2600, "Service Pack 2", 1)),
              "Microsoft Windows XP Professional Service Pack 2 (Build 2600)");
    EXPECT_EQ(Extended(Nt(5, 1, 2600, "", 1)), "Microsoft Windows XP Professional  (Build 2600)");
    EXPECT_EQ(Extended(Nt(5, 0, 2195, "Service Pack 4", 3)),
              "Microsoft Windows 2000 Server Service Pack 4 (Build 2195)");
    EXPECT_EQ(Extended(Nt(6, 0, 6002, "Service Pack 2", 1, 0x0200)),
              "Windows NT product family? Home Edition Service Pack 2 (Build 6002)");
    EXPECT_EQ(Extended(Nt(5, 3, 1, "", 1)), "Windows NT product family? Professional  (Build 1)");
    EXPECT_EQ(Extended(Nt(4, 0, 1381, "Service Pack 5", 1)),
              "Microsoft Windows NT Workstation 4.0 Service Pack 5 (Build 1381)");
    // Server editions of 5.2: bits, and the whole mask for the web edition.
    EXPECT_EQ(Extended(Nt(5, 2, 3790, "", 3, 0x0400)),
              "Microsoft Windows .NET Server 2003 family, Web Edition  (Build 3790)");
    EXPECT_EQ(Extended(Nt(5, 2, 3790, "", 3, 0x0410)),
              "Microsoft Windows .NET Server 2003 family, Standard Edition  (Build 3790)");
    EXPECT_EQ(Extended(Nt(5, 2, 3790, "", 3, 0x0082)),
              "Microsoft Windows .NET Server 2003 family, Datacenter Edition  (Build 3790)");
    EXPECT_EQ(Extended(Nt(5, 2, 3790, "", 3, 0x0002)),
              "Microsoft Windows .NET Server 2003 family, Enterprise Edition  (Build 3790)");
    EXPECT_EQ(Extended(Nt(5, 0, 2195, "", 3, 0x0002)),
              "Microsoft Windows 2000 Advanced Server  (Build 2195)");
    EXPECT_EQ(Extended(Nt(5, 0, 2195, "", 3, 0x0080)),
              "Microsoft Windows 2000 Datacenter Server  (Build 2195)");
    EXPECT_EQ(Extended(Nt(4, 0, 1381, "", 3, 0x0002)),
              "Microsoft Windows NT Server 4.0, Enterprise Edition  (Build 1381)");
    EXPECT_EQ(Extended(Nt(5, 1, 2600, "", 2)), "Microsoft Windows XP  (Build 2600)")
        << "a domain controller gets no edition";
    // Only the low 16 bits of the build count here.
    EXPECT_EQ(Extended(Nt(5, 1, 0x00010A28, "", 2)), "Microsoft Windows XP  (Build 2600)");
}

TEST(OSDescription, NtFourServicePackSixAndTheRegistryEdition) {
    EXPECT_EQ(
        DescribeDetailedOSVersion(Nt(4, 0, 1381, "service pack 6", 1), true, std::nullopt, true),
        "Microsoft Windows NT Workstation 4.0 Service Pack 6a (Build 1381)");
    EXPECT_EQ(
        DescribeDetailedOSVersion(Nt(4, 0, 1381, "service pack 6", 1), true, std::nullopt, false),
        "Microsoft Windows NT Workstation 4.0 service pack 6 (Build 1381)");
    EXPECT_EQ(
        DescribeDetailedOSVersion(Nt(5, 0, 2195, "Service Pack 6", 1), true, std::nullopt, true),
        "Microsoft Windows 2000 Professional Service Pack 6 (Build 2195)")
        << "6a exists on NT 4 only";

    // Without the extended record the registry tells the edition, and the
    // version number runs straight into the service pack.
    const TOSVersionRecord nt4 = Nt(4, 0, 1381, "Service Pack 5");
    EXPECT_EQ(DescribeDetailedOSVersion(nt4, false, std::string("WinNT"), false),
              "Microsoft Windows NT Workstation 4.0Service Pack 5 (Build 1381)");
    EXPECT_EQ(DescribeDetailedOSVersion(nt4, false, std::string("LanmanNT"), false),
              "Microsoft Windows NT Server 4.0Service Pack 5 (Build 1381)");
    EXPECT_EQ(DescribeDetailedOSVersion(nt4, false, std::string("SERVERNT"), false),
              "Microsoft Windows NT Advanced Server 4.0Service Pack 5 (Build 1381)");
    EXPECT_EQ(DescribeDetailedOSVersion(nt4, false, std::string("Terminal"), false),
              "Microsoft Windows NT 4.0Service Pack 5 (Build 1381)");
    EXPECT_EQ(DescribeDetailedOSVersion(nt4, false, std::string("WINNT\0junk", 10), false),
              "Microsoft Windows NT Workstation 4.0Service Pack 5 (Build 1381)")
        << "the value ends at its null";
    EXPECT_EQ(DescribeDetailedOSVersion(nt4, false, std::nullopt, false), "Microsoft Windows NT ")
        << "an unreadable value leaves the base name alone";
}

TEST(OSDescription, OtherPlatformsAndTheBasicDescription) {
    EXPECT_EQ(Extended(Win9x(10, " A ")), "Microsoft Windows 98 SE ");
    EXPECT_EQ(Extended(Win9x(10, "")), "Microsoft Windows 98 ");
    EXPECT_EQ(Extended(Win9x(0, " B")), "Microsoft Windows 95 OSR2 ");
    EXPECT_EQ(Extended(Win9x(0, " C")), "Microsoft Windows 95 OSR2 ");
    EXPECT_EQ(Extended(Win9x(0, " A")), "Microsoft Windows 95 ");
    EXPECT_EQ(Extended(Win9x(90, " A")), "Microsoft Windows Millennium Edition");
    EXPECT_EQ(Extended(Win9x(3, "")), "Unknown");
    TOSVersionRecord win32s;
    EXPECT_EQ(Extended(win32s), "Microsoft Win32s");
    TOSVersionRecord strange = Nt(5, 1, 1, "");
    strange.platformId = 3;
    EXPECT_EQ(Extended(strange), "Unknown");
    EXPECT_EQ(DescribeDetailedOSVersion(std::nullopt, false, std::nullopt, false), "Unknown");

    EXPECT_EQ(PlatformName(0), "Windows 3.1");
    EXPECT_EQ(PlatformName(1), "Windows 95");
    EXPECT_EQ(PlatformName(2), "Windows NT");
    EXPECT_EQ(PlatformName(3), "");
    TOSVersionRecord me = Win9x(90, " A");
    me.buildNumber = 0x045A0BB8; // the Windows 95 family fills the high word too
    EXPECT_EQ(DescribeBasicOSVersion(me), "Windows 95 Version 4.90 (Build 73010104 :  A)");
    EXPECT_EQ(DescribeBasicOSVersion(strange), " Version 5.1 (Build 1 : )");
}

TEST(OSDescription, LinuxDescribesItselfFromOsReleaseAndUname) {
    EXPECT_EQ(DescribeLinux("NAME=\"Debian GNU/Linux\"\n"
                            "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
                            "6.1.0-18-amd64", "x86_64"),
              "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0-18-amd64 x86_64)");
    EXPECT_EQ(DescribeLinux("# comment\r\nNAME='Arch Linux'\r\n", "6.7.4-arch1-1", "aarch64"),
              "Arch Linux (Linux 6.7.4-arch1-1 aarch64)");
    EXPECT_EQ(DescribeLinux("PRETTY_NAME=\"Say \\\"hi\\\" \\\\ OS\"", "", ""), "Say \"hi\" \\ OS");
    EXPECT_EQ(DescribeLinux("garbage\n=\nPRETTY_NAME=\n", "5.10", ""), "Linux (Linux 5.10)");

    // The running system, against Qt's own reading of the same files.
    const QString text = QString::fromStdString(GetOSVersionText());
    EXPECT_TRUE(text.startsWith(QSysInfo::prettyProductName())) << text.toStdString();
    EXPECT_TRUE(text.contains(QSysInfo::kernelVersion())) << text.toStdString();
    EXPECT_FALSE(text.contains("Microsoft "));
}

TEST(DisplayFormat, ByteSizesInTheChosenUnit) {
    LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(FormatByteSize(bsKiloBytes, 1536), "2 KB");
    EXPECT_EQ(FormatByteSize(bsKiloBytes, 1535), "1 KB");
    EXPECT_EQ(FormatByteSize(bsKiloBytes, 512), "1 KB") << "a half rounds up";
    EXPECT_EQ(FormatByteSize(bsKiloBytes, -512), "-1 KB") << "and away from zero below it";
    EXPECT_EQ(FormatByteSize(bsKiloBytes, -511), "0 KB");
    EXPECT_EQ(FormatByteSize(bsMegaBytes, 1572864), "1.50 MB");
    EXPECT_EQ(FormatByteSize(bsMegaBytes, 131072), "0.13 MB") << "0.125 exactly";
    EXPECT_EQ(FormatByteSize(bsMegaBytes, -131072), "-0.13 MB");
    EXPECT_EQ(FormatByteSize(bsMegaBytes, 5000LL * 1048576), "5,000.00 MB");
    EXPECT_EQ(FormatByteSize(bsCount, 1234567), "1,234,567");
    EXPECT_EQ(FormatByteSize(bsBytes, 0), "0 B");
    EXPECT_EQ(FormatByteSize(bsBytes, std::numeric_limits<std::int64_t>::max()),
              "9,223,372,036,854,775,807 B");
    EXPECT_EQ(FormatByteSize(bsCount, std::numeric_limits<std::int64_t>::min()),
              "-9,223,372,036,854,775,808");
    EXPECT_EQ(FormatByteSize(bsMegaBytes, std::numeric_limits<std::int64_t>::max()),
              "8,796,093,022,208.00 MB");
    EXPECT_EQ(FormatByteSize(bsKiloBytes, std::numeric_limits<std::int64_t>::max()),
              "9,007,199,254,740,992 KB");
}

TEST(DisplayFormat, ByteSizesFollowTheUserLocale) {
    {
        LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(FormatByteSize(bsCount, 1234567), "1.234.567");
        EXPECT_EQ(FormatByteSize(bsMegaBytes, 1572864), "1,50 MB");
    }
    {
        // The C locale groups too: the figures are always grouped.
        LocaleScope c(QLocale::c());
        EXPECT_EQ(FormatByteSize(bsCount, 1234567), "1,234,567");
    }
}

TEST(DisplayFormat, Durations) {
    EXPECT_EQ(FormatDuration(0), "0:00:00");
    EXPECT_EQ(FormatDuration(59), "0:00:59");
    EXPECT_EQ(FormatDuration(3725), "1:02:05");
    EXPECT_EQ(FormatDuration(25 * 3600 + 61), "25:01:01");
    EXPECT_EQ(FormatDuration(std::numeric_limits<std::int32_t>::max()), "596523:14:07");
    EXPECT_EQ(FormatDuration(-3725), "-1:-02:-05");
}
