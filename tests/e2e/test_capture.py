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

    def test_capture_is_a_bitmap_and_repeats_byte_for_byte(self):
        code, first = wine_capture(5, "capture5a.bmp")
        self.assertEqual(code, 0)
        code, second = wine_capture(5, "capture5b.bmp")
        self.assertEqual(code, 0)
        self.assertEqual(os.path.getsize(first), 2764854)
        self.assertEqual(read(first), read(second))
        if IDENTIFY:
            out = subprocess.run([IDENTIFY, first], capture_output=True, text=True, check=True)
            self.assertIn("BMP", out.stdout)
            self.assertIn("1280x720", out.stdout)

    def test_music_flag_leaves_the_capture_alone(self):
        code, plain = wine_capture(8, "capture8.bmp")
        self.assertEqual(code, 0)
        wine_env.drive(["reg-dword", "Music", 1])
        try:
            code, with_music = wine_capture(8, "capture8-music.bmp")
        finally:
            wine_env.drive(["reg-delete"])
        self.assertEqual(code, 0)
        self.assertEqual(read(plain), read(with_music))

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
                stride = 1280 * 3
                differing = 0
                total = 0
                for row in range(720):
                    start = 54 + row * stride
                    a = wine_bytes[start:start + stride]
                    b = native_bytes[start:start + stride]
                    if a == b:
                        continue
                    for x in range(0, stride, 3):
                        d = [abs(a[x + c] - b[x + c]) for c in range(3)]
                        total += sum(d)
                        if max(d) > 2:
                            differing += 1
                pixels = 1280 * 720
                self.assertLess(differing / pixels, 0.001)
                self.assertLess(total / (pixels * 3), 0.05)


if __name__ == "__main__":
    wine_env.main()
