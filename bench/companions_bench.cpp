// SPDX-License-Identifier: GPL-3.0-or-later
// What companions cost the rename step.
//
// BM_RenameStepCompanions/companions:N/reader:R: one photo per iteration,
// the whole step as the pacing thread runs it (take, read, image test,
// properties, new name, the lookups for companions, the moves; with the
// program's reader thread, R = 1, the reading and the lookups are done ahead
// and the step on the main thread only checks the companions and moves), on copies of the sample
// JPEGs that the step renames, in a folder where every photo has N companions: 0, or 3 (a darktable
// sidecar IMG.JPG.xmp, an iPhone's IMG.AAE and a Live Photo video IMG.MOV of --movie-mb megabytes,
// 3 by default, about what an iPhone writes for its three seconds). The files are queued before and
// given their old names back after, outside the timed part. median_us against the 10 ms tick tells
// whether one photo per tick still keeps up.
//
// BM_FindCompanions/N: the lookups alone for one photo of a folder of 1000
// photos, each with N companions (0 or 3): the candidate names probed one by
// one, and the image test of each companion found (here on small files: the
// whole step above has the full-size video).

#include "BenchSupport.h"
#include "photo/PhotoMetadataLibrary.h"
#include "platform/EscapeKey.h"
#include "rename/Companions.h"
#include "rename/NamingOptions.h"
#include "rename/PhotoReader.h"
#include "rename/RenameStep.h"
#include "search/FindFileThread.h"
#include "support/CompanionFiles.h"
#include "support/StepQueues.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kelvara::test::flattenedCopy;
using kelvara::test::NoEscape;
using kelvara::test::sampleJpegs;
using kelvara::test::StepQueues;
using kelvara::test::TempDir;
using kelvara::test::timeRenamesInTurn;
using kelvara::test::writeCompanion;

namespace {

std::size_t MovieBytes = 3 * 1024 * 1024;

// The names of a photo's three companions.
std::vector<std::string> CompanionsOf(const std::string& photoName) {
    const std::string stem = fs::path(photoName).stem().string();
    return {photoName + ".xmp", stem + ".AAE", stem + ".MOV"};
}

struct Photo {
    std::string folder;
    std::string name;    // under its old name
    std::string newName; // what the step renames it to
};

// Copies of every sample JPEG that the step renames with the first-start
// options, each with `companions` companions (0 or 3).
class PhotoFolder {
public:
    explicit PhotoFolder(int companions) {
        kelvara::TCriticalSection lock;
        kelvara::TFindFileThread worker(lock);
        kelvara::TPathList pending;
        NoEscape escape;
        const kelvara::TRenameStep step(worker, pending, m_options, escape);
        for (const std::string& file : sampleJpegs()) {
            const fs::path copy = flattenedCopy(file, m_folder.path());
            const std::string name = copy.filename().string();
            const std::string target = step.TargetFor(copy.string());
            if (target.empty()) {
                fs::remove(copy);
                continue;
            }
            if (companions > 0)
                for (const std::string& companion : CompanionsOf(name))
                    writeCompanion(m_folder.path(), companion, MovieBytes);
            m_photos.push_back(
                {m_folder.path().string(), name, fs::path(target).filename().string()});
        }
    }

    const std::vector<Photo>& photos() const { return m_photos; }
    const kelvara::TFixedNamingOptions& options() const { return m_options; }

private:
    TempDir m_folder{"kelvara-bench-companions"};
    kelvara::TFixedNamingOptions m_options; // the first-start choice
    std::vector<Photo> m_photos;
};

// Gives a renamed photo and its companions their old names back; false when
// one of them was not where the step should have put it.
bool Restore(const Photo& photo, int companions) {
    const std::string prefix = photo.newName.substr(0, photo.newName.size() - photo.name.size());
    std::vector<std::string> names = {photo.name};
    if (companions > 0)
        for (const std::string& companion : CompanionsOf(photo.name))
            names.push_back(companion);
    bool all = true;
    for (const std::string& name : names)
        all &= std::rename((photo.folder + "/" + prefix + name).c_str(),
                           (photo.folder + "/" + name).c_str()) == 0;
    return all;
}

void BM_RenameStepCompanions(benchmark::State& state) {
    const int companions = static_cast<int>(state.range(0));
    const bool withReader = state.range(1) != 0;
    StepQueues queues;
    const PhotoFolder folder(companions);
    const std::vector<Photo>& photos = folder.photos();
    if (photos.empty()) {
        state.SkipWithError("no sample JPEG is renamed");
        return;
    }
    NoEscape escape;
    std::unique_ptr<kelvara::TPhotoReaderThread> reader;
    if (withReader)
        reader = std::make_unique<kelvara::TPhotoReaderThread>(queues.worker);
    kelvara::TRenameStep step(queues.worker, queues.pending, folder.options(), escape,
                              reader.get());

    timeRenamesInTurn(
        state, step, queues.worker, photos.size(),
        [&](std::size_t i) { return photos[i].folder + "/" + photos[i].name; },
        [&](std::size_t i) {
            // Failing here means the step left the photo or a companion alone.
            return Restore(photos[i], companions)
                       ? std::string()
                       : "not renamed with its companions: " + photos[i].name;
        });
}
BENCHMARK(BM_RenameStepCompanions)
    ->ArgNames({"companions", "reader"})
    ->Args({0, 0})
    ->Args({3, 0})
    ->Args({0, 1})
    ->Args({3, 1})
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_FindCompanions(benchmark::State& state) {
    const int companions = static_cast<int>(state.range(0));
    const int photoCount = 1000;
    TempDir folder("kelvara-bench-find");
    // The photos need not be images here: only their companions are looked
    // at, and those are written as the programs write them.
    std::vector<std::string> paths;
    for (int n = 0; n < photoCount; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d.JPG", n);
        std::ofstream(folder.path() / name) << "photo";
        if (companions > 0)
            for (const std::string& companion : CompanionsOf(name))
                writeCompanion(folder.path(), companion);
        paths.push_back((folder.path() / name).string());
    }
    std::size_t next = 0;
    std::size_t found = 0;
    for (auto _ : state) {
        found += kelvara::FindCompanions(paths[next]).size();
        next = (next + 1) % paths.size();
    }
    if (found != static_cast<std::size_t>(companions) * state.iterations())
        state.SkipWithError("not every companion was found");
    state.counters["companions_per_photo"] = companions;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindCompanions)->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return kelvara::test::runBenchmarks(argc, argv, [](const std::string& arg) {
        if (arg.rfind("--movie-mb=", 0) != 0)
            return false;
        MovieBytes = static_cast<std::size_t>(std::stod(arg.substr(11)) * 1024 * 1024);
        return true;
    });
}
