"""Leaves Frostvale2026.scr running in its window (/w) under Wine on a
private display for MINUTES minutes and prints, every 30 seconds, its
memory (resident set of its process), its handle count, its frames per
second (Mesa's heads-up display, written to files, never shown) and its
share of a core. Over a long run every column should stay flat.

Usage: soak.py MINUTES (tools/soak.sh builds the program and runs this)."""
import glob
import os
import sys
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = os.path.join(root, os.environ.get("FROSTVALE_BUILD", "build"))
os.environ["FROSTVALE_WINDOWS_BUILD"] = os.path.join(build, "win64")
os.environ["FROSTVALE_TEST_HOME"] = os.path.join(build, "soak")
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
import wine_env  # noqa: E402

INTERVAL = 30


def resident_kib():
    try:
        with open("/proc/%s/status" % wine_env.program_pid()) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def main():
    minutes = float(sys.argv[1]) if len(sys.argv) > 1 else 30
    samples = max(1, int(minutes * 60 / INTERVAL))
    hud = os.path.join(wine_env.HOME, "hud")
    os.makedirs(hud, exist_ok=True)
    for old in glob.glob(os.path.join(hud, "*")):
        os.remove(old)
    wine_env.start()
    try:
        env = dict(wine_env.ENV, GALLIUM_HUD="fps", GALLIUM_HUD_VISIBLE="false",
                   GALLIUM_HUD_DUMP_DIR=hud)
        commands = [["spawn", wine_env.scr_command("/w")],
                    ["wait-window", "Frostvale2026", 20000], ["wait-ready", 20000]]
        commands += [["sleep", INTERVAL * 1000], ["handles"]] * samples
        commands += [["sleep", 3000], ["post", 0x100, 27, 0], ["wait-exit", 10000]]
        driver = wine_env.start_driver(*commands, env=env)
        print("minute  resident_MiB  handles  frames_per_second  cpu_share")
        fps_seen, cpu_before, started = 0, None, time.time()
        def handle_lines():
            return [line for line in wine_env.driver_lines() if line.startswith("handles=")]

        for sample in range(samples):
            while len(handle_lines()) <= sample and driver.poll() is None:
                time.sleep(0.2)
            if len(handle_lines()) <= sample:
                break
            handles = wine_env.fields(handle_lines()[sample])["handles"]
            fps_file = os.path.join(hud, "fps")
            fps = [float(v) for v in open(fps_file).read().split()] if os.path.exists(fps_file) else []
            window, fps_seen = fps[fps_seen:], len(fps)
            cpu = wine_env.program_cpu_seconds() or 0.0
            share = "" if cpu_before is None else "%.0f %%" % (100 * (cpu - cpu_before) / INTERVAL)
            cpu_before = cpu
            print("%6.1f  %12.1f  %7d  %17.1f  %9s" % (
                (time.time() - started) / 60, resident_kib() / 1024, handles,
                sum(window) / len(window) if window else 0.0, share), flush=True)
        driver.wait(timeout=120)
        print("exit:", wine_env.driver_lines()[-1])
    finally:
        wine_env.stop()


if __name__ == "__main__":
    main()
