#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes larger prefix tables for the benchmarks, reproducibly: the default table's rows, then
# synthetic prefixes (X00000001, ...) that copy the data of the default rows in turn.
# usage: bench/make-tables.sh DEFAULT_TABLE OUT_DIR ROWS...
set -euo pipefail
default=$1; out=$2; shift 2
for rows in "$@"; do
  dir="$out/$rows"
  mkdir -p "$dir"
  rm -f "$dir/DXCC22.db"
  cp "$default" "$dir/DXCC22.db"
  sqlite3 "$dir/DXCC22.db" >/dev/null <<SQL
PRAGMA journal_mode = OFF;
PRAGMA synchronous = OFF;
CREATE TEMP TABLE source AS SELECT row_number() OVER (ORDER BY Prefix) - 1 AS n, * FROM DXCC22;
WITH RECURSIVE i(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM i WHERE k < $rows - (SELECT count(*) FROM source))
INSERT INTO DXCC22
SELECT printf('X%08d', k), Country, DXCC, Continent, CQ, ITU, Latitude, Longitude, UTC, F7
FROM i JOIN source ON source.n = k % (SELECT count(*) FROM source);
VACUUM;
SQL
  echo "$dir/DXCC22.db: $(sqlite3 "$dir/DXCC22.db" 'SELECT count(*) FROM DXCC22') rows"
done
