// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A home of its own for a test: HOME, XDG_CONFIG_HOME and XDG_DATA_HOME point
// into a fresh temporary folder while the object lives, and are restored
// after, so that nothing a test writes lands in the real account.

#include "support/TempDir.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kelvara::test {

class XdgHome {
public:
    // home = <temp>/home; config and data homes below it unless `xdgVars` is
    // false, when both are unset and the defaults must apply.
    explicit XdgHome(bool xdgVars = true);
    ~XdgHome();
    XdgHome(const XdgHome&) = delete;
    XdgHome& operator=(const XdgHome&) = delete;

    std::filesystem::path home() const { return m_temp.path() / "home"; }
    std::filesystem::path configHome() const { return m_temp.path() / "config"; }
    std::filesystem::path dataHome() const { return m_temp.path() / "data"; }
    const std::filesystem::path& root() const { return m_temp.path(); }

    // Sets or (nullopt) unsets a variable; the original comes back at the end.
    void set(const std::string& name, const std::optional<std::string>& value);

private:
    TempDir m_temp;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace kelvara::test
