// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sample JPEGs (tests/data/photos/jpg and below) as a set, and their
// copies under names that keep apart what came from different folders.

#include <filesystem>
#include <string>
#include <vector>

namespace kelvara::test {

// Where the sample JPEGs lie: photosDir() / "jpg".
std::filesystem::path sampleJpegDir();

// The sample JPEGs (sampleJpegDir() and its subfolders), sorted by path.
std::vector<std::string> sampleJpegs();

// Copies `file`, one of sampleJpegs(), into `folder`, named after its path
// below sampleJpegDir() with each '/' made '-', and writable by its owner.
// Returns the copy's path.
std::filesystem::path flattenedCopy(const std::filesystem::path& file,
                                    const std::filesystem::path& folder);

} // namespace kelvara::test
