#!/usr/bin/env python3
"""The Wayland host's figures on a private headless sway (pixman, Mesa's
software EGL), beside the X11 program's own window on a private Xvfb
display, run by hand (not a test):

    python3 bench/wayland_timing.py BUILD_FOLDER [SECONDS]

BUILD_FOLDER is the native build (build/native), holding frostvale and
bench/libswap-counter.so. Prints: the time from starting --background (and
--background --still 34.3) to its first frame, the median of three starts
(the first buffer committed, as WAYLAND_DEBUG shows it); the processor
time a frame of the wallpaper at 1280 x 720 against the X11 program's own
1280 x 720 window, both at --delay 100000, for SECONDS each (default 10),
and their ratio; the processor time of a still over SECONDS after its
first frame. Ends with the machine's load: give it with any figure."""
import os
import re
import signal
import statistics
import subprocess
import sys
import time

BUILD = os.path.abspath(sys.argv[1])
SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else 10
os.environ.update(FROSTVALE_PROGRAM=os.path.join(BUILD, "frostvale"),
                  FROSTVALE_TEST_HOME=os.path.join(BUILD, "wayland-timing"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "linux"))
import wayland_env  # noqa: E402
import x11_env  # noqa: E402

COUNTER = os.path.join(BUILD, "bench", "libswap-counter.so")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")  # user + system


def first_frame(sway, *args):
    """Seconds from the start to the first buffer committed."""
    started = time.monotonic()
    run = sway.start(*args, env=sway.env(WAYLAND_DEBUG="1"))
    shown = None
    while shown is None and time.monotonic() - started < 30:
        run.err.seek(0)
        if re.search(rb"wl_surface@\d+\.attach\(wl_buffer@\d+, 0, 0\)", run.err.read()):
            shown = time.monotonic() - started
        time.sleep(0.005)
    run.send_signal(signal.SIGTERM)
    run.wait()
    return shown


def per_frame(program, env, preload_env=None):
    """(processor seconds a frame, frames a second) over SECONDS."""
    run = subprocess.Popen(program, env=dict(env, LD_PRELOAD=COUNTER), stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, text=True, **(preload_env or {}))
    time.sleep(2)  # start-up left out
    before = cpu_seconds(run.pid)
    time.sleep(SECONDS)
    used = cpu_seconds(run.pid) - before
    run.send_signal(signal.SIGTERM)
    report = run.communicate()[1]
    match = re.search(r"swaps (\d+) seconds ([\d.]+) fps ([\d.]+)", report)
    fps = float(match.group(3)) if match else 0.0
    return (used / (fps * SECONDS) if fps else float("nan")), fps


sway = wayland_env.Compositor("sway")
x11_env.start()
try:
    for label, args in (("first frame, --background:", ("--background",)),
                        ("first frame, --background --still 34.3:", ("--background", "--still", "34.3"))):
        times = [first_frame(sway, *args) for _ in range(3)]
        print("%-42s %.2f s (median of %s)" % (label, statistics.median(times),
                                               ", ".join("%.2f" % t for t in times)))
    wayland, wayland_fps = per_frame([sway.program, "--background", "--delay", "100000"], sway.env(),
                                     sway.as_user())
    x11, x11_fps = per_frame([x11_env.PROGRAM, "--delay", "100000"], x11_env.ENV)
    print("%-42s %.1f ms a frame at %.1f fps" % ("wallpaper 1280 x 720, --delay 100000:", wayland * 1000,
                                                 wayland_fps))
    print("%-42s %.1f ms a frame at %.1f fps" % ("X11 window 1280 x 720, --delay 100000:", x11 * 1000, x11_fps))
    print("%-42s %.2f" % ("wallpaper against X11 window:", wayland / x11))

    still = sway.start("--background", "--still", "34.3")
    wayland_env.wait_for(lambda: wayland_env.shows_scene(sway.grim("still.png")), 30)
    time.sleep(1)
    before = cpu_seconds(still.pid)
    time.sleep(SECONDS)
    print("%-42s %.3f s over %g s" % ("still, after its first frame:", cpu_seconds(still.pid) - before, SECONDS))
    still.send_signal(signal.SIGTERM)
    still.wait()
finally:
    x11_env.stop()
    sway.close()
print("load average: %s" % open("/proc/loadavg").read().split()[0:3])
