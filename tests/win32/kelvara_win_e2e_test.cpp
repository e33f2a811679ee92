// SPDX-License-Identifier: GPL-3.0-or-later
// Kelvara.exe under Wine, as a user meets it: started on copies of the
// sample JPEGs, it renames them as the Linux edition would (the names
// exiftool's reading gives, computed on Linux by expected-names.pl); a
// second launch hands its paths to the running copy and ends; Escape empties
// the queues; the state file is written on closing and read at the next
// start. The program tells its progress on standard error (KELVARA_DEBUG=1);
// the test waits for those lines, never for a fixed time.

#include "history/History.h"
#include "history/HistoryLocation.h"
#include "win32/WideText.h"
#include "win32/WineTest.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

using namespace kelvara;
using namespace kelvara::test;
using namespace std::chrono_literals;

namespace {

constexpr auto Patience = 120s;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// One run of Kelvara.exe with its standard error read line by line.
class TKelvara {
public:
    TKelvara(const fs::path& exe, const std::vector<std::wstring>& arguments, const fs::path& cwd)
        : m_stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        // A named pipe, read overlapped: the reader must stop when the
        // program has ended even where another process (Wine's desktop
        // process, started by the program's first window) has inherited the
        // write end and keeps it open.
        static int serial = 0;
        const std::wstring name = L"\\\\.\\pipe\\kelvara-e2e-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(++serial);
        m_read = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                  PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
        if (m_read == INVALID_HANDLE_VALUE)
            throw std::runtime_error("CreateNamedPipe");
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const HANDLE writeEnd = CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (writeEnd == INVALID_HANDLE_VALUE)
            throw std::runtime_error("cannot open the pipe's write end");
        std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
        for (const std::wstring& argument : arguments)
            commandLine += L" \"" + argument + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        SetEnvironmentVariableW(L"KELVARA_DEBUG", L"1");
        const BOOL started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                            0, nullptr, cwd.c_str(), &startup, &m_process);
        CloseHandle(writeEnd);
        if (!started)
            throw std::runtime_error("cannot start Kelvara.exe");
        m_reader = std::thread([this] { ReadLines(); });
    }

    ~TKelvara() {
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process.hProcess, 9);
        WaitForSingleObject(m_process.hProcess, INFINITE);
        SetEvent(m_stop);
        m_reader.join();
        CloseHandle(m_read);
        CloseHandle(m_stop);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }

    // Waits until `line` has come `count` times in all.
    bool WaitForLine(const std::string& line, int count = 1) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, Patience, [&] {
            return std::count(m_lines.begin(), m_lines.end(), line) >= count;
        });
    }

    int Count(const std::string& line) {
        const std::lock_guard lock(m_lock);
        return static_cast<int>(std::count(m_lines.begin(), m_lines.end(), line));
    }

    // The exit code, once it has ended; -1 when it did not.
    int WaitForExit() {
        if (WaitForSingleObject(m_process.hProcess, 60000) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(m_process.hProcess, &code);
        return static_cast<int>(code);
    }

    bool Running() const { return WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT; }

    std::string Log() {
        const std::lock_guard lock(m_lock);
        std::string log;
        for (const std::string& line : m_lines)
            log += line + "\n";
        return log;
    }

private:
    // Reads until the pipe breaks or the destructor says stop, whatever
    // comes first.
    void ReadLines() {
        const HANDLE readDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::string pending;
        char buffer[512];
        for (;;) {
            OVERLAPPED overlapped{};
            overlapped.hEvent = readDone;
            DWORD read = 0;
            if (!ReadFile(m_read, buffer, sizeof buffer, nullptr, &overlapped) &&
                GetLastError() != ERROR_IO_PENDING)
                break;
            const HANDLE events[2] = {readDone, m_stop};
            if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
                CancelIo(m_read);
                GetOverlappedResult(m_read, &overlapped, &read, TRUE);
                break;
            }
            if (!GetOverlappedResult(m_read, &overlapped, &read, FALSE) || read == 0)
                break;
            pending.append(buffer, read);
            std::size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, end);
                std::erase(line, '\r');
                pending.erase(0, end + 1);
                const std::lock_guard lock(m_lock);
                m_lines.push_back(std::move(line));
                m_changed.notify_all();
            }
        }
        CloseHandle(readDone);
    }

    PROCESS_INFORMATION m_process{};
    HANDLE m_stop;
    HANDLE m_read = nullptr;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_lines;
    std::thread m_reader;
};

