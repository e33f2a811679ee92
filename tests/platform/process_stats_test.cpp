// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics against the kernel's own figures, read here independently
// of the code under test, and against ps(1), a separate process.

#include "info/InfoForm.h"
#include "platform/ProcessStats.h"
#include "support/QStringPrint.h"
#include "support/QtApp.h"

#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kelvara;
using namespace kelvara;

namespace {

constexpr std::uint64_t KiB = 1024;
constexpr std::uint64_t MiB = 1024 * KiB;

// "Key:  123 kB" of a /proc file, in kB (or as a count).
std::uint64_t ProcField(const char* file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + ":", 0) == 0)
            return std::stoull(line.substr(key.size() + 1));
    }
    ADD_FAILURE() << file << " has no " << key;
    return 0;
}

// Field n (proc(5) numbering) of /proc/self/stat.
std::uint64_t SelfStat(int n) {
    std::ifstream in("/proc/self/stat");
    std::string text;
    std::getline(in, text);
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= n; ++i)
        rest >> field;
    return std::stoull(field);
}

// The figures in a label's text, group separators dropped.
std::vector<std::uint64_t> Figures(QString text) {
    text.remove(QLocale().groupSeparator());
    std::vector<std::uint64_t> figures;
    static const QRegularExpression number(QStringLiteral("\\d+"));
    for (const auto& match : number.globalMatch(text))
        figures.push_back(match.captured().toULongLong());
    return figures;
}

std::uint64_t Distance(std::uint64_t a, std::uint64_t b) {
    return a > b ? a - b : b - a;
}

// Private writable memory, mapped but not touched unless asked.
struct TMapping {
    explicit TMapping(std::size_t bytes) : size(bytes) {
        address = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (address == MAP_FAILED)
            throw std::runtime_error("mmap");
        // Small pages, so that touching them needs page tables in proportion.
        madvise(address, size, MADV_NOHUGEPAGE);
    }
    ~TMapping() { munmap(address, size); }
    TMapping(const TMapping&) = delete;
    TMapping& operator=(const TMapping&) = delete;
    void Touch(std::size_t bytes) {
        for (std::size_t at = 0; at < bytes; at += 4096)
            static_cast<volatile char*>(address)[at] = 1;
    }
    void* address;
    std::size_t size;
};

} // namespace

TEST(ProcessStats, MachineMemoryAgreesWithProcMeminfo) {
    const TMemoryStatus status = ReadMemoryStatus();
    EXPECT_EQ(status.totalPhys, ProcField("/proc/meminfo", "MemTotal") * KiB);
    EXPECT_LT(Distance(status.availPhys, ProcField("/proc/meminfo", "MemAvailable") * KiB),
              status.totalPhys / 20);
    EXPECT_EQ(status.totalPageFile, ProcField("/proc/meminfo", "SwapTotal") * KiB);
    EXPECT_LT(Distance(status.availPageFile, ProcField("/proc/meminfo", "SwapFree") * KiB),
              64 * MiB);
    EXPECT_LE(status.availPageFile, status.totalPageFile);
#if defined(__x86_64__)
    EXPECT_EQ(status.totalVirtual, 0x7ffffffff000u) << "128 TiB less a page";
#endif
    EXPECT_GT(status.totalVirtual, std::uint64_t{4} << 30);
    const std::uint64_t mapped = ProcField("/proc/self/status", "VmSize") * KiB;
    EXPECT_LT(Distance(status.availVirtual, status.totalVirtual - mapped), 64 * MiB);

    // The window shows the same, in kilobytes and past 32 bits.
    TInfoForm form(nullptr, QStringLiteral(KELVARA_EXE));
    const auto phys = Figures(form.findChild<QLabel*>("LblPhys")->text());
    ASSERT_EQ(phys.size(), 2u);
    EXPECT_EQ(phys[1], ProcField("/proc/meminfo", "MemTotal"));
    const auto virtualLine = Figures(form.findChild<QLabel*>("LblVirtual")->text());
    ASSERT_EQ(virtualLine.size(), 2u);
    EXPECT_EQ(virtualLine[1], status.totalVirtual / KiB);
    EXPECT_TRUE(form.findChild<QLabel*>("LblPageFile")->text().startsWith("Free Paging File:"));
}

