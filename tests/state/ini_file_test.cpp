// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/IniFile.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace kelvara;
using kelvara::test::readFile;
using kelvara::test::TempDir;
using kelvara::test::writeFile;

namespace {

// `count` copies of `text`.
std::string Repeated(const std::string& text, std::size_t count) {
    std::string repeated;
    for (std::size_t i = 0; i < count; ++i)
        repeated += text;
    return repeated;
}

// Lowers the file-size limit of this process for its lifetime, so writes
// beyond it fail as on a full disk (EFBIG instead of a SIGXFSZ kill).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    sighandler_t m_oldHandler{};
};

} // namespace

TEST(IniFile, FreshFileListsEverythingInWriteOrder) {
    TempDir dir;
    const std::string path = (dir.file("state.ini"));
    TIniFile ini(path);
    ini.WriteInteger("B.B", "Top", -8);
    ini.WriteInteger("B.B", "Left", 459);
    ini.WriteBool("B.Panel", "Enabled", true);
    ini.WriteString("A.Edit", "Text", "写真 フォルダ");
    EXPECT_FALSE(std::filesystem::exists(dir.file("state.ini"))) << "writes wait for UpdateFile";
    ini.UpdateFile();
    EXPECT_EQ(readFile(dir.file("state.ini")),
              "[B.B]\nTop=-8\nLeft=459\n[B.Panel]\nEnabled=1\n[A.Edit]\nText=写真 フォルダ\n");
}

TEST(IniFile, UpdatesKeysInPlaceAndAppendsNewOnesAtTheEnd) {
    TempDir dir;
    const std::string file = dir.file("state.ini");
    writeFile(file, "; kept comment\n[First]\nalpha = 1\nBeta=2\n[Second]\ngamma=3\n");
    {
        TIniFile ini((file));
        ini.WriteString("FIRST", "ALPHA", "one"); // other case: the existing key
        ini.WriteString("first", "delta", "4");   // new key: end of its section
        ini.WriteString("Third", "x", "5");       // new section: end of file
        ini.UpdateFile();
    }
    EXPECT_EQ(readFile(file),
              "; kept comment\n[First]\nalpha=one\nBeta=2\ndelta=4\n[Second]\ngamma=3\n"
              "[Third]\nx=5\n");
    const TIniFile again((file));
    EXPECT_EQ(again.ReadString("first", "Alpha", "?"), "one");
    EXPECT_EQ(again.ReadString("SECOND", "GAMMA", "?"), "3");
}

