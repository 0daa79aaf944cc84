"""--root on a desk whose monitors change while it runs: a real X server
(Xorg, the dummy video driver, RandR on, tests/x_randr.py) starting with
one monitor; a second is plugged in right of it, then out again. The run
shows a whole view on each live monitor (sky at its top, ground at its
bottom, the tree on its vertical centre line, not one view split across
the bezel), goes on through both changes without a word on standard error,
and plays one carol loop throughout, never from its start again.

FROSTVALE_SHOTS, where set, names a folder that keeps the screenshots."""
import os
import signal
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import x11_env
from x_screen import is_scene, screenshot, shows_scene
import x_randr


def keep(shot, name):
    """Writes the screenshot to FROSTVALE_SHOTS, where set."""
    folder = os.environ.get("FROSTVALE_SHOTS")
    if not folder:
        return
    width, data = shot
    with open(os.path.join(folder, name + ".ppm"), "wb") as f:
        f.write(b"P6 %d %d 255\n" % (width, len(data) // (3 * width)) + data)


class RandrMonitors(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        x_randr.skip_unless_usable()
        os.makedirs(x11_env.HOME, exist_ok=True)

    def wait_for_views(self, env, monitors, timeout=20):
        """Waits until the root window is as wide as the monitors and each
        shows a whole view; returns the screenshot."""
        deadline = time.monotonic() + timeout
        width = max(m[0] + m[2] for m in monitors)
        while True:
            shot = screenshot(env)
            found = [shows_scene(shot, *m) for m in monitors]
            if shot[0] == width and all(is_scene(f) for f in found):
                return shot
            if time.monotonic() > deadline:
                self.fail("monitors %s on a screen %d wide: sky, ground, tree %s" % (monitors, shot[0], found))
            time.sleep(0.3)

    def test_views_follow_monitors_plugged_in_and_out(self):
        server, display = x_randr.start(x11_env.HOME)
        # the carols' samples through a pipe: a player started again would
        # close it (the reader sees its end) and open it anew
        stream = os.path.join(x11_env.HOME, "randr-music.fifo")
        if os.path.exists(stream):
            os.remove(stream)
        os.mkfifo(stream)
        heard = {}

        def listen():
            with open(stream, "rb") as f:
                heard["samples"] = f.read()
            heard["ended"] = time.monotonic()
        listener = threading.Thread(target=listen, daemon=True)
        listener.start()
        config = os.path.join(x11_env.HOME, "randr-asound.conf")
        with open(config, "w") as f:
            f.write("pcm.!default { %s }\n" % x11_env.file_device(stream))
        env = dict(os.environ, DISPLAY=display, ALSA_CONFIG_PATH=config)
        env.pop("XSCREENSAVER_WINDOW", None)
        program = subprocess.Popen([x11_env.PROGRAM, "--root", "--music"], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            keep(self.wait_for_views(env, [x_randr.FIRST]), "x11-1-one-monitor")
            x_randr.plug_in(display)
            keep(self.wait_for_views(env, [x_randr.FIRST, x_randr.SECOND]), "x11-2-plugged-in")
            x_randr.plug_out(display)
            keep(self.wait_for_views(env, [x_randr.FIRST]), "x11-3-plugged-out")
            self.assertIsNone(program.poll())
            time.sleep(1)
            stopped = time.monotonic()
            program.send_signal(signal.SIGINT)
            program.wait(timeout=20)
            self.assertEqual(program.stderr.read(), b"")
            self.assertEqual(program.returncode, 0)
        finally:
            if program.poll() is None:
                program.kill()
                program.wait()
            program.stderr.close()
            server.terminate()
            server.wait()
        # one loop from its start to the run's end: the loop's first tenth
        # of a second after its 0.3 s lead-in comes once, at its place
        listener.join(timeout=10)
        self.assertGreaterEqual(heard.get("ended", 0), stopped)
        samples = heard["samples"]
        opening = samples[6615 * 2:(6615 + 2205) * 2]
        self.assertNotEqual(set(opening), {0})
        self.assertGreater(len(samples), (6615 + 22050) * 2)
        self.assertEqual(samples.find(opening, 6615 * 2 + 1), -1)


if __name__ == "__main__":
    unittest.main(verbosity=2)
