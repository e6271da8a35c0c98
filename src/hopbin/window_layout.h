#pragma once

#include <QRectF>
#include <optional>

// Where the child windows go inside the main window (all in twips). With the
// Network Query window shown and an analyzer test selected, the network window
// takes the right third and the analyzer the rest; otherwise the network window
// is centred at half the width and the analyzers stay where they are.
struct TilingInput {
    double clientWidth = 0; // the main window's client area, twips
    double clientHeight = 0;
    bool networkWindowShown = false; // the "Network Diagnostics" entry is checked
    bool binAnalyzerSelected = false;
    bool spectrumSelected = false;
};

struct ChildPlacement {
    QRectF network;
    std::optional<QRectF> analyzer; // the hop bin or spectrum window, when moved
};

ChildPlacement TileChildWindows(const TilingInput& input);
