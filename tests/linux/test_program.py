"""The Linux program on a private Xvfb display: its own window, a window
named by number, XScreenSaver's window and the root window; how each run
ends; the capture against the native one; the music on ALSA."""
import os
import signal
import struct
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import x11_env
from x11_env import PROGRAM


def run(*args, env=None, timeout=60):
    return subprocess.run([PROGRAM] + list(args), env=env or x11_env.ENV, capture_output=True,
                          timeout=timeout)


class Program(x11_env.X11TestCase):
    def test_own_window_shows_the_scene_and_ends_with_escape_or_close(self):
        for end in ("Escape", "close"):
            with self.subTest(end=end):
                program = x11_env.start_program()
                window = x11_env.find_window("Frostvale 2026")
                self.assertIsNotNone(window)
                self.assertShowsScene(60, 40, 1280, 720)
                # the views follow the window's size
                subprocess.run(["xdotool", "windowsize", str(window), "800", "450"], env=x11_env.ENV,
                               check=True)
                self.assertShowsScene(60, 40, 800, 450)
                if end == "Escape":
                    x11_env.send_key(window, "Escape")
                else:
                    x11_env.press_close_button(window)
                self.assertEnds(program, 2)

    def test_window_id_and_signals(self):
        window = x11_env.make_window(100, 100, 640, 360)
        try:
            for number, stop in ((str(window), signal.SIGTERM), (hex(window), signal.SIGINT)):
                with self.subTest(number=number, stop=stop):
                    program = x11_env.start_program("--window-id", number)
                    self.assertShowsScene(100, 100, 640, 360)
                    sent = time.monotonic()
                    program.send_signal(stop)
                    self.assertEnds(program, 1)
                    self.assertLess(time.monotonic() - sent, 1)
        finally:
            x11_env.destroy_window(window)

    def test_root_draws_into_xscreensavers_window_and_ends_when_it_goes(self):
        # 320 x 240 is below 400 x 300: the small preview
        window = x11_env.make_window(200, 150, 320, 240)
        env = dict(x11_env.ENV, XSCREENSAVER_WINDOW=hex(window))
        program = x11_env.start_program("--root", env=env)
        self.assertShowsScene(200, 150, 320, 240)
        x11_env.destroy_window(window)
        self.assertEnds(program, 2)

    def test_root_without_xscreensaver_draws_on_the_root_window(self):
        program = x11_env.start_program("-root")
        self.assertShowsScene(0, 0, *x11_env.SCREEN)
        program.send_signal(signal.SIGTERM)
        self.assertEnds(program, 1)

    def test_usage(self):
        self.assertEqual(run("--version").stdout.decode(), "frostvale 2026.1.0\n")
        self.assertIn(b"--window-id", run("--help").stdout)
        # (which arguments are refused: the options' native test)
        for args, named in ((["--bogus"], "--bogus"), (["-root", "stray"], "stray")):
            with self.subTest(args=args):
                result = run(*args)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stderr.count(b"\n"), 1)
                self.assertTrue(result.stderr.startswith(b"frostvale: %s: " % named.encode()))
        gone = run("--window-id", "0x7ffffff")
        self.assertEqual(gone.returncode, 1)

    @unittest.skipUnless(x11_env.DUMP, "frostvale-dump is not built")
    def test_capture_is_the_native_capture(self):
        for seconds in ("0", "20"):
            with self.subTest(seconds=seconds):
                mine = os.path.join(x11_env.HOME, "capture%s.bmp" % seconds)
                native = os.path.join(x11_env.HOME, "native%s.bmp" % seconds)
                self.assertEqual(run("--no-music", "--capture", seconds, mine).returncode, 0)
                subprocess.run([x11_env.DUMP, "frame", seconds, native], check=True,
                               stdout=subprocess.DEVNULL)
                with open(mine, "rb") as a, open(native, "rb") as b:
                    self.assertEqual(a.read(), b.read())
        # the Windows program's refusals: no file, exit code 1
        for args in (["2e6", "x.bmp"], ["5", "x" * 260 + ".bmp"], ["5", "/no/such/folder/x.bmp"]):
            with self.subTest(args=args[0]):
                self.assertEqual(run("--capture", *args).returncode, 1)
                self.assertFalse(os.path.exists(args[1]))


class Music(x11_env.X11TestCase):
    """ALSA's default device as a file of raw samples, through the null device."""

    def setUp(self):
        self.output = os.path.join(x11_env.HOME, "music.raw")
        if os.path.exists(self.output):
            os.remove(self.output)

    def env(self, device):
        config = os.path.join(x11_env.HOME, "asound.conf")
        with open(config, "w") as f:
            f.write("pcm.!default { %s }\n" % device)
        return dict(x11_env.ENV, ALSA_CONFIG_PATH=config)

    def play(self, device, seconds=2):
        width, height = 640, 360
        window = x11_env.make_window(0, 0, width, height)
        try:
            # XScreenSaver's window
            env = dict(self.env(device), XSCREENSAVER_WINDOW=str(window))
            program = x11_env.start_program("--music", "--root", env=env)
            self.assertShowsScene(0, 0, width, height)
            time.sleep(seconds)
            program.send_signal(signal.SIGTERM)
            self.assertEnds(program, 1)
        finally:
            x11_env.destroy_window(window)

    def test_music_plays_in_xscreensavers_window(self):
        # which runs play (not the preview, not another program's window):
        # the run's configuration, tested natively
        device = 'type file slave { pcm { type null } } file "%s" format raw' % self.output
        # the loop from its silent 0.3 s lead-in (its samples against the
        # image: the player's unit test)
        self.play(device)
        with open(self.output, "rb") as f:
            samples = struct.unpack("<%dh" % (22050 * 2), f.read(22050 * 4))
        self.assertEqual(set(samples[:6615]), {0})
        self.assertNotEqual(set(samples[6615:]), {0})


if __name__ == "__main__":
    x11_env.main()
