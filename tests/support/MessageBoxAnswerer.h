// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Answers the modal message boxes that the code under test shows while this
// object lives, the way a user would: each box is noted as it is shown (its
// title, text and icon) and then its OK button is pressed, from the box's
// own event loop. A test may do something else instead when a box shows
// (close it by other means, say) through `onShown`.

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

namespace kelvara::test {

class MessageBoxAnswerer : public QObject {
public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon;
    };

    MessageBoxAnswerer();
    ~MessageBoxAnswerer() override;
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // Every box shown so far, in order.
    std::vector<Box> boxes;
    // Runs, from the box's event loop, instead of pressing OK.
    std::function<void(QMessageBox&)> onShown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kelvara::test
