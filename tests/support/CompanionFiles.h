// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Companion files as the programs that make them write them, enough to look
// the part: an XMP sidecar, a RawTherapee profile, a DxO settings file, an
// iPhone's adjustments (a property list) and the head of a QuickTime movie
// (a Live Photo's video). None is an image. Each names the file it was
// written as, so that every file's content is its own and a test can tell
// where each one went. Header-only: the benchmarks use it too.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

namespace kelvara::test {

// The content of a companion named `name`, by its extension in any case. A
// movie is padded to `movieBytes` when that is more than its head.
inline std::string companionContent(const std::string& name, std::size_t movieBytes = 0) {
    std::string extension = std::filesystem::path(name).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".mov") {
        // ftyp "qt  ", a "wide" atom, then "mdat" up to the end.
        std::string movie("\0\0\0\x14"
                          "ftypqt  \0\0\0\0qt  "
                          "\0\0\0\x08wide",
                          28);
        const std::string data = "frames of " + name;
        const std::size_t size = std::max(movieBytes, movie.size() + 8 + data.size());
        const std::size_t atom = size - movie.size();
        for (int shift = 24; shift >= 0; shift -= 8)
            movie.push_back(static_cast<char>((atom >> shift) & 0xFF));
        movie += "mdat" + data;
        movie.resize(size, '\0');
        return movie;
    }
    if (extension == ".xmp")
        return "<?xpacket begin='\xef\xbb\xbf' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
               "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
               "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
               "xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmp:Rating='3' xmp:Label='" +
               name + "'/></rdf:RDF></x:xmpmeta>\n<?xpacket end='w'?>\n";
    if (extension == ".pp3")
        return "[Version]\nAppVersion=5.9\nVersion=346\n\n[General]\nRank=3\n# " + name + "\n";
    if (extension == ".dop")
        return "DOP = {\n\tSidecar = \"" + name + "\",\n\tVersion = \"7.0\",\n}\n";
    if (extension == ".aae")
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>adjustmentFormatIdentifier</key><string>com.apple.photo</string>"
               "<key>adjustmentBaseVersion</key><string>" +
               name + "</string></dict></plist>\n";
    return "written as " + name + "\n";
}

// Writes the companion `name` into `folder`.
inline void writeCompanion(const std::filesystem::path& folder, const std::string& name,
                           std::size_t movieBytes = 0) {
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + (folder / name).string());
    out << companionContent(name, movieBytes);
}

// Name -> content of every regular file directly in `folder`.
inline std::map<std::string, std::string> folderContents(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.is_symlink())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        files[entry.path().filename().string()] = content.str();
    }
    return files;
}

} // namespace kelvara::test
