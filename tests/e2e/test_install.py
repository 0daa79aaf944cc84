"""The setup program and the Windows Installer package under Wine, in a
fresh prefix of their own (they change the system): installs, upgrades
from the previous release (tools/previous-release.sh), repairs and
uninstalls that report what they did (also while the saver runs or its
file is held), versions, one owner per install, the user's screen saver
choice, DLLs from the system folder only, and a signed release; and, without
Wine, release.sh's refusal of certificates that cannot sign."""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path
from unittest import mock

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
from wine_env import drive, fields

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import package_windows

WORK = os.path.join(wine_env.HOME, "install")
PREFIX = os.path.join(WORK, "wineprefix")
SYSTEM32 = os.path.join(PREFIX, "drive_c", "windows", "system32")
INSTALLED = os.path.join(SYSTEM32, "Frostvale2026.scr")
PRODUCT_FOLDER = os.path.join(PREFIX, "drive_c", "Program Files", "Frostvale 2026")
LAUNCHER = os.path.join(wine_env.BUILD, "Uninstall.exe")
PLANTED_DLL = os.path.join(wine_env.BUILD, "tests", "driver", "planted", "opengl32.dll")
SAVER = r"C:\windows\system32\Frostvale2026.scr"
OTHER_SAVER = r"C:\windows\system32\Other.scr"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
ARP_KEY = UNINSTALL_KEY + r"\Frostvale2026"
MSI_ARP_KEY = UNINSTALL_KEY + r"\Frostvale2026.msi"
SESSION_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
MAKER_KEY = r"HKCU\Software\Zentrel3D"
SETTINGS_KEY = MAKER_KEY + r"\Frostvale2026"
# the version the built saver carries (a.b.c.0)
VERSION = package_windows.file_version(wine_env.SCR).rsplit(".", 1)[0]
EXIT_RESTART, EXIT_REFUSED = 3010, 1638


def make_certificate(folder, usage="codeSigning", expired=False):
    """A throwaway self-signed certificate (valid for two days, or for a day
    in 2025) and its .p12 with the password "test password"."""
    key, cert, p12 = (os.path.join(folder, name) for name in ("key.pem", "cert.pem", "cert.p12"))
    subject = ["-subj", "/CN=Frostvale Test Signer"]
    usage = "extendedKeyUsage=" + usage
    if expired:  # only openssl ca takes dates in the past
        for name, text in (("index.txt", ""), ("serial", "01\n"),
                           ("ca.cnf", "[ca]\ndefault_ca=c\n[c]\ndatabase=index.txt\n"
                            "new_certs_dir=.\nserial=serial\ndefault_md=sha256\npolicy=p\n"
                            "x509_extensions=e\n[p]\ncommonName=supplied\n[e]\n" + usage + "\n")):
            Path(folder, name).write_text(text)
        subprocess.run(["openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                        "-out", "request.pem"] + subject, cwd=folder, check=True, capture_output=True)
        subprocess.run(["openssl", "ca", "-batch", "-config", "ca.cnf", "-selfsign", "-keyfile", key,
                        "-in", "request.pem", "-out", cert, "-startdate", "20250101000000Z",
                        "-enddate", "20250102000000Z"], cwd=folder, check=True, capture_output=True)
    else:
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                        "-out", cert, "-days", "2", "-addext", usage] + subject, check=True,
                       capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-out", p12, "-inkey", key, "-in", cert,
                    "-passout", "pass:test password"], check=True, capture_output=True)
    return cert, p12


def reg_values(key):
    """The values of a registry key ({name: text or number}), None when the
    key is absent."""
    out_path = os.path.join(WORK, "reg-query.txt")
    # a file, not a pipe: Wine's background processes would hold a pipe open
    with open(out_path, "w") as out:
        code = subprocess.run(["wine", "reg", "query", key], env=wine_env.ENV, stdout=out,
                              stderr=subprocess.DEVNULL, timeout=60).returncode
    if code != 0:
        return None
    values = {}
    with open(out_path, errors="replace") as f:
        for line in f.read().splitlines():
            if line.startswith("    "):
                name, kind, data = (line.strip().split("    ", 2) + [""])[:3]
                values[name] = int(data, 16) if kind == "REG_DWORD" else data
    return values


