"""Capture mode under Wine, the music switched on in the settings (a
capture never plays it): /x at each moment of the stored pictures writes
a 1280 x 720 bitmap that matches the stored picture of that moment
(tests/pictures.py: the rule every capture is held to). Wine's opengl32
hands the drawing to the same Mesa rasterizer the native render uses; the
C runtime's sine and cosine may differ from glibc's in their last bit."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
import pictures  # tests/, on the path through wine_env


class Capture(wine_env.WineTestCase):
    def test_captures_match_the_stored_pictures(self):
        # capture mode reads the stored snow choice too: the defaults, music on
        wine_env.drive(["reg-delete"], ["reg-dword", "Music", 1])
        try:
            for seconds in pictures.MOMENTS:
                with self.subTest(seconds=seconds):
                    path = os.path.join(wine_env.HOME, "wine-%gs.bmp" % seconds)
                    if os.path.exists(path):
                        os.remove(path)
                    self.assertEqual(wine_env.run_scr("/x", "%g" % seconds, wine_env.windows_path(path), timeout=180), 0)
                    pictures.assert_matches(self, path, seconds)
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


if __name__ == "__main__":
    wine_env.main()
