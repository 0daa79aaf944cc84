"""frostvale --video with no X display: its frames against the captures,
its sound against the carol loop, the streams ffprobe sees, the pieces of
several jobs against one, and how it stops and fails.

Environment: FROSTVALE_PROGRAM, FROSTVALE_DUMP, FROSTVALE_TEST_HOME."""
import json
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest

PROGRAM = os.environ["FROSTVALE_PROGRAM"]
DUMP = os.environ.get("FROSTVALE_DUMP", "")
HOME = os.environ["FROSTVALE_TEST_HOME"]
# no display at all: the video renders off-screen
ENV = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
SIZE = (320, 180)


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

    def test_streams_of_each_format(self):
        cases = [("a.mp4", "30", "h264", "aac"), ("a.webm", "60", "vp9", "opus"), ("a.gif", "30", "gif", None),
                 ("a.webp", "30", "webp", None)]
        for name, fps, video_codec, sound_codec in cases:
            with self.subTest(name):
                result = video(self.folder, "3", "1", name, "--fps", fps, "--jobs", "2")
                self.assertEqual(result.returncode, 0, result.stderr)
                if name.endswith(".webp"):
                    # ffprobe reads no animated WebP: its header will do
                    with open(os.path.join(self.folder, name), "rb") as f:
                        header = f.read(40)
                    self.assertEqual((header[:4], header[8:16]), (b"RIFF", b"WEBPVP8X"))
                    continue
                streams, duration = probe(os.path.join(self.folder, name))
                picture = streams["video"]
                self.assertEqual((picture["codec_name"], picture["width"], picture["height"]),
                                 (video_codec, SIZE[0], SIZE[1]))
                if sound_codec:
                    self.assertEqual(picture["r_frame_rate"], fps + "/1")
                    self.assertEqual(int(picture["nb_read_frames"]), int(fps))
                    self.assertEqual(picture["pix_fmt"], "yuv420p")
                    self.assertEqual(streams["audio"]["codec_name"], sound_codec)
                    self.assertAlmostEqual(duration, 1.0, delta=0.05)
                else:
                    self.assertNotIn("audio", streams)
                    self.assertEqual(int(picture["nb_read_frames"]), 30)

    def test_stops_and_failures_leave_what_was_there(self):
        target = os.path.join(self.folder, "tree.mp4")

        def only_the_old_file():
            self.assertEqual(os.listdir(self.folder), ["tree.mp4"])
            with open(target) as f:
                self.assertEqual(f.read(), "old")

        with open(target, "w") as f:
            f.write("old")
        for stop, code in ((signal.SIGINT, 130), (signal.SIGTERM, 143)):
            run = subprocess.Popen([PROGRAM, "--video", "0", "30", target, "--size", "320x180"], env=ENV,
                                   stderr=subprocess.DEVNULL)
            # midway: the pieces are being written
            deadline = time.time() + 60
            while time.time() < deadline and not any(n.startswith(".frostvale-") for n in os.listdir(self.folder)):
                time.sleep(0.1)
            time.sleep(2)
            run.send_signal(stop)
            self.assertEqual(run.wait(timeout=60), code)
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


if __name__ == "__main__":
    unittest.main()
