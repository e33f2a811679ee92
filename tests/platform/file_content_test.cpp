// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file whole: real files, links, and the things that must never be
// read (folders, FIFOs, devices, huge files).

#include "platform/FileContent.h"
#include "support/TempDir.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

using namespace kelvara;
using kelvara::test::TempDir;
namespace fs = std::filesystem;

namespace {

// The errno of the std::system_error that reading `path` throws, or 0 when
// it does not throw one.
int ReadError(const std::string& path) {
    try {
        ReadFileContent(path);
    } catch (const std::system_error& error) {
        return error.code().value();
    }
    return 0;
}

} // namespace

TEST(FileContent, GivesEveryByteOfRealFiles) {
    TempDir dir;
    for (const char* photo : {"jpg/Canon_40D.jpg", "tiff/Rudless.tiff", "jpg/corrupted.jpg"}) {
        const std::string copy = kelvara::test::copyPhoto(photo, dir.path());
        const TBytes content = ReadFileContent(copy);
        EXPECT_EQ(ByteText(content), kelvara::test::readFile(copy)) << photo;
    }
    // Bytes that are no UTF-8 in the name, NULs and a CR/LF in the content.
    const std::string odd = dir.file("caf\xe9 \n\xff.jpg");
    const std::string bytes("\0\x01\r\n\xff", 5);
    kelvara::test::writeFile(odd, bytes);
    EXPECT_EQ(ByteText(ReadFileContent(odd)), bytes);

    const std::string empty = dir.file("empty.jpg");
    kelvara::test::writeFile(empty, "");
    EXPECT_TRUE(ReadFileContent(empty).empty());
}

TEST(FileContent, FollowsALinkToAFileButRefusesFoldersAndMissingFiles) {
    TempDir dir;
    const std::string photo = kelvara::test::copyPhoto("jpg/Nikon_D70.jpg", dir.path());
    fs::create_symlink(photo, dir.path() / "link.jpg");
    EXPECT_EQ(ByteText(ReadFileContent(dir.file("link.jpg"))), kelvara::test::readFile(photo));

    EXPECT_EQ(ReadError(dir.path().string()), EISDIR);
    fs::create_directory(dir.path() / "folder.jpg");
    fs::create_symlink(dir.path() / "folder.jpg", dir.path() / "folderlink.jpg");
    EXPECT_EQ(ReadError(dir.file("folderlink.jpg")), EISDIR);

    EXPECT_EQ(ReadError(dir.file("gone.jpg")), ENOENT);
    fs::create_symlink(dir.path() / "gone.jpg", dir.path() / "dangling.jpg");
    EXPECT_EQ(ReadError(dir.file("dangling.jpg")), ENOENT);
    EXPECT_EQ(ReadError(""), ENOENT);
}

TEST(FileContent, RefusesAFileItMayNotRead) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    TempDir dir;
    const std::string photo = kelvara::test::copyPhoto("jpg/Nikon_D70.jpg", dir.path());
    fs::permissions(photo, fs::perms::none);
    EXPECT_EQ(ReadError(photo), EACCES);
}

// A FIFO without a writer would block a reader for ever, and one with a
// writer would hand us whatever the writer sends: neither may be read.
TEST(FileContent, RefusesFifosAndDevicesWithoutBlocking) {
    TempDir dir;
    const std::string fifo = dir.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(fifo, dir.path() / "pipelink.jpg");

    auto attempt = std::async(std::launch::async, [&] {
        return std::make_pair(ReadError(fifo), ReadError(dir.file("pipelink.jpg")));
    });
    if (attempt.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        // Release the blocked reader so the test can end, then fail.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
        FAIL() << "reading a FIFO blocked";
    }
    const auto [direct, linked] = attempt.get();
    EXPECT_EQ(direct, EINVAL);
    EXPECT_EQ(linked, EINVAL);

    // With a writer holding data, still nothing is read.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "\xff\xd8\xff", 3), 3);
    EXPECT_EQ(ReadError(fifo), EINVAL);
    char left[4] = {};
    EXPECT_EQ(::read(reader, left, sizeof left), 3) << "the refusal must not drain the pipe";
    ::close(writer);
    ::close(reader);

    // /dev/zero would fill memory, /dev/null looks like an empty file.
    EXPECT_EQ(ReadError("/dev/zero"), EINVAL);
    EXPECT_EQ(ReadError("/dev/null"), EINVAL);
}

TEST(FileContent, RefusesAFileAboveTheSizeCapUnread) {
    TempDir dir;
    const std::string huge = dir.file("huge.jpg");
    kelvara::test::writeFile(huge, "\xff\xd8\xff\xe1");
    // Sparse: the cap is tested without writing half a gigabyte.
    fs::resize_file(huge, static_cast<std::uintmax_t>(MaxFileContentSize) + 1);
    EXPECT_EQ(ReadError(huge), EFBIG);
}

// The same rules for a file read piece by piece, and a piece past the end
// gives what there is.
TEST(FileContent, AnOpenFileIsReadWhereAskedByTheSameRules) {
    TempDir dir;
    const std::string photo = kelvara::test::copyPhoto("jpg/Canon_40D.jpg", dir.path());
    const std::string whole = kelvara::test::readFile(photo);
    const TReadOnlyFile file(photo);
    ASSERT_EQ(file.Size(), static_cast<std::int64_t>(whole.size()));
    std::string piece(100, '\0');
    EXPECT_EQ(file.ReadAt(2000, piece.data(), 100), 100);
    EXPECT_EQ(piece, whole.substr(2000, 100));
    EXPECT_EQ(file.ReadAt(file.Size() - 10, piece.data(), 100), 10);
    EXPECT_EQ(piece.substr(0, 10), whole.substr(whole.size() - 10));
    EXPECT_EQ(file.ReadAt(file.Size() + 5, piece.data(), 100), 0);

    const auto openError = [](const std::string& path) {
        try {
            TReadOnlyFile refused(path);
        } catch (const std::system_error& error) {
            return error.code().value();
        }
        return 0;
    };
    EXPECT_EQ(openError(dir.path().string()), EISDIR);
    const std::string fifo = dir.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(openError(fifo), EINVAL);
    EXPECT_EQ(openError("/dev/zero"), EINVAL);
    EXPECT_EQ(openError(dir.file("gone.jpg")), ENOENT);
    const std::string huge = dir.file("huge.jpg");
    kelvara::test::writeFile(huge, "\xff\xd8\xff\xe1");
    fs::resize_file(huge, static_cast<std::uintmax_t>(MaxFileContentSize) + 1);
    EXPECT_EQ(openError(huge), EFBIG);
}