TEST(IniFile, AHandEditedFileKeepsEveryLineThatIsNotWritten) {
    // Notes, blank lines, a line without "=", a key that stands twice, a
    // section that stands twice, odd spacing and Windows line ends: a save
    // rewrites the lines of the keys it writes, adds the new ones, and
    // leaves every other byte where it was.
    TempDir dir;
    const std::string file = dir.file("edited.ini");
    const std::string before = "; my notes\r\n"
                               "\r\n"
                               "[MainForm.MainForm]\r\n"
                               "  Top = 10   \r\n"
                               "Left=20\r\n"
                               "top=99\r\n"
                               "\r\n"
                               "[Notes]\r\n"
                               "remember the card reader\r\n"
                               "# and this\r\n"
                               "\r\n"
                               "[mainform.rdoymd]\r\n"
                               "Checked=0\r\n"
                               "\r\n"
                               "[MainForm.MainForm]\r\n"
                               "Width=300\r\n"
                               "[Last]\r\n"
                               "unterminated";
    writeFile(file, before);
    {
        TIniFile ini((file));
        ini.WriteInteger("MainForm.MainForm", "Top", 5);
        ini.WriteInteger("MainForm.MainForm", "Width", 459);
        ini.WriteInteger("MainForm.MainForm", "Height", 350);
        ini.WriteBool("MainForm.RdoYMD", "Checked", true);
        ini.WriteInteger("MainForm.RdoYMD", "Tag", 0);
        ini.WriteInteger("MainForm.Panel1", "Tag", 0);
        ini.UpdateFile();
    }
    EXPECT_EQ(readFile(file), "; my notes\r\n"
                              "\r\n"
                              "[MainForm.MainForm]\r\n"
                              "  Top=5\r\n"
                              "Left=20\r\n"
                              "top=99\r\n"
                              "Height=350\r\n"
                              "\r\n"
                              "[Notes]\r\n"
                              "remember the card reader\r\n"
                              "# and this\r\n"
                              "\r\n"
                              "[mainform.rdoymd]\r\n"
                              "Checked=1\r\n"
                              "Tag=0\r\n"
                              "\r\n"
                              "[MainForm.MainForm]\r\n"
                              "Width=459\r\n"
                              "[Last]\r\n"
                              "unterminated\r\n"
                              "[MainForm.Panel1]\r\n"
                              "Tag=0\r\n");
    const TIniFile again((file));
    EXPECT_EQ(again.ReadInteger("MainForm.MainForm", "Top", 0), 5);
    EXPECT_EQ(again.ReadInteger("MainForm.MainForm", "Width", 0), 459);
    EXPECT_EQ(again.ReadInteger("MainForm.MainForm", "Height", 0), 350);
    EXPECT_TRUE(again.ReadBool("MainForm.RdoYMD", "Checked", false));

    // Saving the same values again changes nothing at all.
    {
        TIniFile ini((file));
        ini.WriteInteger("MainForm.MainForm", "Top", 5);
        ini.WriteInteger("MainForm.Panel1", "Tag", 0);
        ini.UpdateFile();
    }
    const std::string saved = readFile(file);
    TIniFile((file)).UpdateFile();
    EXPECT_EQ(readFile(file), saved);
}

TEST(IniFile, WhatNoReaderSeesStaysUnseenAndNewSectionsGoWhereTheyAreRead) {
    // A NUL byte ends what is read, and a "[" left open at the end would take
    // the next line for its name: new sections go before either.
    TempDir dir;
    const std::string nul("\0[Hidden]\nk=2\n", 14);
    for (const std::string& unread : {nul, std::string("[  \n  ")}) {
        const std::string file = dir.file("tail.ini");
        writeFile(file, "[Old]\nk=1\n" + unread);
        {
            TIniFile ini((file));
            ini.WriteInteger("New", "k", 3);
            ini.WriteInteger("Old", "j", 4);
            ini.UpdateFile();
        }
        EXPECT_EQ(readFile(file), "[Old]\nk=1\nj=4\n[New]\nk=3\n" + unread);
        const TIniFile ini((file));
        EXPECT_EQ(ini.ReadInteger("New", "k", 0), 3);
        EXPECT_EQ(ini.ReadInteger("Old", "j", 0), 4);
        EXPECT_EQ(ini.ReadInteger("Old", "k", 0), 1);
        EXPECT_EQ(ini.ReadInteger("Hidden", "k", 0), 0);
    }
}

