"""The program under the real XScreenSaver daemon (Debian's xscreensaver)
on the test's display, configured to run only `frostvale --root --fps`: the
daemon starts it when activated, it draws the scene into the daemon's
window, and deactivating ends it.

The daemon launches no hacks when it runs as root ("running as root: not
launching hacks"), so as root the test runs it as an unprivileged system
user, frostvale-saver, that it creates when missing."""
import os
import pwd
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import x11_env

USER = "frostvale-saver"
SETTINGS = """mode: one
selected: 0
programs: "Frostvale 2026" %s --root --fps \\n
lock: False
splash: False
fade: False
unfade: False
timeout: 0:30:00
cycle: 0:30:00
dpmsEnabled: False
"""


def saver_user():
    """The uid and gid to run the daemon as: the test's own unless root."""
    if os.geteuid() != 0:
        return os.getuid(), os.getgid()
    try:
        entry = pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin",
                        USER], check=True)
        entry = pwd.getpwnam(USER)
    return entry.pw_uid, entry.pw_gid


@unittest.skipUnless(shutil.which("xscreensaver"), "xscreensaver is not installed")
class XScreenSaver(x11_env.X11TestCase):
    def setUp(self):
        uid, gid = saver_user()
        # the daemon's private home, holding its settings and a copy of the
        # program, where the user can surely reach them (the build folder
        # may lie in root's own home)
        self.home = tempfile.mkdtemp(prefix="frostvale-xscreensaver-")
        program = os.path.join(self.home, "frostvale")
        shutil.copy(x11_env.PROGRAM, program)
        with open(os.path.join(self.home, ".xscreensaver"), "w") as f:
            f.write(SETTINGS % program)
        for path in (self.home, program, os.path.join(self.home, ".xscreensaver")):
            os.chown(path, uid, gid)
        self.as_user = dict(user=uid, group=gid, extra_groups=[]) if os.geteuid() == 0 else {}
        self.env = {"HOME": self.home, "DISPLAY": x11_env.ENV["DISPLAY"], "PATH": os.environ["PATH"]}
        self.log = open(os.path.join(self.home, "daemon.log"), "wb")
        self.daemon = subprocess.Popen(["xscreensaver", "-no-splash", "-verbose"], env=self.env,
                                       stdout=self.log, stderr=subprocess.STDOUT, **self.as_user)

    def hack_running(self):
        return subprocess.run(["pgrep", "-f", "%s/frostvale --root --fps" % self.home],
                              stdout=subprocess.DEVNULL).returncode == 0

    def command(self, *args):
        return subprocess.run(["xscreensaver-command"] + list(args), env=self.env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30,
                              **self.as_user).returncode

    def tearDown(self):
        self.command("-exit")
        try:
            self.daemon.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.daemon.kill()
            self.daemon.wait()
        self.log.close()
        shutil.rmtree(self.home, ignore_errors=True)

    def test_activate_runs_the_scene_and_deactivate_ends_it(self):
        deadline = time.monotonic() + 20
        while self.command("-time") != 0:  # the daemon answers once it is up
            self.assertLess(time.monotonic(), deadline, "the daemon did not start")
            time.sleep(0.3)
        self.assertEqual(self.command("-activate"), 0)
        self.assertShowsScene(0, 0, *x11_env.SCREEN, timeout=30)
        self.assertTrue(self.hack_running())  # forked as configured, --fps and all
        self.assertEqual(self.command("-deactivate"), 0)
        # the hack ends within a tenth of a second of its SIGTERM; the rest
        # is the daemon's own turn, which a loaded machine can hold up
        deadline = time.monotonic() + 10
        while self.hack_running():
            self.assertLess(time.monotonic(), deadline, "the hack outlived the deactivation")
            time.sleep(0.1)


if __name__ == "__main__":
    x11_env.main()
