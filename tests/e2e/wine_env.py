"""The end-to-end tests' Wine environment: a private prefix per build
folder (made once), a private Xvfb display per test script, a Wine virtual
desktop (so the test driver can move the cursor over a full-screen window),
and helpers that run the test driver and read its lines.

Environment: FROSTVALE_WINDOWS_BUILD (the cross build folder) and
FROSTVALE_TEST_HOME (a folder of the native build for the prefix)."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from x_screen import SCREEN, main, start_x_server, start_xvfb, stop_x_server, test_case_on  # noqa: E402,F401

BUILD = os.environ["FROSTVALE_WINDOWS_BUILD"]
HOME = os.environ["FROSTVALE_TEST_HOME"]
PREFIX = os.path.join(HOME, "wineprefix")
SCR = os.path.join(BUILD, "Frostvale2026.scr")
DRIVER = os.path.join(BUILD, "tests", "driver", "frostvale-testdriver.exe")

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


def environment(display, prefix=PREFIX):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               DISPLAY=display)
    return env


def make_prefix(env, settings):
    """Makes the prefix of env once, with the registry settings (a .reg
    file's text), and keeps one Wine server running for the caller."""
    marker = os.path.join(env["WINEPREFIX"], ".frostvale-ready")
    if not os.path.exists(marker):
        subprocess.run(["wineboot", "-i"], env=env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=180)
        reg = os.path.join(env["WINEPREFIX"], "frostvale-settings.reg")
        with open(reg, "w") as f:
            f.write(settings)
        subprocess.run(["wine", "regedit", "/S", windows_path(reg)], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run(["wineserver", "-w"], env=env, timeout=60)
        open(marker, "w").close()
    # one server (and virtual desktop) for the whole script, not one per command
    subprocess.run(["wineserver", "-p"], env=env)


def stop_wine(env):
    subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, timeout=60)


def start(prefix=PREFIX):
    """Starts the display and makes the prefix (the shared one unless given)
    on first use."""
    global _xvfb, ENV
    os.makedirs(HOME, exist_ok=True)
    _xvfb, display = start_xvfb()
    ENV = environment(display, prefix)
    make_prefix(ENV, WINE_SETTINGS)


def stop():
    stop_wine(ENV)
    stop_x_server(_xvfb)


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


OUT_FILE = os.path.join(HOME, "driver-out.txt")


def start_driver(*commands, env=None):
    """Starts the test driver with the commands (each a list of words) and
    returns its process; driver_lines() reads what it has printed so far."""
    if os.path.exists(OUT_FILE):
        os.remove(OUT_FILE)
    argv = ["wine", DRIVER, "--out=" + windows_path(OUT_FILE)]
    for i, command in enumerate(commands):
        if i:
            argv.append(";")
        argv.extend(str(word) for word in command)
    # no pipes: Wine's background processes would inherit them and hold them open
    return subprocess.Popen(argv, env=env or ENV, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def driver_lines():
    """The driver's output lines so far, one per command done."""
    if not os.path.exists(OUT_FILE):
        return []
    with open(OUT_FILE) as f:
        return [line for line in f.read().splitlines() if line.strip()]


def drive(*commands, timeout=120):
    """Runs the test driver with the commands to its end and returns its
    output lines, one per command."""
    driver = start_driver(*commands)
    try:
        code = driver.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        driver.kill()
        raise
    lines = driver_lines()
    if code != 0:
        raise AssertionError("driver failed (%d): %s" % (code, lines))
    return lines


def program_pid(env=None):
    """The Linux process id of the program running in this script's prefix
    (other prefixes may run the program at the same time), or None."""
    mark = ("WINEPREFIX=" + (env or ENV)["WINEPREFIX"]).encode() + b"\0"
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/comm" % pid) as f:
                if not f.read().startswith("Frostvale2026"):
                    continue
            with open("/proc/%s/environ" % pid, "rb") as f:
                if mark in f.read():
                    return pid
        except OSError:
            continue
    return None


def program_cpu_seconds():
    """CPU seconds used so far by the running program (its Linux process,
    llvmpipe's threads included), or None when it is not running."""
    pid = program_pid()
    try:
        with open("/proc/%s/stat" % pid) as f:
            stat = f.read().rsplit(")", 1)[1].split()
    except (OSError, TypeError):
        return None
    return (int(stat[11]) + int(stat[12])) / os.sysconf("SC_CLK_TCK")


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


WineTestCase = test_case_on(start, stop)
