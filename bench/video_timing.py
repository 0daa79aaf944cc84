#!/usr/bin/env python3
"""Frames a second that frostvale --video renders and encodes (H.264,
30 frames a second) at 1920 x 1080 and 1280 x 720: on every core this
process may use and held to one (taskset -c 0), with the default jobs and
with one job whose llvmpipe takes every core; the real-time factor, the
megabytes a minute of video, the processor seconds a frame, and the load
(uptime) before and after each run, since a shared machine skews the wall
times (the processor seconds a frame much less).

Usage: video_timing.py FROSTVALE [SECONDS] (default 4 s of video a run)."""
import os
import resource
import subprocess
import sys
import tempfile
import time

program = os.path.abspath(sys.argv[1])
seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 4.0
cores = len(os.sched_getaffinity(0))


def load():
    return os.getloadavg()[0]


def run(size, pin, jobs, lp_threads):
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    if lp_threads is not None:
        env["LP_NUM_THREADS"] = str(lp_threads)
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, "bench.mp4")
        command = [program, "--video", "0", str(seconds), out, "--size", size]
        if jobs:
            command += ["--jobs", str(jobs)]
        if pin:
            command = ["taskset", "-c", "0"] + command
        before_load = load()
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.monotonic()
        subprocess.run(command, env=env, check=True)
        wall = time.monotonic() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        megabytes = os.path.getsize(out) / 1e6
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    frames = round(seconds * 30)
    print("%-9s  %-9s  %-22s  %6.2f frames/s  real time x %.3f  %5.1f MB/min  %.3f cpu s/frame  load %.1f -> %.1f"
          % (size, "core 0" if pin else "%d cores" % cores,
             ("jobs %s" % (jobs or "default")) + ("" if lp_threads is None else ", LP_NUM_THREADS=%d" % lp_threads),
             frames / wall, seconds / wall, megabytes / seconds * 60, cpu / frames, before_load, load()),
          flush=True)


print("uptime:", subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip())
for size in ("1920x1080", "1280x720"):
    run(size, False, None, None)             # one job a core, llvmpipe on the job's thread
    run(size, False, 1, cores)               # one job, llvmpipe on every core
    run(size, False, 2 * cores, None)        # two jobs a core
    run(size, True, None, None)              # held to one core
print("uptime:", subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip())
