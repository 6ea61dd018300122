#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Times the start-up of the window: from just before the process is started to the moment the
window is shown and its event loop is idle. Compares the program's window on its default table
with an empty Qt window program. Build the targets prefixbook_startup and prefixbook_startup_empty
first. Usage: measure-startup.py <their folder> [runs]."""
import os
import statistics
import subprocess
import sys
import time

folder = sys.argv[1]
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15

env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"))


def once(program):
    start = time.monotonic_ns()
    out = subprocess.run([os.path.join(folder, program)], env=env, capture_output=True, text=True, check=True).stdout
    return (int(out.split()[0]) - start) / 1e6


for label, program in (("empty Qt window", "prefixbook_startup_empty"),
                       ("Form1 with DXCC22", "prefixbook_startup")):
    once(program)  # warms the file cache
    times = [once(program) for _ in range(runs)]
    print(f"{label:20} median {statistics.median(times):6.1f} ms  "
          f"min {min(times):6.1f}  max {max(times):6.1f}  ({runs} runs)")
