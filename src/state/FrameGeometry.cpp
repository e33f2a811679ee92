// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/FrameGeometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cstdint>
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

// A rectangle's edges in 64 bits. A value from the state file may stand at
// either end of the int range, and the sums and differences of two such
// values do not fit in an int; QRect's own width(), intersects() and moves
// compute in int. The edges themselves are QRect's as stored (its right and
// bottom are inclusive).
struct TEdges {
    std::int64_t left, top, right, bottom;

    explicit TEdges(const QRect& r)
        : left(r.left()), top(r.top()), right(r.right()), bottom(r.bottom()) {}
    std::int64_t Width() const { return right - left + 1; }
    std::int64_t Height() const { return bottom - top + 1; }
    bool Empty() const { return Width() <= 0 || Height() <= 0; }
    bool Touches(const TEdges& o) const {
        return !Empty() && !o.Empty() && left <= o.right && o.left <= right && top <= o.bottom &&
               o.top <= bottom;
    }
    void MoveLeft(std::int64_t x) {
        right += x - left;
        left = x;
    }
    void MoveTop(std::int64_t y) {
        bottom += y - top;
        top = y;
    }
    // The same corner, at least one pixel in each direction: an empty frame
    // is placed as the point where it stands.
    TEdges AtLeastAPoint() const {
        TEdges point = *this;
        point.right = std::max(right, left);
        point.bottom = std::max(bottom, top);
        return point;
    }
};

int ClampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// The distance between two rectangles, squared; 0 when they touch. At most
// (2^33)^2 * 2, well inside 64 bits' unsigned range, so it is kept unsigned.
std::uint64_t DistanceSquared(const TEdges& a, const TEdges& b) {
    const auto dx =
        static_cast<std::uint64_t>(std::max<std::int64_t>({0, b.left - a.right, a.left - b.right}));
    const auto dy =
        static_cast<std::uint64_t>(std::max<std::int64_t>({0, b.top - a.bottom, a.top - b.bottom}));
    return dx * dx + dy * dy;
}

// What a window can be moved to or sized to without Qt's own int arithmetic
// (corner plus size) overflowing: positions within the range of sizes a
// widget may have, either way, and sizes from nothing to that. A position
// clamped here is off every screen all the same and comes back on the
// nearest one (BringOntoScreen); Qt clamps sizes to that range anyway.
int SafePosition(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

int SafeSize(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, 0, QWIDGETSIZE_MAX));
}

} // namespace

bool KnowsWindowPlaces(const QString& platformName) {
    // "wayland", and its variants "wayland-egl", "wayland-xcomposite-glx"...
    return !platformName.startsWith(QLatin1String("wayland"));
}

bool KnowsWindowPlaces() {
    return KnowsWindowPlaces(QGuiApplication::platformName());
}

QRect FrameRect(const QWidget* window) {
    return window->frameGeometry();
}

// For a window, x() and y() are the frame's corner, and move() places the
// frame there.
void SetFrameTop(QWidget* window, int top) {
    window->move(window->x(), SafePosition(top));
}

void SetFrameLeft(QWidget* window, int left) {
    window->move(SafePosition(left), window->y());
}

void SetFrameWidth(QWidget* window, int width) {
    window->resize(SafeSize(std::int64_t{width} - FrameExtra(window).width()), window->height());
}

void SetFrameHeight(QWidget* window, int height) {
    window->resize(window->width(), SafeSize(std::int64_t{height} - FrameExtra(window).height()));
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
    const TEdges edges = TEdges(frame).AtLeastAPoint();
    qsizetype nearest = -1;
    std::uint64_t best = std::numeric_limits<std::uint64_t>::max();
    for (qsizetype i = 0; i < screens.size() && i < workAreas.size(); ++i) {
        const TEdges screen(screens[i]);
        if (edges.Touches(screen))
            return frame;
        const std::uint64_t distance = DistanceSquared(edges, screen);
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    if (nearest < 0)
        return frame;
    const TEdges area(workAreas[nearest]);
    TEdges placed = edges;
    if (placed.right > area.right)
        placed.MoveLeft(area.right - placed.Width() + 1);
    if (placed.left < area.left)
        placed.MoveLeft(area.left);
    if (placed.bottom > area.bottom)
        placed.MoveTop(area.bottom - placed.Height() + 1);
    if (placed.top < area.top)
        placed.MoveTop(area.top);
    // The corner now lies in the work area, and the frame keeps its own
    // size; an edge beyond the int range (a frame larger than any screen) is
    // cut there.
    const TEdges original(frame);
    return {QPoint(ClampToInt(placed.left), ClampToInt(placed.top)),
            QPoint(ClampToInt(placed.left + original.Width() - 1),
                   ClampToInt(placed.top + original.Height() - 1))};
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
