"""The settings window and the registry store under Wine: what the check
boxes show for stored values and what OK stores, that Cancel, Escape and
the close box store nothing, the owner window, the layout at 96 and 144
DPI, and the per-monitor DPI awareness of the program."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
from wine_env import drive, fields, scr_command

IDOK, IDCANCEL, ID_MUSIC, ID_SNOW, ID_LINK = 1, 2, 101, 102, 103
WM_CLOSE = 0x10
VK_RETURN, VK_ESCAPE = 13, 27


def dialog(args, *commands, setup=()):
    """Clears the settings key and runs the setup commands, opens the
    settings window with args, runs the commands and waits for the end.
    Returns the commands' lines, the exit line's fields and the stored
    Music and Snow lines."""
    out = drive(["reg-delete"], *setup, ["spawn", scr_command(*args)],
                ["wait-window", "FrostvaleCfg", 10000], ["wait-ready", 10000], *commands,
                ["wait-exit", 10000], ["kill"], ["reg-get", "Music"], ["reg-get", "Snow"])
    out = out[1 + len(setup):]
    assert fields(out[1])["window"] == 1, out
    return out[3:-4], fields(out[-4]), out[-2:]


def stored(music, snow):
    return ["reg Music type=4 size=4 value=%d" % music, "reg Snow type=4 size=4 value=%d" % snow]


class Settings(wine_env.WineTestCase):
    @classmethod
    def tearDownClass(cls):
        drive(["reg-delete"])  # the other scripts start from the defaults
        super().tearDownClass()

    def test_stored_values_and_what_ok_writes_back(self):
        cases = [
            # (setup, music box, snow box); no setup: no key at all
            ([], 0, 1),
            ([["reg-dword", "Music", 5], ["reg-dword", "Snow", 0]], 1, 0),
            ([["reg-sz", "Music", "0"]], 1, 1),  # four bytes of text, non-zero
            ([["reg-qword", "Music", 1], ["reg-qword", "Snow", 0]], 0, 1),  # too long: defaults
            ([["reg-binary", "Music", "01"], ["reg-binary", "Snow", "00"]], 1, 0),  # short values
        ]
        for setup, music, snow in cases:
            with self.subTest(setup=setup):
                out, end, values = dialog(["/c"], ["check", ID_MUSIC], ["check", ID_SNOW],
                                          ["click", IDOK], setup=setup)
                self.assertEqual(out[:2], ["check 101=%d" % music, "check 102=%d" % snow])
                self.assertEqual(end["exit"], 0)
                self.assertEqual(values, stored(music, snow))

    def test_cancel_escape_and_close_store_nothing_enter_stores(self):
        setup = [["reg-dword", "Music", 1], ["reg-dword", "Snow", 0]]
        for closing in (["click", IDCANCEL], ["key-to-control", IDOK, VK_ESCAPE],
                        ["post", WM_CLOSE, 0, 0], ["send", WM_CLOSE, 0, 0],
                        ["post", 0x112, 0xF060, 0], ["key-to-control", ID_SNOW, VK_RETURN]):
            with self.subTest(closing=closing):
                out, end, values = dialog(["/c"], ["click", ID_MUSIC], ["click", ID_SNOW],
                                          ["check", ID_MUSIC], ["check", ID_SNOW], closing,
                                          setup=setup)
                self.assertEqual(out[2:4], ["check 101=0", "check 102=1"])
                self.assertEqual(end["exit"], 0)
                self.assertLess(end["ms"], 3000)  # also when the close came as a sent message
                saved = closing[-1] == VK_RETURN  # Enter arrives as OK
                self.assertEqual(values, stored(0, 1) if saved else stored(1, 0))

    def test_owner_is_disabled_while_open_and_brought_forward_after(self):
        out = drive(["owner", 300, 200], ["spawn", scr_command("/c:{owner}")],
                    ["wait-window", "FrostvaleCfg", 10000], ["wait-ready", 10000],
                    ["owner-state"], ["click", IDCANCEL], ["wait-exit", 10000], ["sleep", 200],
                    ["owner-state"])
        self.assertEqual(fields(out[2])["owner"], fields(out[0])["owner"])
        self.assertEqual(fields(out[4])["enabled"], 0)
        self.assertEqual(fields(out[6])["exit"], 0)
        self.assertEqual(fields(out[8]), {"enabled": 1, "foreground": 1})

    def test_configure_without_usable_owner_and_bare_starts(self):
        for args in ([], ["/c"], ["/c:0"], ["/c", "4242"], ["hello"], ["/x", "5"]):
            with self.subTest(args=args):
                out, end, _ = dialog(args, ["info"], ["click", IDCANCEL])
                if not args or args[0] != "/c":
                    self.assertEqual(fields(out[0])["owner"], 0)  # a bare start has no owner
                self.assertEqual(end["exit"], 0)

    def test_layout_at_96_dpi_and_the_link_button(self):
        out, end, _ = dialog(["/c"], ["info"], ["title"], ["control", ID_MUSIC],
                             ["control", ID_SNOW], ["control", ID_LINK], ["control", IDOK],
                             ["control", IDCANCEL], ["click", ID_LINK], ["sleep", 300],
                             ["alive"], ["click", IDCANCEL])
        window = fields(out[0])
        self.assertEqual((window["client_width"], window["client_height"]), (380, 214))
        self.assertEqual(window["style"] & 0x10CF0000, 0x10C80000)  # caption, system menu, shown
        self.assertEqual(out[1], "title=Frostvale 2026 Settings")
        expected = [(16, 84, 348, 22), (16, 110, 348, 22), (16, 168, 110, 30),
                    (176, 168, 90, 30), (274, 168, 90, 30)]
        for line, box in zip(out[2:7], expected):
            control = fields(line)
            self.assertEqual((control["x"], control["y"], control["width"], control["height"]), box)
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
        out, end, _ = dialog(["/c"], ["info"], ["control", ID_MUSIC], ["control", IDOK],
                             ["dpi-awareness"], ["click", IDCANCEL])
        window = fields(out[0])
        self.assertEqual((window["client_width"], window["client_height"]), (570, 321))
        for line, box in zip(out[1:3], [(24, 126, 522, 33), (264, 252, 135, 45)]):
            control = fields(line)
            self.assertEqual((control["x"], control["y"], control["width"], control["height"]), box)
        # per monitor: laid out at the DPI of its monitor
        self.assertEqual(out[3], "awareness=2")
        self.assertEqual(end["exit"], 0)

    def test_saver_per_monitor_dpi_aware(self):
        out = drive(["spawn", scr_command("/w")], ["wait-window", "Frostvale2026", 30000],
                    ["dpi-awareness"], ["post", WM_CLOSE], ["wait-exit", 30000])
        self.assertEqual(out[2], "awareness=2")
        self.assertEqual(fields(out[4])["exit"], 0)


if __name__ == "__main__":
    wine_env.main()
