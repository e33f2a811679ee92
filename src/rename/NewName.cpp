#include "rename/NewName.h"

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

std::string WithoutBlanks(const std::string& text) {
    std::string result = text;
    result.erase(std::remove(result.begin(), result.end(), ' '), result.end());
    return result;
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