TEST(IniFile, ReadsIntegersBooleansAndTextsByTheStoredRules) {
    TempDir dir;
    const std::string file = dir.file("values.ini");
    writeFile(file, "[S]\n"
                    "hex=0x20\nHEX=0X1f\ndollar=$ff\nminusHex=-$10\nallF=0xFFFFFFFF\n"
                    "nineDigits=0x1FFFFFFFF\nbareX=0x\nsignedX=-0x10\n"
                    "blank=   15\nplus=+7\nunit=15px\nletters=abc\nempty=\n"
                    "max=2147483647\nmin=-2147483648\nover=2147483648\nunder=-2147483649\n"
                    "two=2\nminusOne=-1\nhexZero=0x0\nyes=yes\n"
                    "padded=   some text   \n");
    const TIniFile ini((file));
    EXPECT_EQ(ini.ReadInteger("S", "hex", 0), 32);
    EXPECT_EQ(ini.ReadInteger("s", "HEX", 0), 32) << "the first of two same keys counts";
    EXPECT_EQ(ini.ReadInteger("S", "dollar", 0), 255);
    EXPECT_EQ(ini.ReadInteger("S", "minusHex", 0), -16);
    EXPECT_EQ(ini.ReadInteger("S", "allF", 0), -1);
    EXPECT_EQ(ini.ReadInteger("S", "nineDigits", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "bareX", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "signedX", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "blank", 0), 15);
    EXPECT_EQ(ini.ReadInteger("S", "plus", 0), 7);
    EXPECT_EQ(ini.ReadInteger("S", "unit", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "letters", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "empty", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "absent", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "max", 0), 2147483647);
    EXPECT_EQ(ini.ReadInteger("S", "min", 0), -2147483647 - 1);
    EXPECT_EQ(ini.ReadInteger("S", "over", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "under", 9), 9);

    EXPECT_TRUE(ini.ReadBool("S", "two", false));
    EXPECT_TRUE(ini.ReadBool("S", "minusOne", false));
    EXPECT_FALSE(ini.ReadBool("S", "hexZero", true));
    EXPECT_TRUE(ini.ReadBool("S", "yes", true));
    EXPECT_FALSE(ini.ReadBool("S", "yes", false));
    EXPECT_TRUE(ini.ReadBool("S", "empty", true));
    EXPECT_FALSE(ini.ReadBool("S", "absent", false));

    EXPECT_EQ(ini.ReadString("S", "empty", "default"), "");
    EXPECT_EQ(ini.ReadString("S", "absent", "default"), "default");
    EXPECT_EQ(ini.ReadString("Nowhere", "empty", "default"), "default");
    EXPECT_EQ(ini.ReadString("S", "padded", ""), "some text");

    // Leading blanks are the conversion's own business too, not only the
    // file's trimming.
    EXPECT_EQ(ParseIniInteger("  -12"), -12);
    EXPECT_EQ(ParseIniInteger("$"), std::nullopt);
    EXPECT_EQ(ParseIniInteger("-"), std::nullopt);
    EXPECT_EQ(ParseIniInteger("$fffffffe"), -2);
}

TEST(IniFile, LongValuesComeBackWholeUpTo2047Characters) {
    TempDir dir;
    const std::string path = (dir.file("long.ini"));
    const std::string exact(IniMaxValueLength, 'x');
    const std::string longer = Repeated("日", 3000);
    {
        TIniFile ini(path);
        ini.WriteString("S", "exact", exact);
        ini.WriteString("S", "longer", longer);
        ini.WriteString("S", "lines", "one\ntwo\r\nthree");
        ini.UpdateFile();
    }
    const TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "exact", ""), exact);
    EXPECT_EQ(ini.ReadString("S", "longer", ""), Repeated("日", IniMaxValueLength));
    EXPECT_EQ(ini.ReadString("S", "lines", ""), "one two  three");
}

TEST(IniFile, ReadsWhatItCanOfAMessyFile) {
    TempDir dir;
    const std::string file = dir.file("messy.ini");
    writeFile(file, "\xEF\xBB\xBFgarbage before any section\r\n"
                    "[Win]\r\nTop=10\r\nnot a pair\r\n\x01\x02\x03\r\n"
                    "[Win]\r\nTop=99\r\nLeft=20\r\n"
                    "[Other\r\n=orphan\r\n"
                    "[Last]\r\nWidth=30");
    const TIniFile ini((file));
    EXPECT_EQ(ini.ReadInteger("Win", "Top", 0), 10);
    EXPECT_EQ(ini.ReadInteger("Win", "Left", 0), 20);
    EXPECT_EQ(ini.ReadInteger("Last", "Width", 0), 30) << "no newline after the last line";
}

