#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Callsigns a second through `prefixbook-cli lookup`, standard input to standard output, whole rows
# printed: the real callsigns of MASTER.SCP (hamradio-files) repeated REPEAT times, against the
# default table and a 1,000,000-row table. Median of RUNS runs.
# usage: bench/lookup-throughput.sh BUILD_DIR [RUNS] [REPEAT]
set -euo pipefail
build=$(realpath "$1"); runs=${2:-5}; repeat=${3:-20}
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

grep -v '^#' /usr/share/hamradio-files/MASTER.SCP > "$work/once.txt"
for _ in $(seq "$repeat"); do cat "$work/once.txt"; done > "$work/calls.txt"
calls=$(wc -l < "$work/calls.txt")
"$here/make-tables.sh" "$build/bin/DXCC22.db" "$work" 1000000 > /dev/null

measure() { # table → median seconds
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    "$build/bin/prefixbook-cli" lookup --table "$1" < "$work/calls.txt" > "$work/out.txt" || [ $? -eq 1 ]
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

echo "callsigns: $calls ($(wc -l < "$work/once.txt") of MASTER.SCP x $repeat), median of $runs runs"
for table in "$build/bin/DXCC22.db" "$work/1000000/DXCC22.db"; do
  rows=$(sqlite3 "$table" 'SELECT count(*) FROM DXCC22')
  seconds=$(measure "$table")
  printf '%9s rows: %.3f s, %.2f million callsigns/s\n' "$rows" "$seconds" "$(echo "$calls / $seconds / 1000000" | bc -l)"
done
