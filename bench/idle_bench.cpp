// What the program costs while it waits with nothing queued: the worker
// polls every millisecond and the pacing thread asks the main thread for a
// rename step every 10 ms, served by a running Qt event loop. Each benchmark
// lets the loop run for two seconds and reports the process's CPU time
// (user and system, all threads, from getrusage) per second of wall time as
// cpu_ms_per_s. The parts are measured alone as well, so that a rise can be
// traced: the bare event loop, the worker alone, the pacing alone, and the
// whole idle program (worker, pacing, and the step with its idle checks).
// steps_per_s tells how close the pacing comes to its ceiling of 100 steps
// per second when the steps themselves cost nothing.
//
// In-process, because the executable quits as soon as it is idle.

#include "app/TimerThread.h"
#include "photo/PhotoMetadataLibrary.h"
#include "platform/EscapeKey.h"
#include "rename/NamingOptions.h"
#include "rename/RenameStep.h"
#include "search/FindFileThread.h"
#include "thread/QtMainThreadCall.h"

#include <QCoreApplication>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <sys/resource.h>

namespace {

constexpr std::chrono::milliseconds IdleSpan{2000};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop for IdleSpan and reports the CPU time it cost.
void MeasureIdle(benchmark::State& state, double& cpuTotal, double& wallTotal) {
    const double cpuBefore = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    QTimer::singleShot(IdleSpan, Qt::PreciseTimer, QCoreApplication::instance(),
                       &QCoreApplication::quit);
    QCoreApplication::exec();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds() - cpuBefore;
    state.SetIterationTime(wall);
    cpuTotal += cpu;
    wallTotal += wall;
}

void Report(benchmark::State& state, double cpuTotal, double wallTotal) {
    state.counters["cpu_ms_per_s"] = 1000.0 * cpuTotal / wallTotal;
    const char* display = std::getenv("DISPLAY");
    state.counters["x11_display"] = display != nullptr && *display != '\0';
}

void BM_IdleEventLoop(benchmark::State& state) {
    double cpu = 0;
    double wall = 0;
    for (auto _ : state)
        MeasureIdle(state, cpu, wall);
    Report(state, cpu, wall);
}

void BM_IdleWorker(benchmark::State& state) {
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        kelvara::TCriticalSection lock;
        kelvara::TFindFileThread worker(lock);
        worker.Resume();
        MeasureIdle(state, cpu, wall);
    }
    Report(state, cpu, wall);
}

void BM_IdlePacing(benchmark::State& state) {
    // The pacing's real rate, against its ceiling of 100 per second; counted
    // over the measured span only.
    long steps = 0;
    long measured = 0;
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        kelvara::TCriticalSection lock;
        kelvara::TFindFileThread worker(lock);
        kelvara::TQtMainThreadCall mainThread;
        kelvara::TTimerThread pacing(
            mainThread, [&steps] { ++steps; }, worker);
        steps = 0;
        MeasureIdle(state, cpu, wall);
        measured += steps;
    }
    Report(state, cpu, wall);
    state.counters["steps_per_s"] = static_cast<double>(measured) / wall;
}

// The program as it waits for work: the main window's step with an empty
// queue, and a look at whether any work is left.
void BM_IdleProgram(benchmark::State& state) {
    const kelvara::TPhotoMetadataLibrary library;
    long steps = 0;
    long measured = 0;
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        kelvara::TCriticalSection lock;
        kelvara::TFindFileThread worker(lock);
        kelvara::TPathList pending;
        const kelvara::TFixedNamingOptions options;
        const std::unique_ptr<kelvara::IEscapeKey> escape = kelvara::CreateEscapeKey();
        kelvara::TRenameStep step(worker, pending, options, *escape);
        kelvara::TQtMainThreadCall mainThread;
        worker.Resume();
        kelvara::TTimerThread pacing(
            mainThread,
            [&] {
                step.RenameNextFile();
                const bool idle =
                    pending.empty() && worker.FileCount() == 0 && !worker.HasSearchWork();
                benchmark::DoNotOptimize(idle);
                ++steps;
            },
            worker);
        steps = 0;
        MeasureIdle(state, cpu, wall);
        measured += steps;
    }
    Report(state, cpu, wall);
    state.counters["steps_per_s"] = static_cast<double>(measured) / wall;
}

BENCHMARK(BM_IdleEventLoop)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_IdleWorker)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_IdlePacing)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_IdleProgram)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);

} // namespace

int main(int argc, char** argv) {
    // One application object for every benchmark, as in the program.
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
