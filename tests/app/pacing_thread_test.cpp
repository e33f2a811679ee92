// SPDX-License-Identifier: GPL-3.0-or-later
// The pacing thread with the real search worker and, for the whole program's
// pipeline, the reader thread and the rename step; this test's thread serves
// the steps as the main thread does. The pacing thread asks for no step while
// there is nothing to do, starts when work comes, keeps two steps at least
// 10 ms apart, and an Escape seen while it was idle does not cancel the next
// drop.

#include "app/TimerThread.h"
#include "photo/PhotoMetadataLibrary.h"
#include "rename/PhotoReader.h"
#include "rename/RenameStep.h"
#include "search/FindFileThread.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"
#include "thread/MainThreadCall.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Escape as the step asks for it: pressed since the last look.
class TappedEscape : public IEscapeKey {
public:
    void Tap() { m_pressed = true; }
    bool Pressed() override { return m_pressed.exchange(false); }

private:
    std::atomic<bool> m_pressed{false};
};

// Serves the pacing thread's requests on this thread, as the main thread's
// event loop does, until `count` lines holding `text` have come.
bool ServeUntilLogged(TMainThreadCall& call, LogCapture& log, const std::string& text,
                      std::size_t count = 1) {
    std::atomic<bool> seen{false};
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        seen = log.waitFor(text, count);
        done = true;
        call.Notify();
    });
    call.ServeUntil([&] { return done.load(); });
    watcher.join();
    return seen;
}

struct Worker {
    TCriticalSection lock;
    TFindFileThread thread{lock};
    Worker() { thread.Resume(); }
};

} // namespace

TEST(PacingThread, AsksForNoStepWhileIdleAndOneToCloseEachRun) {
    TempDir temp;
    for (int i = 0; i < 3; ++i)
        writeFile(temp.path() / ("f" + std::to_string(i)), "x");
    LogCapture log;
    Worker worker;
    TMainThreadCall call({});
    std::atomic<int> steps{0};
    std::atomic<int> taken{0};
    TTimerThread pacing(
        call,
        [&] {
            ++steps;
            TPathList files;
            worker.thread.TakeFiles(files, 1);
            taken += static_cast<int>(files.size());
        },
        worker.thread);

    // Nothing queued from the start: no step at all.
    ASSERT_TRUE(ServeUntilLogged(call, log, "kelvara.app: pacing idle"));
    EXPECT_EQ(steps.load(), 0);

    // Three files: three steps take them, one more finds nothing left, then
    // the thread is idle again.
    for (int i = 0; i < 3; ++i)
        worker.thread.AddPath(temp.file("f" + std::to_string(i)));
    ASSERT_TRUE(ServeUntilLogged(call, log, "kelvara.app: pacing idle", 2));
    EXPECT_EQ(log.count("kelvara.app: pacing resumed"), 1u);
    EXPECT_EQ(taken.load(), 3);
    EXPECT_EQ(steps.load(), 4);

    // A searched folder wakes it as well.
    fs::create_directories(temp.path() / "folder");
    writeFile(temp.path() / "folder" / "g", "x");
    worker.thread.AddPath(temp.file("folder"));
    ASSERT_TRUE(ServeUntilLogged(call, log, "kelvara.app: pacing idle", 3));
    EXPECT_EQ(taken.load(), 4);
}

TEST(PacingThread, TheNextRequestComesNoSoonerThanTenMillisecondsAfterAStepEnds) {
    TempDir temp;
    for (int i = 0; i < 30; ++i)
        writeFile(temp.path() / ("f" + std::to_string(i)), "x");
    LogCapture log;
    Worker worker;
    std::mutex mutex;
    std::vector<Clock::time_point> requests;
    std::vector<Clock::time_point> ends;
    TMainThreadCall call([&] {
        std::lock_guard guard(mutex);
        requests.push_back(Clock::now());
    });
    {
        TTimerThread pacing(
            call,
            [&] {
                TPathList files;
                worker.thread.TakeFiles(files, 1);
                // A step of varying length, as steps are.
                const auto until =
                    Clock::now() + std::chrono::microseconds(100 * (ends.size() % 7));
                while (Clock::now() < until) {
                }
                std::lock_guard guard(mutex);
                ends.push_back(Clock::now());
            },
            worker.thread);
        ASSERT_TRUE(ServeUntilLogged(call, log, "kelvara.app: pacing idle"));
        worker.thread.AddPath(temp.path().string());
        ASSERT_TRUE(ServeUntilLogged(call, log, "kelvara.app: pacing idle", 2));
    }
    std::lock_guard guard(mutex);
    ASSERT_GE(requests.size(), 31u);
    ASSERT_EQ(requests.size(), ends.size());
    for (std::size_t i = 1; i < requests.size(); ++i)
        EXPECT_GE(requests[i] - ends[i - 1], TTimerThread::Interval) << "step " << i;
}

TEST(PacingThread, AnEscapeSeenWhileIdleIsDroppedAndOneDuringARunCancelsIt) {
    TPhotoMetadataLibrary library;
    TempDir temp;
    LogCapture log;
    Worker worker;
    TPathList pending;
    TappedEscape escape;
    const TFixedNamingOptions options(DatePatternDay, TNameLayout::DateFile);
    TPhotoReaderThread reader(worker.thread);
    TRenameStep step(worker.thread, pending, options, escape, &reader);
    TMainThreadCall call({});
    TTimerThread pacing(
        call, [&] { step.RenameNextFile(); }, worker.thread,
        [&] { step.DropEscapeSeenWhileIdle(); });
    ASSERT_TRUE(ServeUntilLogged(call, log, "kelvara.app: pacing idle"));

    // Escape pressed while nothing was queued (it closed another window):
    // the next drop is renamed whole.
    escape.Tap();
    const fs::path first = temp.path() / "first";
    for (int i = 0; i < 3; ++i)
        copyPhoto("jpg/Canon_40D.jpg", first, "p" + std::to_string(i) + ".jpg");
    worker.thread.AddPath(first.string());
    ASSERT_TRUE(ServeUntilLogged(call, log, "kelvara.rename: queues empty"));
    EXPECT_EQ(log.count("kelvara.rename: Escape seen while idle: dropped"), 1u);
    EXPECT_EQ(log.count("kelvara.rename: Escape pressed"), 0u);
    EXPECT_EQ(fileNames(first),
              (std::vector<std::string>{"20080530_p0.jpg", "20080530_p1.jpg", "20080530_p2.jpg"}));

    // Escape during a run cancels what is left of it, the file the reader
    // holds included.
    ASSERT_TRUE(ServeUntilLogged(call, log, "kelvara.app: pacing idle", 2));
    const fs::path second = temp.path() / "second";
    for (int i = 0; i < 20; ++i)
        copyPhoto("jpg/Canon_40D.jpg", second, "q" + std::to_string(i) + ".jpg");
    worker.thread.AddPath(second.string());
    ASSERT_TRUE(ServeUntilLogged(call, log, "kelvara.rename: renamed \"" + second.string()));
    escape.Tap();
    ASSERT_TRUE(ServeUntilLogged(call, log, "kelvara.rename: queues empty", 2));
    EXPECT_EQ(log.count("kelvara.rename: Escape pressed: search cancelled"), 1u);
    std::size_t renamed = 0;
    for (const std::string& name : fileNames(second))
        renamed += name.rfind("20080530_", 0) == 0;
    EXPECT_GE(renamed, 1u);
    EXPECT_LT(renamed, 20u);
    EXPECT_EQ(worker.thread.FileCount(), 0u);
    EXPECT_TRUE(pending.empty());
}
