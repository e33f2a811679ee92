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

// A folder of photos, the sample videos (tests/data/videos) and a Live
// Photo, on a machine in Berlin: once as the first start has it (videos
// keep their names) and once with Videos too on in the state file. Each
// video's name then carries its local time (UTC in winter and in summer
// time, a date with its own offset), the Live Photo's video moves with its
// photo only, a zero date, a damaged video and an AVI keep their names, and
// no file's content changes.
TEST(CameraCard, VideosTooNamesEachVideoByItsLocalTimeAndOnlyWhenChosen) {
    TempDir temp;
    const std::string faststart = readFile(photosDir() / "../videos/utc-july-faststart.mp4");
    const auto fill = [&](const fs::path& folder) {
        copyPhoto("jpg/Canon_40D.jpg", folder, "IMG_0001.JPG");
        copyPhoto("../videos/utc-january.mp4", folder, "MVI_0002.MP4");
        copyPhoto("../videos/utc-july-faststart.mp4", folder, "MVI_0003.MP4");
        copyPhoto("../videos/userdata-day.mov", folder, "MVI_0004.MOV");
        copyPhoto("../videos/utc-zero.mp4", folder, "MVI_0005.MP4");
        // Cut inside its movie box, which stands in front.
        writeFile(folder / "MVI_0006.MP4", faststart.substr(0, 600));
        WriteVideo((folder / "MVI_0007.AVI").string(), VideoKind::Avi, 64 * 1024, false);
        copyPhoto("heic/IMG_5195.HEIC", folder);
        copyPhoto("../videos/IMG_5195.MOV", folder);
    };
    const auto run = [&](const fs::path& folder, bool videos) {
        KelvaraProcess kelvara(temp.path() / (videos ? "app-videos" : "app"));
        kelvara.environment().insert("TZ", "Europe/Berlin");
        if (videos)
            writeFile(kelvara.stateFile(), "[MainForm.ChkVideos]\nChecked=1\n");
        kelvara.start({QString::fromStdString(folder.string())}, temp.path());
        EXPECT_TRUE(kelvara.waitForLog("kelvara.rename: queues empty")) << kelvara.log().tail();
        EXPECT_EQ(kelvara.terminate(), 0);
    };
    // Old name -> new name; every other file keeps its own.
    std::map<std::string, std::string> moves = {
        {"IMG_0001.JPG", "200805301556_100x68_CanonEOS40D_IMG_0001.JPG"},
        {"IMG_5195.HEIC", "202104111547_2566x3313_iPhone11ProMax_IMG_5195.HEIC"},
        {"IMG_5195.MOV", "202104111547_2566x3313_iPhone11ProMax_IMG_5195.MOV"},
    };
    const auto expectMoved = [&](const fs::path& folder,
                                 const std::map<std::string, std::string>& before) {
        const auto after = snapshot(folder);
        EXPECT_EQ(after.size(), before.size());
        for (const auto& [name, content] : before) {
            const auto move = moves.find(name);
            const std::string& now = move == moves.end() ? name : move->second;
            ASSERT_TRUE(after.count(now)) << name << " should be " << now;
            EXPECT_EQ(after.at(now), content) << now;
        }
    };

    const fs::path off = temp.path() / "off";
    fill(off);
    const auto offBefore = snapshot(off);
    run(off, false);
    expectMoved(off, offBefore);

    const fs::path on = temp.path() / "on";
    fill(on);
    const auto onBefore = snapshot(on);
    run(on, true);
    moves["MVI_0002.MP4"] = "202401151230_160x120__MVI_0002.MP4";
    moves["MVI_0003.MP4"] = "202407151330_160x120__MVI_0003.MP4";
    moves["MVI_0004.MOV"] = "202306010800_160x120_DSC-RX100_MVI_0004.MOV";
    expectMoved(on, onBefore);
}
