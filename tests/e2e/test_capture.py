"""Capture mode under Wine, the music switched on in the settings (a
capture never plays it): each file matches the native off-screen render of
the same time (frostvale-dump frame) in its header and size, and in its
pixels within what Wine's C runtime may move.

Wine's opengl32 hands the drawing to the same Mesa rasterizer the native
render uses, so the pictures can differ only where the C runtimes'
single-precision sine and cosine differ in their last bit and move an edge
by a fraction of a pixel. The measure: the fraction of pixels in which any
channel differs by more than 2 levels must stay below 0.1 %, and the mean
absolute difference per channel below 0.05 levels. A wrong draw order,
step count or seed moves whole ornaments and fails both by far."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import wine_env

DUMP = os.environ.get("FROSTVALE_DUMP", "")


def read(path):
    with open(path, "rb") as f:
        return f.read()


@unittest.skipUnless(DUMP, "the native renderer is not built")
class Capture(wine_env.WineTestCase):
    def test_wine_and_native_captures_agree(self):
        # capture mode reads the stored snow choice too: the defaults, music on
        wine_env.drive(["reg-delete"], ["reg-dword", "Music", 1])
        try:
            for seconds in (0, 2, 20, 45):
                with self.subTest(seconds=seconds):
                    self.assert_agrees(seconds)
        finally:
            wine_env.drive(["reg-delete"])

    def test_names_are_written_exactly(self):
        # a full-width lookalike beside the plain name, letters outside the
        # code page: each name gets its own file, the plain one stays
        plain = os.path.join(wine_env.HOME, "Test.bmp")
        with open(plain, "wb") as f:
            f.write(b"plain")
        for name in ("\uff34est.bmp", "\u0421\u043d\u0435\u0433.bmp", "\u96ea.bmp"):
            with self.subTest(name=name):
                path = os.path.join(wine_env.HOME, name)
                if os.path.exists(path):
                    os.remove(path)
                self.assertEqual(wine_env.run_scr("/x", "0", wine_env.windows_path(path)), 0)
                self.assertEqual(os.path.getsize(path), 2764854)
        with open(plain, "rb") as f:
            self.assertEqual(f.read(), b"plain")

    def assert_agrees(self, seconds):
        wine_path = os.path.join(wine_env.HOME, "wine%d.bmp" % seconds)
        native_path = os.path.join(wine_env.HOME, "native%d.bmp" % seconds)
        if os.path.exists(wine_path):
            os.remove(wine_path)
        self.assertEqual(wine_env.run_scr("/x", str(seconds), wine_env.windows_path(wine_path)), 0)
        subprocess.run([DUMP, "frame", str(seconds), native_path], check=True, stdout=subprocess.DEVNULL)
        wine_bytes, native_bytes = read(wine_path), read(native_path)
        self.assertEqual(wine_bytes[:54], native_bytes[:54])
        self.assertEqual(len(wine_bytes), len(native_bytes))
        # pixels whose largest channel difference exceeds 2, and the sum of differences
        differing = total = 0
        for row in range(54, len(wine_bytes), 3840):
            if wine_bytes[row:row + 3840] == native_bytes[row:row + 3840]:
                continue
            for x in range(row, row + 3840, 3):
                d = [abs(a - b) for a, b in zip(wine_bytes[x:x + 3], native_bytes[x:x + 3])]
                total += sum(d)
                differing += max(d) > 2
        pixels = 1280 * 720
        self.assertLess(differing / pixels, 0.001)
        self.assertLess(total / (pixels * 3), 0.05)


if __name__ == "__main__":
    wine_env.main()
