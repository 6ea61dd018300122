#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Start-up and peak memory of the window on tables of several sizes, against an empty Qt window
program built the same way: from just before the process starts to the window shown with the
table open and the event loop idle (the probe prints the time then and quits).

usage: bench/startup.py BUILD_DIR TABLES_DIR [RUNS]
TABLES_DIR holds 100000/DXCC22.db and 1000000/DXCC22.db (bench/make-tables.sh makes them).
The platform is QT_QPA_PLATFORM (offscreen when unset; xcb needs DISPLAY)."""
import os
import shutil
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import time

build, tables = sys.argv[1], sys.argv[2]
runs = int(sys.argv[3]) if len(sys.argv) > 3 else 15
env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"))
bin_dir = os.path.join(build, "bin")


def once(program):
    start = time.monotonic_ns()
    process = subprocess.Popen([program], env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out = process.stdout.read()
    _, status, usage = os.wait4(process.pid, 0)
    if status != 0:
        raise SystemExit(f"{program} failed: {status}")
    return (int(out.split()[0]) - start) / 1e6, usage.ru_maxrss / 1024


def measure(program):
    once(program)  # warms the file cache
    samples = [once(program) for _ in range(runs)]
    return statistics.median(t for t, _ in samples), max(m for _, m in samples)


with tempfile.TemporaryDirectory() as work:
    # The window's own cost: the default table's fields without a record.
    no_records = os.path.join(work, "no-records.db")
    shutil.copy(os.path.join(bin_dir, "DXCC22.db"), no_records)
    with sqlite3.connect(no_records) as db:
        db.execute("DELETE FROM DXCC22")
    cases = [("empty Qt window", os.path.join(bin_dir, "prefixbook_startup_empty"), None)]
    for label, table in (("no records", no_records),
                         ("default table", os.path.join(bin_dir, "DXCC22.db")),
                         ("100,000 rows", os.path.join(tables, "100000", "DXCC22.db")),
                         ("1,000,000 rows", os.path.join(tables, "1000000", "DXCC22.db"))):
        folder = os.path.join(work, label.replace(" ", "_").replace(",", ""))
        os.mkdir(folder)
        shutil.copy(os.path.join(bin_dir, "prefixbook_startup"), folder)
        os.symlink(os.path.abspath(table), os.path.join(folder, "DXCC22.db"))
        cases.append((label, os.path.join(folder, "prefixbook_startup"), table))

    results = [(label, *measure(program)) for label, program, _ in cases]
    floor = results[0][1]
    default_memory = results[2][2]
    print(f"platform {env['QT_QPA_PLATFORM']}, median of {runs} runs")
    print(f"{'':18} {'start-up':>10} {'x empty':>8} {'peak RSS':>10} {'x default':>9}")
    for label, ms, mb in results:
        print(f"{label:18} {ms:8.1f} ms {ms / floor:8.2f} {mb:7.1f} MB {mb / default_memory:9.2f}")
