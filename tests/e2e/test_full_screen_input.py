"""The full-screen input under Wine reaches the run: keys, buttons and the
wheel end it at once; mouse travel and deactivation once the grace period
is over (the rules themselves: the frame loop's native test)."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
from wine_env import drive, fields, scr_command

WM_ACTIVATEAPP = 0x1C
WM_KEYDOWN = 0x100
WM_SYSKEYDOWN = 0x104
WM_LBUTTONDOWN = 0x201
WM_MOUSEWHEEL = 0x20A
CENTRE = (800, 450)


def full_screen(*commands):
    """Starts /s with the cursor at the centre, waits until its frame loop
    runs, then drives the commands; returns their lines."""
    lines = drive(["cursor", *CENTRE], ["spawn", scr_command("/s")],
                  ["wait-window", "Frostvale2026", 10000], ["wait-ready", 10000], *commands,
                  ["kill"])
    assert fields(lines[3])["ready"] == 1, lines
    return lines[4:-1]


class FullScreenInput(wine_env.WineTestCase):
    def test_key_button_and_wheel_end_the_run_at_once(self):
        for message, wparam, lparam in ((WM_KEYDOWN, 65, 0), (WM_SYSKEYDOWN, 0x12, 1 << 29),
                                        (WM_LBUTTONDOWN, 1, 0), (WM_MOUSEWHEEL, 120 << 16, 0)):
            with self.subTest(message=hex(message)):
                out = full_screen(["post", message, wparam, lparam], ["wait-exit", 5000])
                result = fields(out[1])
                self.assertEqual(result["exit"], 0)
                self.assertLess(result["ms"], 1500)

    def test_mouse_travel_and_deactivation_reach_the_run(self):
        # the rules themselves (thresholds, grace period): the frame loop's
        # native test; here the window procedure's part: the cursor read on
        # the screen, and deactivation told from activation
        x, y = CENTRE
        out = full_screen(["cursor", x, y], ["sleep", 700], ["cursor", x + 9, y],
                          ["wait-exit", 5000])
        self.assertEqual(fields(out[3])["exit"], 0)
        out = full_screen(["sleep", 700], ["post", WM_ACTIVATEAPP, 1, 0], ["sleep", 200],
                          ["alive"], ["post", WM_ACTIVATEAPP, 0, 0], ["wait-exit", 5000])
        self.assertEqual(fields(out[3])["alive"], 1)
        self.assertEqual(fields(out[5])["exit"], 0)

    def test_with_music_on_the_run_starts_and_ends_cleanly(self):
        drive(["reg-dword", "Music", 1])
        try:
            out = full_screen(["sleep", 500], ["alive"], ["post", WM_KEYDOWN, 65, 0],
                              ["wait-exit", 5000])
        finally:
            drive(["reg-delete"])
        self.assertEqual(fields(out[1])["alive"], 1)
        self.assertEqual(fields(out[3])["exit"], 0)


if __name__ == "__main__":
    wine_env.main()
