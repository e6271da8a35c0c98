#!/usr/bin/env bash
# Takes the screenshots in docs/images/screens/: the suite running live on the
# bundled emulator under Xvfb, on a 1024x600 netbook screen, a 1366x768 laptop
# screen and a 1920x1200 screen at scale factors 1 and 2, in a light and a dark
# desktop palette.
#
# The dark palette reaches the suite the way it does on a Linux desktop without
# KDE: through the qt6ct platform theme (QT_QPA_PLATFORMTHEME=qt6ct) with its
# "darker" colour scheme, configured in a private XDG_CONFIG_HOME. The light one is
# Qt's own default. Each shot starts with fresh settings (no stored window place).
#
# Usage: scripts/screenshots.sh            (uses build/, or $BUILD_DIR)
# Needs: xvfb xauth xdotool imagemagick qt6ct (installed when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
exe=${BUILD_DIR:-build}/src/veltrane-diagnostics
out=docs/images/screens
[ -x "$exe" ] || { echo "build the suite first: scripts/build.sh" >&2; exit 1; }

need=()
for p in xvfb xauth xdotool imagemagick qt6ct; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
    if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${need[@]}" >&2
fi
mkdir -p "$out"

# name, screen size, scale factor, palette
shots=(
    "1024x600-light 1024x600 1 light"
    "1024x600-dark 1024x600 1 dark"
    "1366x768-light 1366x768 1 light"
    "1366x768-dark 1366x768 1 dark"
    "1920x1200-light 1920x1200 1 light"
    "1920x1200-scale2-light 1920x1200 2 light"
    "1920x1200-scale2-dark 1920x1200 2 dark"
)

display=:97
for shot in "${shots[@]}"; do
    read -r name size scale palette <<<"$shot"
    home=$(mktemp -d)
    mkdir -m 700 "$home/runtime"
    Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    sleep 1
    env=(DISPLAY="$display" QT_SCALE_FACTOR="$scale" XDG_CONFIG_HOME="$home/config"
        XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/runtime")
    if [ "$palette" = dark ]; then
        mkdir -p "$home/config/qt6ct"
        printf '[Appearance]\ncustom_palette=true\ncolor_scheme_path=%s\nstyle=Fusion\n' \
            /usr/share/qt6ct/colors/darker.conf >"$home/config/qt6ct/qt6ct.conf"
        env+=(QT_QPA_PLATFORMTHEME=qt6ct)
    fi
    env "${env[@]}" "$exe" --emulate --emulator-arg=--sync-delay=0 >/dev/null 2>&1 &
    suite=$!
    sleep 4
    # Play: the first button of the tool bar, under the menu bar.
    window=$(DISPLAY=$display xdotool search --name "Veltrane Diagnostics Suite" | head -1)
    eval "$(DISPLAY=$display xdotool getwindowgeometry --shell "$window")"
    DISPLAY=$display xdotool mousemove $((X + 14 * scale)) $((Y + 38 * scale)) click 1
    sleep 6
    DISPLAY=$display import -window root "$out/$name.png"
    kill "$suite" 2>/dev/null || true
    wait "$suite" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    rm -rf "$home"
    # A palette of 256 colours keeps the pictures small; window contents have few.
    convert "$out/$name.png" -strip PNG8:"$out/$name.png"
    echo "$out/$name.png"
done
