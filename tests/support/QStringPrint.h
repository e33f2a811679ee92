// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Lets GoogleTest show a QString as its text in failure messages.

#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
