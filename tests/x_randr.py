"""A real X server whose monitors come and go, for the end-to-end tests of
a changing desk: Xorg with the dummy video driver, RandR on and no
Xinerama. The driver has 16 RandR outputs with no modes of their own;
DUMMY0 starts as one 1024 x 768 monitor, and DUMMY1 is given a 1280 x 720
mode that plug_in turns on right of it and plug_out turns off again (the
screen grows to 2304 x 768 and shrinks back)."""
import os
import shutil
import subprocess
import unittest

from x_screen import start_x_server

DUMMY_DRIVER = "/usr/lib/xorg/modules/drivers/dummy_drv.so"

FIRST = (0, 0, 1024, 768)  # left, top, width, height
SECOND = (1024, 0, 1280, 720)

CONFIG = """Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "d0"
  Driver "dummy"
  VideoRam 64000
EndSection
Section "Monitor"
  Identifier "m"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "1280x720" 74.25 1280 1390 1430 1650 720 725 730 750
  Modeline "1024x768" 65.00 1024 1048 1184 1344 768 771 777 806
EndSection
Section "Screen"
  Identifier "s"
  Device "d0"
  Monitor "m"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1024x768"
    Virtual 2304 768
  EndSubSection
EndSection
"""


def skip_unless_usable():
    """Skips the calling test class where the server cannot run here."""
    if not (shutil.which("Xorg") and shutil.which("xrandr") and os.path.exists(DUMMY_DRIVER)):
        raise unittest.SkipTest("needs Xorg, its dummy video driver and xrandr "
                                "(xserver-xorg-core, xserver-xorg-video-dummy, x11-xserver-utils)")
    if os.geteuid() != 0:
        raise unittest.SkipTest("Xorg with a configuration of the test's own needs root")


def start(home):
    """Starts the server with one monitor (its files in home); returns it
    and its display's name."""
    config = os.path.join(home, "randr_dummy.conf")
    with open(config, "w") as f:
        f.write(CONFIG)
    server, display = start_x_server(["Xorg", "-noreset", "-config", config, "-logfile",
                                      os.path.join(home, "randr_dummy.log")])
    xrandr(display, "--addmode", "DUMMY1", "1280x720")
    return server, display


def xrandr(display, *args):
    subprocess.run(["xrandr", "--display", display] + list(args), check=True, timeout=30,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def plug_in(display):
    xrandr(display, "--output", "DUMMY1", "--mode", "1280x720", "--right-of", "DUMMY0")


def plug_out(display):
    xrandr(display, "--output", "DUMMY1", "--off")
