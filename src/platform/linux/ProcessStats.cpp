// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProcessStats.h"

#include "base/SystemError.h"
#include "base/Trim.h"
#include "base/UniqueFd.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace kelvara {

namespace {

constexpr std::uint64_t KiB = 1024;

// The size of the user part of the address space (the kernel's TASK_SIZE),
// which the kernel does not publish. On x86_64 it is 2^47 less a guard page;
// a process only gets the 57-bit space of five-level paging when it asks
// for addresses above that, which we never do.
#if defined(__x86_64__)
constexpr std::uint64_t UserAddressSpace = (std::uint64_t{1} << 47) - 4096;
#elif defined(__aarch64__) || defined(__riscv)
constexpr std::uint64_t UserAddressSpace = std::uint64_t{1} << 48;
#elif defined(__i386__)
constexpr std::uint64_t UserAddressSpace = std::uint64_t{3} << 30;
#else
#error "Give the user address space size of this architecture"
#endif

// The kernel stack each thread holds (THREAD_SIZE); the kernel does not
// publish it either. 16 KiB on the 64-bit architectures we build for.
#if defined(__x86_64__) || defined(__aarch64__) || defined(__riscv)
constexpr std::uint64_t KernelStackPerThread = 16 * KiB;
#else
constexpr std::uint64_t KernelStackPerThread = 8 * KiB;
#endif

// Peaks that the kernel does not keep, the highest read so far. The window
// reads on the main thread only, but nothing stops another thread from
// reading too, hence atomics.
struct TTrackedPeaks {
    std::atomic<std::uint64_t> pagefileUsage{0};
    std::atomic<std::uint64_t> pagedPool{0};
    std::atomic<std::uint64_t> nonPagedPool{0};
};
TTrackedPeaks TrackedPeaks;

std::uint64_t RaisePeak(std::atomic<std::uint64_t>& peak, std::uint64_t value) {
    std::uint64_t seen = peak.load();
    while (seen < value && !peak.compare_exchange_weak(seen, value)) {
    }
    return seen < value ? value : seen;
}

// The message of an EPROTO error: the file is not what the kernel writes.
std::string Malformed(const std::string& what) {
    return what + ": not in the expected form";
}

// A /proc file's text. Their sizes read as 0, so read until the end.
std::string ReadProcFile(const char* path) {
    const TUniqueFd file(::open(path, O_RDONLY | O_CLOEXEC));
    if (!file.valid())
        ThrowSystemError(errno, path);
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            ThrowSystemError(EIO, path);
        if (count == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(count));
    }
    return text;
}

std::uint64_t ParseNumber(std::string_view text, const char* path) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        ThrowSystemError(EPROTO, Malformed(path));
    return value;
}

// The value of a "Key:   1234 kB" line of /proc/meminfo or /proc/self/status,
// in bytes.
std::uint64_t KilobyteField(std::string_view text, std::string_view key, const char* path) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(at, end - at);
        if (line.size() > key.size() && line.starts_with(key) && line[key.size()] == ':')
            return ParseNumber(Trimmed(line.substr(key.size() + 1)), path) * KiB;
        at = end + 1;
    }
    ThrowSystemError(EPROTO, Malformed(std::string(path) + " lacks " + std::string(key)));
}

std::uint64_t CountField(std::string_view text, std::string_view key, const char* path) {
    return KilobyteField(text, key, path) / KiB;
}

// The fields of /proc/self/stat from the third (state) on. The second, the
// command name in parentheses, may itself hold blanks and parentheses, so
// the split starts after the last ')'. The fields are views into `text`,
// which must outlive them; a temporary cannot be passed.
std::vector<std::string_view> StatFields(const std::string&& text, const char* path) = delete;
std::vector<std::string_view> StatFields(const std::string& file, const char* path) {
    const std::string_view text = file;
    const std::size_t close = text.rfind(')');
    if (close == std::string_view::npos)
        ThrowSystemError(EPROTO, Malformed(path));
    std::vector<std::string_view> fields;
    std::size_t at = close + 1;
    while (at < text.size()) {
        at = text.find_first_not_of(" \n", at);
        if (at == std::string_view::npos)
            break;
        const std::size_t end = std::min(text.find_first_of(" \n", at), text.size());
        fields.push_back(text.substr(at, end - at));
        at = end;
    }
    return fields;
}

