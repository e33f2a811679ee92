// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows front end's own rules, run on Windows' (Wine's) real services:
// the command line as Kelvara splits it, the state file's integers and its
// walk over a window through the private-profile service, the handoff
// through a real hidden window and WM_COPYDATA, and the English texts taken
// from the catalog.

#include "base/OwnerOnlyFolder.h"
#include "platform/EscapeKey.h"
#include "platform/FileContent.h"
#include "platform/MoveFile.h"
#include "platform/OwnerOnlyFile.h"
#include "win32/Catalog.h"
#include "win32/CommandLine.h"
#include "win32/DebugLogSink.h"
#include "win32/FormState.h"
#include "win32/GdiPlus.h"
#include "win32/Instance.h"
#include "win32/WideText.h"
#include "win32/WineTest.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

using namespace kelvara;
using namespace kelvara::test;

using TArgs = std::vector<std::wstring>;

TEST(CommandLine, QuotesGroupAndVanishAndABackslashNeverEscapes) {
    EXPECT_EQ(SplitCommandLine(LR"("C:\Program Files\Kelvara.exe" "C:\My Pics\" D:\DCIM)"),
              (TArgs{LR"(C:\Program Files\Kelvara.exe)", LR"(C:\My Pics\)", LR"(D:\DCIM)"}));
    // A quote switches quoting wherever it stands, and is dropped.
    EXPECT_EQ(SplitCommandLine(LR"(k a"b c"d e)"), (TArgs{L"k", L"ab cd", L"e"}));
    // Tabs and control characters part arguments as blanks do.
    EXPECT_EQ(SplitCommandLine(L"k\ta\x01\x1f"
                               L"b  "),
              (TArgs{L"k", L"a", L"b"}));
}

