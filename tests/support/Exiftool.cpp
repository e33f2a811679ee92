// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Exiftool.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <stdexcept>

namespace kelvara::test {

bool exiftoolAvailable() {
    return !QStandardPaths::findExecutable("exiftool").isEmpty();
}

std::string runExiftool(const std::vector<std::string>& args) {
    QStringList arguments;
    for (const auto& arg : args)
        arguments << QString::fromStdString(arg);
    QProcess process;
    process.start("exiftool", arguments);
    if (!process.waitForStarted())
        throw std::runtime_error("cannot start exiftool");
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        throw std::runtime_error("exiftool did not finish");
    const QByteArray errors = process.readAllStandardError();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 ||
        errors.contains("Error"))
        throw std::runtime_error("exiftool failed: " + errors.toStdString());
    return process.readAllStandardOutput().toStdString();
}

} // namespace kelvara::test
