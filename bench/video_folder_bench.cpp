// SPDX-License-Identifier: GPL-3.0-or-later
// A camera card as the rename step meets it: photos between 400 MB videos of
// every container cameras write (MOV, MP4, AVI, MTS, MKV), all of them really
// on disk and evicted from the page cache before each run (fsync, then
// posix_fadvise DONTNEED; no root needed), run through the program's own
// threads in this process: worker, reader thread, pacing thread, and a Qt
// event loop that serves the steps.
//
//   main_max_ms     the longest a step held the main thread (the target: at
//                   most 50 ms on any file the search can find)
//   main_p99_ms     the 99th percentile of the same
//   peak_rss_mb     the process's peak resident memory during the run (its
//                   high-water mark reset before the run; at most 150 MB)
//   run_s           from the drop until every file was passed
//   read_mb         what the run read (rchar of /proc/self/io), against
//                   2,000 MB of videos
//
// BM_VideoFolder/Program is the program. /StepReads has the step read each
// file itself, head first, on the main thread (no reader thread): what
// header-first reading alone gives. /WholeRead has the step read each file
// whole before it asks whether it is an image, as the program first did.
//
// About 2 GB of disk for the run, removed at the end.

#include "BenchSupport.h"
#include "app/TimerThread.h"
#include "photo/GPImage.h"
#include "photo/PhotoMetadataLibrary.h"
#include "photo/PhotoProperties.h"
#include "platform/EscapeKey.h"
#include "platform/FileContent.h"
#include "rename/NamingOptions.h"
#include "rename/PhotoReader.h"
#include "rename/RenameStep.h"
#include "search/FindFileThread.h"
#include "support/StepQueues.h"
#include "support/VideoFiles.h"
#include "thread/qt/QtMainThreadCall.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using kelvara::test::NoEscape;
using Clock = std::chrono::steady_clock;
using kelvara::test::quantile;
using kelvara::test::TempDir;
using kelvara::test::VideoKind;

namespace {

constexpr std::uint64_t VideoSize = 400ull * 1024 * 1024;

// The card: videos written once; photos linked in afresh before every run
// (the run renames them).
class TCard {
public:
    TCard() {
        fs::create_directories(m_card);
        fs::create_directories(m_photos);
        const fs::path samples = kelvara::test::photosDir();
        const std::vector<fs::path> photos = {samples / "jpg" / "Canon_40D.jpg",
                                              samples / "jpg" / "Nikon_D70.jpg",
                                              samples / "jpg" / "Reconyx_HC500_Hyperfire.jpg",
                                              samples / "heic" / "IMG_5195.HEIC",
                                              samples / "jpg" / "Pentax_K10D.jpg",
                                              samples / "jpg" / "Sony_HDR-HC3.jpg"};
        const kelvara::TPhotoMetadataLibrary library;
        kelvara::TCriticalSection lock;
        kelvara::TFindFileThread worker(lock);
        kelvara::TPathList pending;
        NoEscape escape;
        const kelvara::TFixedNamingOptions options;
        const kelvara::TRenameStep step(worker, pending, options, escape);
        const std::vector<VideoKind> videos = {VideoKind::QuickTime, VideoKind::Mp4Phone,
                                               VideoKind::Avi, VideoKind::Avchd,
                                               VideoKind::Matroska};
        for (std::size_t i = 0; i < photos.size(); ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "%02zu_%s", 2 * i, photos[i].filename().c_str());
            fs::copy_file(photos[i], m_photos / name);
            m_photoNames.push_back(name);
            if (!step.TargetFor((m_photos / name).string()).empty())
                m_datedPhotos.insert(name);
            if (i < videos.size()) {
                std::snprintf(name, sizeof name, "%02zu_MVI%s", 2 * i + 1,
                              kelvara::test::VideoExtension(videos[i]));
                kelvara::test::WriteVideo((m_card / name).string(), videos[i], VideoSize, false);
                m_videoNames.insert(name);
            }
        }
    }

    const fs::path& Folder() const { return m_card; }

    // Photos back under their old names; every file out of the page cache.
    void Prepare() const {
        for (const auto& entry : fs::directory_iterator(m_card))
            if (!m_videoNames.count(entry.path().filename().string()))
                fs::remove(entry.path());
        for (const std::string& name : m_photoNames)
            fs::create_hard_link(m_photos / name, m_card / name);
        for (const auto& entry : fs::directory_iterator(m_card)) {
            const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            ::fsync(fd);
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }

    // Every dated photo renamed, every video there under its name.
    bool Passed() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_card))
            names.insert(entry.path().filename().string());
        for (const std::string& video : m_videoNames)
            if (!names.count(video))
                return false;
        for (const std::string& photo : m_datedPhotos)
            if (names.count(photo))
                return false;
        return true;
    }

