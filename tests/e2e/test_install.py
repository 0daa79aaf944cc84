"""The setup program and the Windows Installer package under Wine, in a
fresh prefix of their own (they change the system): silent installs with
and without making the saver current, the saver running from the 64-bit
system folder, the Add or Remove Programs entry, an upgrade from an older
package, a repair, and uninstalls that leave nothing of the saver behind
and touch no other saver the user chose."""
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
from wine_env import drive, fields, run

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import package_windows

WORK = os.path.join(wine_env.HOME, "install")
PREFIX = os.path.join(WORK, "wineprefix")
INSTALLED = os.path.join(PREFIX, "drive_c", "windows", "system32", "Frostvale2026.scr")
PRODUCT_FOLDER = os.path.join(PREFIX, "drive_c", "Program Files", "Frostvale 2026")
SAVER = r"C:\windows\system32\Frostvale2026.scr"
OTHER_SAVER = r"C:\windows\system32\Other.scr"
ARP_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Frostvale2026"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
MAKER_KEY = r"HKCU\Software\Zentrel3D"
SETTINGS_KEY = MAKER_KEY + r"\Frostvale2026"
VERSION = package_windows.project_version()
OLD_VERSION = "2026.0.9"


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


class Installers(wine_env.WineTestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        cls.scr = Path(wine_env.SCR).read_bytes()
        _, cls.setup, cls.msi = package_windows.pack(wine_env.SCR, WORK, VERSION)
        # an older release whose saver is told apart by a byte more
        cls.old_scr = cls.scr + b"\0"
        old_path = os.path.join(WORK, "old.scr")
        Path(old_path).write_bytes(cls.old_scr)
        cls.old_msi = package_windows.pack(old_path, os.path.join(WORK, "old"), OLD_VERSION)[2]
        wine_env.start(PREFIX)

    def choose_other_saver(self):
        wine_env.wine_reg("add", DESKTOP_KEY, "/v", "SCRNSAVE.EXE", "/d", OTHER_SAVER)
        wine_env.wine_reg("add", DESKTOP_KEY, "/v", "ScreenSaveActive", "/d", "1")

    def use_settings(self):
        """Stores the settings as the saver's settings window does."""
        drive(["reg-dword", "Music", 1], ["reg-dword", "Snow", 0])

    def check_installed(self, version, saver_bytes, current):
        self.assertEqual(Path(INSTALLED).read_bytes(), saver_bytes)
        frame = os.path.join(WORK, "frame.bmp")
        if os.path.exists(frame):
            os.remove(frame)
        self.assertEqual(run(SAVER, "/x", "0", wine_env.windows_path(frame)), 0)
        self.assertEqual(os.path.getsize(frame), 2764854)
        entry = reg_values(ARP_KEY)
        self.assertEqual({name: entry.get(name) for name in
                          ("DisplayName", "DisplayVersion", "Publisher", "DisplayIcon",
                           "EstimatedSize")},
                         {"DisplayName": "Frostvale 2026", "DisplayVersion": version,
                          "Publisher": "Zentrel3D", "DisplayIcon": SAVER,
                          "EstimatedSize": (len(saver_bytes) + 1023) // 1024})
        desktop = reg_values(DESKTOP_KEY)
        self.assertEqual(desktop.get("SCRNSAVE.EXE"), SAVER if current else OTHER_SAVER)
        self.assertEqual(desktop.get("ScreenSaveActive"), "1")
        return entry

    def uninstall_and_check(self, entry, current):
        """Runs the entry's quiet uninstall and checks that nothing is left."""
        out = drive(["spawn", entry["QuietUninstallString"]], ["wait-exit", 60000])
        self.assertEqual(fields(out[1])["exit"], 0)
        # the setup program's uninstaller goes on in a copy of itself
        deadline = time.time() + 30
        while os.path.exists(PRODUCT_FOLDER) and time.time() < deadline:
            time.sleep(0.2)
        self.assertFalse(os.path.exists(PRODUCT_FOLDER))
        self.assertFalse(os.path.exists(INSTALLED))
        self.assertIsNone(reg_values(ARP_KEY))
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

    def test_windows_installer_package_upgrade_repair_and_removal(self):
        self.choose_other_saver()
        self.assertEqual(run("msiexec", "/i", self.old_msi, "/qn", "MAKECURRENT=0"), 0)
        old_entry = self.check_installed(OLD_VERSION, self.old_scr, current=False)
        old_product = old_entry["UninstallString"].split("/X")[1]

        # the newer package replaces the older: one copy, the newer
        self.assertEqual(run("msiexec", "/i", self.msi, "/qn"), 0)
        entry = self.check_installed(VERSION, self.scr, current=True)
        self.assertEqual(entry["QuietUninstallString"], entry["UninstallString"] + " /qn")
        self.assertNotEqual(entry["UninstallString"], old_entry["UninstallString"])
        self.assertIsNone(reg_values(ARP_KEY.replace("Frostvale2026", old_product)))

        # the same package again puts back a lost file
        os.remove(INSTALLED)
        self.assertEqual(run("msiexec", "/i", self.msi, "/qn"), 0)
        self.assertEqual(Path(INSTALLED).read_bytes(), self.scr)

        self.use_settings()
        self.uninstall_and_check(entry, current=True)
        self.assertIsNone(reg_values(MAKER_KEY))


if __name__ == "__main__":
    wine_env.main()
