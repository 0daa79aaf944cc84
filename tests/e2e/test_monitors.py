"""Full screen over two real monitors of different sizes: an X server with
the dummy video driver and two heads joined by Xinerama (RandR off), and
Wine told to take its monitors from Xinerama. A screenshot of the root
window shows a whole view on each monitor (sky at its top, ground at its
bottom, the tree's axis at its horizontal centre), and the two views are
different views of the scene (camera phases 0 and 0.9). Runs with the
second head right of the primary, and left of it (negative x)."""
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
from wine_env import fields, scr_command

DUMMY_DRIVER = "/usr/lib/xorg/modules/drivers/dummy_drv.so"

# Two dummy heads: "small" 1024 x 768 and "wide" 1280 x 720; the layout
# line places them.
XORG_CONF = """Section "ServerFlags"
  Option "Xinerama" "on"
  Option "AutoAddDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "d0"
  Driver "dummy"
  VideoRam 64000
EndSection
Section "Device"
  Identifier "d1"
  Driver "dummy"
  VideoRam 64000
EndSection
Section "Monitor"
  Identifier "m"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "1280x720" 74.25 1280 1390 1430 1650 720 725 730 750
  Modeline "1024x768" 65.00 1024 1048 1184 1344 768 771 777 806
EndSection
Section "Screen"
  Identifier "wide"
  Device "d0"
  Monitor "m"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1280x720"
    Virtual 1280 720
  EndSubSection
EndSection
Section "Screen"
  Identifier "small"
  Device "d1"
  Monitor "m"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1024x768"
    Virtual 1024 768
  EndSubSection
EndSection
Section "ServerLayout"
  Identifier "l"
%s
EndSection
"""

# No virtual desktop (that would be one monitor), and the monitors from
# Xinerama rather than Wine's XVidMode and XRandR handlers.
WINE_SETTINGS = r"""REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"UseXVidMode"="N"
"UseXRandR"="N"
"""

WM_KEYDOWN = 0x100


def screenshot(env, width, height):
    """The root window as rows of (r, g, b) bytes."""
    path = os.path.join(wine_env.HOME, "monitors.rgb")
    subprocess.run(["import", "-window", "root", "-depth", "8", "RGB:" + path], env=env,
                   check=True, timeout=60)
    with open(path, "rb") as f:
        pixels = f.read()
    assert len(pixels) == width * height * 3
    return lambda x, y: pixels[(y * width + x) * 3:(y * width + x) * 3 + 3]


def brightness(pixel, x0, y0, x1, y1):
    values = [sum(pixel(x, y)) / 3 for y in range(y0, y1, 4) for x in range(x0, x1, 4)]
    return sum(values) / len(values)


class Monitors(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not (shutil.which("Xorg") and os.path.exists(DUMMY_DRIVER)):
            raise unittest.SkipTest("needs Xorg and its dummy video driver "
                                    "(xserver-xorg-core, xserver-xorg-video-dummy)")
        if os.geteuid() != 0:
            raise unittest.SkipTest("Xorg with a configuration of the test's own needs root")

    def full_screen_views(self, layout, expected_monitors):
        conf = os.path.join(wine_env.HOME, "two-heads.conf")
        with open(conf, "w") as f:
            f.write(XORG_CONF % layout)
        server, display = wine_env.start_x_server(
            ["Xorg", "-noreset", "-config", conf, "-logfile", conf + ".log",
             "-extension", "RANDR"])
        env = wine_env.environment(display, os.path.join(wine_env.HOME, "wineprefix-monitors"))
        try:
            wine_env.make_prefix(env, WINE_SETTINGS)
            driver = wine_env.start_driver(
                ["monitors"], ["spawn", scr_command("/s")],
                ["wait-window", "Frostvale2026", 20000], ["wait-ready", 20000],
                ["sleep", 4000], ["post", WM_KEYDOWN, 65, 0], ["wait-exit", 10000], env=env)
            deadline = time.time() + 60
            while len(wine_env.driver_lines()) < 4 and time.time() < deadline:
                time.sleep(0.1)
            time.sleep(1.5)  # frames drawn since the first pump
            window = fields(wine_env.driver_lines()[2])
            pixel = screenshot(env, window["width"], window["height"])
            driver.wait(timeout=60)
            lines = wine_env.driver_lines()
        finally:
            wine_env.stop_wine(env)
            server.terminate()
            server.wait()

        monitors = [tuple(int(v) for v in m.split(",")) for m in lines[0].split()[1:]]
        self.assertEqual(monitors, expected_monitors)
        left = min(m[0] for m in monitors)
        self.assertEqual((window["x"], window["y"], window["width"], window["height"]),
                         (left, 0, 2304, 768))
        thumbnails = []
        for m in monitors:
            x0, y0, x1, y1 = m[0] - left, m[1], m[2] - left, m[3]
            w, h = x1 - x0, y1 - y0
            with self.subTest(monitor=m):
                self.assertLess(brightness(pixel, x0, y0, x1, y0 + h // 8), 40)   # night sky
                self.assertGreater(brightness(pixel, x0, y1 - h // 8, x1, y1), 150)  # pale ground
                # the tree's green, in the middle of the tree's height
                greens = [x for y in range(y0 + h * 35 // 100, y0 + h * 60 // 100, 2)
                          for x in range(x0, x1, 2)
                          if pixel(x, y)[1] > pixel(x, y)[0] + 15 and pixel(x, y)[1] > pixel(x, y)[2] + 15]
                self.assertGreater(len(greens), 1000)
                self.assertLess(abs(sum(greens) / len(greens) - (x0 + w / 2)), 0.03 * w)
            thumbnails.append([sum(pixel(x0 + (i * 2 + 1) * w // 96, y0 + (j * 2 + 1) * h // 54)) / 3
                               for j in range(27) for i in range(48)])
        difference = sum(abs(a - b) for a, b in zip(*thumbnails)) / len(thumbnails[0])
        self.assertGreater(difference, 5)  # another angle: the presents, the tree's side
        self.assertEqual(fields(lines[6])["exit"], 0)

    def test_second_head_right_of_the_primary(self):
        self.full_screen_views('  Screen 0 "small" 0 0\n  Screen 1 "wide" RightOf "small"',
                               [(0, 0, 1024, 768), (1024, 0, 2304, 720)])

    def test_second_head_left_of_the_primary(self):
        self.full_screen_views('  Screen 0 "wide" 0 0\n  Screen 1 "small" LeftOf "wide"',
                               [(0, 0, 1280, 720), (-1024, 0, 0, 768)])


if __name__ == "__main__":
    unittest.main(verbosity=2)
