// SPDX-License-Identifier: GPL-3.0-or-later
// The date of a 4 GB video whose movie box stands at its end, after the
// media data, as a camera that does not rewrite its files leaves it: read as
// the reader thread reads it (ReadMediaFile with videos chosen: the head,
// then box headers and the movie box's small parts), from a cold cache
// (fsync, then posix_fadvise DONTNEED before every read; no root needed).
// The movie box is a real sample's with 2 MiB of sample tables added, as
// a long video's has, which the reader must skip, not read.
//
//   read_kb   bytes read from the file per date (rchar of /proc/self/io):
//             the target is a few hundred KB at most
//   date      1 when the expected date came out
//
// BM_VideoDate/Sparse: the media data a hole (no disk space, written at
// once). BM_VideoDate/Written: 4 GB really written (once, about 4 GB of
// disk while it runs; select it with --benchmark_filter=Written).
#include "BenchSupport.h"
#include "photo/MediaFile.h"
#include "photo/PhotoMetadataLibrary.h"
#include "support/VideoFiles.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using kelvara::test::video_detail::Be32;
using kelvara::test::video_detail::Box;

namespace {

constexpr std::uint64_t MediaSize = std::uint64_t{4} << 30;

std::string ReadSample(const char* name) {
    const fs::path path = kelvara::test::photosDir().parent_path() / "videos" / name;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(0, in.tellg())), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (bytes.empty() || !in)
        throw std::runtime_error("no sample " + path.string());
    return bytes;
}

// The sample's movie box with a sound-like track of 2 MiB sample tables in
// front of its own tracks.
std::string LongMovieBox(const std::string& sample) {
    const std::size_t at = sample.find("moov") - 4;
    const std::string children = sample.substr(at + 8);
    const std::string tables = Box("stbl", Box("stsz", std::string(2 << 20, '\0')));
    const std::string track = Box("trak", Box("mdia", Box("minf", tables)));
    // The movie header first, as every writer puts it.
    std::size_t mvhdSize = 0;
    for (int i = 0; i < 4; ++i)
        mvhdSize =
            (mvhdSize << 8) | static_cast<unsigned char>(children[static_cast<std::size_t>(i)]);
    return Box("moov", children.substr(0, mvhdSize) + track + children.substr(mvhdSize));
}

void WriteVideo(const fs::path& path, bool sparse) {
    const std::string sample = ReadSample("utc-january.mp4");
    std::string head = sample.substr(0, 32); // the file-type box
    head += Be32(1) + "mdat";
    for (int i = 7; i >= 0; --i)
        head.push_back(static_cast<char>(((MediaSize + 16) >> (8 * i)) & 0xFF));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
    if (sparse) {
        out.seekp(static_cast<std::streamoff>(head.size() + MediaSize));
    } else {
        std::vector<char> chunk(std::size_t{8} << 20);
        std::uint64_t state = 0x9E3779B97F4A7C15ull;
        for (std::uint64_t written = 0; written < MediaSize; written += chunk.size()) {
            for (std::size_t i = 0; i < chunk.size(); i += 8) {
                state ^= state << 13;
                state ^= state >> 7;
                state ^= state << 17;
                std::memcpy(chunk.data() + i, &state, 8);
            }
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        }
    }
    const std::string moov = LongMovieBox(sample);
    out.write(moov.data(), static_cast<std::streamsize>(moov.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void DropFromCache(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

long long ReadBytesSoFar() {
    FILE* io = std::fopen("/proc/self/io", "r");
    if (io == nullptr)
        return -1;
    char line[128];
    long long value = -1;
    while (std::fgets(line, sizeof line, io) != nullptr)
        if (std::strncmp(line, "rchar:", 6) == 0)
            value = std::strtoll(line + 6, nullptr, 10);
    std::fclose(io);
    return value;
}

void BM_VideoDate(benchmark::State& state, bool sparse) {
    const kelvara::TPhotoMetadataLibrary library;
    const kelvara::test::TempDir folder("kelvara-video-date-bench");
    const fs::path path = folder.path() / "MVI_0001.MP4";
    WriteVideo(path, sparse);
    ::setenv("TZ", "UTC", 1);
    long long bytes = 0;
    bool dated = true;
    for (auto _ : state) {
        DropFromCache(path);
        const long long before = ReadBytesSoFar();
        const auto start = Clock::now();
        const auto properties = kelvara::ReadMediaFile(path.string(), kelvara::TMediaChoice{true});
        const auto end = Clock::now();
        bytes += ReadBytesSoFar() - before;
        dated = dated && properties && properties->DateTaken == "2024:01:15 11:30:00";
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["read_kb"] =
        static_cast<double>(bytes) / 1024.0 / static_cast<double>(state.iterations());
    state.counters["date"] = dated ? 1 : 0;
}

BENCHMARK_CAPTURE(BM_VideoDate, Sparse, true)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_VideoDate, Written, false)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
