#!/usr/bin/env python3
"""Frame rate and CPU share of the Linux program on a private Xvfb display
(Mesa's software GLX), run by hand (not a test):

    python3 tests/bench/frame_rate_x11.py BUILD_FOLDER [SECONDS]

BUILD_FOLDER is the native build (build/native), holding frostvale and
tests/bench/libswap-counter.so. Runs the program for SECONDS (default 10)
in its own 1280 x 720 window, in a 640 x 360 window by number (with
--delay 0 and --delay 33333) and in a 320 x 240 window (the preview), and
prints the frames per second and the share of one core it used in each."""
import os
import signal
import subprocess
import sys
import time

BUILD = os.path.abspath(sys.argv[1])
SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else 10
os.environ.update(FROSTVALE_PROGRAM=os.path.join(BUILD, "frostvale"),
                  FROSTVALE_TEST_HOME=os.path.join(BUILD, "frame-rate"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "linux"))
import x11_env  # noqa: E402

COUNTER = os.path.join(BUILD, "tests", "bench", "libswap-counter.so")


def measure(label, args, env=None):
    env = dict(env or x11_env.ENV, LD_PRELOAD=COUNTER)
    program = subprocess.Popen([x11_env.PROGRAM] + args, env=env, stderr=subprocess.PIPE, text=True)
    time.sleep(SECONDS)
    with open("/proc/%d/stat" % program.pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    cpu = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")  # user + system
    program.send_signal(signal.SIGTERM)
    report = program.communicate()[1].strip().splitlines()
    print("%-38s %s, %.0f %% of one core" % (label, report[-1] if report else "no swaps",
                                             100 * cpu / SECONDS))


x11_env.start()
try:
    measure("own window 1280 x 720:", [])
    window = x11_env.make_window(0, 0, 640, 360)
    for delay in ("0", "33333"):
        measure("window 640 x 360, --delay %s:" % delay, ["--window-id", str(window), "--delay", delay])
    preview = x11_env.make_window(0, 400, 320, 240)
    measure("preview 320 x 240:", ["--root"], dict(x11_env.ENV, XSCREENSAVER_WINDOW=str(preview)))
finally:
    x11_env.stop()
