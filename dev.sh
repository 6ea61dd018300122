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
  clang libclang-rt-14-dev
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
    (cd "$BUILD_DIR" && ctest --output-on-failure --timeout 600)

    # The whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
    BUILD_DIR=build-sanitize build -DPREFIXBOOK_SANITIZE=ON
    (cd build-sanitize &&
      ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      LSAN_OPTIONS=suppressions=$PWD/../tests/sanitizers/lsan.supp \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --output-on-failure --timeout 900)

    # The search under libFuzzer for a bounded time, from the corpus kept in tests/fuzz/corpus.
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPREFIXBOOK_FUZZ=ON
    cmake --build build-fuzz --parallel "$(nproc)" --target fuzz_search
    fuzz_work=$(mktemp -d)
    trap 'rm -rf "$fuzz_work"' EXIT
    ASAN_OPTIONS=detect_leaks=0 build-fuzz/tests/fuzz_search -max_total_time="${FUZZ_SECONDS:-120}" -timeout=20 \
      -print_final_stats=1 "$fuzz_work" tests/fuzz/corpus
    echo "fuzz_search: no crash, no disagreement in ${FUZZ_SECONDS:-120} s"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
