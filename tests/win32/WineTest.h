// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the Windows tests share: Linux paths of the build as Windows paths
// (Wine shows the Linux root as drive Z:), temporary folders, copies of the
// sample photos.

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <string>
#include <windows.h>

namespace kelvara::test {

namespace fs = std::filesystem;

// "/work/x" -> "Z:\work\x"; a Windows path stays as it is.
inline fs::path WindowsPath(const std::string& path) {
    if (path.empty() || path.front() != '/')
        return fs::path(path);
    std::string windows = "Z:" + path;
    for (char& c : windows)
        if (c == '/')
            c = '\\';
    return fs::path(windows);
}

// A fresh folder under the user's temporary folder, removed with everything
// in it when the object goes.
class TTempFolder {
public:
    TTempFolder() {
        std::random_device random;
        m_path = fs::temp_directory_path() / ("kelvara-test-" + std::to_string(random()));
        fs::create_directories(m_path);
    }
    ~TTempFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

// The sample photos of tests/data (KELVARA_TEST_DATA is its Linux path).
inline fs::path SamplePhotos() {
    return WindowsPath(KELVARA_TEST_DATA) / "photos" / "jpg";
}

inline fs::path CopyPhoto(const std::string& sample, const fs::path& folder,
                          const std::string& name = {}) {
    fs::create_directories(folder);
    const fs::path target = folder / (name.empty() ? sample : name);
    fs::copy_file(SamplePhotos() / sample, target);
    return target;
}

// Every file below `root`, by its path relative to it (generic form).
inline std::map<std::string, std::uintmax_t> FilesBelow(const fs::path& root) {
    std::map<std::string, std::uintmax_t> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).generic_string()] = entry.file_size();
    return files;
}

} // namespace kelvara::test
