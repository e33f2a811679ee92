// SPDX-License-Identifier: GPL-3.0-or-later
#include "info/InfoForm.h"
#include "support/LogCapture.h"
#include "support/QStringPrint.h"
#include "support/QtApp.h"
#include "support/TempDir.h"
#include "ui/VersionBlock.h"
#include "ui/VersionInfo.h"

#include <QCoreApplication>
#include <QWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

using namespace kelvara;
using kelvara::test::readFile;
using kelvara::test::TempDir;
using kelvara::test::writeFile;

namespace {

const QString Exe = QStringLiteral(KELVARA_EXE);

constexpr TVersionString SampleStrings[] = {
    {"FileVersion", "1.2.3.4"}, {"Padded", " \t value\x01 \x1f"}, {"Empty", ""}};
constexpr TVersionNumbers SampleNumbers{{1, 2, 3, 4}, {0, 0, 0, 0}, 0x0409, 0x04E4};
// Built at compile time like the program's own block, but with the magic's
// last byte spoilt: this test program must carry no valid block of its own
// (it checks that a file without one reads empty). The byte is mended at
// run time, through a volatile so that no compiler folds it back.
constexpr auto SpoiltSampleBlock = [] {
    auto block = BuildVersionBlock<VersionBlockSize(SampleStrings)>(SampleNumbers, SampleStrings);
    block[VersionBlockMagic.size() - 1] = 0;
    return block;
}();
volatile unsigned char LastMagicByte = VersionBlockMagic.back();

std::string SampleBytes() {
    std::string bytes(SpoiltSampleBlock.begin(), SpoiltSampleBlock.end());
    bytes[VersionBlockMagic.size() - 1] = static_cast<char>(LastMagicByte);
    return bytes;
}

} // namespace

