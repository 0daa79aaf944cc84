"""The Debian package: tools/package-deb.sh packs the built program; lintian
finds no errors; installed into a clean root (dpkg --root, a private
database) its files are where XScreenSaver and the desktop look for them
and the installed program captures the scene; purged, nothing is left."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import x11_env

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
INSTALLED = [
    "usr/libexec/xscreensaver/frostvale",
    "usr/share/xscreensaver/config/frostvale.xml",
    "usr/share/man/man6/frostvale.6.gz",
    "usr/share/applications/frostvale.desktop",
    "usr/share/icons/hicolor/256x256/apps/frostvale.png",
    "usr/share/icons/hicolor/16x16/apps/frostvale.png",
    "usr/share/doc/frostvale/copyright",
    "usr/share/doc/frostvale/changelog.gz",
    "usr/share/doc/frostvale/wayland.md",
]


@unittest.skipUnless(shutil.which("dpkg-shlibdeps") and shutil.which("icotool"),
                     "dpkg-dev or icoutils is not installed")
class Package(x11_env.X11TestCase):
    def dpkg(self, root, *args):
        return subprocess.run(["dpkg", "--root=" + root, "--force-not-root", "--force-depends",
                               "--log=/dev/null"] + list(args),
                              capture_output=True, text=True, timeout=120)

    def test_build_install_capture_purge(self):
        out = os.path.join(x11_env.HOME, "dist")
        deb = subprocess.run([os.path.join(SOURCE, "tools", "package-deb.sh"), x11_env.PROGRAM, out],
                             capture_output=True, text=True, check=True).stdout.strip()
        version = subprocess.run([x11_env.PROGRAM, "--version"], capture_output=True, text=True,
                                 check=True).stdout.split()[1]
        self.assertEqual(os.path.basename(deb), "frostvale_%s_amd64.deb" % version)
        fields = subprocess.run(["dpkg-deb", "-f", deb, "Depends"], capture_output=True, text=True,
                                check=True).stdout
        for library in ("libasound2", "libgl1", "libglu1-mesa", "libx11-6", "libc6", "libwayland-client0",
                        "libwayland-egl1", "libegl1"):
            self.assertIn(library, fields)

        if shutil.which("lintian"):
            lintian = subprocess.run(["lintian", "--pedantic", deb], capture_output=True, text=True)
            self.assertNotRegex(lintian.stdout, r"(?m)^E: ", lintian.stdout)

        root = tempfile.mkdtemp(prefix="root-", dir=x11_env.HOME)
        try:
            os.makedirs(os.path.join(root, "var/lib/dpkg/info"))
            open(os.path.join(root, "var/lib/dpkg/status"), "w").close()
            installed = self.dpkg(root, "-i", deb)
            self.assertEqual(installed.returncode, 0, installed.stderr)
            for path in INSTALLED:
                self.assertTrue(os.path.isfile(os.path.join(root, path)), path)
            program = os.path.join(root, INSTALLED[0])
            self.assertTrue(os.access(program, os.X_OK))
            # on PATH too, for the Wayland compositors' command lines
            on_path = os.path.join(root, "usr/bin/frostvale")
            self.assertTrue(os.path.samefile(on_path, program))

            capture = os.path.join(x11_env.HOME, "installed.bmp")
            built = os.path.join(x11_env.HOME, "built.bmp")
            for path, which in ((capture, program), (built, x11_env.PROGRAM)):
                subprocess.run([which, "--capture", "3", path], env=x11_env.ENV, check=True,
                               timeout=60)
            with open(capture, "rb") as a, open(built, "rb") as b:
                self.assertEqual(a.read(), b.read())

            purged = self.dpkg(root, "-P", "frostvale")
            self.assertEqual(purged.returncode, 0, purged.stderr)
            left = [os.path.relpath(os.path.join(folder, name), root)
                    for folder, folders, files in os.walk(root) for name in folders + files]
            self.assertEqual([p for p in left if not p.startswith("var")], [])
        finally:
            shutil.rmtree(root)


if __name__ == "__main__":
    x11_env.main()
