"""frostvale --video with no X display: its frames against the captures
(every format's, the lossy ones within a tolerance), its sound against the
carol loop, the streams ffprobe sees, the pieces of several jobs against
one, and how it stops and fails: signals, a full disk, a dead run's folder.

Environment: FROSTVALE_PROGRAM, FROSTVALE_DUMP, FROSTVALE_TEST_HOME."""
import json
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

PROGRAM = os.environ["FROSTVALE_PROGRAM"]
DUMP = os.environ.get("FROSTVALE_DUMP", "")
HOME = os.environ["FROSTVALE_TEST_HOME"]
# no display at all: the video renders off-screen
ENV = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
SIZE = (320, 180)
FRAME = SIZE[0] * SIZE[1] * 3
# How far a format's frame may lie from its capture: the mean difference
# of the channels (0 to 255) over the frame, and of the worst 16 x 16 block
# (stale blocks of an animation that keeps unchanged-looking pixels show
# there). The lossless .mkv is compared byte for byte.
TOLERANCE = {".mp4": (5, 24), ".webm": (5, 24), ".gif": (3, 16), ".webp": (4, 20)}


def video(folder, *args, env=ENV):
    return subprocess.run([PROGRAM, "--video", *args, "--size", "%dx%d" % SIZE], cwd=folder, env=env,
                          capture_output=True, text=True, timeout=240)


def decode(path, *args):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", path, *args, "-"], check=True,
                          capture_output=True, timeout=120).stdout


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-show_format",
                          "-of", "json", path], check=True, capture_output=True, text=True, timeout=120).stdout
    data = json.loads(out)
    return {s["codec_type"]: s for s in data["streams"]}, float(data["format"]["duration"])