TEST(IniFile, AValueThatStartsWithAZeroWidthNoBreakSpaceComesBackWhole) {
    // The same three bytes as a byte order mark, but inside a value: the
    // character is kept, and so are the blanks behind it.
    TempDir dir;
    const std::string file = dir.file("feff.ini");
    writeFile(file, "[Win]\nText=\xEF\xBB\xBF  C:\\Photos\nBytes=\xFF\xC0z\n");
    TIniFile ini(file);
    const std::string text = ini.ReadString("Win", "Text", std::string());
    EXPECT_EQ(text, "\xEF\xBB\xBF  C:\\Photos");
    // Bytes that are no UTF-8 (a file written in another code page) read as
    // replacement characters.
    EXPECT_EQ(ini.ReadString("Win", "Bytes", ""), "\xEF\xBF\xBD\xEF\xBF\xBDz");
    ini.WriteString("Win", "Text", text);
    ini.UpdateFile();
    EXPECT_EQ(TIniFile(file).ReadString("Win", "Text", std::string()), text);
}

TEST(IniFile, AHandEditedKeyThatStartsLikeAByteOrderMarkKeepsItsPlaceOnSaving) {
    // Keys before any section are written first; one whose name begins with
    // EF BB BF and "[" must not come back as a section swallowing the rest.
    TempDir dir;
    const std::string file = dir.file("mark.ini");
    writeFile(file, "first line\n\xEF\xBB\xBF[Win]k=1\nTop=5\n[Win]\nTop=10\n");
    TIniFile ini((file));
    ASSERT_EQ(ini.ReadInteger("Win", "Top", 0), 10);
    ini.WriteInteger("Other", "Left", 3);
    ini.UpdateFile();
    const TIniFile reread((file));
    EXPECT_EQ(reread.ReadInteger("Win", "Top", 0), 10);
    EXPECT_EQ(reread.ReadInteger("", "Top", 0), 5);
    EXPECT_EQ(reread.ReadInteger("Other", "Left", 0), 3);
}

TEST(IniFile, CopesWithHugeFiles) {
    TempDir dir;
    const std::string file = dir.file("huge.ini");
    std::string text;
    for (int i = 0; i < 10000; ++i)
        text += "[Section" + std::to_string(i) + "]\nTag=" + std::to_string(i) + "\n";
    text += "[Long]\nValue=" + std::string(1 << 20, 'v') + "\nAfter=1\n";
    writeFile(file, text);
    const TIniFile ini((file));
    EXPECT_EQ(ini.ReadInteger("Section9999", "Tag", -1), 9999);
    EXPECT_EQ(ini.ReadString("Long", "Value", "").size(), IniMaxValueLength);
    EXPECT_EQ(ini.ReadInteger("Long", "After", 0), 1);
}

TEST(IniFile, AFailedWriteLeavesThePreviousFileAsItWas) {
    TempDir dir;
    const std::string file = dir.file("state.ini");
    const std::string before = "[Keep]\nme=1\n";
    writeFile(file, before);
    TIniFile ini((file));
    ini.WriteString("Big", "Value", std::string(4000, 'z'));
    {
        // Room for the old file's size, not for the new one's.
        FileSizeLimit limit(1000);
        try {
            ini.UpdateFile();
            FAIL() << "the write should have failed";
        } catch (const TIniFileError& error) {
            EXPECT_EQ(error.FileName(), file);
        }
    }
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(kelvara::test::fileNames(dir.path()), std::vector<std::string>{"state.ini"})
        << "no temporary file is left behind";
}

TEST(IniFile, AFileThatCannotBeReplacedRaisesTheWriteError) {
    TempDir dir;
    // The folder does not exist: nothing can be created there.
    TIniFile missingFolder((dir.file("no/such/folder/state.ini")));
    missingFolder.WriteInteger("S", "k", 1);
    EXPECT_THROW(missingFolder.UpdateFile(), TIniFileError);

    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only files and folders";
    const std::string file = dir.file("readonly.ini");
    writeFile(file, "[S]\nk=0\n");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    TIniFile readOnly((file));
    readOnly.WriteInteger("S", "k", 1);
    EXPECT_THROW(readOnly.UpdateFile(), TIniFileError);
    EXPECT_EQ(readFile(file), "[S]\nk=0\n");
}
