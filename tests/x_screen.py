"""Private X displays for the end-to-end tests, and what a screenshot of
one shows: both the Windows program under Wine (tests/e2e) and the Linux
program (tests/linux) draw the scene on them."""
import os
import re
import subprocess
import unittest

SCREEN = (1600, 900)


def start_x_server(argv):
    """Starts an X server (argv without its display) on a free display;
    returns its process and the display's name."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(argv + ["-displayfd", str(write_end), "-nolisten", "tcp"],
                              pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        return server, ":" + f.readline().strip()


def start_xvfb():
    """Starts a private Xvfb of SCREEN's size; returns it and its display's name."""
    return start_x_server(["Xvfb", "-screen", "0", "%dx%dx24" % SCREEN])


def stop_x_server(server):
    if server:
        server.terminate()
        server.wait()


def screenshot(env):
    """The root window of env's display: (width, RGB bytes, row 0 at the top)."""
    ppm = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=env,
                         capture_output=True, check=True).stdout
    # P6, width, height, maximum, one white-space byte, then the pixels
    header = re.match(rb"P6\s+(\d+)\s+\d+\s+\d+\s", ppm)
    return int(header.group(1)), ppm[header.end():]


def fraction(shot, x0, y0, x1, y1, passes):
    """The fraction of every other pixel of the rectangle that passes."""
    width, data = shot
    pixels = [data[(y * width + x) * 3:(y * width + x) * 3 + 3]
              for y in range(y0, y1, 2) for x in range(x0, x1, 2)]
    return sum(1 for p in pixels if passes(p)) / len(pixels)


def shows_scene(shot, x, y, width, height):
    """Whether the rectangle shows a whole view of the scene: night sky
    across its top, the pale ground across its bottom, the green tree on
    its vertical centre line. Returns (sky, ground, tree) fractions; a view
    shows the scene when the first two are above 0.8 and the third above 0.5."""
    def at(fx, fy):
        return x + int(width * fx), y + int(height * fy)
    sky = fraction(shot, *at(0.05, 0.03), *at(0.3, 0.2),
                   lambda p: p[2] > p[0] and p[2] >= p[1] and max(p) < 90)
    ground = fraction(shot, *at(0.05, 0.85), *at(0.3, 0.97), lambda p: min(p) > 120)
    tree = fraction(shot, *at(0.46, 0.45), *at(0.54, 0.6),
                    lambda p: p[1] > p[0] + 15 and p[1] > p[2] + 10)
    return sky, ground, tree


def is_scene(found):
    return min(found[0], found[1]) > 0.8 and found[2] > 0.5


def test_case_on(start, stop):
    """A test case base whose classes start their display (start) before
    their first test and stop it (stop) after their last."""
    class DisplayTestCase(unittest.TestCase):
        @classmethod
        def setUpClass(cls):
            start()

        @classmethod
        def tearDownClass(cls):
            stop()

    return DisplayTestCase


def main():
    unittest.main(verbosity=2)
