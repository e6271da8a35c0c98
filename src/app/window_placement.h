#pragma once

#include <QList>
#include <QRect>
#include <optional>

class SettingsStore;

// Where the main window opens. It remembers its place between runs in the
// settings section "Window" (keys "Left", "Top", "Width", "Height" in pixels and
// "Maximized" 0/1). A stored place is used only while it still lies on one of the
// screens (a screen unplugged since, a smaller resolution): then it is made to fit
// that screen; otherwise the window opens at its default place.
struct WindowPlace {
    QRect geometry; // the window without its frame, in desktop coordinates
    bool maximized = false;
};

std::optional<WindowPlace> ReadWindowPlace(const SettingsStore& store);
void WriteWindowPlace(SettingsStore& store, const WindowPlace& place);

// The stored geometry moved and shrunk into the available area of the screen it
// lies on most; nullopt when it is empty or shows too little on every screen.
std::optional<QRect> FitStoredGeometry(const QRect& stored, const QList<QRect>& availableAreas);

// The default: most of the screen's available area (the analyzers want room),
// centred, never larger than the area less the window frame.
QRect DefaultGeometry(const QRect& availableArea, const QMargins& frame);

// `geometry` shrunk and moved so that, with its frame, it lies inside the area.
QRect FitInto(const QRect& geometry, const QMargins& frame, const QRect& availableArea);