TEST(ProcessStats, ProcessCountersAgreeWithProcSelf) {
    const std::uint64_t faultsBefore = SelfStat(10) + SelfStat(12);
    const TProcessMemoryCounters counters = ReadProcessMemoryCounters();
    const std::uint64_t faultsAfter = SelfStat(10) + SelfStat(12);
    EXPECT_GE(counters.pageFaultCount, faultsBefore);
    EXPECT_LE(counters.pageFaultCount, faultsAfter);
    EXPECT_LT(Distance(counters.workingSetSize, ProcField("/proc/self/status", "VmRSS") * KiB),
              8 * MiB);
    EXPECT_GE(counters.peakWorkingSetSize, counters.workingSetSize);
    const std::uint64_t committed =
        (ProcField("/proc/self/status", "VmData") + ProcField("/proc/self/status", "VmStk")) * KiB;
    EXPECT_LT(Distance(counters.pagefileUsage, committed), 8 * MiB);
    EXPECT_LT(Distance(counters.pagedPoolUsage, ProcField("/proc/self/status", "VmPTE") * KiB),
              256 * KiB);
    EXPECT_GT(counters.nonPagedPoolUsage, 0u);

    TInfoForm form(nullptr, QStringLiteral(KELVARA_EXE));
    const QString faults = form.findChild<QLabel*>("LblPageFaultCount")->text();
    EXPECT_TRUE(faults.startsWith("Page Fault:")) << faults.toStdString();
    EXPECT_FALSE(faults.contains("KB"));
    const auto working = Figures(form.findChild<QLabel*>("LblWorkingSetSize")->text());
    ASSERT_EQ(working.size(), 2u);
    EXPECT_LT(Distance(working[0] * KiB, ProcField("/proc/self/status", "VmRSS") * KiB), 8 * MiB);
    for (const char* name : {"LblPagefileUsage", "LblPagedPoolUsage", "LblNonPagedPoolUsage"})
        EXPECT_TRUE(form.findChild<QLabel*>(name)->text().endsWith(" KB")) << name;
}

TEST(ProcessStats, CommittedMemoryAndPageTablesFollowMappings) {
    const TProcessMemoryCounters before = ReadProcessMemoryCounters();
    std::uint64_t bigUsage = 0;
    {
        TMapping mapping(512 * MiB);
        // Committed as soon as it is mapped, resident only once touched.
        const TProcessMemoryCounters mapped = ReadProcessMemoryCounters();
        EXPECT_GE(mapped.pagefileUsage, before.pagefileUsage + 500 * MiB);
        EXPECT_LT(mapped.workingSetSize, before.workingSetSize + 32 * MiB);
        mapping.Touch(64 * MiB);
        const TProcessMemoryCounters touched = ReadProcessMemoryCounters();
        EXPECT_GE(touched.workingSetSize, mapped.workingSetSize + 60 * MiB);
        // 64 MiB of 4 KiB pages take 128 KiB of page tables.
        EXPECT_GE(touched.pagedPoolUsage, mapped.pagedPoolUsage + 100 * KiB);
        bigUsage = touched.pagefileUsage;
    }
    const TProcessMemoryCounters after = ReadProcessMemoryCounters();
    EXPECT_LT(after.pagefileUsage, bigUsage - 500 * MiB);
    EXPECT_GE(after.peakPagefileUsage, bigUsage) << "the peak stays";
    EXPECT_GE(after.peakPagedPoolUsage, after.pagedPoolUsage);
}