// relative path -> relative path after one run, from expected-names.pl.
std::map<std::string, std::string> ExpectedNames() {
    std::map<std::string, std::string> names;
    std::ifstream file(WindowsPath(Environment("KELVARA_EXPECTED")));
    std::string line;
    while (std::getline(file, line))
        if (const auto tab = line.find('\t'); tab != std::string::npos)
            names[line.substr(0, tab)] = line.substr(tab + 1);
    return names;
}

HWND MainWindow() {
    return FindWindowW(L"KelvaraMainForm", nullptr);
}

int MainWindowCount() {
    int count = 0;
    for (HWND window = nullptr;
         (window = FindWindowExW(nullptr, window, L"KelvaraMainForm", nullptr)) != nullptr;)
        ++count;
    return count;
}

// The texts of the window's controls, in the window's order.
std::vector<std::wstring> ControlTexts(HWND window) {
    std::vector<std::wstring> texts;
    EnumChildWindows(
        window,
        [](HWND control, LPARAM list) {
            wchar_t text[256];
            const int length = GetWindowTextW(control, text, 256);
            if (length > 0)
                reinterpret_cast<std::vector<std::wstring>*>(list)->emplace_back(text, length);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

bool Shows(HWND window, const std::wstring& text) {
    const std::vector<std::wstring> texts = ControlTexts(window);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

void PressEscape(HWND window) {
    SetForegroundWindow(window);
    SetFocus(window);
    INPUT keys[2]{};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

std::vector<std::string> IniLines(const fs::path& ini) {
    std::ifstream file(ini);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        std::erase(line, '\r');
        lines.push_back(line);
    }
    return lines;
}

class KelvaraE2E : public ::testing::Test {
protected:
    void SetUp() override {
        if (Environment("KELVARA_EXE").empty() || Environment("KELVARA_EXPECTED").empty())
            GTEST_SKIP() << "KELVARA_EXE and KELVARA_EXPECTED name the program and its names";
        fs::create_directories(temp.path() / "app");
        fs::copy_file(WindowsPath(Environment("KELVARA_EXE")), exe);
        expected = ExpectedNames();
        ASSERT_FALSE(expected.empty());
        // The photos at the top go to a/, those in folders to b/, with their folders.
        for (const auto& [relative, renamed] : expected) {
            const bool top = relative.find('/') == std::string::npos;
            const fs::path target = temp.path() / "photos" / (top ? "a" : "b") / relative;
            fs::create_directories(target.parent_path());
            fs::copy_file(SamplePhotos() / relative, target);
            (top ? expectedA : expectedB)[renamed] = fs::file_size(target);
            if (!top)
                continue;
            // Each photo at the top has a sidecar, which moves with it and
            // keeps its name with it.
            const std::string sidecar = fs::path(relative).stem().string() + ".xmp";
            std::ofstream(target.parent_path() / sidecar) << "<x:xmpmeta/>";
            const std::string prefix = renamed.substr(0, renamed.size() - relative.size());
            expectedA[prefix + sidecar] = std::string("<x:xmpmeta/>").size();
        }
    }

    TTempFolder temp;
    fs::path exe = temp.path() / "app" / "Kelvara.exe";
    fs::path ini = temp.path() / "app" / "Kelvara.ini";
    std::map<std::string, std::string> expected;
    std::map<std::string, std::uintmax_t> expectedA, expectedB;
};

} // namespace

TEST_F(KelvaraE2E, RenamesAsLinuxDoesTakesASecondLaunchsPathsStopsOnEscapeAndKeepsItsState) {
    {
        // A relative path, against the program's current folder.
        TKelvara kelvara(exe, {LR"(photos\a)"}, temp.path());
        ASSERT_TRUE(kelvara.WaitForLine("ready")) << kelvara.Log();
        // A Windows in English: the texts from the catalog.
        EXPECT_TRUE(Shows(MainWindow(), L"Drop camera photos here to rename them"));
        EXPECT_TRUE(Shows(MainWindow(), L"Year Month Day Hour Minute"));
        EXPECT_TRUE(
            Shows(MainWindow(), L"200803181226_1600x1200_CanonIXYDIGITAL900IS_IMG_3444.JPG"));
        wchar_t caption[128];
        const std::wstring title(caption, GetWindowTextW(MainWindow(), caption, 128));
        EXPECT_TRUE(title.starts_with(L"Kelvara Ver.") && title.ends_with(L" - MainForm"));
        ASSERT_TRUE(kelvara.WaitForLine("run ended")) << kelvara.Log();
        EXPECT_EQ(FilesBelow(temp.path() / "photos" / "a"), expectedA);

        // A second launch from another folder: its relative path is made
        // absolute by the sender, handed over, and the second copy ends.
        TKelvara second(exe, {L"b"}, temp.path() / "photos");
        EXPECT_EQ(second.WaitForExit(), 0);
        EXPECT_TRUE(second.WaitForLine("handed over")) << second.Log();
        ASSERT_TRUE(kelvara.WaitForLine("handoff received")) << kelvara.Log();
        ASSERT_TRUE(kelvara.WaitForLine("run ended", 2)) << kelvara.Log();
        EXPECT_EQ(FilesBelow(temp.path() / "photos" / "b"), expectedB);
        EXPECT_TRUE(kelvara.Running());
        EXPECT_EQ(MainWindowCount(), 1);

        // Escape, with the window focused, empties the queues of a large
        // handed-over folder: most of it keeps its names.
        const fs::path many = temp.path() / "photos" / "many";
        for (int i = 0; i < 300; ++i)
            CopyPhoto("Canon_40D.jpg", many, "IMG_" + std::to_string(1000 + i) + ".jpg");
        TKelvara third(exe, {many.wstring()}, temp.path());
        EXPECT_EQ(third.WaitForExit(), 0);
        ASSERT_TRUE(kelvara.WaitForLine("handoff received", 2)) << kelvara.Log();
        PressEscape(MainWindow());
        EXPECT_TRUE(kelvara.WaitForLine("cancelled")) << kelvara.Log();
        ASSERT_TRUE(kelvara.WaitForLine("run ended", 3)) << kelvara.Log();
        int kept = 0;
        for (const auto& [name, size] : FilesBelow(many))
            kept += name.starts_with("IMG_");
        EXPECT_GT(kept, 150);

        PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(kelvara.WaitForLine("state saved")) << kelvara.Log();
        EXPECT_EQ(kelvara.WaitForExit(), 0);
    }

    // The three runs, recorded beside the program and its state file: two
    // that ran to their end and the one Escape stopped.
    {
        THistory history(Utf8FromWide((temp.path() / "app" / HistoryFileName).wstring()));
        std::vector<TRunEnding> endings;
        std::int64_t renamed = 0;
        for (const TRunSummary& run : history.Runs()) {
            endings.push_back(run.ending.value_or(TRunEnding::Finished));
            renamed += run.renamed;
            EXPECT_TRUE(run.ended.has_value());
        }
        std::sort(endings.begin(), endings.end());
        EXPECT_EQ(endings, (std::vector<TRunEnding>{TRunEnding::Finished, TRunEnding::Finished,
                                                    TRunEnding::Cancelled}));
        EXPECT_GT(renamed, 0);
    }

    // The state file: the window's bounds first, then every component in
    // the window's order, the design's choices on.
    const std::vector<std::string> lines = IniLines(ini);
    ASSERT_GT(lines.size(), 5u);
    EXPECT_EQ(lines[0], "[MainForm.MainForm]");
    EXPECT_TRUE(lines[1].starts_with("Top=") && lines[2].starts_with("Left=") &&
                lines[3].starts_with("Width=") && lines[4].starts_with("Height="));
    std::vector<std::string> sections;
    for (const std::string& line : lines)
        if (line.starts_with("["))
            sections.push_back(line);
    EXPECT_EQ(sections, (std::vector<std::string>{
                            "[MainForm.MainForm]",        "[MainForm.Panel1]",
                            "[MainForm.Label2]",          "[MainForm.Label3]",
                            "[MainForm.Label4]",          "[MainForm.RdoYMD]",
                            "[MainForm.RdoYMDHN]",        "[MainForm.RdoYMDHNS]",
                            "[MainForm.Panel2]",          "[MainForm.LblDateModelFile]",
                            "[MainForm.LblDateSizeFile]", "[MainForm.LblDateSizeModelFile]",
                            "[MainForm.LblDateFile]",     "[MainForm.RdoDMF]",
                            "[MainForm.RdoDSF]",          "[MainForm.RdoDSMF]",
                            "[MainForm.RdoDF]",           "[MainForm.Panel3]",
                            "[MainForm.Label1]",          "[MainForm.Button1]"}));
    const auto value = [&](const wchar_t* section, const wchar_t* key) {
        wchar_t buffer[64];
        GetPrivateProfileStringW(section, key, L"?", buffer, 64, ini.c_str());
        return std::wstring(buffer);
    };
    EXPECT_EQ(value(L"MainForm.RdoYMDHN", L"Checked"), L"1");
    EXPECT_EQ(value(L"MainForm.RdoDSMF", L"Checked"), L"1");
    EXPECT_EQ(value(L"MainForm.RdoYMD", L"Checked"), L"0");
    EXPECT_EQ(value(L"MainForm.Label1", L"Enabled"), L"1");

    // Day precision, date and old name, and a place on the screen: the next
    // start reads them back, names by them and writes them again.
    for (const auto& [section, key, text] : {std::tuple{L"MainForm.RdoYMD", L"Checked", L"1"},
                                             {L"MainForm.RdoYMDHN", L"Checked", L"0"},
                                             {L"MainForm.RdoDF", L"Checked", L"1"},
                                             {L"MainForm.MainForm", L"Left", L"40"},
                                             {L"MainForm.MainForm", L"Top", L"0x1e"}})
        ASSERT_TRUE(WritePrivateProfileStringW(section, key, text, ini.c_str()));
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
    const fs::path nikon = CopyPhoto("Nikon_D70.jpg", temp.path() / "photos" / "c");
    {
        TKelvara kelvara(exe, {nikon.wstring()}, temp.path());
        ASSERT_TRUE(kelvara.WaitForLine("run ended")) << kelvara.Log();
        // Restored: day precision, so the examples begin with the day.
        EXPECT_TRUE(Shows(MainWindow(), L"20080318_3444.JPG"));
        RECT bounds{};
        GetWindowRect(MainWindow(), &bounds);
        EXPECT_EQ(bounds.left, 40);
        EXPECT_EQ(bounds.top, 30);
        PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
        EXPECT_EQ(kelvara.WaitForExit(), 0);
    }
    const std::string day = expected.at("Nikon_D70.jpg").substr(0, 8);
    EXPECT_TRUE(fs::exists(temp.path() / "photos" / "c" / (day + "_Nikon_D70.jpg")));
    EXPECT_EQ(value(L"MainForm.RdoYMD", L"Checked"), L"1");
    EXPECT_EQ(value(L"MainForm.RdoYMDHN", L"Checked"), L"0");
    EXPECT_EQ(value(L"MainForm.MainForm", L"Left"), L"40");
    EXPECT_EQ(value(L"MainForm.MainForm", L"Top"), L"30");
}

// Run by ctest a second time in a Japanese locale (Wine takes the Windows
// language from it when a program starts).
TEST_F(KelvaraE2E, AJapaneseWindowsShowsTheTextsAsWritten) {
    if (!Environment("LC_ALL").starts_with("ja_JP"))
        GTEST_SKIP() << "needs LC_ALL=ja_JP.UTF-8";
    TKelvara kelvara(exe, {}, temp.path());
    ASSERT_TRUE(kelvara.WaitForLine("ready")) << kelvara.Log();
    for (const wchar_t* text :
         {L"デジカメ写真をドロップするとリネームします", L"年月日時分", L"ex)20080318",
          L"撮影日_サイズ_カメラのモデル_元のファイル名", L"VERSION"})
        EXPECT_TRUE(Shows(MainWindow(), text)) << Utf8(text);
    PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(kelvara.WaitForExit(), 0);
}
