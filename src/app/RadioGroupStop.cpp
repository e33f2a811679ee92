// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RadioGroupStop.h"

#include <QRadioButton>
#include <algorithm>

namespace kelvara {

namespace {

void PlaceStop(const std::vector<QRadioButton*>& group) {
    const auto checked =
        std::find_if(group.begin(), group.end(), [](QRadioButton* b) { return b->isChecked(); });
    const QRadioButton* stop = checked != group.end() ? *checked : group.front();
    // The others still take the focus from a click or an arrow key (Qt
    // moves it between buttons that exclude each other), only not from Tab.
    for (QRadioButton* button : group)
        button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

} // namespace

void MakeOneTabStop(const std::vector<QRadioButton*>& group) {
    if (group.empty())
        return;
    for (QRadioButton* button : group)
        QObject::connect(button, &QAbstractButton::toggled, button, [group] { PlaceStop(group); });
    PlaceStop(group);
}

} // namespace kelvara