def webp_frames(path, wanted=None):
    """An animated WebP's frames as a browser composes them (each frame's
    rectangle decoded by dwebp, blended or not, disposed or not, onto the
    canvas), bottom row first, blue-green-red, as the captures are; None
    for a frame not in wanted (when given)."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:4] == b"RIFF" and data[8:12] == b"WEBP"
    width = height = 0
    canvas = None
    frames = []
    at = 12
    while at < len(data):
        kind, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        body = data[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
        if kind == b"VP8X":
            width = 1 + int.from_bytes(body[4:7], "little")
            height = 1 + int.from_bytes(body[7:10], "little")
            canvas = bytearray(width * height * 4)  # transparent black
        if kind != b"ANMF":
            continue
        x, y = 2 * int.from_bytes(body[0:3], "little"), 2 * int.from_bytes(body[3:6], "little")
        w, h = 1 + int.from_bytes(body[6:9], "little"), 1 + int.from_bytes(body[9:12], "little")
        blend, dispose = not body[15] & 2, body[15] & 1
        image = body[16:]
        if image[:4] == b"ALPH":  # alpha and picture: a still WebP needs a VP8X header
            head = b"VP8X" + struct.pack("<I", 10) + bytes([0x10, 0, 0, 0]) + (w - 1).to_bytes(3, "little") + \
                (h - 1).to_bytes(3, "little")
            image = head + image
        still = b"RIFF" + struct.pack("<I", 4 + len(image)) + b"WEBP" + image
        pam = subprocess.run(["dwebp", "-quiet", "-pam", "-o", "-", "--", "-"], input=still, check=True,
                             capture_output=True, timeout=60).stdout
        pixels = pam[pam.index(b"ENDHDR\n") + 7:]
        for row in range(h):
            line = pixels[row * w * 4:(row + 1) * w * 4]
            start = ((y + row) * width + x) * 4
            if not blend or b"\x00" not in line[3::4] and all(a == 255 for a in line[3::4]):
                canvas[start:start + w * 4] = line
                continue
            for i in range(w):
                a = line[4 * i + 3]
                for c in range(3):
                    old = canvas[start + 4 * i + c]
                    canvas[start + 4 * i + c] = (line[4 * i + c] * a + old * (255 - a)) // 255
                canvas[start + 4 * i + 3] = max(a, canvas[start + 4 * i + 3])
        if wanted is not None and len(frames) not in wanted:
            frames.append(None)
            if dispose:
                for row in range(h):
                    start = ((y + row) * width + x) * 4
                    canvas[start:start + w * 4] = bytes(w * 4)
            continue
        # shown on a page's white: rows bottom first, blue-green-red
        shown = bytearray(width * height * 3)
        for row in range(height):
            source = canvas[(height - 1 - row) * width * 4:(height - row) * width * 4]
            target = row * width * 3
            for c, channel in ((0, 2), (1, 1), (2, 0)):
                values = source[channel::4]
                alphas = source[3::4]
                if all(a == 255 for a in alphas):
                    shown[target + c:target + width * 3:3] = values
                else:
                    shown[target + c:target + width * 3:3] = bytes(
                        (v * a + 255 * (255 - a)) // 255 for v, a in zip(values, alphas))
        frames.append(bytes(shown))
        if dispose:
            for row in range(h):
                start = ((y + row) * width + x) * 4
                canvas[start:start + w * 4] = bytes(w * 4)
    return frames


def differences(frame, capture):
    """The mean difference of the channels over the frame, and over its
    worst 16 x 16 block."""
    total = sum(abs(a - b) for a, b in zip(frame, capture))
    worst = 0
    for by in range(0, SIZE[1], 16):
        for bx in range(0, SIZE[0], 16):
            block = 0
            rows = range(by, min(by + 16, SIZE[1]))
            for row in rows:
                start = (row * SIZE[0] + bx) * 3
                end = (row * SIZE[0] + min(bx + 16, SIZE[0])) * 3
                block += sum(abs(a - b) for a, b in zip(frame[start:end], capture[start:end]))
            worst = max(worst, block / (len(rows) * (min(bx + 16, SIZE[0]) - bx) * 3))
    return total / len(frame), worst


@unittest.skipUnless(shutil.which("ffmpeg") and DUMP, "needs ffmpeg and frostvale-dump")
class Video(unittest.TestCase):
    def setUp(self):
        os.makedirs(HOME, exist_ok=True)
        self.folder = tempfile.mkdtemp(dir=HOME)

    def tearDown(self):
        shutil.rmtree(self.folder)

    def capture_rows(self, seconds):
        path = os.path.join(self.folder, "capture.bmp")
        subprocess.run([DUMP, "frame", seconds, path, "--width", str(SIZE[0]), "--height", str(SIZE[1])],
                       check=True, capture_output=True, env=ENV)
        with open(path, "rb") as f:
            return f.read()[54:]

    def test_lossless_video_is_the_captures_and_the_carol_loop_whatever_the_jobs(self):
        # 2 s from 20 s: frames 600 to 659 capture steps; the last is the
        # capture of 21.95 s (659 steps)
        for jobs in ("1", "2"):
            result = video(self.folder, "20", "2", "jobs%s.mkv" % jobs, "--jobs", jobs)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stderr, "")  # no progress line on a pipe
        frames = decode(os.path.join(self.folder, "jobs2.mkv"), "-map", "0:v", "-vf", "vflip", "-f", "rawvideo", "-pix_fmt", "bgr24")
        size = SIZE[0] * SIZE[1] * 3
        self.assertEqual(len(frames), 60 * size)
        self.assertTrue(frames[:size] == self.capture_rows("20"), "the first frame is not the capture of 20 s")
        self.assertTrue(frames[59 * size:] == self.capture_rows("21.95"), "the last frame is not the capture")
        one_job = decode(os.path.join(self.folder, "jobs1.mkv"), "-map", "0:v", "-vf", "vflip", "-f", "rawvideo", "-pix_fmt", "bgr24")
        self.assertTrue(one_job == frames, "two jobs' frames differ from one job's")

        # the loop from where it stands at 20 s, the last second faded out
        wave = os.path.join(self.folder, "loop.wav")
        subprocess.run([DUMP, "wave", wave], check=True, capture_output=True)
        with open(wave, "rb") as f:
            loop = f.read()[44:]
        sound = decode(os.path.join(self.folder, "jobs2.mkv"), "-map", "0:a", "-f", "s16le")
        self.assertEqual(len(sound), 2 * 44100)
        start = 2 * 20 * 22050
        self.assertTrue(sound[:2 * 22050] == loop[start:start + 2 * 22050], "not the loop at 20 s")
        faded = struct.unpack("<22050h", sound[2 * 22050:])
        heard = struct.unpack("<22050h", loop[start + 2 * 22050:start + 4 * 22050])
        self.assertTrue(all(abs(f) <= abs(h) for f, h in zip(faded, heard)))
        self.assertLessEqual(max(abs(f) for f in faded[-100:]), 100)

    def test_streams_of_each_format_and_frame_k_against_the_capture_of_from_plus_k_steps(self):
        # a relative folder with a colon: no protocol for ffmpeg
        os.makedirs(os.path.join(self.folder, "tree:2025"))
        cases = [("tree:2025/a.mp4", "30", "h264", "aac", "3"), ("a.webm", "30", "vp9", "opus", "3"),
                 ("a.gif", "30", "gif", None, "3"), ("sixty.mp4", "60", "h264", "aac", "3")] + \
            [("q%s.webp" % q, "30", "webp", None, q) for q in ("1", "3", "5")]
        captures = {}
        for name, fps, video_codec, sound_codec, quality in cases:
            with self.subTest(name):
                result = video(self.folder, "20", "2", name, "--fps", fps, "--jobs", "2", "--quality", quality)
                self.assertEqual(result.returncode, 0, result.stderr)
                path = os.path.join(self.folder, name)
                if name.endswith(".webp"):
                    # ffprobe reads no animated WebP: its chunks, composed
                    frames = webp_frames(path, wanted=(0, 59))
                    self.assertEqual(len(frames), 60)
                else:
                    streams, duration = probe(path)
                    picture = streams["video"]
                    self.assertEqual((picture["codec_name"], picture["width"], picture["height"]),
                                     (video_codec, SIZE[0], SIZE[1]))
                    self.assertEqual(int(picture["nb_read_frames"]), 2 * int(fps))
                    if sound_codec:
                        self.assertEqual(picture["r_frame_rate"], fps + "/1")
                        self.assertEqual(picture["pix_fmt"], "yuv420p")
                        self.assertEqual(streams["audio"]["codec_name"], sound_codec)
                        self.assertAlmostEqual(duration, 2.0, delta=0.05)
                    else:
                        self.assertNotIn("audio", streams)
                    raw = decode(path, "-map", "0:v", "-vf", "vflip", "-f", "rawvideo", "-pix_fmt", "bgr24")
                    frames = [raw[i * FRAME:(i + 1) * FRAME] for i in range(len(raw) // FRAME)]
                if fps != "30":
                    continue
                # frame k is the capture of FROM + k capture steps
                for k in (0, 59):
                    if k not in captures:
                        captures[k] = self.capture_rows("%.4f" % (20 + k / 30 - 0.01))
                    mean, worst = differences(frames[k], captures[k])
                    allowed = TOLERANCE[os.path.splitext(name)[1]]
                    print("frame %d of %s: %.2f mean, %.2f worst block" % (k, name, mean, worst), file=sys.stderr)
                    self.assertLessEqual(mean, allowed[0], "frame %d of %s" % (k, name))
                    self.assertLessEqual(worst, allowed[1], "frame %d of %s" % (k, name))

    def test_what_is_not_the_names_own_file_is_written_in_place(self):
        # the output files' one rule, as for a capture: a link's file, a
        # file with other hard links, a FIFO take the video in place; a
        # link to nothing and a folder are refused before any work
        folder = self.folder
        with open(os.path.join(folder, "real.mkv"), "w") as f:
            f.write("old")
        os.symlink("real.mkv", os.path.join(folder, "link.mkv"))
        os.link(os.path.join(folder, "real.mkv"), os.path.join(folder, "hard.mkv"))
        result = video(folder, "3", "0.1", "link.mkv")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(os.path.islink(os.path.join(folder, "link.mkv")))
        self.assertEqual(os.stat(os.path.join(folder, "hard.mkv")).st_nlink, 2)
        streams, _ = probe(os.path.join(folder, "hard.mkv"))
        self.assertEqual(int(streams["video"]["nb_read_frames"]), 3)
        os.mkfifo(os.path.join(folder, "pipe.mkv"))
        reader = subprocess.Popen(["cat", os.path.join(folder, "pipe.mkv")], stdout=subprocess.PIPE)
        result = video(folder, "3", "0.1", "pipe.mkv")
        self.assertEqual(result.returncode, 0, result.stderr)
        piped = reader.communicate(timeout=60)[0]
        # a whole Matroska file (its own random segment id: not the bytes
        # of the first)
        self.assertEqual((piped[:4], len(piped) // 1000), (b"\x1a\x45\xdf\xa3", os.path.getsize(
            os.path.join(folder, "real.mkv")) // 1000))
        # a control character in the name reaches the terminal escaped
        os.symlink("nothing.mkv", os.path.join(folder, "dang\x1bling.mkv"))
        os.mkdir(os.path.join(folder, "folder.mkv"))
        for name, why in (("dang\x1bling.mkv", "dang\\x1bling.mkv: a symbolic link to nothing"),
                          ("folder.mkv", "Is a directory")):
            result = video(folder, "3", "0.1", name)
            self.assertEqual((result.returncode, result.stderr.count("\n")), (1, 1), result.stderr)
            self.assertIn(why, result.stderr)
        self.assertEqual(sorted(os.listdir(folder)),
                         ["dang\x1bling.mkv", "folder.mkv", "hard.mkv", "link.mkv", "pipe.mkv", "real.mkv"])

    def test_stops_and_failures_leave_what_was_there(self):
        target = os.path.join(self.folder, "tree.mp4")

        def only_the_old_file():
            self.assertEqual(os.listdir(self.folder), ["tree.mp4"])
            with open(target) as f:
                self.assertEqual(f.read(), "old")

        with open(target, "w") as f:
            f.write("old")
        def work_folder():
            names = [n for n in os.listdir(self.folder) if n.startswith(".frostvale-")]
            return os.path.join(self.folder, names[0]) if names else None

        def wait_for(ready, what):
            deadline = time.time() + 60
            while time.time() < deadline and not ready():
                time.sleep(0.05)
            self.assertTrue(ready(), what)

        # a terminal's Ctrl+C, a kill, a closed terminal: at start-up,
        # midway through the pieces, and during the join (its list is
        # written just before it starts; a .gif's join encodes every frame)
        stages = (("launch", "tree.mp4", "30", lambda: True),
                  ("start-up", "tree.mp4", "30", work_folder),
                  ("pieces", "tree.mp4", "30", lambda: work_folder() and time.sleep(1.5) is None),
                  ("join", "tree.gif", "3", lambda: work_folder() and os.path.exists(os.path.join(work_folder(), "pieces.txt"))))
        for stop, code in ((signal.SIGINT, 130), (signal.SIGTERM, 143), (signal.SIGHUP, 129)):
            for stage, name, seconds, ready in stages:
                if stop != signal.SIGHUP and stage != "pieces":
                    continue
                with self.subTest(stop=stop, stage=stage):
                    if name != "tree.mp4":
                        shutil.copy(target, os.path.join(self.folder, name))
                    run = subprocess.Popen([PROGRAM, "--video", "0", seconds, name, "--size", "320x180"], env=ENV,
                                           cwd=self.folder, stderr=subprocess.DEVNULL)
                    wait_for(ready, "never reached " + stage)
                    run.send_signal(stop)
                    # at launch the signal may come before the handlers
                    self.assertIn(run.wait(timeout=60), (code, -stop) if stage == "launch" else (code,))
                    if name != "tree.mp4":
                        with open(os.path.join(self.folder, name)) as f:
                            self.assertEqual(f.read(), "old")
                        os.remove(os.path.join(self.folder, name))
                    only_the_old_file()

        # a run killed outright leaves its folder; the next run there
        # removes it, and leaves alone the folder of a run that lives
        def start():
            before = set(os.listdir(self.folder))
            run = subprocess.Popen([PROGRAM, "--video", "0", "30", target, "--size", "320x180"], env=ENV,
                                   stderr=subprocess.DEVNULL)
            wait_for(lambda: any(n.startswith(".frostvale-") for n in set(os.listdir(self.folder)) - before),
                     "no work folder")
            new = [n for n in set(os.listdir(self.folder)) - before if n.startswith(".frostvale-")][0]
            return run, os.path.join(self.folder, new)

        live, living = start()
        killed, dead = start()
        killed.kill()
        killed.wait(timeout=60)
        time.sleep(0.5)  # its jobs die with it
        self.assertTrue(os.path.isdir(dead))
        short = video(self.folder, "0", "0.1", "short.mkv")
        self.assertEqual(short.returncode, 0, short.stderr)
        self.assertFalse(os.path.exists(dead), "a dead run's folder stays")
        self.assertTrue(os.path.isdir(living), "a live run's folder was removed")
        self.assertIsNone(live.poll(), "the live run ended")
        live.send_signal(signal.SIGINT)
        self.assertEqual(live.wait(timeout=60), 130)
        os.remove(os.path.join(self.folder, "short.mkv"))
        only_the_old_file()

        # no ffmpeg on PATH: one line naming the package, before any work
        result = video(self.folder, "0", "1", target, env=dict(ENV, PATH="/nonexistent"))
        self.assertEqual((result.returncode, result.stderr.count("\n")), (1, 1))
        self.assertIn("package ffmpeg", result.stderr)
        only_the_old_file()

        # an ffmpeg that fails (a full disk, say): its reason in one line
        fake = os.path.join(HOME, "failing-ffmpeg")
        os.makedirs(fake, exist_ok=True)
        with open(os.path.join(fake, "ffmpeg"), "w") as f:
            f.write("#!/bin/sh\necho 'No space left on device' >&2\nexit 1\n")
        os.chmod(os.path.join(fake, "ffmpeg"), 0o755)
        result = video(self.folder, "0", "1", target, env=dict(ENV, PATH=fake + ":" + ENV["PATH"]))
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.count("\n"), 1, result.stderr)
        self.assertIn("No space left on device", result.stderr)
        only_the_old_file()


@unittest.skipUnless(shutil.which("ffmpeg") and os.geteuid() == 0 and shutil.which("setpriv"), "needs root")
class StickyFolder(unittest.TestCase):
    def test_another_users_file_in_a_sticky_folder_is_refused_before_any_work(self):
        os.makedirs(HOME, exist_ok=True)
        sticky = tempfile.mkdtemp(dir=HOME)
        try:
            os.chmod(sticky, 0o1777)
            with open(os.path.join(sticky, "root.mp4"), "w") as f:
                f.write("root's")
            nobody = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
            if subprocess.run(nobody + ["test", "-x", PROGRAM]).returncode != 0:
                self.skipTest("nobody cannot run the program from here")
            # a span that would take minutes to render: refused at once
            result = subprocess.run(nobody + [PROGRAM, "--video", "0", "600", "root.mp4", "--size", "320x180"],
                                    cwd=sticky, env=ENV, capture_output=True, text=True, timeout=60)
            self.assertEqual((result.returncode, result.stderr.count("\n")), (1, 1), result.stderr)
            self.assertIn("Operation not permitted", result.stderr)
            self.assertEqual(os.listdir(sticky), ["root.mp4"])
        finally:
            shutil.rmtree(sticky)


@unittest.skipUnless(shutil.which("ffmpeg") and os.geteuid() == 0 and shutil.which("mount"),
                     "a small file system needs root")
class FullDisk(unittest.TestCase):
    """The real ffmpeg on a small tmpfs: room for the pieces and the old
    file, not for the joined video beside them."""

    def test_a_join_that_runs_out_of_room_leaves_the_old_file(self):
        os.makedirs(HOME, exist_ok=True)
        roomy = tempfile.mkdtemp(dir=HOME)
        small = tempfile.mkdtemp(dir=HOME)
        try:
            for name in ("tree.mkv", "tree.mp4"):
                with self.subTest(name):
                    result = video(roomy, "3", "1", name, "--jobs", "2")
                    self.assertEqual(result.returncode, 0, result.stderr)
                    # the old file, the pieces (the video less its sound)
                    # and a few pages for the list and the pieces' ends
                    size = 8192 + 4096 * (os.path.getsize(os.path.join(roomy, name)) // 4096 + 4)
                    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % size, "tmpfs", small],
                                             capture_output=True, text=True)
                    if mounted.returncode != 0:
                        self.skipTest("cannot mount a tmpfs: " + mounted.stderr.strip())
                    try:
                        old = os.urandom(8192)
                        with open(os.path.join(small, name), "wb") as f:
                            f.write(old)
                        result = video(small, "3", "1", name, "--jobs", "2")
                        self.assertEqual(result.returncode, 1, result.stderr)
                        self.assertEqual(result.stderr.count("\n"), 1, result.stderr)
                        self.assertIn("No space left on device", result.stderr)
                        self.assertEqual(os.listdir(small), [name])
                        with open(os.path.join(small, name), "rb") as f:
                            self.assertTrue(f.read() == old, "the old file changed")
                    finally:
                        subprocess.run(["umount", small], check=True)
        finally:
            shutil.rmtree(roomy)
            os.rmdir(small)


if __name__ == "__main__":
    unittest.main()
