#include "hopbin/window_layout.h"

ChildPlacement TileChildWindows(const TilingInput& in) {
    const double sw = in.clientWidth;
    const double sh = in.clientHeight;
    ChildPlacement placement;
    if (in.networkWindowShown && (in.binAnalyzerSelected || in.spectrumSelected)) {
        const double networkWidth = 0.33 * sw;
        placement.network = QRectF(sw - networkWidth, 0, networkWidth, sh);
        placement.analyzer = QRectF(0, 0, 0.67 * sw, sh);
    } else {
        const double networkWidth = sw / 2;
        placement.network = QRectF(sw / 2 - networkWidth / 2, 0, networkWidth, sh);
    }
    return placement;
}
