// SPDX-License-Identifier: GPL-3.0-or-later
// The real executable on a camera card: photos between large videos of every
// container cameras write. Every photo is renamed, no video is touched, and
// none is read beyond its head: the program reads a few megabytes in all, and
// its memory stays far below the size of one video.

#include "support/KelvaraProcess.h"
#include "support/MinimalDng.h"
#include "support/TempDir.h"
#include "support/VideoFiles.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>

using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

// A figure of /proc/PID/FILE ("rchar:" of io, "VmHWM:" of status).
std::uint64_t ProcFigure(qint64 pid, const char* file, const char* field) {
    const std::string path = "/proc/" + std::to_string(pid) + "/" + file;
    FILE* in = std::fopen(path.c_str(), "r");
    char line[256];
    std::uint64_t value = 0;
    const std::size_t length = std::strlen(field);
    while (in != nullptr && std::fgets(line, sizeof line, in) != nullptr)
        if (std::strncmp(line, field, length) == 0)
            value = std::strtoull(line + length, nullptr, 10);
    if (in != nullptr)
        std::fclose(in);
    return value;
}

} // namespace

TEST(CameraCard, PhotosBetweenLargeVideosAreRenamedAndNoVideoIsReadOrTouched) {
    constexpr std::uint64_t VideoSize = std::uint64_t{256} * 1024 * 1024;
    TempDir temp;
    const fs::path card = temp.path() / "DCIM" / "100CANON";
    fs::create_directories(card);
    // Photos and videos in turn, as a camera numbers them. The videos are
    // sparse: their bulk takes no disk, but reading it would still count.
    const std::vector<std::string> photos = {"jpg/Canon_40D.jpg", "jpg/Nikon_D70.jpg",
                                             "heic/IMG_5195.HEIC", "jpg/Pentax_K10D.jpg"};
    std::map<std::string, std::uint64_t> videos;
    std::vector<std::string> photoNames;
    std::size_t photo = 0;
    int number = 1000;
    for (const VideoKind kind : AllVideoKinds()) {
        const std::string source = photos[photo++ % photos.size()];
        const std::string name =
            "IMG_" + std::to_string(number++) + "_" + fs::path(source).filename().string();
        copyPhoto(source, card, name);
        photoNames.push_back(name);
        const std::string video = "MVI_" + std::to_string(number++) + VideoExtension(kind);
        WriteVideo((card / video).string(), kind, VideoSize, true);
        videos[video] = VideoSize;
    }
    writeFile(card / "IMG_2000.DNG", minimalDng());
    photoNames.push_back("IMG_2000.DNG");

    KelvaraProcess kelvara(temp.path() / "app");
    kelvara.start({QString::fromStdString(card.string())}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: queues empty", 1, std::chrono::minutes(2)))
        << kelvara.log().tail();
    const qint64 pid = kelvara.process().processId();
    const std::uint64_t readBytes = ProcFigure(pid, "io", "rchar:");
    const std::uint64_t peakKb = ProcFigure(pid, "status", "VmHWM:");
    EXPECT_EQ(kelvara.terminate(), 0);

    // Every photo renamed (its old name now ends the new one), every video
    // there as it was, under its name.
    std::map<std::string, std::uint64_t> after;
    for (const auto& entry : fs::directory_iterator(card))
        after[entry.path().filename().string()] = entry.file_size();
    EXPECT_EQ(after.size(), videos.size() + photoNames.size());
    for (const auto& [video, size] : videos) {
        ASSERT_TRUE(after.count(video)) << video;
        EXPECT_EQ(after[video], size) << video;
        EXPECT_EQ(kelvara.logCount("kelvara.rename: kept \"" + (card / video).string()), 1u)
            << video;
    }
    for (const std::string& name : photoNames) {
        EXPECT_FALSE(after.count(name)) << name << " was not renamed";
        std::size_t renamed = 0;
        for (const auto& [file, size] : after)
            renamed += file.size() > name.size() && file.ends_with("_" + name);
        EXPECT_EQ(renamed, 1u) << name;
    }
    EXPECT_EQ(kelvara.logCount("kelvara.rename: renamed"), photoNames.size());

    // The videos are 2.8 GB together; one read whole would show here.
    const std::uint64_t videoTotal = VideoSize * videos.size();
    EXPECT_LT(readBytes, std::uint64_t{64} * 1024 * 1024) << "of " << videoTotal << " bytes";
    EXPECT_LT(peakKb * 1024, VideoSize / 2);
}
