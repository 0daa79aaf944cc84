"""Run modes and exit codes of the real program under Wine: the switches,
the saver window of each mode, the preview host and the capture's refusals."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
from wine_env import drive, fields, scr_command

WM_KEYDOWN = 0x100
VK_ESCAPE = 27


class RunModes(wine_env.WineTestCase):
    def test_password_switch_answers_at_once(self):
        self.assertEqual(wine_env.run_scr("/a"), 0)

    def test_refused_previews_exit_1(self):
        # (how each form of the switch reads: the command line's native test)
        for args in (["/p"], ["/p", "4242"]):
            with self.subTest(args=args):
                out = drive(["spawn", scr_command(*args)], ["wait-exit", 10000],
                            ["wait-window", "Frostvale2026", 0])
                self.assertEqual(fields(out[1])["exit"], 1)
                self.assertEqual(out[2], "window=0")

    def test_windowed_mode_window_and_input(self):
        out = drive(["spawn", scr_command("/w")],
                    ["wait-window", "Frostvale2026", 10000],
                    ["wait-ready", 10000],
                    # other keys, clicks and Alt+F4 do nothing
                    ["post", WM_KEYDOWN, 65, 0],
                    ["post", 0x201, 1, 0],
                    ["post", 0x104, 0x73, 1 << 29],
                    ["sleep", 300],
                    ["alive"],
                    ["post", WM_KEYDOWN, VK_ESCAPE, 0],
                    ["wait-exit", 10000])
        window = fields(out[1])
        self.assertEqual(fields(out[2])["ready"], 1)
        self.assertEqual((window["client_width"], window["client_height"]), (1280, 720))
        self.assertEqual((window["x"], window["y"]), (60, 40))
        self.assertEqual(window["style"] & 0x10CF0000, 0x10CF0000)
        self.assertEqual(fields(out[7])["alive"], 1)
        self.assertEqual(fields(out[9])["exit"], 0)

    def test_windowed_close_box_ends_the_run(self):
        out = drive(["spawn", scr_command("/w")], ["wait-window", "Frostvale2026", 10000],
                    ["wait-ready", 10000], ["post", 0x112, 0xF060, 0],  # SC_CLOSE
                    ["wait-exit", 10000], ["wait-window", "Frostvale2026", 0])
        self.assertEqual(fields(out[4])["exit"], 0)
        self.assertEqual(out[5], "window=0")

    def test_full_screen_covers_the_virtual_screen(self):
        out = drive(["spawn", scr_command("/s")], ["wait-window", "Frostvale2026", 10000],
                    ["wait-ready", 10000],
                    # the system's own close and screensave commands are ignored
                    ["post", 0x112, 0xF140, 0], ["post", 0x112, 0xF060, 0], ["sleep", 200],
                    ["alive"], ["class-cursor"], ["post", WM_KEYDOWN, 65, 0],
                    ["wait-exit", 10000])
        window = fields(out[1])
        self.assertEqual((window["x"], window["y"]), (0, 0))
        self.assertEqual((window["width"], window["height"]), wine_env.SCREEN)
        self.assertEqual(window["style"] & 0x90CF0000, 0x90000000)
        self.assertEqual(window["topmost"], 1)
        self.assertEqual(fields(out[6])["alive"], 1)
        self.assertEqual(fields(out[7])["class_cursor"], 0)
        self.assertEqual(fields(out[9])["exit"], 0)

    def test_preview_fills_the_host_and_ends_with_it(self):
        out = drive(["host", 152, 112], ["spawn", scr_command("/p", "{host}")],
                    ["wait-window", "Frostvale2026", 10000], ["wait-ready", 10000], ["info"],
                    ["post", WM_KEYDOWN, 65, 0], ["sleep", 200], ["alive"],
                    ["destroy-host"], ["wait-exit", 10000])
        window = fields(out[4])
        self.assertEqual((window["in_parent_x"], window["in_parent_y"]), (0, 0))
        self.assertEqual((window["client_width"], window["client_height"]), (152, 112))
        self.assertEqual(window["style"] & 0xFFFF0000, 0x50000000)
        self.assertEqual(window["parent"], fields(out[0])["host"])
        self.assertEqual(fields(out[7])["alive"], 1)
        self.assertEqual(fields(out[9])["exit"], 0)

    def test_capture_refusals(self):
        out_file = os.path.join(wine_env.HOME, "refused.bmp")
        cases = [
            ["/x", "2000000", wine_env.windows_path(out_file)],   # beyond what the clock reaches
            ["/x", "1", "C:\\" + "a" * 300 + ".bmp"],             # name does not fit 260 bytes
            ["/x", "0", wine_env.windows_path("/nonexistent-folder/x.bmp")],  # cannot be written
        ]
        for args in cases:
            with self.subTest(args=args[:2]):
                if os.path.exists(out_file):
                    os.remove(out_file)
                out = drive(["spawn", scr_command(*args)], ["wait-exit", 20000],
                            ["wait-window", "Frostvale2026", 0])
                self.assertEqual(fields(out[1])["exit"], 1)
                self.assertFalse(os.path.exists(out_file))


if __name__ == "__main__":
    wine_env.main()
