// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/OsRelease.h"

#include "base/Trim.h"

namespace kelvara {

namespace {

// A shell-style value as os-release allows it: quoted or bare.
std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
        return std::string(value.substr(1, value.size() - 2));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        std::string text;
        value = value.substr(1, value.size() - 2);
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size())
                ++i;
            text += value[i];
        }
        return text;
    }
    return std::string(value);
}

} // namespace

std::optional<std::string> OsReleaseValue(std::string_view osRelease, std::string_view key) {
    while (!osRelease.empty()) {
        const auto end = osRelease.find('\n');
        const std::string_view line = Trimmed(osRelease.substr(0, end));
        osRelease = end == std::string_view::npos ? std::string_view() : osRelease.substr(end + 1);
        const auto equals = line.find('=');
        if (line.empty() || line.front() == '#' || equals == std::string_view::npos)
            continue;
        if (Trimmed(line.substr(0, equals)) == key)
            return Unquote(Trimmed(line.substr(equals + 1)));
    }
    return std::nullopt;
}

std::string DescribeLinux(std::string_view osRelease, std::string_view release,
                          std::string_view machine) {
    std::string name = OsReleaseValue(osRelease, "PRETTY_NAME").value_or(std::string());
    if (name.empty())
        name = OsReleaseValue(osRelease, "NAME").value_or(std::string());
    if (name.empty())
        name = "Linux";
    std::string kernel;
    for (const std::string_view part : {release, machine}) {
        if (!part.empty())
            kernel += ' ' + std::string(part);
    }
    return kernel.empty() ? name : name + " (Linux" + kernel + ")";
}

} // namespace kelvara
