// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Diagnostics of the image test and metadata reader: the logging category
// "kelvara.photo", silent unless QT_LOGGING_RULES asks for it
// (QT_LOGGING_RULES="kelvara.photo.debug=true", or "kelvara.*.debug=true" for
// every module). The program reports nothing to the user; these lines are for
// someone chasing a fault, and for tests that wait for the program to pass a
// point.

#include <QLoggingCategory>

namespace kelvara {

Q_DECLARE_LOGGING_CATEGORY(lcPhoto)

} // namespace kelvara
