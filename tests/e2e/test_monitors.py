"""Full screen over two real monitors of different sizes: an X server with
the dummy video driver and two heads joined by Xinerama (two_heads.conf,
RandR off), and Wine told to take its monitors from Xinerama. A screenshot
of the root window shows a whole view on each monitor (sky at its top,
ground at its bottom, the tree on its vertical centre line; which view
each monitor gets: the views' native test). Runs with the second head
right of the primary, and left of it (negative x)."""
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


if __name__ == "__main__":
    unittest.main(verbosity=2)
