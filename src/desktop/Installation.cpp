// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/Installation.h"

#include <filesystem>
#include <system_error>

#if !defined(KELVARA_APP_ID) || !defined(KELVARA_APP_NAME) || !defined(KELVARA_APP_SUMMARY) ||     \
    !defined(KELVARA_INSTALL_BINDIR)
#error "The application's identity and install folder come from the CMake configuration"
#endif

namespace kelvara {

std::string ApplicationId() {
    return KELVARA_APP_ID;
}

std::string ApplicationName() {
    return KELVARA_APP_NAME;
}

std::string ApplicationSummary() {
    return KELVARA_APP_SUMMARY;
}

std::string InstalledBinFolder() {
    return KELVARA_INSTALL_BINDIR;
}

bool IsInstalledExecutable(const std::string& executablePath) {
    namespace fs = std::filesystem;
    const fs::path exe(executablePath);
    if (!exe.is_absolute() || !exe.has_parent_path())
        return false;
    const fs::path folder = exe.parent_path().lexically_normal();
    const fs::path bin = fs::path(InstalledBinFolder()).lexically_normal();
    if (folder == bin)
        return true;
    std::error_code error;
    return fs::equivalent(folder, bin, error) && !error;
}

} // namespace kelvara
