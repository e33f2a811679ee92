// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/standin/NewName.h"

#include <algorithm>
#include <cstdint>

namespace kelvara::standin {

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

// The length of the UTF-8 sequence that starts with `lead` and its smallest
// allowed code point, or 0 for a byte that starts none.
struct TSequence {
    std::size_t length;
    std::uint32_t minimum;
};
TSequence SequenceOf(unsigned char lead) {
    if (lead < 0x80)
        return {1, 0};
    if ((lead & 0xE0) == 0xC0)
        return {2, 0x80};
    if ((lead & 0xF0) == 0xE0)
        return {3, 0x800};
    if ((lead & 0xF8) == 0xF0)
        return {4, 0x10000};
    return {0, 0};
}

// UTF-16 code units of `text`; a byte that is no part of valid UTF-8 counts
// as one.
std::size_t Utf16Units(const std::string& text) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size();) {
        const TSequence sequence = SequenceOf(static_cast<unsigned char>(text[i]));
        const std::size_t length = sequence.length == 0 ? 1 : sequence.length;
        units += length == 4 ? 2 : 1;
        i += length;
    }
    return units;
}

} // namespace

std::string DateText(const std::string& dateValue, std::size_t patternLength) {
    std::string text;
    for (const char c : dateValue)
        if (c != ':' && c != ' ')
            text.push_back(c);
    if (text.size() > patternLength)
        text.resize(patternLength);
    return text;
}

std::string NamePartText(const std::string& text) {
    std::string result = text;
    std::erase_if(result, DroppedFromNamePart);
    return result;
}

bool IsValidUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const TSequence sequence = SequenceOf(static_cast<unsigned char>(text[i]));
        if (sequence.length == 0 || i + sequence.length > text.size())
            return false;
        std::uint32_t point = sequence.length == 1
                                  ? static_cast<unsigned char>(text[i])
                                  : static_cast<unsigned char>(text[i]) & (0x7F >> sequence.length);
        for (std::size_t k = 1; k < sequence.length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            point = (point << 6) | (next & 0x3F);
        }
        if (point < sequence.minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
        i += sequence.length;
    }
    return true;
}

bool FitsNameLimits(const std::string& name) {
    return name.size() <= 255 && Utf16Units(name) <= 255;
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

std::optional<std::string> NewNameFor(const TPhotoProperties& properties,
                                      const INamingOptions& options, const std::string& oldName) {
    const TNameLayout layout = options.Layout();
    if (layout == TNameLayout::None)
        return std::nullopt;
    const std::string date = DateText(properties.DateTaken, options.DatePattern().size());
    if (date.empty() || oldName.find(date) != std::string::npos)
        return std::nullopt;
    const std::string size = NamePartText(properties.Dimensions);
    const std::string model = NamePartText(properties.CameraModel);
    if (!IsValidUtf8(size) || !IsValidUtf8(model))
        return std::nullopt;
    std::string name = ComposeNewName(layout, date, size, model, oldName);
    if (!FitsNameLimits(name))
        return std::nullopt;
    return name;
}

} // namespace kelvara::standin
