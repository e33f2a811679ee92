// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A label that reports a click, for the information window's links. A click
// is a left-button press and release both on the label, as with a button:
// pressing on a link and letting go elsewhere does nothing.

#include <QLabel>

namespace kelvara {

class TClickLabel : public QLabel {
    Q_OBJECT

public:
    explicit TClickLabel(QWidget* parent = nullptr);

signals:
    // `sender` is this label, so that one handler can serve several links
    // and tell them apart.
    void Click(QObject* sender);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

} // namespace kelvara
