"""The Linux program on a private Xvfb display: its own window, a window
named by number, XScreenSaver's window and the root window; how each run
ends; the captures against the stored pictures; the music on ALSA."""
import os
import shutil
import signal
import stat
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import x11_env
import pictures  # tests/, on the path through x11_env
from x11_env import PROGRAM


# another user's commands, for the tests that run as root
AS_NOBODY = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]


def run(*args, env=None, timeout=60):
    return subprocess.run([PROGRAM] + list(args), env=env or x11_env.ENV, capture_output=True,
                          timeout=timeout)


class Program(x11_env.X11TestCase):
    def test_own_window_shows_the_scene_and_ends_with_escape_or_close(self):
        # a command line copied from a stock hack, the display named on it
        stock = ["--install", "-noinstall", "--visual", "default", "-mono", "--pair", "-wireframe",
                 "--geometry", "640x360+0+0", "-window", "--delay", "0", "--no-fps",
                 "--display", x11_env.ENV["DISPLAY"]]
        no_display = {k: v for k, v in x11_env.ENV.items() if k != "DISPLAY"}
        for end in ("Escape", "close"):
            with self.subTest(end=end):
                program = (x11_env.start_program() if end == "Escape"
                           else x11_env.start_program(*stock, env=no_display))
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

    def test_root_window_or_window_id_ends_on_a_signal(self):
        # (how window numbers read and the signals' handling: the native
        # tests); the window lies clear of where the root's scene is looked for
        window = x11_env.make_window(900, 500, 640, 360)
        try:
            for args, where, stop in ((["-root"], (0, 0) + x11_env.SCREEN, signal.SIGINT),
                                      (["--window-id", hex(window)], (900, 500, 640, 360), signal.SIGTERM)):
                with self.subTest(args=args[0]):
                    program = x11_env.start_program(*args)
                    self.assertShowsScene(*where)
                    program.send_signal(stop)
                    self.assertEnds(program, 1)
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

    def test_usage(self):
        self.assertRegex(run("--version").stdout.decode(), r"^frostvale 20\d\d\.\d+\.\d+(\+\w+)?\n$")
        self.assertIn(b"--window-id", run("--help").stdout)
        # (which arguments are refused: the options' native test)
        refused = run("-root", "stray")
        self.assertEqual(refused.returncode, 2)
        self.assertEqual(refused.stderr.count(b"\n"), 1)
        self.assertTrue(refused.stderr.startswith(b"frostvale: stray: "))
        gone = run("--window-id", "0x7ffffff")
        self.assertEqual(gone.returncode, 1)

    def test_frame_rate_shows_in_the_corner_and_delay_holds_frames_apart(self):
        window = x11_env.make_window(100, 100, 640, 360)
        try:
            program = x11_env.start_program("--window-id", str(window))
            self.assertShowsScene(100, 100, 640, 360)
            plain = corner_black(screenshot())
            program.send_signal(signal.SIGTERM)
            self.assertEnds(program, 1)
            counter = dict(x11_env.ENV, LD_PRELOAD=x11_env.SWAP_COUNTER)
            program = x11_env.start_program("--window-id", str(window), "--fps", "--delay", "100000",
                                            env=counter)
            deadline = time.monotonic() + 20
            while corner_black(screenshot()) < 0.3 and time.monotonic() < deadline:
                time.sleep(0.5)
            self.assertGreater(corner_black(screenshot()), 0.3)
            self.assertLess(plain, 0.05)
            time.sleep(2)
            program.send_signal(signal.SIGTERM)
            try:
                program.wait(timeout=5)
            finally:
                program.kill()  # nothing left running when it did not end
            # the swap counter's line: "swaps N seconds S fps F"; 10 a second at
            # most, and running (a loaded machine may draw fewer)
            with program.stderr:
                fps = float(program.stderr.read().split()[-1])
            self.assertTrue(1 <= fps <= 11, fps)
        finally:
            x11_env.destroy_window(window)

    def test_captures_match_the_stored_pictures(self):
        for seconds in pictures.MOMENTS:
            with self.subTest(seconds=seconds):
                path = os.path.join(x11_env.HOME, "capture-%gs.bmp" % seconds)
                # the frame rate never shows in a capture
                self.assertEqual(run("--no-music", "--fps", "--capture", "%g" % seconds, path).returncode, 0)
                pictures.assert_matches(self, path, seconds)

    def test_still_is_the_capture_and_draws_only_on_a_new_size(self):
        program = x11_env.start_program("--still", "34.3")
        try:
            window = x11_env.find_window("Frostvale 2026")
            self.assertShowsScene(60, 40, 1280, 720)
            shot = os.path.join(x11_env.HOME, "still.bmp")
            subprocess.run(["import", "-window", "root", "-crop", "1280x720+60+40", "+repage", "BMP3:" + shot],
                           env=x11_env.ENV, check=True)
            pictures.assert_matches(self, shot, 34.3)

            def cpu_seconds():
                with open("/proc/%d/stat" % program.pid) as f:
                    fields = f.read().rsplit(")", 1)[1].split()
                return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

            # no frames while nothing changes: a still costs no processor time
            before = cpu_seconds()
            time.sleep(2)
            self.assertLess(cpu_seconds() - before, 0.05)
            # a new size draws it again
            subprocess.run(["xdotool", "windowsize", str(window), "800", "450"], env=x11_env.ENV, check=True)
            self.assertShowsScene(60, 40, 800, 450)
            program.send_signal(signal.SIGTERM)
            self.assertEnds(program, 5)
        finally:
            if program.poll() is None:
                end(program)

    def test_capture_refusals_and_failures_say_why(self):
        # one of each line (which times are refused: the options' native test)
        for args, code in ((["abc", "x.bmp"], 2), (["1048576.0000001", "x.bmp"], 1), (["9" * 10000, "x.bmp"], 1),
                           (["5", "x" * 260 + ".bmp"], 1), (["5", "/no/such/folder/x\n.bmp"], 1)):
            with self.subTest(args=args[0][:20]):
                result = run("--capture", *args)
                self.assertEqual(result.returncode, code)
                self.assertEqual(result.stderr.count(b"\n"), 1, result.stderr)
                self.assertLess(len(result.stderr.decode()), 200)
                self.assertTrue(result.stderr.startswith(b"frostvale: "))
                self.assertFalse(os.path.exists(args[1]))
        self.assertIn(b"folder /no/such/folder:", result.stderr)
        for env, line in (({}, b"no X display: set DISPLAY or use --display"),
                          ({"DISPLAY": x11_env.ENV["DISPLAY"], "XSCREENSAVER_WINDOW": "garbage"},
                           b"XSCREENSAVER_WINDOW=garbage: not a window number")):
            result = run("--root", env=dict(env, PATH=os.environ["PATH"]))
            self.assertEqual((result.returncode, result.stderr), (1, b"frostvale: " + line + b"\n"))

    @unittest.skipUnless(os.geteuid() == 0, "needs root and another user")
    def test_links_are_followed_only_where_the_kernel_allows(self):
        # another user's link to nothing in a sticky, world-writable folder,
        # with the kernel's protection of such links on: root creates nothing
        sticky = tempfile.mkdtemp(dir="/tmp")
        os.chmod(sticky, 0o1777)
        victim, link = os.path.join(x11_env.HOME, "victim"), os.path.join(sticky, "cap.bmp")
        try:
            with open("/proc/sys/fs/protected_symlinks", "r+") as f:
                saved = f.read()
                f.write("1")
        except OSError:
            saved = None
            print("fs.protected_symlinks cannot be changed here: the link is tried as the kernel stands")
        try:
            subprocess.run(AS_NOBODY + ["ln", "-s", victim, link], check=True)
            result = run("--capture", "5", link)
            self.assertEqual(result.returncode, 1)
            self.assertEqual(result.stderr.count(b"\n"), 1, result.stderr)
            self.assertFalse(os.path.lexists(victim))
        finally:
            if saved is not None:
                with open("/proc/sys/fs/protected_symlinks", "w") as f:
                    f.write(saved)
            shutil.rmtree(sticky)

    @unittest.skipUnless(x11_env.DUMP, "frostvale-dump is not built")
    def test_stop_signals_during_the_write_leave_no_temporary(self):
        folder = os.path.join(x11_env.HOME, "signals")
        os.makedirs(folder, exist_ok=True)
        target = os.path.join(folder, "big.bmp")
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=number.name):
                # a 48 MiB frame: the signal comes once its file appears,
                # before it is written whole (a try that ends first is repeated)
                for attempt in range(5):
                    dump = subprocess.Popen([x11_env.DUMP, "frame", "5", target, "--width", "4096", "--height", "4096"],
                                            stdout=subprocess.DEVNULL)
                    while dump.poll() is None and not os.listdir(folder):
                        time.sleep(0.001)
                    dump.send_signal(number)
                    if dump.wait() == -number:
                        break
                    os.remove(target)
                self.assertEqual(dump.returncode, -number)
                self.assertEqual(os.listdir(folder), [])

    @unittest.skipUnless(os.geteuid() == 0, "needs root for a small file system and a device node")
    def test_failed_captures_leave_what_was_there(self):
        # a 1 MiB file system holding an older file, a link to it and a
        # device node (like /dev/full): the 2.7 MB capture fits nowhere
        disk = os.path.join(x11_env.HOME, "small-disk")
        os.makedirs(disk, exist_ok=True)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", disk]).returncode != 0:
            self.skipTest("no tmpfs can be mounted here (a container without the right)")
        try:
            old, link, dangling, device = (os.path.join(disk, name)
                                           for name in ("old.bmp", "link.bmp", "dangling.bmp", "full"))
            with open(old, "wb") as f:
                f.write(b"older capture")
            os.symlink("old.bmp", link)
            os.symlink("none.bmp", dangling)  # a link to nothing is refused
            os.mknod(device, 0o666 | stat.S_IFCHR, os.makedev(1, 7))
            for target in (old, link, dangling, device):
                with self.subTest(target=os.path.basename(target)):
                    result = run("--capture", "5", target)
                    self.assertEqual(result.returncode, 1)
                    self.assertEqual(result.stderr.count(b"\n"), 1, result.stderr)
                    self.assertIn(b"link to nothing" if target == dangling else b"No space left on device",
                                  result.stderr)
            self.assertEqual(sorted(os.listdir(disk)), ["dangling.bmp", "full", "link.bmp", "old.bmp"])
            with open(old, "rb") as f:
                self.assertEqual(f.read(), b"older capture")
            self.assertEqual(os.readlink(link), "old.bmp")
            self.assertTrue(stat.S_ISCHR(os.stat(device).st_mode))
        finally:
            subprocess.run(["umount", disk], check=True)


