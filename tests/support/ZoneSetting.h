// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The machine's time zone for one test, as the user would have set it (TZ),
// put back as it was afterwards. Header-only.

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace kelvara::test {

class ZoneSetting {
public:
    explicit ZoneSetting(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneSetting() {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ZoneSetting(const ZoneSetting&) = delete;
    ZoneSetting& operator=(const ZoneSetting&) = delete;

private:
    std::optional<std::string> m_old;
};

} // namespace kelvara::test