TEST(ProcessStats, KernelStacksFollowTheThreads) {
    const std::uint64_t threadsBefore = ProcField("/proc/self/status", "Threads");
    const TProcessMemoryCounters before = ReadProcessMemoryCounters();
    const std::uint64_t perThread = before.nonPagedPoolUsage / threadsBefore;
    EXPECT_GE(perThread, 8 * KiB);
    std::uint64_t withThreads = 0;
    {
        std::mutex lock;
        std::condition_variable done;
        bool finish = false;
        std::vector<std::jthread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&] {
                std::unique_lock held(lock);
                done.wait(held, [&] { return finish; });
            });
        const TProcessMemoryCounters during = ReadProcessMemoryCounters();
        EXPECT_EQ(during.nonPagedPoolUsage, before.nonPagedPoolUsage + 4 * perThread);
        withThreads = during.nonPagedPoolUsage;
        {
            std::lock_guard held(lock);
            finish = true;
        }
        done.notify_all();
    }
    const TProcessMemoryCounters after = ReadProcessMemoryCounters();
    EXPECT_EQ(after.nonPagedPoolUsage, before.nonPagedPoolUsage);
    EXPECT_GE(after.peakNonPagedPoolUsage, withThreads);
}

TEST(ProcessStats, TimesAgreeWithTheKernelAndPs) {
    // Over a second in user mode (by the kernel's count), and some in the
    // kernel.
    const long hz = sysconf(_SC_CLK_TCK);
    const auto start = std::chrono::steady_clock::now();
    volatile std::uint64_t spin = 0;
    while (SelfStat(14) < static_cast<std::uint64_t>(hz) * 6 / 5 &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
        for (int i = 0; i < 100000; ++i)
            spin = spin + static_cast<std::uint64_t>(i);
        (void)getppid();
    }
    const TProcessTimes times = ReadProcessTimes();
    const auto userTicks = static_cast<std::int64_t>(SelfStat(14));
    const auto kernelTicks = static_cast<std::int64_t>(SelfStat(15));
    EXPECT_GE(times.userSeconds, 1);
    EXPECT_LE(std::abs(times.userSeconds - userTicks / hz), 1);
    EXPECT_LE(std::abs(times.kernelSeconds - kernelTicks / hz), 1);

    QProcess ps;
    ps.start(QStringLiteral("ps"), {"-o", "etimes=", "-p", QString::number(getpid())});
    ASSERT_TRUE(ps.waitForFinished(10000));
    const std::int64_t psElapsed = ps.readAllStandardOutput().trimmed().toLongLong();
    EXPECT_GE(psElapsed, 1);
    EXPECT_LE(std::abs(times.elapsedSeconds - psElapsed), 1);

    // A time zone in daylight saving time moves nothing.
    setenv("TZ", "America/New_York", 1);
    tzset();
    const TProcessTimes inNewYork = ReadProcessTimes();
    setenv("TZ", "Pacific/Auckland", 1);
    tzset();
    const TProcessTimes inAuckland = ReadProcessTimes();
    unsetenv("TZ");
    tzset();
    EXPECT_LE(inNewYork.elapsedSeconds - times.elapsedSeconds, 1);
    EXPECT_LE(inAuckland.elapsedSeconds - times.elapsedSeconds, 1);
    EXPECT_GE(inAuckland.elapsedSeconds, times.elapsedSeconds);

    TInfoForm form(nullptr, QStringLiteral(KELVARA_EXE));
    const QString line = form.findChild<QLabel*>("LblProcessTime")->text();
    static const QRegularExpression shape(
        QStringLiteral("^Kernel:(\\d+):(\\d\\d):(\\d\\d); User:(\\d+):(\\d\\d):(\\d\\d); "
                       "Process:(\\d+):(\\d\\d):(\\d\\d)$"));
    const auto match = shape.match(line);
    ASSERT_TRUE(match.hasMatch()) << line.toStdString();
    EXPECT_GE(match.captured(6).toInt() + 60 * match.captured(5).toInt(), 1) << "user seconds";
    EXPECT_LE(std::abs(match.captured(9).toInt() - psElapsed), 2) << "process seconds";
}