def run(program, *args):
    """Runs a Windows program to its end through the test driver; returns its
    exit code (all 32 bits: Wine's own exit status keeps only 8)."""
    words = [wine_env.windows_path(word) if word.startswith("/") and os.path.exists(word) else word
             for word in (program,) + args]
    out = drive(["spawn", " ".join('"%s"' % word if " " in word or word is words[0] else word
                                   for word in words)], ["wait-exit", 120000], timeout=180)
    return fields(out[-1])["exit"]


def pending_at_restart():
    """The file operations Windows is to do at the next restart, as text."""
    return (reg_values(SESSION_KEY) or {}).get("PendingFileRenameOperations", "")


def restart_windows():
    """Restarts the prefix's Windows, which does the pending operations."""
    wine_env.stop_wine(wine_env.ENV)
    subprocess.run(["wineboot", "-r"], env=wine_env.ENV, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=120)
    subprocess.run(["wineserver", "-p"], env=wine_env.ENV)


class Installers(wine_env.WineTestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        cls.scr = Path(wine_env.SCR).read_bytes()
        with mock.patch.dict(os.environ):
            for name in package_windows.SIGN_VARIABLES:
                os.environ.pop(name, None)
            cls.zip, cls.setup, cls.msi = package_windows.pack(wine_env.SCR, WORK, VERSION)
        # the previous release, built from its commit
        previous = subprocess.run([os.path.join(ROOT, "tools", "previous-release.sh")], check=True,
                                  capture_output=True, text=True).stdout.strip()
        cls.old_setup, = glob.glob(os.path.join(previous, "*-setup.exe"))
        cls.old_msi, = glob.glob(os.path.join(previous, "*.msi"))
        cls.old_version = os.path.basename(cls.old_setup).split("-")[1]
        with zipfile.ZipFile(glob.glob(os.path.join(previous, "*.zip"))[0]) as z:
            cls.old_scr = z.read("Frostvale2026.scr")
        wine_env.start(PREFIX)
        cls.user_temp = glob.glob(os.path.join(PREFIX, "drive_c", "users", "*", "Temp"))[0]

    def choose_other_saver(self):
        wine_env.wine_reg("add", DESKTOP_KEY, "/v", "SCRNSAVE.EXE", "/d", OTHER_SAVER)
        wine_env.wine_reg("add", DESKTOP_KEY, "/v", "ScreenSaveActive", "/d", "1")

    def use_settings(self):
        """Stores the settings as the saver's settings window does."""
        drive(["reg-dword", "Music", 1], ["reg-dword", "Snow", 0])

    def check_settings_kept(self):
        self.assertEqual(reg_values(SETTINGS_KEY), {"Music": 1, "Snow": 0})

    def check_installed(self, version, saver_bytes, current, key=ARP_KEY):
        """Checks the installed saver (it runs), its entry (the only one) and
        the user's choice; returns the entry."""
        self.assertEqual(Path(INSTALLED).read_bytes(), saver_bytes)
        frame = os.path.join(WORK, "frame.bmp")
        if os.path.exists(frame):
            os.remove(frame)
        self.assertEqual(run(SAVER, "/x", "0", wine_env.windows_path(frame)), 0)
        self.assertEqual(os.path.getsize(frame), 2764854)
        entry = reg_values(key)
        self.assertEqual({name: entry.get(name) for name in
                          ("DisplayName", "DisplayVersion", "Publisher", "DisplayIcon")},
                         {"DisplayName": "Frostvale 2026", "DisplayVersion": version,
                          "Publisher": "Zentrel3D", "DisplayIcon": SAVER})
        self.assertIsNone(reg_values(MSI_ARP_KEY if key == ARP_KEY else ARP_KEY))
        self.assertGreaterEqual(entry["EstimatedSize"], len(saver_bytes) // 1024)
        desktop = reg_values(DESKTOP_KEY)
        self.assertEqual(desktop.get("SCRNSAVE.EXE"), SAVER if current else OTHER_SAVER)
        self.assertEqual(desktop.get("ScreenSaveActive"), "1")
        return entry

    def check_nothing_installed(self):
        self.assertFalse(os.path.exists(PRODUCT_FOLDER))
        self.assertFalse(os.path.exists(INSTALLED))
        self.assertIsNone(reg_values(ARP_KEY))
        self.assertIsNone(reg_values(MSI_ARP_KEY))
        for version in (VERSION, self.old_version):  # the package's hidden entries
            product = package_windows.guid("product " + version)
            self.assertIsNone(reg_values(UNINSTALL_KEY + "\\" + product))

    def quiet_uninstall(self, entry, *driver_first):
        """Runs the entry's quiet uninstall command (after the driver commands
        given) to its end; returns its exit code."""
        out = drive(*driver_first, ["spawn", entry["QuietUninstallString"]], ["wait-exit", 60000])
        return fields(out[-1])["exit"]

    def uninstall_and_check(self, entry, current, *driver_first):
        """Runs the entry's quiet uninstall (after the driver commands given):
        when it returns, nothing is left, not even in the user's temporary
        folder."""
        temp = set(os.listdir(self.user_temp))
        self.assertEqual(self.quiet_uninstall(entry, *driver_first), 0)
        self.check_nothing_installed()
        if entry["QuietUninstallString"].endswith(r'Uninstall.exe" /S'):
            self.assertLessEqual(set(os.listdir(self.user_temp)), temp)
        self.assertIsNone(reg_values(SETTINGS_KEY))
        desktop = reg_values(DESKTOP_KEY)
        if current:
            self.assertNotIn("SCRNSAVE.EXE", desktop)
            self.assertEqual(desktop["ScreenSaveActive"], "0")
        else:
            self.assertEqual(desktop["SCRNSAVE.EXE"], OTHER_SAVER)
            self.assertEqual(desktop["ScreenSaveActive"], "1")

    def test_setup_program_silent(self):
        self.choose_other_saver()
        self.assertEqual(run(self.setup, "/S", "/MAKECURRENT=0"), 0)
        entry = self.check_installed(VERSION, self.scr, current=False)
        self.assertEqual(entry["QuietUninstallString"],
                         r'"C:\Program Files\Frostvale 2026\Uninstall.exe" /S')
        self.use_settings()
        self.uninstall_and_check(entry, current=False)
        self.assertIsNone(reg_values(MAKER_KEY))

        # made current; another product of the maker keeps the maker's key
        self.assertEqual(run(self.setup, "/S"), 0)
        entry = self.check_installed(VERSION, self.scr, current=True)
        self.use_settings()
        wine_env.wine_reg("add", MAKER_KEY + r"\Other", "/v", "Kept", "/d", "1")
        self.uninstall_and_check(entry, current=True)
        self.assertEqual(reg_values(MAKER_KEY + r"\Other"), {"Kept": "1"})
        wine_env.wine_reg("delete", MAKER_KEY)

    def test_setup_program_versions(self):
        # the previous release's install: the package refuses to join it,
        # and today's setup program upgrades it, leaving the user's choice
        # and settings alone unless asked
        self.assertEqual(run(self.old_setup, "/S"), 0)
        self.assertNotEqual(run("msiexec", "/i", self.msi, "/qn"), 0)
        self.check_installed(self.old_version, self.old_scr, current=True)
        self.choose_other_saver()
        self.use_settings()
        self.assertEqual(run(self.setup, "/S"), 0)
        self.check_installed(VERSION, self.scr, current=False)
        self.check_settings_kept()
        # the same version repairs, and here is asked to make it current
        os.remove(INSTALLED)
        self.assertEqual(run(self.setup, "/S", "/MAKECURRENT=1"), 0)
        entry = self.check_installed(VERSION, self.scr, current=True)
        # an older one is refused, and the newer install still works;
        # interactively with one sentence
        self.assertEqual(run(self.old_setup, "/S"), EXIT_REFUSED)
        out = drive(["spawn", '"%s"' % wine_env.windows_path(self.old_setup)],
                    ["wait-window", "#32770", 30000], ["control", 0xFFFF], ["click", 1],
                    ["wait-exit", 30000])
        self.assertIn("text=A newer version of Frostvale 2026 (%s) is already installed." % VERSION,
                      out[2])
        self.assertEqual(fields(out[-1])["exit"], EXIT_REFUSED)
        self.check_installed(VERSION, self.scr, current=True)
        self.uninstall_and_check(entry, current=True)

    def test_setup_program_with_the_saver_running(self):
        """A running saver is ended; a file that stays held is replaced or
        removed at the restart, with exit code 3010 and the entry kept."""
        self.assertEqual(run(self.old_setup, "/S"), 0)
        out = drive(["spawn", '"%s" /s' % SAVER], ["wait-window", "Frostvale2026", 30000],
                    ["spawn", '"%s" /S' % wine_env.windows_path(self.setup)],
                    ["wait-exit", 60000])
        self.assertEqual(out[1].split()[0], "window=1")
        self.assertEqual(fields(out[-1])["exit"], 0)
        entry = self.check_installed(VERSION, self.scr, current=True)
        out = drive(["spawn", '"%s" /w' % SAVER], ["wait-window", "Frostvale2026", 30000],
                    ["spawn", entry["QuietUninstallString"]], ["wait-exit", 60000])
        self.assertEqual(out[1].split()[0], "window=1")
        self.assertEqual(fields(out[-1])["exit"], 0)
        self.check_nothing_installed()

        # held: the upgrade is done at the restart, and the entry already
        # says so
        self.assertEqual(run(self.old_setup, "/S"), 0)
        out = drive(["hold", SAVER], ["spawn", '"%s" /S' % wine_env.windows_path(self.setup)],
                    ["wait-exit", 60000])
        self.assertEqual(out[0], "held=1")
        self.assertEqual(fields(out[-1])["exit"], EXIT_RESTART)
        self.assertEqual(Path(INSTALLED).read_bytes(), self.old_scr)
        self.assertIn("Frostvale2026.scr", pending_at_restart())
        self.assertEqual(reg_values(ARP_KEY)["DisplayVersion"], VERSION)
        restart_windows()
        entry = self.check_installed(VERSION, self.scr, current=True)

        # held, interactively: the pages end on Finish, which leaves the
        # restart to the user, and the exit code says it is needed
        out = drive(["hold", SAVER], ["spawn", '"%s"' % wine_env.windows_path(self.setup)],
                    ["wait-window", "#32770", 30000], ["wait-text", 1, "&Next >", 30000],
                    ["click", 1], ["wait-text", 1, "&Install", 30000], ["click", 1],
                    ["wait-text", 1, "&Finish", 60000], ["click", 1], ["wait-exit", 30000])
        self.assertEqual(out[-3], "text=&Finish")
        self.assertEqual(fields(out[-1])["exit"], EXIT_RESTART)

        # held: the uninstall removes the file at the restart and keeps the
        # entry until it is gone; run again then, it removes the rest
        self.assertEqual(self.quiet_uninstall(entry, ["hold", SAVER]), EXIT_RESTART)
        self.assertTrue(os.path.exists(INSTALLED))
        self.assertEqual(reg_values(ARP_KEY)["DisplayVersion"], VERSION)
        restart_windows()
        self.assertFalse(os.path.exists(INSTALLED))
        self.assertEqual(self.quiet_uninstall(entry), 0)
        self.check_nothing_installed()

    def test_windows_installer_package_upgrade_repair_and_removal(self):
        # the previous release's package makes the saver current on its
        # first install; the setup program refuses to join it
        self.assertEqual(run("msiexec", "/i", self.old_msi, "/qn"), 0)
        old_entry = self.check_installed(self.old_version, self.old_scr, current=True,
                                         key=MSI_ARP_KEY)
        old_product = old_entry["UninstallString"].split("/X")[1]
        self.assertEqual(run(self.setup, "/S"), EXIT_REFUSED)
        self.assertEqual(os.listdir(PRODUCT_FOLDER), ["user_steps.exe"])  # the package's

        # the user then chooses another saver, which neither an upgrade nor
        # a repair takes back; today's package replaces the previous one
        # while it runs full screen: one entry, the new file
        self.choose_other_saver()
        self.use_settings()
        full_screen = (["spawn", '"%s" /s' % SAVER], ["wait-window", "Frostvale2026", 30000])
        out = drive(*full_screen, ["spawn", 'msiexec /i "%s" /qn' % wine_env.windows_path(self.msi)],
                    ["wait-exit", 120000])
        self.assertEqual(fields(out[-1])["exit"], 0)
        entry = self.check_installed(VERSION, self.scr, current=False, key=MSI_ARP_KEY)
        # (the settings are not checked here: Wine's msi removes the older
        # product without UPGRADINGPRODUCTCODE, so its removal takes them)
        self.assertEqual(entry["QuietUninstallString"], entry["UninstallString"] + " /qn")
        self.assertIsNone(reg_values(UNINSTALL_KEY + "\\" + old_product))

        # the same package again puts back a lost file
        os.remove(INSTALLED)
        self.assertEqual(run("msiexec", "/i", self.msi, "/qn"), 0)
        self.check_installed(VERSION, self.scr, current=False, key=MSI_ARP_KEY)

        # removed while the saver runs full screen
        self.uninstall_and_check(entry, False, *full_screen)
        self.assertIsNone(reg_values(MAKER_KEY))

        # a first install told not to leaves the user's choice alone
        self.assertEqual(run("msiexec", "/i", self.msi, "MAKECURRENT=No", "/qn"), 0)
        entry = self.check_installed(VERSION, self.scr, current=False, key=MSI_ARP_KEY)
        self.uninstall_and_check(entry, current=False)

        # the package's executables are versioned files
        listing = subprocess.run(["msiinfo", "export", self.msi, "File"], capture_output=True,
                                 text=True, check=True).stdout
        versions = {line.split("\t")[2]: line.split("\t")[4] for line in listing.splitlines()[3:]}
        self.assertEqual(versions, {"Frostvale2026.scr": VERSION + ".0",
                                    "user_steps.exe": VERSION + ".0"})

    def test_libraries_only_from_the_system_folder(self):
        """An opengl32.dll beside the saver in a user's folder (Wine told to
        prefer it) is not loaded, and the saver still renders."""
        folder = os.path.join(PREFIX, "drive_c", "users", "Public", "Downloads")
        os.makedirs(folder, exist_ok=True)
        shutil.copy(wine_env.SCR, folder)
        shutil.copy(PLANTED_DLL, folder)
        marker = os.path.join(WORK, "planted-loaded")
        frame = os.path.join(WORK, "planted-frame.bmp")
        env = dict(wine_env.ENV, WINEDLLOVERRIDES=wine_env.ENV["WINEDLLOVERRIDES"] +
                   ";opengl32,glu32,winmm=n,b", FROSTVALE_PLANTED_MARKER=wine_env.windows_path(marker))
        code = subprocess.run(["wine", os.path.join(folder, "Frostvale2026.scr"), "/x", "0",
                               wine_env.windows_path(frame)], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=60).returncode
        self.assertFalse(os.path.exists(marker))
        self.assertEqual(code, 0)
        self.assertEqual(os.path.getsize(frame), 2764854)

    def test_signed_release(self):
        """Signed with a throwaway certificate: every executable and the
        package verify, the uninstaller as installed too, and removing the
        saver's signature gives the unsigned file back."""
        work = tempfile.mkdtemp(dir=WORK)
        cert, p12 = make_certificate(work)
        with mock.patch.dict(os.environ, FROSTVALE_SIGN_PKCS12=p12,
                             FROSTVALE_SIGN_PASSWORD="test password"):
            os.environ.pop("FROSTVALE_SIGN_TIMESTAMP_URL", None)
            zip_path, setup, msi = package_windows.pack(wine_env.SCR, os.path.join(work, "dist"),
                                                        VERSION)
        with zipfile.ZipFile(zip_path) as z:
            Path(work, "Frostvale2026.scr").write_bytes(z.read("Frostvale2026.scr"))
        subprocess.run(["msiextract", "-C", os.path.join(work, "msi"), msi], check=True,
                       capture_output=True)
        self.assertEqual(run(setup, "/S"), 0)

        def verify(path):
            out = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", path],
                                 capture_output=True, text=True)
            self.assertEqual(out.returncode, 0, path + "\n" + out.stdout + out.stderr)

        for path in (os.path.join(work, "Frostvale2026.scr"), setup, msi,
                     *(str(p) for p in Path(work, "msi").rglob("*.*") if p.is_file()),
                     INSTALLED, os.path.join(PRODUCT_FOLDER, "Uninstall.exe"),
                     os.path.join(PRODUCT_FOLDER, "uninstaller.exe")):
            verify(path)
        # a program without its signature is the unsigned release's
        subprocess.run(["msiextract", "-C", os.path.join(work, "unsigned-msi"), self.msi],
                       check=True, capture_output=True)
        helper = os.path.join("Frostvale 2026", "user_steps.exe")
        for signed, unsigned in ((INSTALLED, self.scr),
                                 (os.path.join(work, "msi", helper),
                                  Path(work, "unsigned-msi", helper).read_bytes())):
            stripped = os.path.join(work, "stripped")
            subprocess.run(["osslsigncode", "remove-signature", "-in", signed, "-out", stripped],
                           check=True, capture_output=True)
            self.assertEqual(Path(stripped).read_bytes(), unsigned, signed)
            os.remove(stripped)
        self.assertEqual(self.quiet_uninstall(reg_values(ARP_KEY)), 0)
        self.check_nothing_installed()


class SigningFailures(unittest.TestCase):
    """A certificate that cannot sign is refused before anything is built,
    and a signing failure midway leaves the release folder as it was: one
    line and exit code 1 each."""

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="frostvale-signing-")
        self.env = dict(os.environ, FROSTVALE_SIGN_PASSWORD="test password",
                        FROSTVALE_BUILD=os.path.join(self.work, "build"))
        self.env.pop("FROSTVALE_SIGN_TIMESTAMP_URL", None)

    def tearDown(self):
        shutil.rmtree(self.work)

    def assert_one_line_refusal(self, out, variable):
        self.assertEqual((out.returncode, out.stdout), (1, ""), out.stderr)
        self.assertEqual(len(out.stderr.splitlines()), 1, out.stderr)
        self.assertIn(variable, out.stderr)

    def test_certificates_that_cannot_sign(self):
        def folder(name):
            os.makedirs(os.path.join(self.work, name))
            return os.path.join(self.work, name)

        _, good = make_certificate(folder("good"))
        cases = (("FROSTVALE_SIGN_PKCS12", make_certificate(folder("server"), "serverAuth")[1], {}),
                 ("FROSTVALE_SIGN_PKCS12", make_certificate(folder("old"), expired=True)[1], {}),
                 ("FROSTVALE_SIGN_PASSWORD", good, {"FROSTVALE_SIGN_PASSWORD": "wrong"}),
                 ("FROSTVALE_SIGN_PKCS12", os.path.join(self.work, "missing.p12"), {}))
        dist = os.path.join(ROOT, "dist")
        before = sorted(os.listdir(dist)) if os.path.isdir(dist) else None
        for variable, p12, more in cases:
            out = subprocess.run([os.path.join(ROOT, "tools", "release.sh")], capture_output=True,
                                 text=True, env=dict(self.env, FROSTVALE_SIGN_PKCS12=p12, **more),
                                 timeout=120)
            self.assert_one_line_refusal(out, variable)
            self.assertFalse(os.path.exists(self.env["FROSTVALE_BUILD"]))  # nothing built
        self.assertEqual(sorted(os.listdir(dist)) if os.path.isdir(dist) else None, before)

    def test_failure_midway(self):
        """The certificate goes once the setup program is signed: the
        package's signature fails."""
        _, p12 = make_certificate(self.work)
        tools = os.path.join(self.work, "bin")
        os.makedirs(tools)
        Path(tools, "osslsigncode").write_text(
            '#!/bin/sh\n%s "$@" || exit\ncase "$*" in sign*-setup.exe*) rm "$FROSTVALE_SIGN_PKCS12"; esac\n'
            % shutil.which("osslsigncode"))
        os.chmod(os.path.join(tools, "osslsigncode"), 0o755)
        dist = os.path.join(self.work, "dist")
        os.makedirs(dist)
        Path(dist, "SHA256SUMS").write_text("the earlier release's\n")
        out = subprocess.run([sys.executable, os.path.join(ROOT, "tools", "package_windows.py"),
                              "--version", VERSION, wine_env.SCR, dist], capture_output=True,
                             text=True, timeout=120, env=dict(
                                 self.env, FROSTVALE_SIGN_PKCS12=p12,
                                 PATH=tools + os.pathsep + os.environ["PATH"]))
        self.assert_one_line_refusal(out, ".msi")
        self.assertEqual(os.listdir(dist), ["SHA256SUMS"])
        self.assertEqual(Path(dist, "SHA256SUMS").read_text(), "the earlier release's\n")
        self.assertEqual(sorted(os.listdir(self.work)), ["bin", "cert.pem", "dist", "key.pem"])


class SourceDateEpoch(unittest.TestCase):
    def test_only_whole_seconds_from_1970_are_taken(self):
        for text in ("", "-1", "1.5", "yesterday"):
            with mock.patch.dict(os.environ, SOURCE_DATE_EPOCH=text):
                with self.assertRaises(SystemExit) as refused:
                    package_windows.source_date_epoch()
                self.assertIn("SOURCE_DATE_EPOCH", str(refused.exception))
        with mock.patch.dict(os.environ, SOURCE_DATE_EPOCH="1765065600"):
            self.assertEqual(package_windows.source_date_epoch(), 1765065600)


if __name__ == "__main__":
    wine_env.main()
