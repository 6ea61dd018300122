#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and then starts prefixbook (`./dev.sh run`) or runs every test (`./dev.sh test`).
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  cmake g++ ninja-build pkg-config
  qt6-base-dev qt6-tools-dev libqt6opengl6-dev
  libsqlite3-dev libsqlitecpp-dev sqlite3
  libxkbfile-dev libx11-dev
  hamradio-files
  fonts-wine fonts-liberation
  xvfb xautomation x11-xkb-utils x11-utils
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

BUILD_DIR=${BUILD_DIR:-build}
build() {
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}

case "${1:-}" in
  run)
    install_missing
    build
    exec "$BUILD_DIR/bin/prefixbook"
    ;;
  test)
    install_missing
    build
    cd "$BUILD_DIR"
    ctest --output-on-failure --timeout 600
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
