// SPDX-License-Identifier: GPL-3.0-or-later
// The reader thread with the real search worker and rename step: files reach
// the step read and in the queue's order, one per step; Cancel drops what the
// reader holds and stops a read under way, as its end does. The readers of a
// fast run, several at once, keep the same order, write every rename into
// the history before it happens, and drop what they hold on Escape.

#include "history/History.h"
#include "rename/HistoryWriter.h"
#include "rename/PhotoReader.h"
#include "rename/ReadAhead.h"
#include "rename/RenameStep.h"
#include "support/LogCapture.h"
#include "support/StepQueues.h"
#include "support/TempDir.h"

#include <atomic>
#include <chrono>
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

namespace {

// A fast run's steps until nothing is queued: each batch once the readers
// have files ready (or have nothing left to read).
std::size_t RunBatches(TRenameStep& step, TReadAhead& readers, TFindFileThread& worker) {
    std::size_t batches = 0;
    while (worker.FileCount() > 0) {
        readers.WaitReady(std::chrono::steady_clock::now() + std::chrono::seconds(1));
        step.RenameBatch(std::chrono::milliseconds(6));
        ++batches;
    }
    return batches;
}

// The step's outcome lines ("renamed <path>" or "kept <path>"), in order.
std::vector<std::string> OutcomePaths(LogCapture& log) {
    std::vector<std::string> paths;
    for (const std::string& line : log.lines().lines()) {
        for (const std::string head : {"kelvara.rename: renamed \"", "kelvara.rename: kept \""}) {
            const std::size_t at = line.find(head);
            if (at == std::string::npos)
                continue;
            const std::size_t begin = at + head.size();
            paths.push_back(line.substr(begin, line.find('"', begin) - begin));
        }
    }
    return paths;
}

} // namespace

TEST_F(PhotoReaderTest, ReadersAheadRenameInTheQueuesOrderAndWriteEachRenameFirst) {
    // The same files at the default pace and with four readers ahead.
    // Dates from Exif, from XMP alone and from IPTC alone: the metadata
    // library's XMP side must not be read by two readers at once.
    const std::vector<std::string> samples = {"Canon_40D.jpg", "xmp/BlueSquare.jpg",
                                              "Nikon_D70.jpg", "long_description.jpg"};
    const auto fill = [&](const fs::path& folder) {
        std::vector<std::string> queued;
        for (int i = 0; i < 120; ++i)
            queued.push_back(copyPhoto("jpg/" + samples[i % samples.size()], folder,
                                       "p" + std::to_string(i) + ".jpg"));
        writeFile(folder / "notes.jpg", "no photo");
        queued.push_back((folder / "notes.jpg").string());
        // Twice: the second finds it renamed already.
        queued.push_back(queued.front());
        return queued;
    };
    const std::vector<std::string> paced = fill(temp.path() / "paced");
    const std::vector<std::string> fast = fill(temp.path() / "fast");
    {
        TPhotoReaderThread reader(worker);
        TRenameStep step(worker, pending, options, escape, &reader);
        for (const std::string& path : paced)
            worker.AddPath(path);
        while (worker.FileCount() > 0)
            step.RenameNextFile();
    }
    THistoryWriter history(temp.file("history.sqlite"));
    history.BeginRun({(temp.path() / "fast").string()}, THistoryClock::now());
    {
        TReadAhead readers(worker, 4, 16);
        TRenameStep step(worker, pending, options, escape, &readers);
        step.SetHistory(&history);
        for (const std::string& path : fast)
            worker.AddPath(path);
        EXPECT_GT(RunBatches(step, readers, worker), 0u);
    }
    EXPECT_EQ(fileNames(temp.path() / "fast"), fileNames(temp.path() / "paced"));
    // The lines come in order: once the last is in, all are.
    ASSERT_TRUE(log.waitFor("kelvara.rename: renamed", 240));
    ASSERT_TRUE(log.waitFor("kelvara.rename: kept", 4));
    std::vector<std::string> order = OutcomePaths(log);
    ASSERT_EQ(order.size(), paced.size() + fast.size());
    EXPECT_EQ(
        std::vector<std::string>(order.begin() + static_cast<long>(paced.size()), order.end()),
        fast);

    // Every rename was written ahead under the run: none by the step.
    EXPECT_EQ(log.count("rename not written ahead"), 0u);
    history.Flush();
    THistory* records = history.History();
    ASSERT_NE(records, nullptr);
    const std::vector<TRenameRecord> renames = records->Renames(*history.LastRun());
    EXPECT_EQ(renames.size(), 120u);
    for (const TRenameRecord& record : renames) {
        EXPECT_TRUE(record.renamed) << record.oldName;
        EXPECT_TRUE(fs::exists(fs::path(record.folder) / record.newName)) << record.newName;
    }
}

TEST_F(PhotoReaderTest, EscapeDropsWhatTheReadersAheadHoldAndTheirRecordsAreClosed) {
    THistoryWriter history(temp.file("history.sqlite"));
    history.BeginRun({temp.path().string()}, THistoryClock::now());
    TReadAhead readers(worker, 3, 32);
    TRenameStep step(worker, pending, options, escape, &readers);
    step.SetHistory(&history);
    const fs::path first = temp.path() / "first";
    for (int i = 0; i < 200; ++i)
        worker.AddPath(copyPhoto("jpg/Canon_40D.jpg", first, "p" + std::to_string(i) + ".jpg"));
    // One batch renames what is ready; Escape then ends the rest.
    ASSERT_TRUE(readers.WaitReady(std::chrono::steady_clock::now() + std::chrono::minutes(1)));
    step.RenameBatch(std::chrono::milliseconds(6));
    escape.Tap();
    step.RenameBatch(std::chrono::milliseconds(6));
    EXPECT_EQ(worker.FileCount(), 0u);
    ASSERT_TRUE(log.waitFor("kelvara.rename: Escape pressed: search cancelled"));
    const std::size_t renamed = log.count("kelvara.rename: renamed");
    EXPECT_GT(renamed, 0u);
    EXPECT_LT(renamed, 200u);

    // The next files go on as usual, read afresh.
    const fs::path next = temp.path() / "next";
    for (int i = 0; i < 20; ++i)
        worker.AddPath(copyPhoto("jpg/Nikon_D70.jpg", next, "n" + std::to_string(i) + ".jpg"));
    RunBatches(step, readers, worker);
    EXPECT_TRUE(log.waitFor("kelvara.rename: renamed", renamed + 20));
    std::size_t dated = 0;
    for (const std::string& name : fileNames(first))
        dated += name.rfind("20080530_", 0) == 0;
    EXPECT_EQ(dated, renamed) << "nothing of the cancelled run renamed after Escape";

    // The history holds exactly what moved; nothing written ahead is left
    // open as a rename.
    history.Flush();
    THistory* records = history.History();
    ASSERT_NE(records, nullptr);
    std::size_t recorded = 0;
    for (const TRenameRecord& record : records->Renames(*history.LastRun())) {
        EXPECT_EQ(record.renamed, fs::exists(fs::path(record.folder) / record.newName))
            << record.oldName;
        recorded += record.renamed;
    }
    EXPECT_EQ(recorded, renamed + 20);
}