private:
    TempDir m_folder{"kelvara-video-bench"};
    fs::path m_card = m_folder.path() / "DCIM";
    fs::path m_photos = m_folder.path() / "photos";
    std::vector<std::string> m_photoNames;
    std::set<std::string> m_datedPhotos;
    std::set<std::string> m_videoNames;
};

const TCard& Card() {
    static const TCard card;
    return card;
}

long StatusKb(const char* field) {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr)
        return -1;
    char line[256];
    long value = -1;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::strncmp(line, field, length) == 0)
            value = std::strtol(line + length, nullptr, 10);
    std::fclose(status);
    return value;
}

// Bytes this process has had from read calls so far (/proc/self/io rchar).
double BytesRead() {
    FILE* io = std::fopen("/proc/self/io", "r");
    if (io == nullptr)
        return -1;
    char line[256];
    double value = -1;
    while (std::fgets(line, sizeof line, io) != nullptr)
        if (std::strncmp(line, "rchar:", 6) == 0)
            value = std::strtod(line + 6, nullptr);
    std::fclose(io);
    return value;
}

// Resets the process's peak resident memory to what it holds now.
void ResetPeakMemory() {
    FILE* refs = std::fopen("/proc/self/clear_refs", "w");
    if (refs != nullptr) {
        std::fputs("5", refs);
        std::fclose(refs);
    }
}

enum class TWay { Program, StepReads, WholeRead };

// The step as the program first had it: the file read whole, then asked
// whether it is an image.
void WholeReadStep(kelvara::TFindFileThread& worker, kelvara::TPathList& pending) {
    worker.TakeFiles(pending, 1);
    if (pending.empty())
        return;
    const std::string path = pending.front();
    pending.pop_front();
    try {
        const kelvara::TBytes content = kelvara::ReadFileContent(path);
        if (kelvara::IsImageContent(content))
            benchmark::DoNotOptimize(kelvara::ReadPhotoProperties(content).DateTaken.size());
    } catch (const std::exception&) {
    }
}

void Run(benchmark::State& state, TWay way) {
    const kelvara::TPhotoMetadataLibrary library;
    const TCard& card = Card();
    const kelvara::TFixedNamingOptions options;
    std::vector<double> mainTimes;
    double peakMb = 0;
    double runSeconds = 0;
    double readMb = 0;
    for (auto _ : state) {
        card.Prepare();
        ResetPeakMemory();
        kelvara::TCriticalSection lock;
        kelvara::TFindFileThread worker(lock);
        kelvara::TPathList pending;
        NoEscape escape;
        std::unique_ptr<kelvara::TPhotoReaderThread> reader;
        if (way == TWay::Program)
            reader = std::make_unique<kelvara::TPhotoReaderThread>(worker);
        kelvara::TRenameStep step(worker, pending, options, escape, reader.get());
        kelvara::TQtMainThreadCall call;
        const auto timedStep = [&] {
            const auto start = Clock::now();
            if (way == TWay::WholeRead)
                WholeReadStep(worker, pending);
            else
                step.RenameNextFile();
            mainTimes.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            if (!worker.HasWork())
                QCoreApplication::quit();
        };
        const double readBefore = BytesRead();
        const auto begin = Clock::now();
        worker.Resume();
        worker.AddPath(card.Folder().string());
        {
            kelvara::TTimerThread pacing(call, timedStep, worker);
            QCoreApplication::exec();
        }
        runSeconds += std::chrono::duration<double>(Clock::now() - begin).count();
        readMb += (BytesRead() - readBefore) / (1024.0 * 1024.0);
        peakMb = std::max(peakMb, static_cast<double>(StatusKb("VmHWM:")) / 1024.0);
        if (way != TWay::WholeRead && !card.Passed()) {
            state.SkipWithError("a photo was not renamed or a video was touched");
            return;
        }
        state.SetIterationTime(1);
    }
    state.counters["main_max_ms"] = quantile(mainTimes, 1.0);
    state.counters["main_p99_ms"] = quantile(mainTimes, 0.99);
    state.counters["peak_rss_mb"] = peakMb;
    state.counters["run_s"] = runSeconds / static_cast<double>(state.iterations());
    state.counters["read_mb"] = readMb / static_cast<double>(state.iterations());
}

void BM_VideoFolder_Program(benchmark::State& state) {
    Run(state, TWay::Program);
}
void BM_VideoFolder_StepReads(benchmark::State& state) {
    Run(state, TWay::StepReads);
}
void BM_VideoFolder_WholeRead(benchmark::State& state) {
    Run(state, TWay::WholeRead);
}
BENCHMARK(BM_VideoFolder_Program)->UseManualTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_VideoFolder_StepReads)->UseManualTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_VideoFolder_WholeRead)->UseManualTime()->Iterations(1)->Repetitions(1);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
