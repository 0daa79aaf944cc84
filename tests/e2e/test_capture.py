"""Capture mode under Wine: the file is a real bitmap, two captures of the
same time are byte-identical, and each matches the native off-screen
render of the same time (frostvale-dump frame).

Wine's opengl32 hands the drawing to the same Mesa rasterizer the native
render uses, so the pictures can differ only where the C runtimes'
single-precision sine and cosine differ in their last bit and move an edge
by a fraction of a pixel. The measure: the fraction of pixels in which any
channel differs by more than 2 levels must stay below 0.1 %, and the mean
absolute difference per channel below 0.05 levels. A wrong draw order,
step count or seed moves whole ornaments and fails both by far."""
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import wine_env

DUMP = os.environ.get("FROSTVALE_DUMP", "")
IDENTIFY = shutil.which("identify")


def wine_capture(seconds, name):
    path = os.path.join(wine_env.HOME, name)
    if os.path.exists(path):
        os.remove(path)
    code = wine_env.run_scr("/x", str(seconds), wine_env.windows_path(path))
    return code, path


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Capture(wine_env.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # capture mode reads the stored snow choice too: use the defaults
        wine_env.drive(["reg-delete"])

    def test_captures_repeat_byte_for_byte_whatever_the_music_flag(self):
        code, first = wine_capture(8, "capture8a.bmp")
        self.assertEqual(code, 0)
        wine_env.drive(["reg-dword", "Music", 1])
        try:
            code, second = wine_capture(8, "capture8b.bmp")
        finally:
            wine_env.drive(["reg-delete"])
        self.assertEqual(code, 0)
        self.assertEqual(os.path.getsize(first), 2764854)
        self.assertEqual(read(first), read(second))
        if IDENTIFY:
            out = subprocess.run([IDENTIFY, first], capture_output=True, text=True, check=True)
            self.assertIn("BMP", out.stdout)
            self.assertIn("1280x720", out.stdout)

    @unittest.skipUnless(DUMP, "the native renderer is not built")
    def test_wine_and_native_captures_agree(self):
        for seconds in (0, 2, 20, 45):
            with self.subTest(seconds=seconds):
                code, wine_path = wine_capture(seconds, "wine%d.bmp" % seconds)
                self.assertEqual(code, 0)
                native_path = os.path.join(wine_env.HOME, "native%d.bmp" % seconds)
                subprocess.run([DUMP, "frame", str(seconds), native_path], check=True,
                               stdout=subprocess.DEVNULL)
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
