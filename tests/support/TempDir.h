// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test helpers that work on real files: a temporary folder removed with its
// contents, and copies of the sample photos to rename safely.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kelvara::test {

// A fresh folder under the system's temporary folder, its name starting with
// `prefix`, removed (with whatever the test left in it, read-only parts
// included) when the object goes.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "kelvara-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // path() / relative, as a native string.
    std::string file(const std::string& relative) const;

private:
    std::filesystem::path m_path;
};

// The sample photos' folder (tests/data/photos): JPEGs, TIFFs and phone
// HEIC/HEIF from many camera makers, damaged and odd ones among them.
std::filesystem::path photosDir();

// The further samples (tests/data/more-photos): camera RAW files, AVIF, a
// small HEIC and the hostile files from a metadata library's security reports.
std::filesystem::path morePhotosDir();

// Copies one sample (relative to photosDir()) into `folder`, writable, and
// returns the copy's full path.
std::string copyPhoto(const std::string& relative, const std::filesystem::path& folder,
                      const std::string& newName = {});

// Writes `content` to `path`, creating the file.
void writeFile(const std::filesystem::path& path, const std::string& content);

// Reads a whole file.
std::string readFile(const std::filesystem::path& path);

// The names of the regular files directly in `folder`, sorted.
std::vector<std::string> fileNames(const std::filesystem::path& folder);

// Relative path -> content, for every regular file below `root`.
std::map<std::string, std::string> snapshot(const std::filesystem::path& root);

} // namespace kelvara::test
