"""The end-to-end tests' Wine environment: a private prefix per build
folder (made once), a private Xvfb display per test script, a Wine virtual
desktop (so the test driver can move the cursor over a full-screen window),
and helpers that run the test driver and read its lines.

Environment: FROSTVALE_WINDOWS_BUILD (the cross build folder) and
FROSTVALE_TEST_HOME (a folder of the native build for the prefix)."""
import os
import subprocess
import time
import unittest

BUILD = os.environ["FROSTVALE_WINDOWS_BUILD"]
HOME = os.environ["FROSTVALE_TEST_HOME"]
PREFIX = os.path.join(HOME, "wineprefix")
SCR = os.path.join(BUILD, "Frostvale2026.scr")
DRIVER = os.path.join(BUILD, "tests", "driver", "frostvale-testdriver.exe")
SCREEN = (1600, 900)

WINE_SETTINGS = r"""REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="%dx%d"
""" % SCREEN

_xvfb = None


def windows_path(path):
    """A Unix path as the program sees it, through Wine's Z: drive."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def _environment(display, prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               DISPLAY=display)
    return env


def start(prefix=PREFIX):
    """Starts the display and makes the prefix (the shared one unless given)
    on first use."""
    global _xvfb, ENV
    os.makedirs(HOME, exist_ok=True)
    read_end, write_end = os.pipe()
    _xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                              "%dx%dx24" % SCREEN, "-nolisten", "tcp"],
                             pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        display = ":" + f.readline().strip()
    ENV = _environment(display, prefix)
    marker = os.path.join(prefix, ".frostvale-ready")
    if not os.path.exists(marker):
        subprocess.run(["wineboot", "-i"], env=ENV, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=180)
        reg = os.path.join(HOME, "wine-settings.reg")
        with open(reg, "w") as f:
            f.write(WINE_SETTINGS)
        subprocess.run(["wine", "regedit", "/S", windows_path(reg)], env=ENV, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run(["wineserver", "-w"], env=ENV, timeout=60)
        open(marker, "w").close()
    # one server (and virtual desktop) for the whole script, not one per command
    subprocess.run(["wineserver", "-p"], env=ENV)


def stop():
    subprocess.run(["wineserver", "-k"], env=ENV, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=ENV, timeout=60)
    if _xvfb:
        _xvfb.terminate()
        _xvfb.wait()


def wine_reg(*args):
    """Runs Wine's reg tool (add, delete) on the test prefix."""
    subprocess.run(["wine", "reg"] + list(args) + ["/f"], env=ENV, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def run(*argv, timeout=60):
    """Runs a Windows program to its end; returns its exit code."""
    return subprocess.run(["wine"] + list(argv), env=ENV, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=timeout).returncode


def run_scr(*args, timeout=60):
    """Runs the program to its end; returns its exit code."""
    return run(SCR, *args, timeout=timeout)


def scr_command(*args):
    """A command line for the driver's spawn command."""
    return " ".join(['"%s"' % windows_path(SCR)] + list(args))


def drive(*commands, timeout=120):
    """Runs the test driver with the commands (each a list of words) and
    returns its output lines, one per command."""
    out_file = os.path.join(HOME, "driver-out.txt")
    if os.path.exists(out_file):
        os.remove(out_file)
    argv = ["wine", DRIVER, "--out=" + windows_path(out_file)]
    for i, command in enumerate(commands):
        if i:
            argv.append(";")
        argv.extend(str(word) for word in command)
    # no pipes: Wine's background processes would inherit them and hold them open
    code = subprocess.run(argv, env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=timeout).returncode
    with open(out_file) as f:
        lines = [line for line in f.read().splitlines() if line.strip()]
    if code != 0:
        raise AssertionError("driver failed (%d): %s" % (code, lines))
    return lines


def fields(line):
    """key=value words of a driver line, as a dict (numbers converted)."""
    result = {}
    for word in line.split():
        if "=" in word:
            key, value = word.split("=", 1)
            try:
                result[key] = int(value, 0)
            except ValueError:
                result[key] = value
    return result


class WineTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        start()

    @classmethod
    def tearDownClass(cls):
        stop()


def main():
    unittest.main(verbosity=2)
