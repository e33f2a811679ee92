// SPDX-License-Identifier: GPL-3.0-or-later
// What the program spends on a phone photo (HEIC, HEIF) or a camera RAW
// file before it names it (on the reader thread, ahead of the step): the
// head-first read with the image test and date, size and model, and for
// comparison its parts on the whole file: reading it, the image test, and
// date, size and model. Run over the
// real HEIC samples and over DNG files written here (a 24 MB one is the size
// of a 12-megapixel camera's uncompressed RAW), and over files that are no
// images at all, which now pass through both extra decoders before they are
// turned away.

#include "BenchSupport.h"
#include "photo/GPImage.h"
#include "photo/PhotoFile.h"
#include "photo/PhotoMetadataLibrary.h"
#include "photo/PhotoProperties.h"
#include "platform/FileContent.h"
#include "support/MinimalDng.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Written once for the whole run and removed at its end.
const kelvara::test::TempDir& Folder() {
    static const kelvara::test::TempDir folder("kelvara-heic-raw-bench");
    return folder;
}

std::string Written(const std::string& name, const std::string& content) {
    const fs::path path = Folder().path() / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

std::string RandomBytes(size_t size) {
    std::mt19937_64 random(25);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

// The files, by the name the benchmarks show.
std::vector<std::pair<std::string, std::string>> Files() {
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<fs::path> heif;
    for (const auto& entry : fs::recursive_directory_iterator(kelvara::test::photosDir() / "heic"))
        if (entry.is_regular_file())
            heif.push_back(entry.path());
    std::sort(heif.begin(), heif.end());
    for (const fs::path& path : heif)
        files.emplace_back(path.filename().string(), path.string());

    const std::string small = kelvara::test::minimalDng({600, 400});
    const std::string large = kelvara::test::minimalDng({4000, 3000});
    files.emplace_back("raw_600x400.dng", Written("small.dng", small));
    files.emplace_back("raw_4000x3000_24MB.dng", Written("large.dng", large));
    files.emplace_back("raw_cut_in_half.dng",
                       Written("cut.dng", large.substr(0, large.size() / 2)));
    files.emplace_back("noise_25MB.bin", Written("noise.bin", RandomBytes(25u << 20)));
    files.emplace_back("noise_3MB.heic", Written("noise.heic", RandomBytes(3u << 20)));
    files.emplace_back("text.txt", Written("text.txt", "no photo at all\n"));
    return files;
}

// All the work before the rename, as the reader thread does it: head first,
// and only as far as the file's readers need.
void BM_Step(benchmark::State& state, const std::string& path) {
    const kelvara::TPhotoMetadataLibrary library;
    for (auto _ : state) {
        try {
            const auto properties = kelvara::ReadPhotoFile(path);
            benchmark::DoNotOptimize(properties.has_value());
        } catch (const std::exception&) {
        }
    }
}

// Reading the whole file into memory alone: the part that grows with the
// file's size wherever a format must be read whole.
void BM_Read(benchmark::State& state, const std::string& path) {
    for (auto _ : state)
        benchmark::DoNotOptimize(kelvara::ReadFileContent(path).size());
}

// The image test alone, on content already in memory.
void BM_ImageTest(benchmark::State& state, const std::string& path) {
    const kelvara::TBytes content = kelvara::ReadFileContent(path);
    for (auto _ : state)
        benchmark::DoNotOptimize(kelvara::IsImageContent(content));
}

// Date, size and model alone, on content already in memory.
void BM_Properties(benchmark::State& state, const std::string& path) {
    const kelvara::TPhotoMetadataLibrary library;
    const kelvara::TBytes content = kelvara::ReadFileContent(path);
    if (!kelvara::IsImageContent(content)) {
        state.SkipWithError("no image");
        return;
    }
    for (auto _ : state) {
        const kelvara::TPhotoProperties properties = kelvara::ReadPhotoProperties(content);
        benchmark::DoNotOptimize(properties.Dimensions.data());
    }
}

const bool registered = [] {
    for (const auto& [name, path] : Files()) {
        benchmark::RegisterBenchmark(("BM_Step/" + name).c_str(), BM_Step, path)
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(0.2);
        benchmark::RegisterBenchmark(("BM_Read/" + name).c_str(), BM_Read, path)
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(0.2);
        benchmark::RegisterBenchmark(("BM_ImageTest/" + name).c_str(), BM_ImageTest, path)
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(0.2);
        benchmark::RegisterBenchmark(("BM_Properties/" + name).c_str(), BM_Properties, path)
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(0.2);
    }
    return true;
}();

} // namespace

BENCHMARK_MAIN();
