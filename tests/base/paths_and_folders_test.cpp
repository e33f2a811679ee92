// SPDX-License-Identifier: GPL-3.0-or-later
// The general helpers on real folders: paths joined with one delimiter, and
// the owner-only folders every module makes its files in.

#include "base/OwnerOnlyFolder.h"
#include "base/PathName.h"
#include "support/TempDir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <system_error>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Sets the process's umask for the scope of the object.
class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : m_previous(::umask(mask)) {}
    ~UmaskScope() { ::umask(m_previous); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

private:
    mode_t m_previous;
};

} // namespace

TEST(PathName, AFolderAndANameAreJoinedByOneDelimiter) {
    EXPECT_EQ(PathInFolder("/home/u", "a.jpg"), "/home/u/a.jpg");
    EXPECT_EQ(PathInFolder("/home/u//", "a.jpg"), "/home/u/a.jpg");
    EXPECT_EQ(PathInFolder("/", "a.jpg"), "/a.jpg");
    EXPECT_EQ(PathInFolder("relative", "sub/a.jpg"), "relative/sub/a.jpg");
    EXPECT_EQ(WithoutTrailingDelimiter("/a/b///"), "/a/b");
    EXPECT_EQ(WithoutTrailingDelimiter("///"), "/");
}

TEST(OwnerOnlyFolder, EveryMissingFolderIsMadeTheOwnersAloneWhateverTheUmask) {
    TempDir temp;
    const UmaskScope open(0);
    const fs::path deep = temp.path() / "a" / "b" / "c";
    MakeOwnerOnlyFolder(deep.string() + "/");
    for (const fs::path& folder : {temp.path() / "a", temp.path() / "a" / "b", deep}) {
        EXPECT_TRUE(fs::is_directory(folder)) << folder;
        EXPECT_EQ(modeOf(folder), 0700u) << folder;
    }
}

TEST(OwnerOnlyFolder, AFolderThatExistsIsLeftAsItIs) {
    TempDir temp;
    const fs::path shared = temp.path() / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    MakeOwnerOnlyFolder(shared.string());
    MakeOwnerOnlyFolder((shared / "mine").string());
    EXPECT_EQ(modeOf(shared), 0750u);
    EXPECT_EQ(modeOf(shared / "mine"), 0700u);
}

TEST(OwnerOnlyFolder, AFileInTheWayIsRefusedAndLeftAlone) {
    TempDir temp;
    writeFile(temp.path() / "plain", "kept");
    for (const fs::path& folder : {temp.path() / "plain", temp.path() / "plain" / "below"}) {
        try {
            MakeOwnerOnlyFolder(folder.string());
            ADD_FAILURE() << folder << " was made";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code(), std::errc::not_a_directory) << folder << ": " << error.what();
        }
    }
    EXPECT_EQ(readFile(temp.path() / "plain"), "kept");
}
