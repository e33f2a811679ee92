// SPDX-License-Identifier: GPL-3.0-or-later
// The reader thread with the real search worker and rename step: files reach
// the step read and in the queue's order, one per step; Cancel drops what the
// reader holds and stops a read under way, as its end does.

#include "rename/PhotoReader.h"
#include "rename/RenameStep.h"
#include "support/LogCapture.h"
#include "support/StepQueues.h"
#include "support/TempDir.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

class TappedEscape : public IEscapeKey {
public:
    void Tap() { m_pressed = true; }
    bool Pressed() override { return m_pressed.exchange(false); }

private:
    std::atomic<bool> m_pressed{false};
};

// What this process has had from read calls so far (/proc/self/io).
std::uint64_t BytesRead() {
    FILE* io = std::fopen("/proc/self/io", "r");
    char line[128];
    std::uint64_t value = 0;
    while (io != nullptr && std::fgets(line, sizeof line, io) != nullptr)
        if (std::strncmp(line, "rchar:", 6) == 0)
            value = std::strtoull(line + 6, nullptr, 10);
    if (io != nullptr)
        std::fclose(io);
    return value;
}

// Waits until this process has read `bytes` more than `from`: a read under
// way.
void WaitForReading(std::uint64_t from, std::uint64_t bytes) {
    while (BytesRead() < from + bytes)
        std::this_thread::yield();
}

std::string preparedLine(const std::string& path) {
    return "kelvara.rename: prepared \"" + path + "\"";
}

class PhotoReaderTest : public ::testing::Test, protected StepQueues {
protected:
    TempDir temp;
    LogCapture log;
    TappedEscape escape;
    const TFixedNamingOptions options{DatePatternDay, TNameLayout::DateFile};

    // A TIFF photo with a hole of `size` bytes after it: its metadata is read
    // from the whole file, which takes a while.
    std::string largeTiff(std::uint64_t size) {
        const std::string path = copyPhoto("tiff/Rudless.tiff", temp.path(), "large.tiff");
        fs::resize_file(path, size);
        return path;
    }
};

} // namespace

TEST_F(PhotoReaderTest, FilesReachTheStepReadInTheQueuesOrderOnePerStep) {
    TPhotoReaderThread reader(worker);
    TRenameStep step(worker, pending, options, escape, &reader);
    const std::string a = copyPhoto("jpg/Canon_40D.jpg", temp.path(), "a.jpg");
    const std::string b = copyPhoto("jpg/Nikon_D70.jpg", temp.path(), "b.jpg");
    writeFile(temp.path() / "notes.jpg", "no photo");
    const std::string notes = temp.file("notes.jpg");
    for (const std::string& path : {a, notes, a, b})
        worker.AddPath(path);

    // The step takes a file only once the reader has read it, and it reads
    // the next only once the step has taken the one before.
    const std::string expected[] = {"renamed \"" + a, "kept \"" + notes, "kept \"" + a,
                                    "renamed \"" + b};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string front = i == 1 ? notes : i == 3 ? b : a;
        ASSERT_TRUE(log.waitFor(preparedLine(front), i == 2 ? 2 : 1)) << i;
        step.RenameNextFile();
        EXPECT_TRUE(pending.empty());
        // The lines come in order: once this step's is in, all are.
        ASSERT_TRUE(log.waitFor("kelvara.rename: " + expected[i]))
            << expected[i] << log.lines().tail();
        EXPECT_EQ(log.count("kelvara.rename: renamed") + log.count("kelvara.rename: kept"), i + 1);
    }
    EXPECT_EQ(fileNames(temp.path()),
              (std::vector<std::string>{"20080315_b.jpg", "20080530_a.jpg", "notes.jpg"}));
}

TEST_F(PhotoReaderTest, EscapeDropsTheFileTheReaderHolds) {
    TPhotoReaderThread reader(worker);
    TRenameStep step(worker, pending, options, escape, &reader);
    const std::string held = copyPhoto("jpg/Canon_40D.jpg", temp.path(), "held.jpg");
    worker.AddPath(held);
    ASSERT_TRUE(log.waitFor(preparedLine(held)));
    escape.Tap();
    step.RenameNextFile();
    EXPECT_TRUE(log.waitFor("kelvara.rename: Escape pressed: search cancelled"));
    EXPECT_EQ(worker.FileCount(), 0u);
    EXPECT_TRUE(pending.empty());

    // The next drop goes on normally; the dropped file was not renamed.
    const std::string next = copyPhoto("jpg/Canon_40D.jpg", temp.path(), "next.jpg");
    worker.AddPath(next);
    ASSERT_TRUE(log.waitFor(preparedLine(next)));
    step.RenameNextFile();
    EXPECT_EQ(fileNames(temp.path()), (std::vector<std::string>{"20080530_next.jpg", "held.jpg"}));
}

TEST_F(PhotoReaderTest, ACancelOrTheEndStopsALargeReadUnderWay) {
    constexpr std::uint64_t Size = std::uint64_t{256} * 1024 * 1024;
    const std::string large = largeTiff(Size);
    const std::string small = copyPhoto("jpg/Canon_40D.jpg", temp.path(), "small.jpg");
    {
        TPhotoReaderThread reader(worker);
        const std::uint64_t before = BytesRead();
        worker.AddPath(large);
        WaitForReading(before, 16 * 1024 * 1024);
        worker.Cancel();
        worker.AddPath(small);
        ASSERT_TRUE(log.waitFor(preparedLine(small)));
        EXPECT_EQ(log.count(preparedLine(large)), 0u);
        EXPECT_LT(BytesRead() - before, Size / 2);

        // Ended in the middle of a read, the reader does not read on.
        TPathList taken;
        worker.TakeFiles(taken, 1);
        const std::uint64_t again = BytesRead();
        worker.AddPath(large);
        WaitForReading(again, 16 * 1024 * 1024);
    }
    EXPECT_EQ(log.count(preparedLine(large)), 0u);
}
