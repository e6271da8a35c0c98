#include "app/window_placement.h"

#include "core/number_text.h"
#include "core/settings_store.h"

#include <QMargins>
#include <algorithm>

namespace {

const QString kWindowSection = QStringLiteral("Window");

// Less than this much of a window on a screen (in pixels, each way) cannot be
// grabbed with the mouse: such a place counts as off the screen.
constexpr int kMinimumVisible = 100;

std::optional<int> readInteger(const SettingsStore& store, const char* key, int min, int max) {
    const auto text = store.read(kWindowSection, QLatin1String(key));
    if (!text)
        return std::nullopt;
    const auto value = parseInteger(*text, min, max);
    if (!value)
        return std::nullopt;
    return static_cast<int>(*value);
}

} // namespace

std::optional<WindowPlace> ReadWindowPlace(const SettingsStore& store) {
    constexpr int kFar = 1 << 20; // far beyond any desktop, yet no overflow when added
    const auto left = readInteger(store, "Left", -kFar, kFar);
    const auto top = readInteger(store, "Top", -kFar, kFar);
    const auto width = readInteger(store, "Width", 1, kFar);
    const auto height = readInteger(store, "Height", 1, kFar);
    if (!left || !top || !width || !height)
        return std::nullopt;
    WindowPlace place;
    place.geometry = QRect(*left, *top, *width, *height);
    place.maximized = readInteger(store, "Maximized", 0, 1).value_or(0) == 1;
    return place;
}

void WriteWindowPlace(SettingsStore& store, const WindowPlace& place) {
    auto put = [&store](const char* key, int value) {
        store.write(kWindowSection, QLatin1String(key), QString::number(value));
    };
    put("Left", place.geometry.x());
    put("Top", place.geometry.y());
    put("Width", place.geometry.width());
    put("Height", place.geometry.height());
    put("Maximized", place.maximized ? 1 : 0);
    store.sync();
}

QRect FitInto(const QRect& geometry, const QMargins& frame, const QRect& availableArea) {
    const QRect inner = availableArea.marginsRemoved(frame);
    QRect fitted(geometry.topLeft(), geometry.size().boundedTo(inner.size()));
    fitted.moveLeft(std::clamp(fitted.left(), inner.left(), inner.right() - fitted.width() + 1));
    fitted.moveTop(std::clamp(fitted.top(), inner.top(), inner.bottom() - fitted.height() + 1));
    return fitted;
}

std::optional<QRect> FitStoredGeometry(const QRect& stored, const QList<QRect>& availableAreas) {
    if (!stored.isValid())
        return std::nullopt;
    const QRect* best = nullptr;
    qint64 bestArea = 0;
    for (const QRect& area : availableAreas) {
        const QRect shown = stored.intersected(area);
        if (shown.width() < std::min(kMinimumVisible, stored.width()) ||
            shown.height() < std::min(kMinimumVisible, stored.height()))
            continue;
        const qint64 size = qint64(shown.width()) * shown.height();
        if (size > bestArea) {
            bestArea = size;
            best = &area;
        }
    }
    if (!best)
        return std::nullopt;
    return FitInto(stored, QMargins(), *best);
}

QRect DefaultGeometry(const QRect& availableArea, const QMargins& frame) {
    const QRect inner = availableArea.marginsRemoved(frame);
    const QSize wanted(std::max(1000, availableArea.width() * 9 / 10),
                       std::max(680, availableArea.height() * 9 / 10));
    QRect geometry(QPoint(), wanted.boundedTo(inner.size()));
    geometry.moveCenter(inner.center());
    return geometry;
}
