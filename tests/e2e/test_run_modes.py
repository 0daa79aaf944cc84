"""Run modes and exit codes of the real program under Wine: the saver
window of each mode, the preview host, and the switches that end at once
(the switches themselves and the input rules: the native tests)."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
from wine_env import drive, fields, scr_command

WM_KEYDOWN = 0x100
WM_SYSKEYDOWN = 0x104
WM_SYSCOMMAND = 0x112
SC_CLOSE = 0xF060
VK_ESCAPE = 27
ALT_F4 = ["post", WM_SYSKEYDOWN, 0x73, 1 << 29]


class RunModes(wine_env.WineTestCase):
    def test_switches_that_end_at_once(self):
        out_file = os.path.join(wine_env.HOME, "refused.bmp")
        for args, code in ((["/a"], 0), (["/p"], 1), (["/p", "4242"], 1),
                           (["/x", "2000000", wine_env.windows_path(out_file)], 1),  # beyond the clock
                           (["/x", "1", "C:\\" + "a" * 300 + ".bmp"], 1),  # not within 260 bytes
                           (["/x", "0", wine_env.windows_path("/nonexistent-folder/x.bmp")], 1)):
            with self.subTest(args=args[:2]):
                if os.path.exists(out_file):
                    os.remove(out_file)
                self.assertEqual(wine_env.run_scr(*args), code)
                self.assertFalse(os.path.exists(out_file))

    def test_windowed_mode_ends_with_escape_or_the_close_box_only(self):
        # another key, a click and Alt+F4 first
        for end in (["post", WM_KEYDOWN, VK_ESCAPE, 0], ["post", WM_SYSCOMMAND, SC_CLOSE, 0]):
            with self.subTest(end=end[2]):
                out = drive(["spawn", scr_command("/w")], ["wait-window", "Frostvale2026", 10000],
                            ["wait-ready", 10000], ["post", WM_KEYDOWN, 65, 0], ["post", 0x201, 1, 0],
                            ALT_F4, ["sleep", 300], ["alive"], end, ["wait-exit", 10000])
                window = fields(out[1])
                self.assertEqual(fields(out[2])["ready"], 1)
                self.assertEqual((window["client_width"], window["client_height"]), (1280, 720))
                self.assertEqual((window["x"], window["y"]), (60, 40))
                self.assertEqual(window["style"] & 0x10CF0000, 0x10CF0000)
                self.assertEqual(fields(out[7])["alive"], 1)
                self.assertEqual(fields(out[9])["exit"], 0)

    def test_full_screen_covers_the_virtual_screen(self):
        out = drive(["spawn", scr_command("/s")], ["wait-window", "Frostvale2026", 10000],
                    ["wait-ready", 10000],
                    # the system's own close and screensave commands are ignored
                    ["post", WM_SYSCOMMAND, 0xF140, 0], ["post", WM_SYSCOMMAND, SC_CLOSE, 0], ["sleep", 200],
                    ["alive"], ["class-cursor"], ["post", WM_KEYDOWN, 65, 0], ["wait-exit", 10000])
        window = fields(out[1])
        self.assertEqual((window["x"], window["y"], window["width"], window["height"]), (0, 0) + wine_env.SCREEN)
        self.assertEqual(window["style"] & 0x90CF0000, 0x90000000)
        self.assertEqual(window["topmost"], 1)
        self.assertEqual(fields(out[6])["alive"], 1)
        self.assertEqual(fields(out[7])["class_cursor"], 0)
        self.assertEqual(fields(out[9])["exit"], 0)

    def test_preview_fills_the_host_and_ends_with_it(self):
        out = drive(["host", 152, 112], ["spawn", scr_command("/p", "{host}")],
                    ["wait-window", "Frostvale2026", 10000], ["wait-ready", 10000], ["info"],
                    ["post", WM_KEYDOWN, 65, 0], ["sleep", 200], ["alive"], ["destroy-host"], ["wait-exit", 10000])
        window = fields(out[4])
        self.assertEqual((window["in_parent_x"], window["in_parent_y"]), (0, 0))
        self.assertEqual((window["client_width"], window["client_height"]), (152, 112))
        self.assertEqual(window["style"] & 0xFFFF0000, 0x50000000)
        self.assertEqual(window["parent"], fields(out[0])["host"])
        self.assertEqual(fields(out[7])["alive"], 1)
        self.assertEqual(fields(out[9])["exit"], 0)


if __name__ == "__main__":
    wine_env.main()