TEST(VersionInfo, TheExecutableCarriesTheVersionStrings) {
    EXPECT_EQ(GetVersionInfoValue("FileVersion", Exe), "0.8.4.24");
    EXPECT_EQ(GetVersionInfoValue("FileDescription", Exe),
              "写真の撮影日をファイル名の先頭につけるツール");
    EXPECT_EQ(GetVersionInfoValue("InternalName", Exe), "Kelvara");
    EXPECT_EQ(GetVersionInfoValue("OriginalFilename", Exe), "Kelvara.exe");
    EXPECT_EQ(GetVersionInfoValue("fileversion", Exe), "0.8.4.24") << "keys ignore case";
    EXPECT_TRUE(GetVersionInfoValue("LegalCopyright", Exe).startsWith("Copyright"));
    const QString environment = GetVersionInfoValue("DeveropEnvironment", Exe);
    EXPECT_TRUE(environment.contains("C++20") && environment.contains("Qt 6"))
        << environment.toStdString();
    // The block's key is "Comment"; the table's "Comments" finds nothing.
    EXPECT_EQ(GetVersionInfoValue("Comments", Exe), "");
    EXPECT_EQ(GetVersionInfoValue("NoSuchKey", Exe), "");

    const auto block = ReadVersionBlock(Exe);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->numbers.fileVersion, (std::array<std::uint16_t, 4>{0, 8, 4, 24}));
    EXPECT_EQ(block->numbers.productVersion, (std::array<std::uint16_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(block->numbers.language, 0x0409);
    EXPECT_EQ(block->numbers.codePage, 0x04E4);
    std::vector<std::string> keys;
    for (const auto& entry : block->strings)
        keys.push_back(entry.first);
    EXPECT_EQ(keys, (std::vector<std::string>{"CompanyName", "FileDescription", "FileVersion",
                                              "InternalName", "LegalCopyright", "OriginalFilename",
                                              "Comment", "DeveropEnvironment", "Thanks"}));
}

TEST(VersionInfo, CaptionsCarryTheTitleAndVersion) {
    EXPECT_EQ(VersionCaption(Exe, "MainForm"), "Kelvara Ver.0.8.4.24 - MainForm");
    EXPECT_EQ(VersionCaption(Exe, "InfoForm"), "Kelvara Ver.0.8.4.24 - InfoForm");

    // This test program has no version block: the bare "Ver." stands.
    QWidget form;
    form.setObjectName("InfoForm");
    SetVersionCaption(&form);
    EXPECT_EQ(form.windowTitle(), "version_info_test Ver. - InfoForm");
    EXPECT_EQ(GetVersionInfoValue("FileVersion", QCoreApplication::applicationFilePath()), "")
        << "the reader's own copy of the magic is no block";
}

TEST(VersionInfo, TheTitleIsTheFileNameCutAtItsFirstFullStop) {
    EXPECT_EQ(ApplicationTitle("/opt/kelvara/Kelvara"), "Kelvara");
    EXPECT_EQ(ApplicationTitle("C:/Tools/KELVARA.EXE"), "Kelvara");
    EXPECT_EQ(ApplicationTitle("/x/kelvara.tar.gz"), "kelvara");
    EXPECT_EQ(ApplicationTitle("/x/My Photos.App"), "My photos");
    EXPECT_EQ(ApplicationTitle("/x/.hidden"), "");
}

TEST(VersionInfo, ACopyUnderAnyNameIsReadAlike) {
    TempDir dir;
    const auto folder = dir.path() / "写真 ツール";
    std::filesystem::create_directories(folder);
    const auto copy = folder / "Kel vara.bin";
    std::filesystem::copy_file(KELVARA_EXE, copy);
    const QString path = QString::fromStdString(copy.string());
    EXPECT_EQ(GetVersionInfoValue("FileVersion", path), "0.8.4.24");
    EXPECT_EQ(VersionCaption(path, "MainForm"), "Kel vara Ver.0.8.4.24 - MainForm");
}

TEST(VersionInfo, TheBlockIsFoundAnywhereAndOnlyWhenWhole) {
    TempDir dir;
    const std::string block = SampleBytes();
    auto valueIn = [&](const std::string& name, const std::string& content) {
        writeFile(dir.file(name), content);
        return GetVersionInfoValue("FileVersion", QString::fromStdString(dir.file(name)));
    };
    // Across the reader's 1 MiB pieces, the magic split between two of them.
    EXPECT_EQ(valueIn("split.bin", std::string((1 << 20) - 7, '\0') + block + "tail"), "1.2.3.4");
    // A false magic (header without a valid block) before the real one.
    std::string fake = block.substr(0, VersionBlockHeaderSize) + "garbage";
    EXPECT_EQ(valueIn("fake-first.bin", "abc" + fake + block), "1.2.3.4");
    // One byte of the payload changed: the hash disagrees.
    std::string damaged = block;
    damaged[damaged.size() - 3] ^= 0x20;
    EXPECT_EQ(valueIn("damaged.bin", damaged), "");
    // Cut short.
    EXPECT_EQ(valueIn("truncated.bin", block.substr(0, block.size() - 1)), "");
    const std::string exe = readFile(KELVARA_EXE);
    const auto at = exe.find(std::string(VersionBlockMagic.begin(), VersionBlockMagic.end()));
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(valueIn("cut-exe.bin", exe.substr(0, at + 40)), "");
    EXPECT_EQ(valueIn("empty.bin", ""), "");
    EXPECT_EQ(GetVersionInfoValue("FileVersion", QString::fromStdString(dir.file("missing"))), "");

    // Values lose blanks and control characters at both ends.
    writeFile(dir.file("sample.bin"), block);
    const QString sample = QString::fromStdString(dir.file("sample.bin"));
    EXPECT_EQ(GetVersionInfoValue("Padded", sample), "value");
    EXPECT_EQ(GetVersionInfoValue("Empty", sample), "");
}

// The windows ask for the running program's version every time they open;
// its file is scanned for it once per run. Any other file is scanned at
// every call.
TEST(VersionInfo, TheRunningExecutableIsScannedOncePerRun) {
    kelvara::test::LogCapture log;
    const QString running = QCoreApplication::applicationFilePath();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(GetVersionInfoValue("FileVersion", running), "");
        const TInfoForm form;
    }
    GetVersionInfoValue("FileVersion", Exe);
    GetVersionInfoValue("FileVersion", Exe);
    // The lines come in order: once the last is in, all are.
    const std::string scans = "kelvara.ui: scanning for a version block:";
    ASSERT_TRUE(log.waitFor(scans + " \"" + Exe.toStdString() + "\"", 2));
    EXPECT_LE(log.count(scans + " \"" + running.toStdString() + "\""), 1u);
}
