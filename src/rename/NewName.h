#pragma once
// Composing a photo's new name from its properties. Pure text work, no I/O.

#include "rename/NamingOptions.h"

#include <string>

namespace kelvara {

// The date value ("2008:03:18 12:26:27") without ":" and " ", cut to
// `patternLength` characters ("200803181226" for 12).
std::string DateText(const std::string& dateValue, std::size_t patternLength);

// The text with every blank removed ("1600 x 1200" -> "1600x1200").
std::string WithoutBlanks(const std::string& text);

// date_old, date_model_old, date_size_old or date_size_model_old; empty parts
// keep their separators. With no layout the old name comes back unchanged.
std::string ComposeNewName(TNameLayout layout, const std::string& date, const std::string& size,
                           const std::string& model, const std::string& oldName);

// True when `name` can stand as one entry of a folder: not empty, not "." or
// "..", no "/" and no control character. Camera metadata is untrusted input,
// and a model such as "../x" or "a/b" must not move a file out of its folder.
bool IsSafeFileName(const std::string& name);

// The folder and the file name of a path: "/a/b.jpg" gives "/a" and "b.jpg";
// the root keeps its delimiter ("/b.jpg" gives "/").
struct TSplitPath {
    std::string folder;
    std::string name;
};
TSplitPath SplitPath(const std::string& path);

} // namespace kelvara
