// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/XdgHome.h"

#include <algorithm>
#include <cstdlib>

namespace kelvara::test {

XdgHome::XdgHome(bool xdgVars) {
    std::filesystem::create_directories(home());
    set("HOME", home().string());
    set("XDG_CONFIG_HOME", xdgVars ? std::optional(configHome().string()) : std::nullopt);
    set("XDG_DATA_HOME", xdgVars ? std::optional(dataHome().string()) : std::nullopt);
}

XdgHome::~XdgHome() {
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->second)
            setenv(it->first.c_str(), it->second->c_str(), 1);
        else
            unsetenv(it->first.c_str());
    }
}

void XdgHome::set(const std::string& name, const std::optional<std::string>& value) {
    const bool saved = std::any_of(m_saved.begin(), m_saved.end(),
                                   [&name](const auto& entry) { return entry.first == name; });
    if (!saved) {
        const char* old = std::getenv(name.c_str());
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    if (value)
        setenv(name.c_str(), value->c_str(), 1);
    else
        unsetenv(name.c_str());
}

} // namespace kelvara::test
