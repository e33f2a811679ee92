// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The machine's memory and this process's memory counters and times, as the
// information window shows them. Every size is in bytes and 64 bits wide: a
// machine has far more than 4 GB these days, and a 64-bit process's address
// space is counted in terabytes.
//
// Linux has no counterpart for some of the figures the window was laid out
// for; each field says what stands in for it here. Peaks that the kernel does
// not keep are the highest value this process has read since it started
// asking, so they can only grow while the program runs.

#include <cstdint>

namespace kelvara {

// The machine as a whole.
struct TMemoryStatus {
    std::uint64_t availPhys = 0;     // MemAvailable: what can be had without swapping
    std::uint64_t totalPhys = 0;     // MemTotal
    std::uint64_t availPageFile = 0; // SwapFree
    std::uint64_t totalPageFile = 0; // SwapTotal
    // The process's user address space: its whole size for this architecture
    // (TASK_SIZE: 128 TiB less one page on x86_64), and that less everything
    // mapped into it (VmSize).
    std::uint64_t availVirtual = 0;
    std::uint64_t totalVirtual = 0;
};

// This process's memory.
struct TProcessMemoryCounters {
    std::uint64_t pageFaultCount = 0;     // minor and major faults together
    std::uint64_t workingSetSize = 0;     // VmRSS
    std::uint64_t peakWorkingSetSize = 0; // VmHWM
    // Private committed memory: the private writable mappings and the stack
    // (VmData + VmStk), which is what Linux charges against its commit limit
    // for the process, whether or not the pages have been touched yet. The
    // peak is tracked here.
    std::uint64_t pagefileUsage = 0;
    std::uint64_t peakPagefileUsage = 0;
    // Kernel memory held on the process's behalf. Linux never pages kernel
    // memory out, so neither figure is pageable in the Windows sense; the
    // two are the costs the kernel reports per process:
    // "paged": its page tables (VmPTE), which grow with its mappings;
    // "non-paged": its threads' kernel stacks (Threads times the kernel's
    // stack size per thread).
    // Both peaks are tracked here.
    std::uint64_t pagedPoolUsage = 0;
    std::uint64_t peakPagedPoolUsage = 0;
    std::uint64_t nonPagedPoolUsage = 0;
    std::uint64_t peakNonPagedPoolUsage = 0;
};

// This process's times, in whole seconds (fractions dropped).
struct TProcessTimes {
    std::int64_t kernelSeconds = 0; // CPU time in the kernel, all threads
    std::int64_t userSeconds = 0;   // CPU time in user mode, all threads
    // Since the process started, on the boot clock: a change of the wall
    // clock, a time zone or daylight saving does not move it, and time spent
    // suspended counts.
    std::int64_t elapsedSeconds = 0;
};

// Each throws std::system_error when the system's figures cannot be read.
TMemoryStatus ReadMemoryStatus();
TProcessMemoryCounters ReadProcessMemoryCounters();
TProcessTimes ReadProcessTimes();

} // namespace kelvara
