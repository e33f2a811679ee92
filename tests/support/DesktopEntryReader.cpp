// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/DesktopEntryReader.h"

#include "support/TempDir.h"

#include <QProcess>
#include <sstream>
#include <stdexcept>

namespace kelvara::test {

namespace {

std::string unescape(const std::string& value) {
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            result.push_back(value[i]);
            continue;
        }
        switch (value[++i]) {
        case 's':
            result.push_back(' ');
            break;
        case 'n':
            result.push_back('\n');
            break;
        case 't':
            result.push_back('\t');
            break;
        case 'r':
            result.push_back('\r');
            break;
        case '\\':
            result.push_back('\\');
            break;
        default:
            throw std::runtime_error("unknown escape in " + value);
        }
    }
    return result;
}

} // namespace

std::map<std::string, std::string> readDesktopEntry(const std::filesystem::path& file) {
    return readEntryGroup(file, "Desktop Entry");
}

std::map<std::string, std::string> readEntryGroup(const std::filesystem::path& file,
                                                  const std::string& group) {
    std::istringstream lines(readFile(file));
    std::map<std::string, std::string> entry;
    std::string line;
    bool inGroup = false;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = line == "[" + group + "]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inGroup || equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        std::string value = line.substr(equals + 1);
        value.erase(0, value.find_first_not_of(' '));
        entry[key] = unescape(value);
    }
    return entry;
}

std::vector<std::string> splitExec(const std::string& exec) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false, quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       std::string("\"`$\\").find(exec[i + 1]) != std::string::npos) {
                current.push_back(exec[++i]);
            } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
                current.push_back('%');
                ++i;
            } else {
                current.push_back(c);
            }
        } else if (c == ' ') {
            if (inArgument)
                arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else if (c == '"') {
            quoted = inArgument = true;
        } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
            current.push_back('%');
            inArgument = true;
            ++i;
        } else {
            current.push_back(c);
            inArgument = true;
        }
    }
    if (quoted)
        throw std::runtime_error("unterminated quote in Exec " + exec);
    if (inArgument)
        arguments.push_back(current);
    return arguments;
}

std::string validateDesktopEntry(const std::filesystem::path& file) {
    QProcess validator;
    validator.setProcessChannelMode(QProcess::MergedChannels);
    validator.start("desktop-file-validate", {QString::fromStdString(file.string())});
    if (!validator.waitForStarted() || !validator.waitForFinished(60000))
        return "desktop-file-validate did not run";
    const QString output = QString::fromLocal8Bit(validator.readAll()).trimmed();
    if (validator.exitStatus() != QProcess::NormalExit || validator.exitCode() != 0)
        return "rejected: " + output.toStdString();
    // Errors fail it; warnings do not, so they count as rejections here.
    return output.contains("error") || output.contains("warning") ? output.toStdString()
                                                                  : std::string();
}

} // namespace kelvara::test
