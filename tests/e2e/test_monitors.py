"""Full screen over two real monitors of different sizes: an X server with
the dummy video driver and two heads joined by Xinerama (two_heads.conf,
RandR off), and Wine told to take its monitors from Xinerama. A screenshot
of the root window shows a whole view on each monitor (sky at its top,
ground at its bottom, the tree on its vertical centre line; which view
each monitor gets: the views' native test). Runs with the second head
right of the primary, and left of it (negative x).

Then a desk that changes while the saver runs, under a Wine virtual
desktop: the display mode set smaller and back (Wine 8 on the dummy
driver's RandR passes a monitor plugged in on to its programs only now and
then, and never as WM_DISPLAYCHANGE; a mode set it does pass on)."""
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
from wine_env import fields, scr_command
from x_screen import is_scene, screenshot, shows_scene

DUMMY_DRIVER = "/usr/lib/xorg/modules/drivers/dummy_drv.so"

# No virtual desktop (that would be one monitor), and the monitors from
# Xinerama rather than Wine's XVidMode and XRandR handlers.
WINE_SETTINGS = r"""REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"UseXVidMode"="N"
"UseXRandR"="N"
"""

class Monitors(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not (shutil.which("Xorg") and os.path.exists(DUMMY_DRIVER)):
            raise unittest.SkipTest("needs Xorg and its dummy video driver "
                                    "(xserver-xorg-core, xserver-xorg-video-dummy)")
        if os.geteuid() != 0:
            raise unittest.SkipTest("Xorg with a configuration of the test's own needs root")

    def full_screen_views(self, layout, expected_monitors):
        os.makedirs(wine_env.HOME, exist_ok=True)
        server, display = wine_env.start_x_server(
            ["Xorg", "-noreset", "-config", os.path.join(os.path.dirname(__file__), "two_heads.conf"),
             "-layout", layout, "-logfile", os.path.join(wine_env.HOME, "two_heads.log"),
             "-extension", "RANDR"])
        env = wine_env.environment(display, os.path.join(wine_env.HOME, "wineprefix-monitors"))
        try:
            wine_env.make_prefix(env, WINE_SETTINGS)
            driver = wine_env.start_driver(
                ["monitors"], ["spawn", scr_command("/s")],
                ["wait-window", "Frostvale2026", 20000], ["wait-ready", 20000],
                ["sleep", 4000], ["post", 0x100, 65, 0], ["wait-exit", 10000], env=env)
            deadline = time.time() + 60
            while len(wine_env.driver_lines()) < 4 and time.time() < deadline:
                time.sleep(0.1)
            time.sleep(1.5)  # frames drawn since the first pump
            shot = screenshot(env)
            driver.wait(timeout=60)
            lines = wine_env.driver_lines()
        finally:
            wine_env.stop_wine(env)
            server.terminate()
            server.wait()

        monitors = [tuple(int(v) for v in m.split(",")) for m in lines[0].split()[1:]]
        self.assertEqual(monitors, expected_monitors)
        window = fields(lines[2])
        left = min(m[0] for m in monitors)
        self.assertEqual((window["x"], window["y"], window["width"], window["height"]),
                         (left, 0, 2304, 768))
        for m in monitors:
            found = shows_scene(shot, m[0] - left, m[1], m[2] - m[0], m[3] - m[1])
            self.assertTrue(is_scene(found), "monitor %s: sky, ground, tree %s" % (m, found))
        self.assertEqual(fields(lines[6])["exit"], 0)

    def test_second_head_right_of_the_primary(self):
        self.full_screen_views("right", [(0, 0, 1024, 768), (1024, 0, 2304, 720)])

    def test_second_head_left_of_the_primary(self):
        self.full_screen_views("left", [(0, 0, 1280, 720), (-1024, 0, 0, 768)])


class DisplayModeChange(wine_env.WineTestCase):
    """A desk that changes under a Wine virtual desktop (one monitor): the
    display mode set to 1024 x 768 and back while the saver runs. Wine
    sends WM_DISPLAYCHANGE for it; the saver's window follows the virtual
    screen, a whole view on the monitor at each size, and a key still ends
    the run with exit code 0."""

    def test_window_and_view_follow_the_display_mode(self):
        done = os.path.join(wine_env.HOME, "mode-done")
        if os.path.exists(done):
            os.remove(done)
        driver = wine_env.start_driver(
            ["listen"], ["spawn", scr_command("/s")], ["wait-window", "Frostvale2026", 20000],
            ["wait-ready", 20000], ["display-mode", 1024, 768], ["sleep", 1500], ["info"],
            ["wait-file", wine_env.windows_path(done), 60000], ["display-mode", *wine_env.SCREEN],
            ["sleep", 1500], ["info"], ["display-changes"], ["post", 0x100, 65, 0], ["wait-exit", 10000])
        try:
            deadline = time.time() + 60
            while len(wine_env.driver_lines()) < 7 and time.time() < deadline:
                time.sleep(0.1)
            lines = wine_env.driver_lines()
            self.assertEqual(fields(lines[4])["changed"], 0, lines)
            window = fields(lines[6])
            self.assertEqual((window["x"], window["y"], window["width"], window["height"]), (0, 0, 1024, 768))
            found = shows_scene(screenshot(wine_env.ENV), 0, 0, 1024, 768)
            self.assertTrue(is_scene(found), "sky, ground, tree %s" % (found,))
        finally:
            open(done, "w").close()
            driver.wait(timeout=60)
        lines = wine_env.driver_lines()
        window = fields(lines[10])
        self.assertEqual((window["width"], window["height"]), wine_env.SCREEN)
        self.assertGreaterEqual(fields(lines[11])["display_changes"], 2)
        self.assertEqual(fields(lines[13])["exit"], 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
