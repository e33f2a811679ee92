// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/NewName.h"

#include "base/Utf8.h"

#include <algorithm>

namespace kelvara {

std::string DateText(const std::string& dateValue, std::size_t patternLength) {
    std::string text;
    text.reserve(dateValue.size());
    for (char c : dateValue)
        if (c != ':' && c != ' ')
            text.push_back(c);
    if (text.size() > patternLength)
        text.resize(patternLength);
    return text;
}

namespace {

bool DroppedFromNamePart(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20 || code == 0x7F)
        return true;
    switch (c) {
    case ' ':
    case '<':
    case '>':
    case ':':
    case '"':
    case '/':
    case '\\':
    case '|':
    case '?':
    case '*':
        return true;
    default:
        return false;
    }
}

} // namespace

std::string NamePartText(const std::string& text) {
    std::string result = text;
    std::erase_if(result, DroppedFromNamePart);
    return result;
}

bool FitsNameLimits(const std::string& name) {
    if (name.size() > MaxNameBytes)
        return false;
    // In UTF-8 a character never takes fewer bytes than UTF-16 units (a
    // four-byte sequence is a surrogate pair, and an invalid byte becomes one
    // replacement character), so within 255 bytes the unit count holds too;
    // it is counted all the same, so that the rule reads as the two limits.
    return Utf16Length(name) <= MaxNameUtf16Units;
}

std::string ComposeNewName(TNameLayout layout, const std::string& date, const std::string& size,
                           const std::string& model, const std::string& oldName) {
    switch (layout) {
    case TNameLayout::DateFile:
        return date + "_" + oldName;
    case TNameLayout::DateModelFile:
        return date + "_" + model + "_" + oldName;
    case TNameLayout::DateSizeFile:
        return date + "_" + size + "_" + oldName;
    case TNameLayout::DateSizeModelFile:
        return date + "_" + size + "_" + model + "_" + oldName;
    case TNameLayout::None:
        break;
    }
    return oldName;
}

bool IsSafeFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return c == '/' || code < 0x20 || code == 0x7F;
    });
}

TSplitPath SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {std::string(), path};
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

} // namespace kelvara
