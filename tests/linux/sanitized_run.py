"""The Linux program built with AddressSanitizer and
UndefinedBehaviorSanitizer (tools/test.sh's native-asan build), run on a
private Xvfb display: a run with the frame-rate counter and the music on a
file-backed ALSA device, ended by SIGTERM, and two captures, one written
and one that fails. Any finding, a leak included, makes the sanitizers
print to standard error and end with a non-zero exit code. Under headless
sway (wayland_env.py), where it is installed: the wallpaper live for 10 s,
the still and the overlay, each ended by SIGTERM.

The GLX driver is preloaded so that it stays loaded when the display
closes: the leak suppressions name it (tests/sanitizers/lsan.supp)."""
import glob
import os
import shutil
import signal
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import x11_env

DRIVER = (glob.glob("/usr/lib/*/dri/swrast_dri.so") + [""])[0]
SUPPRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sanitizers", "lsan.supp")


class Sanitized(x11_env.X11TestCase):
    def env(self, base=None):
        env = dict(base or x11_env.ENV, LD_PRELOAD=DRIVER)
        env.setdefault("LSAN_OPTIONS", "suppressions=%s:print_suppressions=0" % SUPPRESSIONS)
        return env

    def test_a_run_and_captures_find_nothing(self):
        music = x11_env.alsa_env(x11_env.file_device(os.path.join(x11_env.HOME, "music.raw")))
        program = x11_env.start_program("--fps", "--music", env=self.env(music))
        self.assertShowsScene(60, 40, 1280, 720, timeout=120)
        time.sleep(2)  # the counter has shown its first second
        program.send_signal(signal.SIGTERM)
        self.assertEnds(program, 30)

        capture = os.path.join(x11_env.HOME, "capture.bmp")
        for target, code, message in ((capture, 0, b""),
                                      ("/dev/full", 1, b"frostvale: cannot write /dev/full: No space left on device\n")):
            with self.subTest(target=target):
                program = x11_env.start_program("--capture", "2", target, env=self.env())
                program.wait(timeout=120)
                with program.stderr:
                    self.assertEqual(program.stderr.read(), message)
                self.assertEqual(program.returncode, code)
        self.assertEqual(os.path.getsize(capture), 54 + 1280 * 720 * 3)


@unittest.skipUnless(shutil.which("sway") and shutil.which("grim"), "sway or grim is not installed")
class SanitizedWayland(unittest.TestCase):
    def test_wallpaper_still_and_overlay_find_nothing(self):
        import wayland_env
        sway = wayland_env.Compositor("sway")
        try:
            env = sway.env(LD_PRELOAD=DRIVER, LSAN_OPTIONS="suppressions=%s:print_suppressions=0" % SUPPRESSIONS)
            for args, seconds in ((["--background"], 10), (["--background", "--still", "34.3"], 1),
                                  (["--overlay"], 1)):
                with self.subTest(args=args):
                    program = sway.start(*args, env=env)
                    self.assertTrue(wayland_env.wait_for(lambda: wayland_env.shows_scene(sway.grim("shot.png")),
                                                         120))
                    time.sleep(seconds)
                    program.send_signal(signal.SIGTERM)
                    code = program.wait(timeout=60)
                    program.err.seek(0)
                    self.assertEqual(program.err.read().decode(errors="replace"), "")
                    self.assertEqual(code, 0)
        finally:
            sway.close()


if __name__ == "__main__":
    x11_env.main()