// Field n of proc(5)'s numbering (1 = pid).
std::uint64_t StatField(const std::vector<std::string_view>& fields, std::size_t n,
                        const char* path) {
    if (n < 3 || n - 3 >= fields.size())
        ThrowSystemError(EPROTO, Malformed(path));
    return ParseNumber(fields[n - 3], path);
}

constexpr std::size_t StatMinorFaults = 10;
constexpr std::size_t StatMajorFaults = 12;
constexpr std::size_t StatStartTime = 22;

} // namespace

TMemoryStatus ReadMemoryStatus() {
    static constexpr char MemInfo[] = "/proc/meminfo";
    static constexpr char Status[] = "/proc/self/status";
    const std::string memInfo = ReadProcFile(MemInfo);
    const std::string status = ReadProcFile(Status);
    TMemoryStatus result;
    result.availPhys = KilobyteField(memInfo, "MemAvailable", MemInfo);
    result.totalPhys = KilobyteField(memInfo, "MemTotal", MemInfo);
    result.availPageFile = KilobyteField(memInfo, "SwapFree", MemInfo);
    result.totalPageFile = KilobyteField(memInfo, "SwapTotal", MemInfo);
    const std::uint64_t mapped = KilobyteField(status, "VmSize", Status);
    result.totalVirtual = UserAddressSpace;
    result.availVirtual = mapped < UserAddressSpace ? UserAddressSpace - mapped : 0;
    return result;
}

TProcessMemoryCounters ReadProcessMemoryCounters() {
    static constexpr char Status[] = "/proc/self/status";
    static constexpr char Stat[] = "/proc/self/stat";
    const std::string status = ReadProcFile(Status);
    const std::string stat = ReadProcFile(Stat);
    const auto fields = StatFields(stat, Stat);
    TProcessMemoryCounters result;
    result.pageFaultCount =
        StatField(fields, StatMinorFaults, Stat) + StatField(fields, StatMajorFaults, Stat);
    result.workingSetSize = KilobyteField(status, "VmRSS", Status);
    result.peakWorkingSetSize = KilobyteField(status, "VmHWM", Status);
    result.pagefileUsage =
        KilobyteField(status, "VmData", Status) + KilobyteField(status, "VmStk", Status);
    result.pagedPoolUsage = KilobyteField(status, "VmPTE", Status);
    result.nonPagedPoolUsage = CountField(status, "Threads", Status) * KernelStackPerThread;
    result.peakPagefileUsage = RaisePeak(TrackedPeaks.pagefileUsage, result.pagefileUsage);
    result.peakPagedPoolUsage = RaisePeak(TrackedPeaks.pagedPool, result.pagedPoolUsage);
    result.peakNonPagedPoolUsage = RaisePeak(TrackedPeaks.nonPagedPool, result.nonPagedPoolUsage);
    return result;
}

TProcessTimes ReadProcessTimes() {
    static constexpr char Stat[] = "/proc/self/stat";
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        ThrowSystemError(errno, "getrusage");
    // The start time is in clock ticks since boot, on the boot clock; read
    // "now" on the same clock so that no wall-clock or time-zone step enters.
    const std::string stat = ReadProcFile(Stat);
    const auto fields = StatFields(stat, Stat);
    const std::uint64_t startTicks = StatField(fields, StatStartTime, Stat);
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (ticksPerSecond <= 0)
        ThrowSystemError(EINVAL, "sysconf(_SC_CLK_TCK)");
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        ThrowSystemError(errno, "clock_gettime(CLOCK_BOOTTIME)");
    const auto hz = static_cast<std::uint64_t>(ticksPerSecond);
    const std::uint64_t nowTicks = static_cast<std::uint64_t>(now.tv_sec) * hz +
                                   static_cast<std::uint64_t>(now.tv_nsec) * hz / 1'000'000'000;

    TProcessTimes result;
    result.kernelSeconds = usage.ru_stime.tv_sec;
    result.userSeconds = usage.ru_utime.tv_sec;
    result.elapsedSeconds =
        nowTicks > startTicks ? static_cast<std::int64_t>((nowTicks - startTicks) / hz) : 0;
    return result;
}

} // namespace kelvara
