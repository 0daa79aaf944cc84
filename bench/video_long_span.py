#!/usr/bin/env python3
"""What a long video costs before its frames: frostvale --video of HOURS
(default 10) hours into .mp4 at 64 x 36, one job, watched for WATCH seconds
(default 10): the largest resident memory of the program itself, of its
sound job and of all its processes together, sampled every 0.1 s; then
SIGINT and the time until the program has ended.

Usage: video_long_span.py FROSTVALE [HOURS [WATCH]]."""
import os
import signal
import subprocess
import sys
import tempfile
import time

program = os.path.abspath(sys.argv[1])
hours = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
watch = float(sys.argv[3]) if len(sys.argv) > 3 else 10.0


def tree(root):
    """The process and its descendants: {pid: (name, resident KiB)}."""
    parents, found = {}, {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                parents[int(entry)] = int(f.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            pass
    wanted = {root}
    for _ in range(4):
        wanted |= {pid for pid, parent in parents.items() if parent in wanted}
    for pid in wanted:
        try:
            with open("/proc/%d/status" % pid) as f:
                fields = dict(line.split(":", 1) for line in f if ":" in line)
            found[pid] = (fields["Name"].strip(), int(fields.get("VmRSS", "0 kB").split()[0]))
        except (OSError, KeyError, ValueError):
            pass
    return found


with tempfile.TemporaryDirectory() as folder:
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    run = subprocess.Popen([program, "--video", "0", str(hours * 3600), "long.mp4", "--size", "64x36", "--jobs", "1"],
                           cwd=folder, env=env, stderr=subprocess.DEVNULL)
    own = children = total = 0
    end = time.time() + watch
    while time.time() < end:
        processes = tree(run.pid)
        own = max(own, processes.get(run.pid, ("", 0))[1])
        children = max(children, max([kib for pid, (name, kib) in processes.items() if pid != run.pid] or [0]))
        total = max(total, sum(kib for _, kib in processes.values()))
        time.sleep(0.1)
    asked = time.time()
    run.send_signal(signal.SIGINT)
    code = run.wait()
    print("%.0f h of video (%d samples of sound), watched %.0f s: frostvale itself %.1f MB, its largest child "
          "%.1f MB, all its processes %.1f MB at most; SIGINT ended it in %.2f s with exit code %d"
          % (hours, round(hours * 3600 * 22050), watch, own / 1024, children / 1024, total / 1024,
             time.time() - asked, code))
