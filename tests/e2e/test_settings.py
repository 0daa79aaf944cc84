"""The settings window and the registry store under Wine: what the check
boxes show for stored values, what OK stores, that Cancel, Escape and the
close box store nothing, the owner window, and the layout at 96 DPI."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
from wine_env import drive, fields, scr_command

IDOK, IDCANCEL, ID_MUSIC, ID_SNOW, ID_LINK = 1, 2, 101, 102, 103
WM_CLOSE = 0x10
VK_ESCAPE = 27


def registry(*setup):
    """Clears the settings key, then runs the setup commands."""
    drive(["reg-delete"], *setup) if setup else drive(["reg-delete"])


def stored():
    out = drive(["reg-get", "Music"], ["reg-get", "Snow"])
    return out


def dialog(args, *commands):
    """Opens the settings window with args, waits for it, runs the commands,
    and waits for the program's end; returns the commands' lines and the
    exit line."""
    out = drive(["spawn", scr_command(*args)], ["wait-window", "FrostvaleCfg", 10000],
                ["wait-ready", 10000], *commands, ["wait-exit", 10000], ["kill"])
    assert fields(out[1])["window"] == 1, out
    return out[3:-2], fields(out[-2])


class Settings(wine_env.WineTestCase):
    def tearDown(self):
        registry()  # the other scripts start from the defaults

    def test_defaults_with_no_key_and_cancel_stores_nothing(self):
        registry()
        out, end = dialog(["/c"], ["check", ID_MUSIC], ["check", ID_SNOW], ["click", IDCANCEL])
        self.assertEqual(out[0], "check 101=0")
        self.assertEqual(out[1], "check 102=1")
        self.assertEqual(end["exit"], 0)
        self.assertEqual(stored(), ["reg Music nokey", "reg Snow nokey"])

    def test_ok_with_nothing_stored_creates_both_values(self):
        registry()
        out, end = dialog([], ["click", IDOK])  # no switch at all opens the settings too
        self.assertEqual(end["exit"], 0)
        self.assertEqual(stored(), ["reg Music type=4 size=4 value=0",
                                    "reg Snow type=4 size=4 value=1"])

    def test_stored_values_and_what_ok_writes_back(self):
        cases = [
            # (setup, music box, snow box)
            ([["reg-dword", "Music", 5], ["reg-dword", "Snow", 0]], 1, 0),
            ([["reg-sz", "Music", "0"]], 1, 1),              # four bytes of text, non-zero
            ([["reg-qword", "Music", 1], ["reg-qword", "Snow", 0]], 0, 1),  # too long: defaults
            ([["reg-binary", "Music", "01"], ["reg-binary", "Snow", "00"]], 1, 0),  # short values
            ([["reg-dword", "Snow", 0]], 0, 0),
        ]
        for setup, music, snow in cases:
            with self.subTest(setup=setup):
                registry(*setup)
                out, end = dialog(["/c"], ["check", ID_MUSIC], ["check", ID_SNOW],
                                  ["click", IDOK])
                self.assertEqual(out[:2], ["check 101=%d" % music, "check 102=%d" % snow])
                self.assertEqual(end["exit"], 0)
                self.assertEqual(stored(), ["reg Music type=4 size=4 value=%d" % music,
                                            "reg Snow type=4 size=4 value=%d" % snow])

    def test_toggles_then_cancel_escape_or_close_leave_the_registry(self):
        for closing in (["click", IDCANCEL], ["key-to-control", IDOK, VK_ESCAPE],
                        ["post", WM_CLOSE, 0, 0], ["send", WM_CLOSE, 0, 0],
                        ["post", 0x112, 0xF060, 0]):
            with self.subTest(closing=closing):
                registry(["reg-dword", "Music", 1], ["reg-dword", "Snow", 0])
                out, end = dialog(["/c"], ["click", ID_MUSIC], ["click", ID_SNOW],
                                  ["check", ID_MUSIC], ["check", ID_SNOW], closing)
                self.assertEqual(out[2:4], ["check 101=0", "check 102=1"])
                self.assertEqual(end["exit"], 0)
                self.assertLess(end["ms"], 3000)
                self.assertEqual(stored(), ["reg Music type=4 size=4 value=1",
                                            "reg Snow type=4 size=4 value=0"])

    def test_toggles_then_ok_stores_them(self):
        registry()
        out, end = dialog(["/c"], ["click", ID_MUSIC], ["click", ID_SNOW],
                          ["key-to-control", ID_SNOW, 13])  # Enter arrives as OK
        self.assertEqual(end["exit"], 0)
        self.assertEqual(stored(), ["reg Music type=4 size=4 value=1",
                                    "reg Snow type=4 size=4 value=0"])

    def test_owner_is_disabled_while_open_and_brought_forward_after(self):
        registry()
        out = drive(["owner", 300, 200], ["spawn", scr_command("/c:{owner}")],
                    ["wait-window", "FrostvaleCfg", 10000], ["wait-ready", 10000],
                    ["owner-state"], ["click", IDCANCEL], ["wait-exit", 10000], ["sleep", 200],
                    ["owner-state"])
        window = fields(out[2])
        self.assertEqual(window["owner"], fields(out[0])["owner"])
        self.assertEqual(fields(out[4])["enabled"], 0)
        self.assertEqual(fields(out[6])["exit"], 0)
        after = fields(out[8])
        self.assertEqual(after["enabled"], 1)
        self.assertEqual(after["foreground"], 1)

    def test_configure_without_usable_owner_and_bare_start(self):
        for args in (["/c"], ["/c:0"], ["/c", "4242"], ["hello"], ["/x", "5"]):
            with self.subTest(args=args):
                out, end = dialog(args, ["info"], ["click", IDCANCEL])
                self.assertEqual(fields(out[0])["window"], 1)
                self.assertEqual(end["exit"], 0)

    def test_layout_at_96_dpi_and_the_link_button(self):
        registry()
        out, end = dialog(["/c"], ["info"], ["title"], ["control", ID_MUSIC],
                          ["control", ID_SNOW], ["control", ID_LINK], ["control", IDOK],
                          ["control", IDCANCEL], ["click", ID_LINK], ["sleep", 300],
                          ["alive"], ["click", IDCANCEL])
        window = fields(out[0])
        self.assertEqual((window["client_width"], window["client_height"]), (380, 214))
        self.assertEqual(window["style"] & 0x10CF0000, 0x10C80000)  # caption, system menu, shown
        self.assertEqual(out[1], "title=Frostvale 2026 Settings")
        expected = {ID_MUSIC: (16, 84, 348, 22), ID_SNOW: (16, 110, 348, 22),
                    ID_LINK: (16, 168, 110, 30), IDOK: (176, 168, 90, 30),
                    IDCANCEL: (274, 168, 90, 30)}
        for line in out[2:7]:
            control = fields(line)
            control_id = int(line.split()[1])
            self.assertEqual((control["x"], control["y"], control["width"], control["height"]),
                             expected[control_id])
        self.assertIn("text=OK", out[5])
        self.assertEqual(fields(out[9])["alive"], 1)  # the link leaves the window open
        self.assertEqual(end["exit"], 0)


class SettingsAt144Dpi(wine_env.WineTestCase):
    """Every layout unit is scaled by the screen's DPI (here 1.5)."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        wine_env.wine_reg("add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t",
                          "REG_DWORD", "/d", "144")
        wine_env.stop()  # the display's DPI is read when the desktop starts
        wine_env.start()

    @classmethod
    def tearDownClass(cls):
        wine_env.wine_reg("delete", r"HKCU\Control Panel\Desktop", "/v", "LogPixels")
        super().tearDownClass()

    def test_layout_scaled_by_one_and_a_half(self):
        out, end = dialog(["/c"], ["info"], ["control", ID_MUSIC], ["control", IDOK],
                          ["click", IDCANCEL])
        window = fields(out[0])
        self.assertEqual((window["client_width"], window["client_height"]), (570, 321))
        music = fields(out[1])
        self.assertEqual((music["x"], music["y"], music["width"], music["height"]),
                         (24, 126, 522, 33))
        ok = fields(out[2])
        self.assertEqual((ok["x"], ok["y"], ok["width"], ok["height"]), (264, 252, 135, 45))
        self.assertEqual(end["exit"], 0)


if __name__ == "__main__":
    wine_env.main()
