// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SampleJpegs.h"

#include "support/TempDir.h"

#include <algorithm>
#include <cctype>

namespace fs = std::filesystem;

namespace kelvara::test {

fs::path sampleJpegDir() {
    return photosDir() / "jpg";
}

std::vector<std::string> sampleJpegs() {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(sampleJpegDir())) {
        std::string extension = entry.path().extension().string();
        for (char& c : extension)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (entry.is_regular_file() && (extension == ".jpg" || extension == ".jpeg"))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

fs::path flattenedCopy(const fs::path& file, const fs::path& folder) {
    std::string name = fs::relative(file, sampleJpegDir()).string();
    std::replace(name.begin(), name.end(), '/', '-');
    const fs::path copy = folder / name;
    fs::copy_file(file, copy);
    fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    return copy;
}

} // namespace kelvara::test
