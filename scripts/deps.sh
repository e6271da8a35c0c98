#!/usr/bin/env bash
# Installs what building, testing and running the suite need, when it is missing.
# Idempotent and quiet when everything is there; uses sudo when not run as root.
# Usage: scripts/deps.sh [build|test|ci]
set -euo pipefail

profile=${1:-build}
packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libxkbcommon-dev fonts-dejavu-core
    fonts-liberation2)
case "$profile" in
build) ;;
test) packages+=(qt6-base-private-dev libgtest-dev libgmock-dev googletest libbenchmark-dev poppler-utils) ;;
ci) packages+=(qt6-base-private-dev libgtest-dev libgmock-dev googletest libbenchmark-dev poppler-utils clang libclang-rt-14-dev) ;;
*) echo "usage: $0 [build|test|ci]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq >&2
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
