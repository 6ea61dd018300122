#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Times the start-up of the window: from just before the process is started to the moment the
window is shown and its event loop is idle. Compares the program's window on its default table
with an empty Qt window. Usage: measure-startup.py <folder of prefixbook_startup> [runs]."""
import os
import statistics
import subprocess
import sys
import time

folder = sys.argv[1]
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
probe = os.path.join(folder, "prefixbook_startup")
env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"))


def once(args):
    start = time.monotonic_ns()
    out = subprocess.run([probe] + args, env=env, capture_output=True, text=True, check=True).stdout
    return (int(out.split()[0]) - start) / 1e6


for label, args in (("empty Qt window", ["--empty"]), ("Form1 with DXCC22", [])):
    once(args)  # warms the file cache
    times = [once(args) for _ in range(runs)]
    print(f"{label:20} median {statistics.median(times):6.1f} ms  "
          f"min {min(times):6.1f}  max {max(times):6.1f}  ({runs} runs)")
