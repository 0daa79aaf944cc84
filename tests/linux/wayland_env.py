"""A private Wayland compositor for the Wayland host's tests: Debian's sway
on its headless backend with the pixman renderer (or Weston's headless
backend with its desktop shell), run with the program as an ordinary user the test creates when
it runs as root (sway refuses to start as root), each in its own runtime
folder. Screenshots through grim, sway's outputs through swaymsg."""
import os
import pwd
import shutil
import subprocess
import tempfile
import time

PROGRAM = os.environ.get("FROSTVALE_PROGRAM", "build/native/frostvale")
USER = "frostvale-wayland"
# sway's own grey where nothing is drawn (no wallpaper program runs)
SWAY_GREY = (63, 63, 63)


def test_user():
    """The uid and gid to run the compositor and the program as: the test's
    own unless root, else an unprivileged user made for it."""
    if os.geteuid() != 0:
        return os.getuid(), os.getgid()
    try:
        entry = pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin", USER],
                       check=True)
        entry = pwd.getpwnam(USER)
    return entry.pw_uid, entry.pw_gid


def wait_for(check, seconds, step=0.1):
    """check() until it is true or seconds have passed; its last value."""
    end = time.monotonic() + seconds
    while True:
        value = check()
        if value or time.monotonic() > end:
            return value
        time.sleep(step)


class Compositor:
    """A headless compositor in a runtime folder of its own, owned by the
    test user, holding a copy of the program the user can surely reach
    (the build folder may lie in root's own home)."""

    def __init__(self, kind="sway", config="output HEADLESS-1 resolution 1280x720\n"):
        self.uid, self.gid = test_user()
        self.folder = tempfile.mkdtemp(prefix="frostvale-wayland-")
        os.chmod(self.folder, 0o700)
        self.program = os.path.join(self.folder, "frostvale")
        shutil.copy(PROGRAM, self.program)
        self.log = open(os.path.join(self.folder, "compositor.log"), "wb")
        self.socket = "wayland-1"
        env = self.env()
        del env["WAYLAND_DISPLAY"]
        if kind == "sway":
            with open(os.path.join(self.folder, "config"), "w") as f:
                f.write(config)
            env.update(WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1")
            command = ["sway", "-c", os.path.join(self.folder, "config")]
        else:
            # (its kiosk shell, headless with no seat, never shows a
            # toplevel nor answers its frame callbacks: the desktop shell)
            command = ["weston", "--backend=headless-backend.so", "--shell=desktop-shell.so", "--use-pixman",
                       "--width=1280", "--height=720", "--socket=" + self.socket, "--idle-time=0"]
        for path in os.listdir(self.folder):
            os.chown(os.path.join(self.folder, path), self.uid, self.gid)
        os.chown(self.folder, self.uid, self.gid)
        self.process = subprocess.Popen(command, env=env, cwd=self.folder, stdout=self.log,
                                        stderr=subprocess.STDOUT, **self.as_user())
        if not wait_for(lambda: os.path.exists(os.path.join(self.folder, self.socket)), 20):
            why = self.log_text()
            self.close()
            raise RuntimeError("%s did not start: %s" % (kind, why))
        if kind == "sway":
            wait_for(lambda: self.sway_socket(), 10)

    def as_user(self):
        return dict(user=self.uid, group=self.gid, extra_groups=[]) if os.geteuid() == 0 else {}

    def env(self, **extra):
        env = {"HOME": self.folder, "XDG_RUNTIME_DIR": self.folder, "WAYLAND_DISPLAY": self.socket,
               "PATH": os.environ["PATH"], "LANG": "C.UTF-8"}
        env.update(extra)
        return env

    def sway_socket(self):
        for name in os.listdir(self.folder):
            if name.startswith("sway-ipc."):
                return os.path.join(self.folder, name)
        return None

    def run(self, *command, **options):
        """A client of the compositor, as the test user, to its end."""
        return subprocess.run(list(command), env=self.env(), cwd=self.folder, capture_output=True, timeout=30,
                              **self.as_user(), **options)

    def start(self, *args, env=None, **options):
        """The program with args, as the test user; standard error to a file."""
        err = open(os.path.join(self.folder, "frostvale-%d.err" % time.monotonic_ns()), "w+b")
        process = subprocess.Popen([self.program] + list(args), env=env or self.env(), cwd=self.folder,
                                   stdout=subprocess.DEVNULL, stderr=err, **self.as_user(), **options)
        process.err = err
        return process

    def swaymsg(self, *args):
        result = subprocess.run(["swaymsg", "-s", self.sway_socket()] + list(args), env=self.env(),
                                capture_output=True, timeout=30, **self.as_user())
        return result.stdout.decode()

    def grim(self, name, output=None):
        """A screenshot (PNG) of one output, or of all; its path, None when
        grim failed."""
        path = os.path.join(self.folder, name)
        result = self.run("grim", *(["-o", output] if output else []), path)
        return path if result.returncode == 0 else None

    def log_text(self):
        self.log.flush()
        with open(self.log.name, "rb") as f:
            return f.read().decode(errors="replace")[-2000:]

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def mean_colour(path, box=None):
    """The mean colour of a picture (or of box, "WxH+X+Y"), as 0-255 levels."""
    crop = ["-crop", box, "+repage"] if box else []
    out = subprocess.run(["convert", path] + crop + ["-scale", "1x1!", "-depth", "8", "rgb:-"],
                         capture_output=True, check=True).stdout
    return tuple(out[:3])


def image_size(path):
    out = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, check=True).stdout
    return tuple(int(v) for v in out.split())


def shows_scene(path):
    """Whether the picture holds more than the compositor's own grey."""
    return path is not None and mean_colour(path) != SWAY_GREY
