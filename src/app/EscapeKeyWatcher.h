// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Watches every window of the application for an Escape press and reports it
// to the Escape key state (NoteEscapePressed), so that a short tap between two
// rename steps still counts. It never consumes the key.

#include <QObject>

namespace kelvara {

class TEscapeKeyWatcher : public QObject {
public:
    // Installs itself on the application; removed when destroyed.
    explicit TEscapeKeyWatcher(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kelvara
