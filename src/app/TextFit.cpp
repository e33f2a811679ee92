// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TextFit.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QRect>
#include <QWidget>
#include <algorithm>
#include <map>
#include <vector>

namespace kelvara {

namespace {

bool IsPanel(const QWidget* widget) {
    return widget->metaObject() == &QFrame::staticMetaObject;
}

bool ShowsText(const QWidget* widget) {
    return qobject_cast<const QLabel*>(widget) != nullptr ||
           qobject_cast<const QAbstractButton*>(widget) != nullptr;
}

void GrowToText(QWidget* control) {
    const QSize wanted = control->sizeHint();
    control->resize(std::max(control->width(), wanted.width()),
                    std::max(control->height(), wanted.height()));
}

// A panel's controls grow, then the panel round them, keeping to the right
// and below them the margin its design keeps to their left and above them.
void GrowPanel(QWidget* panel) {
    const auto controls = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    if (controls.isEmpty())
        return;
    int marginX = panel->width();
    int marginY = panel->height();
    int right = 0;
    int bottom = 0;
    for (QWidget* control : controls) {
        if (ShowsText(control))
            GrowToText(control);
        marginX = std::min(marginX, control->x());
        marginY = std::min(marginY, control->y());
        right = std::max(right, control->x() + control->width());
        bottom = std::max(bottom, control->y() + control->height());
    }
    panel->resize(std::max(panel->width(), right + std::max(marginX, 0)),
                  std::max(panel->height(), bottom + std::max(marginY, 0)));
}

} // namespace

QSize FitToTexts(QWidget* form, int border) {
    const QSize designed = form->size();
    std::vector<QWidget*> panels;
    std::vector<QWidget*> controls;
    for (QWidget* child : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (IsPanel(child))
            panels.push_back(child);
        else
            controls.push_back(child);
    }
    // The design's geometry, before anything grows.
    std::map<const QWidget*, QRect> designedPanels;
    for (const QWidget* panel : panels)
        designedPanels[panel] = panel->geometry();

    for (QWidget* panel : panels)
        GrowPanel(panel);
    for (QWidget* control : controls)
        if (ShowsText(control))
            GrowToText(control);

    // A panel that grew taller pushes down every panel that stood below it,
    // so the gaps between them stay.
    std::map<const QWidget*, int> pushedBy;
    for (const QWidget* grown : panels) {
        const QRect before = designedPanels[grown];
        const int taller = grown->height() - before.height();
        for (const QWidget* panel : panels)
            if (designedPanels[panel].top() >= before.top() + before.height())
                pushedBy[panel] += taller;
    }
    for (QWidget* panel : panels)
        panel->move(panel->x(), panel->y() + pushedBy[panel]);

    // Panels that shared a right edge share the furthest one any of them
    // needs now.
    std::map<int, int> edges;
    for (const QWidget* panel : panels) {
        int& edge = edges[designedPanels[panel].x() + designedPanels[panel].width()];
        edge = std::max(edge, panel->x() + panel->width());
    }
    for (QWidget* panel : panels) {
        const QRect before = designedPanels[panel];
        panel->resize(edges[before.x() + before.width()] - panel->x(), panel->height());
    }

    QSize needed = designed;
    for (const QWidget* child : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        needed = needed.expandedTo(
            QSize(child->x() + child->width() + border, child->y() + child->height() + border));
    }
    return needed;
}

} // namespace kelvara
