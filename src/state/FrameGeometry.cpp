#include "state/FrameGeometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <limits>

namespace kelvara {

namespace {

// How much the frame adds to the inside; nothing until the window is
// decorated.
QSize FrameExtra(const QWidget* window) {
    return window->frameGeometry().size() - window->geometry().size();
}

// Marks a window whose keeper is still waiting, so a second load cannot
// shrink it twice.
constexpr char KeeperProperty[] = "kelvaraFrameSizeKept";

// Shrinks the inside once the frame is known, then goes. It holds no size of
// its own: whatever the window's inside is when the frame appears was meant
// as its outer size.
class TFrameSizeKeeper : public QObject {
public:
    TFrameSizeKeeper(QWidget* window, Qt::Orientations which) : m_window(window), m_which(which) {
        m_window->setProperty(KeeperProperty, true);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && m_window->isVisible() &&
            (event->type() == QEvent::Show || event->type() == QEvent::Move ||
             event->type() == QEvent::Resize)) {
            QSize extra = FrameExtra(m_window);
            if (!m_which.testFlag(Qt::Horizontal))
                extra.setWidth(0);
            if (!m_which.testFlag(Qt::Vertical))
                extra.setHeight(0);
            if (extra.width() > 0 || extra.height() > 0) {
                m_window->removeEventFilter(this);
                m_window->setProperty(KeeperProperty, QVariant());
                m_window->resize(m_window->size() - extra);
                deleteLater();
            }
        }
        return false;
    }

private:
    QWidget* m_window;
    Qt::Orientations m_which;
};

long long Squared(long long v) {
    return v * v;
}

// The distance between two rectangles, squared; 0 when they touch.
long long DistanceSquared(const QRect& a, const QRect& b) {
    const long long dx = std::max({0, b.left() - a.right(), a.left() - b.right()});
    const long long dy = std::max({0, b.top() - a.bottom(), a.top() - b.bottom()});
    return Squared(dx) + Squared(dy);
}

} // namespace

QRect FrameRect(const QWidget* window) {
    return window->frameGeometry();
}

// For a window, x() and y() are the frame's corner, and move() places the
// frame there.
void SetFrameTop(QWidget* window, int top) {
    window->move(window->x(), top);
}

void SetFrameLeft(QWidget* window, int left) {
    window->move(left, window->y());
}

void SetFrameWidth(QWidget* window, int width) {
    window->resize(width - FrameExtra(window).width(), window->height());
}

void SetFrameHeight(QWidget* window, int height) {
    window->resize(window->width(), height - FrameExtra(window).height());
}

void KeepFrameSizeUntilShown(QWidget* window, Qt::Orientations which) {
    const QSize extra = FrameExtra(window);
    if (which == Qt::Orientations() || window->isVisible() || extra.width() > 0 ||
        extra.height() > 0 || window->property(KeeperProperty).toBool())
        return;
    auto* keeper = new TFrameSizeKeeper(window, which);
    window->installEventFilter(keeper);
    // The keeper is no child of the window (it would count as one of the
    // form's components); it goes with the window at the latest.
    QObject::connect(window, &QObject::destroyed, keeper, [keeper] { delete keeper; });
}

QRect PlaceOnScreens(const QRect& frame, const QList<QRect>& screens,
                     const QList<QRect>& workAreas) {
    qsizetype nearest = -1;
    long long best = std::numeric_limits<long long>::max();
    for (qsizetype i = 0; i < screens.size() && i < workAreas.size(); ++i) {
        if (frame.intersects(screens[i]))
            return frame;
        const long long distance = DistanceSquared(frame, screens[i]);
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    if (nearest < 0)
        return frame;
    const QRect area = workAreas[nearest];
    QRect placed = frame;
    if (placed.x() + placed.width() > area.x() + area.width())
        placed.moveLeft(area.x() + area.width() - placed.width());
    if (placed.x() < area.x())
        placed.moveLeft(area.x());
    if (placed.y() + placed.height() > area.y() + area.height())
        placed.moveTop(area.y() + area.height() - placed.height());
    if (placed.y() < area.y())
        placed.moveTop(area.y());
    return placed;
}

void BringOntoScreen(QWidget* window) {
    QList<QRect> screens;
    QList<QRect> workAreas;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.append(screen->geometry());
        workAreas.append(screen->availableGeometry());
    }
    const QRect frame = FrameRect(window);
    const QRect placed = PlaceOnScreens(frame, screens, workAreas);
    if (placed.topLeft() != frame.topLeft())
        window->move(placed.topLeft());
}

} // namespace kelvara
