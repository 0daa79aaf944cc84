"""The Linux program's end-to-end tests: a private Xvfb display per test
script (Mesa's GLX), the program's path, windows the tests make, close or
destroy through Xlib (ctypes), and screenshots read as RGB rows.

Environment: FROSTVALE_PROGRAM (the frostvale program), FROSTVALE_DUMP
(frostvale-dump, when built), FROSTVALE_SWAP_COUNTER (a library that counts buffer swaps when preloaded)
and FROSTVALE_TEST_HOME (a scratch folder)."""
import ctypes
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from x_screen import SCREEN, fraction, is_scene, main, screenshot, shows_scene, start_xvfb, stop_x_server, test_case_on  # noqa: E402,F401

PROGRAM = os.environ["FROSTVALE_PROGRAM"]
DUMP = os.environ.get("FROSTVALE_DUMP", "")
SWAP_COUNTER = os.environ.get("FROSTVALE_SWAP_COUNTER", "")
HOME = os.environ["FROSTVALE_TEST_HOME"]

ENV = None
_xvfb = None
_xlib = None
_display = None

_P, _ID, _INT = ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int
# the Xlib functions the tests call: name, result, arguments
_XLIB = [
    ("XOpenDisplay", _P, [ctypes.c_char_p]),
    ("XDefaultRootWindow", _ID, [_P]),
    ("XCreateSimpleWindow", _ID, [_P, _ID, _INT, _INT, _INT, _INT, _INT, _ID, _ID]),
    ("XMapWindow", _INT, [_P, _ID]),
    ("XDestroyWindow", _INT, [_P, _ID]),
    ("XInternAtom", _ID, [_P, ctypes.c_char_p, _INT]),
    ("XSendEvent", _INT, [_P, _ID, _INT, ctypes.c_long, _P]),
    ("XSync", _INT, [_P, _INT]),
]


def start():
    """Starts the private display and connects to it."""
    global ENV, _xvfb, _xlib, _display
    os.makedirs(HOME, exist_ok=True)
    _xvfb, name = start_xvfb()
    ENV = dict(os.environ, DISPLAY=name)
    ENV.pop("XSCREENSAVER_WINDOW", None)
    # run from a Wayland desktop, the program would be a Wayland client
    for variable in ("WAYLAND_DISPLAY", "WAYLAND_SOCKET"):
        ENV.pop(variable, None)
    _xlib = ctypes.CDLL("libX11.so.6")
    for function, result, arguments in _XLIB:
        getattr(_xlib, function).restype = result
        getattr(_xlib, function).argtypes = arguments
    _display = _xlib.XOpenDisplay(name.encode())


def stop():
    stop_x_server(_xvfb)


def make_window(x, y, width, height):
    """A plain mapped window on the root window, as a screensaver host
    makes one; returns its id."""
    window = _xlib.XCreateSimpleWindow(_display, _xlib.XDefaultRootWindow(_display), x, y, width,
                                       height, 0, 0, 0)
    _xlib.XMapWindow(_display, window)
    _xlib.XSync(_display, 0)
    return window


def destroy_window(window):
    _xlib.XDestroyWindow(_display, window)
    _xlib.XSync(_display, 0)


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", _INT), ("serial", _ID), ("send_event", _INT), ("display", _P),
                ("window", _ID), ("message_type", _ID), ("format", _INT),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def press_close_button(window):
    """What a window manager sends when the close button is pressed."""
    event = _Event()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = _xlib.XInternAtom(_display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = _xlib.XInternAtom(_display, b"WM_DELETE_WINDOW", 0)
    _xlib.XSendEvent(_display, window, 0, 0, ctypes.byref(event))
    _xlib.XSync(_display, 0)


def start_program(*args, env=None):
    return subprocess.Popen([PROGRAM] + list(args), env=env or ENV, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)


def alsa_env(device, name="asound.conf"):
    """env with ALSA's default device defined as device (a definition's body)."""
    config = os.path.join(HOME, name)
    with open(config, "w") as f:
        f.write("pcm.!default { %s }\n" % device)
    return dict(ENV, ALSA_CONFIG_PATH=config)


def file_device(output):
    """A device writing raw samples to output, through the null device."""
    return 'type file slave { pcm { type null } } file "%s" format raw' % output


def find_window(title):
    """The id of the first window titled title, waiting for it (20 s)."""
    out = subprocess.run(["timeout", "20", "xdotool", "search", "--sync", "--name", "^%s$" % title],
                         env=ENV, capture_output=True, text=True).stdout.split()
    return int(out[0]) if out else None


def send_key(window, key):
    # the press alone: a key that ends the run takes the window with it,
    # and a release sent after it would find no window
    subprocess.run(["xdotool", "keydown", "--window", str(window), key], env=ENV, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class X11TestCase(test_case_on(start, stop)):
    def assertShowsScene(self, x, y, width, height, timeout=20):
        """Waits until the rectangle shows the scene."""
        deadline = time.monotonic() + timeout
        while True:
            found = shows_scene(screenshot(ENV), x, y, width, height)
            if is_scene(found):
                return
            if time.monotonic() > deadline:
                self.fail("no scene at %d,%d %dx%d: sky, ground, tree %.2f %.2f %.2f"
                          % ((x, y, width, height) + found))
            time.sleep(0.5)

    def assertEnds(self, process, within, code=0):
        """The process ends within the seconds given, with code, and says
        nothing on standard error."""
        try:
            process.wait(timeout=within)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            self.fail("still running after %.1f s" % within)
        with process.stderr:
            self.assertEqual(process.stderr.read(), b"")
        self.assertEqual(process.returncode, code)