# Binds and listens on the abstract name argv[1], says so, and holds it.
SQUATTER = """import socket, sys, time
s = socket.socket(socket.AF_UNIX)
s.bind("\\0" + sys.argv[1])
s.listen()
print("held", flush=True)
time.sleep(120)
"""


def end(program):
    program.kill()
    program.wait()
    program.stderr.close()


def screenshot():
    return x11_env.screenshot(x11_env.ENV)


def corner_black(shot):
    """The share of black pixels where the frame rate shows in the
    640 x 360 window at 100,100: its bottom-left corner."""
    return x11_env.fraction(shot, 108, 441, 200, 456, lambda p: max(p) < 8)


class Music(x11_env.X11TestCase):
    """ALSA's default device as a file of raw samples, through the null device."""

    def start(self, window, device, name="asound.conf", display=()):
        # XScreenSaver's window (which runs play, not the preview, not
        # another program's window: the run's configuration, tested natively)
        env = dict(x11_env.alsa_env(device, name), XSCREENSAVER_WINDOW=str(window))
        return x11_env.start_program("--music", "--root", *display, env=env)

    def test_one_loop_per_display(self):
        # one run per monitor, as XScreenSaver starts them, each with a
        # device of its own: one stream is written; once its run is gone
        # (killed, no clean-up), the next run plays
        windows = [x11_env.make_window(540 * i, 0, 520, 400) for i in range(3)]
        outputs = [os.path.join(x11_env.HOME, "monitor%d.raw" % i) for i in range(3)]
        for output in outputs:
            if os.path.exists(output):
                os.remove(output)
        programs = []
        try:
            for i in range(2):
                programs.append(self.start(windows[i], x11_env.file_device(outputs[i]), name="asound%d.conf" % i))
            for i in range(2):
                self.assertShowsScene(540 * i, 0, 520, 400)
            time.sleep(2)
            playing = [os.path.exists(output) for output in outputs[:2]]
            self.assertEqual(playing.count(True), 1, playing)
            # the loop from its silent 0.3 s lead-in (its samples against
            # the image: the player's unit test)
            with open(outputs[playing.index(True)], "rb") as f:
                samples = struct.unpack("<%dh" % (22050 * 2), f.read(22050 * 4))
            self.assertEqual(set(samples[:6615]), {0})
            self.assertNotEqual(set(samples[6615:]), {0})
            programs[playing.index(True)].kill()
            programs[playing.index(True)].wait()
            programs.append(self.start(windows[2], x11_env.file_device(outputs[2]), name="asound2.conf"))
            self.assertShowsScene(1080, 0, 520, 400)
            time.sleep(1)
            self.assertTrue(os.path.exists(outputs[2]))
            self.assertEqual([os.path.exists(output) for output in outputs[:2]], playing)
        finally:
            for program in programs:
                program.kill()
                program.wait()
                program.stderr.close()
            for window in windows:
                x11_env.destroy_window(window)

    @unittest.skipUnless(os.geteuid() == 0, "needs root to run as another user")
    def test_one_loop_per_user_and_display_spelling(self):
        if subprocess.run(AS_NOBODY + ["test", "-x", PROGRAM]).returncode != 0:
            self.skipTest("another user cannot run the program from this folder")
        number = x11_env.ENV["DISPLAY"].split(":")[1]
        window = x11_env.make_window(0, 0, 520, 400)
        # a folder that the other user's run reads its device from and writes to
        shared = tempfile.mkdtemp(dir="/tmp")
        os.chmod(shared, 0o777)
        outputs = [os.path.join(shared, "spelling%d.raw" % i) for i in range(4)]
        # another user holding the name this user's runs would take, and
        # answering on it: the run plays all the same
        squatter = subprocess.Popen(AS_NOBODY + [sys.executable, "-c", SQUATTER, "frostvale-music-%d-:%s" % (
            os.getuid(), number)], stdout=subprocess.PIPE)
        programs = []
        try:
            squatter.stdout.readline()
            programs.append(self.start(window, x11_env.file_device(outputs[0]), "spelling0.conf"))
            self.assertPlays(outputs[:1])
            squatter.kill()
            end(programs.pop())
            # another user's run playing on the display, then this user's
            # runs with the display in two spellings: one loop more
            env = dict(x11_env.alsa_env(x11_env.file_device(outputs[1]), os.path.join(shared, "other.conf")),
                       XSCREENSAVER_WINDOW=str(window))
            programs.append(subprocess.Popen(AS_NOBODY + [PROGRAM, "--music", "--root"], env=env,
                                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE))
            self.assertPlays(outputs[1:2])
            for i, spelling in ((2, ":" + number), (3, "unix:%s.0" % number)):
                programs.append(self.start(window, x11_env.file_device(outputs[i]), "spelling%d.conf" % i,
                                           ("--display", spelling)))
            self.assertPlays(outputs[2:])
        finally:
            squatter.kill()
            squatter.wait()
            squatter.stdout.close()
            for program in programs:
                end(program)
            x11_env.destroy_window(window)
            shutil.rmtree(shared)

    def assertPlays(self, outputs, timeout=30):
        """Exactly one of outputs is written to, and stays the only one."""
        deadline = time.monotonic() + timeout
        while not any(map(os.path.exists, outputs)) and time.monotonic() < deadline:
            time.sleep(0.2)
        time.sleep(2)
        self.assertEqual([os.path.exists(output) for output in outputs].count(True), 1)

    def test_stopping_never_waits_on_the_sound_device(self):
        # a device whose open never returns: a FIFO that nobody reads
        fifo = os.path.join(x11_env.HOME, "music.fifo")
        if not os.path.exists(fifo):
            os.mkfifo(fifo)
        window = x11_env.make_window(0, 0, 640, 360)
        try:
            program = self.start(window, x11_env.file_device(fifo))
            self.assertShowsScene(0, 0, 640, 360)
            program.send_signal(signal.SIGTERM)
            self.assertEnds(program, 1)
            # no sound card at all: one line of its own, none of ALSA's
            program = self.start(window, "type hw card 99")
            self.assertShowsScene(0, 0, 640, 360)
            time.sleep(1)
            program.send_signal(signal.SIGTERM)
            program.wait(timeout=5)
            with program.stderr:
                self.assertEqual(program.stderr.read(), b"frostvale: no sound device; the scene runs silently\n")
            self.assertEqual(program.returncode, 0)
        finally:
            x11_env.destroy_window(window)


if __name__ == "__main__":
    x11_env.main()
