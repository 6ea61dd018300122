#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a command against a private Xvfb server on a free display, then stops that server (by its pid).
set -eu

tmp=$(mktemp -d)
# -displayfd: the server picks a free display itself and writes its number once clients may connect.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$tmp"' EXIT
trap 'exit 130' INT TERM

tries=0
until [ "$(wc -l <"$tmp/display")" -ge 1 ]; do
  if ! kill -0 "$xvfb" 2>/dev/null; then
    echo "Xvfb did not start:" >&2
    cat "$tmp/xvfb.log" >&2
    exit 1
  fi
  tries=$((tries + 1))
  if [ "$tries" -gt 200 ]; then
    echo "Xvfb did not report a display within 20 s" >&2
    exit 1
  fi
  sleep 0.1
done

DISPLAY=":$(head -n 1 "$tmp/display")"
export DISPLAY
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
"$@"