TEST(CommandLine, EmptyQuotedArgumentsAreNoneAndALoneQuoteEndsTheList) {
    EXPECT_EQ(SplitCommandLine(LR"(k "" a """" b)"), (TArgs{L"k", L"a", L"b"}));
    EXPECT_EQ(SplitCommandLine(LR"(k a ")"), (TArgs{L"k", L"a"}));
    EXPECT_EQ(SplitCommandLine(L""), TArgs{});
}

TEST(ProfileInteger, ReadsDecimalAndHexadecimalAndRefusesTheRest) {
    EXPECT_EQ(ParseProfileInteger(L"459"), 459);
    EXPECT_EQ(ParseProfileInteger(L"-8"), -8);
    EXPECT_EQ(ParseProfileInteger(L"+7"), 7);
    EXPECT_EQ(ParseProfileInteger(L" 15"), 15);
    EXPECT_EQ(ParseProfileInteger(L"0x20"), 32);
    EXPECT_EQ(ParseProfileInteger(L"0X1f"), 31);
    EXPECT_EQ(ParseProfileInteger(L"$FFFFFFFF"), -1);
    EXPECT_EQ(ParseProfileInteger(L"-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseProfileInteger(L"2147483647"), INT32_MAX);
    for (const wchar_t* refused : {L"", L"15px", L"15 ", L"yes", L"0x", L"$", L"$123456789",
                                   L"2147483648", L"-2147483649", L"1.5", L"- 1"})
        EXPECT_FALSE(ParseProfileInteger(refused)) << Utf8FromWide(refused);
}

namespace {

// A window of plain data: two radio groups, a label, an owned non-control.
class TFakeForm : public IStateForm {
public:
    struct TItem {
        std::wstring name;
        TComponentKind kind;
        int group; // radio buttons of one group: at most one on
        std::int32_t tag = 0;
        bool enabled = true;
        bool checked = false;
    };
    std::vector<TItem> items{{L"Panel1", TComponentKind::Control, 0},
                             {L"RdoA", TComponentKind::RadioButton, 1},
                             {L"RdoB", TComponentKind::RadioButton, 1, 0, true, true},
                             {L"Label1", TComponentKind::Control, 0, 0, false},
                             {L"Timer1", TComponentKind::Component, 0, 7},
                             {L"RdoC", TComponentKind::RadioButton, 2, 0, true, true}};
    TFormBounds bounds{105, 191, 459, 350};
    int clicks = 0;

    std::wstring FormName() const override { return L"MainForm"; }
    TFormBounds Bounds() const override { return bounds; }
    void SetTop(std::int32_t v) override { bounds.top = v; }
    void SetLeft(std::int32_t v) override { bounds.left = v; }
    void SetWidth(std::int32_t v) override { bounds.width = v; }
    void SetHeight(std::int32_t v) override { bounds.height = v; }
    std::size_t ComponentCount() const override { return items.size(); }
    std::wstring ComponentName(std::size_t i) const override { return items[i].name; }
    TComponentKind ComponentKind(std::size_t i) const override { return items[i].kind; }
    std::int32_t Tag(std::size_t i) const override { return items[i].tag; }
    void SetTag(std::size_t i, std::int32_t tag) override { items[i].tag = tag; }
    bool Enabled(std::size_t i) const override { return items[i].enabled; }
    void SetEnabled(std::size_t i, bool enabled) override { items[i].enabled = enabled; }
    bool Checked(std::size_t i) const override { return items[i].checked; }
    void SetChecked(std::size_t i, bool checked) override {
        if (checked) {
            for (auto& other : items)
                if (other.group == items[i].group)
                    other.checked = false;
            ++clicks;
        }
        items[i].checked = checked;
    }
};

std::string FileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void Write(const fs::path& ini, const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    ASSERT_TRUE(WritePrivateProfileStringW(section, key, value, ini.c_str()));
}

} // namespace

TEST(FormStateFile, AFreshFileListsTheFormThenEveryComponentInOrder) {
    TTempFolder temp;
    const fs::path ini = temp.path() / "Kelvara.ini";
    const TFakeForm form;
    SaveFormState(ini.wstring(), form);
    std::string text = FileText(ini);
    std::erase(text, '\r');
    EXPECT_EQ(text, "[MainForm.MainForm]\nTop=105\nLeft=191\nWidth=459\nHeight=350\n"
                    "[MainForm.Panel1]\nTag=0\nEnabled=1\n"
                    "[MainForm.RdoA]\nTag=0\nEnabled=1\nChecked=0\n"
                    "[MainForm.RdoB]\nTag=0\nEnabled=1\nChecked=1\n"
                    "[MainForm.Label1]\nTag=0\nEnabled=0\n"
                    "[MainForm.Timer1]\nTag=7\n"
                    "[MainForm.RdoC]\nTag=0\nEnabled=1\nChecked=1\n");
}

TEST(FormStateFile, EditedValuesApplyWhereTheyParseAndLeaveTheRestAlone) {
    TTempFolder temp;
    const fs::path ini = temp.path() / "Kelvara.ini";
    SaveFormState(ini.wstring(), TFakeForm());
    Write(ini, L"MainForm.MainForm", L"Top", L"0x20");
    Write(ini, L"MainForm.MainForm", L"Left", L" 15");
    Write(ini, L"MainForm.MainForm", L"Width", L"15px");
    Write(ini, L"MainForm.MainForm", L"Height", L"-3");
    // On, as anything but 0 is; its sibling, read after it, must say off.
    Write(ini, L"MainForm.RdoA", L"Checked", L"2");
    Write(ini, L"MainForm.RdoB", L"Checked", L"0");
    Write(ini, L"MainForm.RdoC", L"Checked", L""); // present but empty: unchanged
    Write(ini, L"MainForm.Label1", L"Enabled", L"yes");
    Write(ini, L"MainForm.Timer1", L"Tag", L"$FFFFFFFF");

    TFakeForm form;
    LoadFormState(ini.wstring(), form);
    EXPECT_EQ(form.bounds.top, 32);
    EXPECT_EQ(form.bounds.left, 15);
    EXPECT_EQ(form.bounds.width, 459);
    EXPECT_EQ(form.bounds.height, -3);
    EXPECT_TRUE(form.items[1].checked);
    EXPECT_FALSE(form.items[2].checked);
    EXPECT_TRUE(form.items[5].checked);
    EXPECT_FALSE(form.items[3].enabled);
    EXPECT_EQ(form.items[4].tag, -1);
    EXPECT_EQ(form.clicks, 1);

    // No file: the design stays.
    TFakeForm untouched;
    LoadFormState((temp.path() / "absent.ini").wstring(), untouched);
    EXPECT_EQ(untouched.bounds.top, 105);
    EXPECT_TRUE(untouched.items[2].checked);
    EXPECT_FALSE(fs::exists(temp.path() / "absent.ini"));
}

TEST(Handoff, PathsOfAnyKindArriveWholeThroughTheHiddenWindow) {
    TArgs received;
    const THandoffWindow window([&](const std::wstring& path) { received.push_back(path); });
    ASSERT_TRUE(window.Handle());
    const TArgs paths{LR"(C:\My Pics\A.JPG)", LR"(D:\DCIM)", L"C:\\a,b\\\"q\".jpg",
                      L"C:\\写真\\ü.jpg", L""};
    const std::string text = HandoffText(paths);
    EXPECT_EQ(text.substr(0, 27), R"("C:\My Pics\A.JPG",D:\DCIM,)");
    std::vector<char> bytes(text.begin(), text.end());
    bytes.push_back('\0');
    COPYDATASTRUCT data{HandoffMagic, static_cast<DWORD>(bytes.size()), bytes.data()};
    EXPECT_EQ(SendMessageW(window.Handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), 0);
    EXPECT_EQ(received, paths);

    // Another magic number, or text that is no comma text: nothing arrives.
    received.clear();
    data.dwData = 0x1112;
    SendMessageW(window.Handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    char open[] = "\"C:\\never closed";
    COPYDATASTRUCT broken{HandoffMagic, sizeof open, open};
    SendMessageW(window.Handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&broken));
    EXPECT_TRUE(received.empty());

    // Bytes without a NUL: no more than cbData is read.
    char unterminated[] = {'a', ',', 'b', 'c', 'd'};
    COPYDATASTRUCT cut{HandoffMagic, 4, unterminated};
    SendMessageW(window.Handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cut));
    EXPECT_EQ(received, (TArgs{L"a", L"bc"}));
}

TEST(Catalog, EveryWindowTextHasItsEnglishAndStaysJapaneseForJapanese) {
    for (const wchar_t* text :
         {L"年月日", L"年月日時分", L"年月日時分秒", L"撮影日_元のファイル名",
          L"撮影日_カメラのモデル_元のファイル名", L"撮影日_サイズ_元のファイル名",
          L"撮影日_サイズ_カメラのモデル_元のファイル名",
          L"デジカメ写真をドロップするとリネームします", L"%1 に書き込めません", L"ex)%1"}) {
        const std::wstring english = Translate(text, false);
        EXPECT_NE(english, text) << Utf8FromWide(text);
        EXPECT_TRUE(std::all_of(english.begin(), english.end(), [](wchar_t c) { return c < 0x80; }))
            << Utf8FromWide(english);
        EXPECT_EQ(Translate(text, true), text);
    }
    EXPECT_EQ(WithArgument(Translate(L"ex)%1", false), L"20080318"), L"e.g. 20080318");
    EXPECT_EQ(Translate(L"Create Shortcut into \"Startup\"", false),
              L"Create Shortcut into \"Startup\"");
}

TEST(ImageTest, OnlyWhatGdiplusLoadsAsABitmapIsAnImage) {
    const TGdiplusSession gdiplus;
    TTempFolder temp;
    EXPECT_TRUE(IsImageFile(CopyPhoto("Canon_40D.jpg", temp.path()).wstring()));

    // A metafile is an image to GDI+, of type 2: no photo.
    const fs::path metafile = temp.path() / "drawing.emf";
    const HDC dc = CreateEnhMetaFileW(nullptr, metafile.c_str(), nullptr, nullptr);
    ASSERT_TRUE(dc);
    Rectangle(dc, 0, 0, 100, 100);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
    ASSERT_TRUE(fs::exists(metafile));
    EXPECT_EQ(TGPImage(metafile.wstring()).GetType(), 2);
    EXPECT_FALSE(IsImageFile(metafile.wstring()));

    std::ofstream(temp.path() / "notes.jpg") << "not a photo";
    EXPECT_FALSE(IsImageFile((temp.path() / "notes.jpg").wstring()));
    EXPECT_EQ(TGPImage((temp.path() / "notes.jpg").wstring()).GetType(), 0);
    EXPECT_FALSE(IsImageFile(temp.path().wstring()));
    EXPECT_FALSE(IsImageFile((temp.path() / "gone.jpg").wstring()));
    EXPECT_FALSE(IsImageFile(L""));
}

namespace {

const TLogCategory lcWinTest("kelvara.wintest");

// The debug log's lines while `log` runs with KELVARA_DEBUG set to `debug`:
// standard error is a file meanwhile.
std::string DebugLogOf(const wchar_t* debug, const fs::path& file,
                       const std::function<void()>& log) {
    SetEnvironmentVariableW(L"KELVARA_DEBUG", debug);
    const HANDLE handle = CreateFileW(file.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    const HANDLE saved = GetStdHandle(STD_ERROR_HANDLE);
    SetStdHandle(STD_ERROR_HANDLE, handle);
    log();
    SetStdHandle(STD_ERROR_HANDLE, saved);
    CloseHandle(handle);
    SetEnvironmentVariableW(L"KELVARA_DEBUG", nullptr);
    std::string text(static_cast<std::size_t>(fs::file_size(file)), '\0');
    std::ifstream(file, std::ios::binary)
        .read(text.data(), static_cast<std::streamsize>(text.size()));
    return text;
}

} // namespace

TEST(DebugLog, TheSharedModulesLinesReachItOnlyWhenAsked) {
    TTempFolder temp;
    int evaluated = 0;
    const auto logged = [&] {
        const TDebugLogSinkScope sink;
        LogDebug(lcWinTest) << "renamed" << std::string("C:\\a \"b\".jpg") << ++evaluated;
        LogWarning(lcWinTest).NoSpace() << "queues "
                                        << "empty";
    };
    EXPECT_EQ(DebugLogOf(L"1", temp.path() / "on.log", logged),
              "kelvara.wintest: renamed \"C:\\\\a \\\"b\\\".jpg\" 1\n"
              "kelvara.wintest: queues empty\n");
    EXPECT_EQ(DebugLogOf(L"0", temp.path() / "off.log", logged), "");
    EXPECT_EQ(evaluated, 1) << "nothing is evaluated for a log nobody asked for";
}

TEST(WindowsFiles, ContentIsReadWholeOrAtOffsetsFromDiskFilesOnly) {
    TTempFolder temp;
    // A name beyond the ANSI code page: paths cross as UTF-8, then UTF-16.
    const fs::path photo = temp.path() / L"\u5199\u771f.jpg";
    fs::rename(CopyPhoto("Canon_40D.jpg", temp.path()), photo);
    const std::string path = Utf8FromWide(photo.wstring());
    std::string bytes(static_cast<std::size_t>(fs::file_size(photo)), '\0');
    std::ifstream(photo, std::ios::binary)
        .read(bytes.data(), static_cast<std::streamsize>(bytes.size()));

    EXPECT_EQ(ByteText(ReadFileContent(path)), bytes);
    const TReadOnlyFile file(path);
    EXPECT_EQ(file.Size(), static_cast<std::int64_t>(bytes.size()));
    char piece[20];
    ASSERT_EQ(file.ReadAt(100, piece, 20), 20);
    EXPECT_EQ(std::string(piece, 20), bytes.substr(100, 20));
    EXPECT_EQ(file.ReadAt(static_cast<std::int64_t>(bytes.size()) - 5, piece, 20), 5);

    try {
        ReadFileContent(Utf8FromWide(temp.path().wstring()));
        ADD_FAILURE() << "a folder was read";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::error_code(EISDIR, std::generic_category()));
    }
    EXPECT_THROW(ReadFileContent(Utf8FromWide((temp.path() / "gone.jpg").wstring())),
                 std::system_error);
}

TEST(WindowsFiles, AnIdentityTellsTheFileReadFromAnotherUnderItsName) {
    TTempFolder temp;
    const fs::path photo = CopyPhoto("Canon_40D.jpg", temp.path());
    const std::string path = Utf8FromWide(photo.wstring());
    const TFileIdentity read = TReadOnlyFile(path).Identity();
    const auto now = FileIdentityAt(path);
    ASSERT_TRUE(now);
    EXPECT_TRUE(read.SameFileAs(*now));
    std::ofstream(photo, std::ios::binary | std::ios::app) << 'x';
    EXPECT_FALSE(read.SameFileAs(*FileIdentityAt(path)));
    EXPECT_FALSE(FileIdentityAt(Utf8FromWide(temp.path().wstring())));
    EXPECT_FALSE(FileIdentityAt(Utf8FromWide((temp.path() / "gone.jpg").wstring())));
}

TEST(WindowsFiles, AMoveNeverReplacesAnExistingFile) {
    TTempFolder temp;
    const fs::path photo = CopyPhoto("Canon_40D.jpg", temp.path());
    const fs::path taken = CopyPhoto("Nikon_D70.jpg", temp.path());
    const auto utf8 = [](const fs::path& path) { return Utf8FromWide(path.wstring()); };
    const auto sizes = FilesBelow(temp.path());
    try {
        MoveFileNoReplace(utf8(photo), utf8(taken));
        ADD_FAILURE() << "an existing file was replaced";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::error_code(EEXIST, std::generic_category()));
    }
    EXPECT_EQ(FilesBelow(temp.path()), sizes);
    const fs::path renamed = temp.path() / L"\u5199\u771f.jpg";
    MoveFileNoReplace(utf8(photo), utf8(renamed));
    EXPECT_FALSE(fs::exists(photo));
    EXPECT_EQ(fs::file_size(renamed), sizes.at("Canon_40D.jpg"));
}

TEST(EscapeKeyOnWindows, AReportedPressCountsOnceBesideTheKeysOwnState) {
    const auto escape = CreateEscapeKey();
    // Nobody touches the virtual keyboard here: the key is up, and a press
    // from before the test is used up by the first look.
    (void)escape->Pressed();
    NoteEscapePressed();
    EXPECT_TRUE(escape->Pressed());
    EXPECT_FALSE(escape->Pressed());
}

TEST(WindowsFiles, OwnerOnlyFoldersAndFilesAreMadeOnceAndNeverOverAnything) {
    const TTempFolder temp;
    const std::string deep = Utf8FromWide((temp.path() / "a" / "b" / "c").wstring());
    MakeOwnerOnlyFolder(deep);
    EXPECT_TRUE(fs::is_directory(temp.path() / "a" / "b" / "c"));
    MakeOwnerOnlyFolder(deep + "\\"); // there already: left as it is

    std::ofstream(temp.path() / "a" / "file") << "in the way";
    try {
        MakeOwnerOnlyFolder(Utf8FromWide((temp.path() / "a" / "file" / "d").wstring()));
        ADD_FAILURE() << "a folder was made below a file";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::not_a_directory) << error.what();
    }

    const fs::path history = temp.path() / "a" / "history.sqlite";
    CreateOwnerOnlyFile(Utf8FromWide(history.wstring()));
    ASSERT_TRUE(fs::is_regular_file(history));
    EXPECT_EQ(fs::file_size(history), 0u);
    std::ofstream(history) << "kept";
    CreateOwnerOnlyFile(Utf8FromWide(history.wstring()));
    EXPECT_EQ(fs::file_size(history), 4u);
}
