"""The full-screen input under Wine reaches the run: keys, buttons and the
wheel end it at once, with the music playing; mouse travel and deactivation
once the grace period is over (the rules themselves: the frame loop's
native test)."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
from wine_env import drive, fields, scr_command

WM_ACTIVATEAPP = 0x1C
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
    def test_key_button_and_wheel_end_the_run_at_once_music_and_all(self):
        drive(["reg-dword", "Music", 1])
        try:
            # WM_KEYDOWN, WM_SYSKEYDOWN (Alt), WM_LBUTTONDOWN, WM_MOUSEWHEEL
            for message, wparam, lparam in ((0x100, 65, 0), (0x104, 0x12, 1 << 29), (0x201, 1, 0),
                                            (0x20A, 120 << 16, 0)):
                with self.subTest(message=hex(message)):
                    out = full_screen(["sleep", 300], ["post", message, wparam, lparam], ["wait-exit", 5000])
                    result = fields(out[2])
                    self.assertEqual(result["exit"], 0)
                    self.assertLess(result["ms"], 1500)
        finally:
            drive(["reg-delete"])

    def test_mouse_travel_and_deactivation_reach_the_run(self):
        # the window procedure's part: the cursor read on the screen, and
        # deactivation told from activation
        x, y = CENTRE
        out = full_screen(["cursor", x, y], ["sleep", 700], ["cursor", x + 9, y],
                          ["wait-exit", 5000])
        self.assertEqual(fields(out[3])["exit"], 0)
        out = full_screen(["sleep", 700], ["post", WM_ACTIVATEAPP, 1, 0], ["sleep", 200],
                          ["alive"], ["post", WM_ACTIVATEAPP, 0, 0], ["wait-exit", 5000])
        self.assertEqual(fields(out[3])["alive"], 1)
        self.assertEqual(fields(out[5])["exit"], 0)


if __name__ == "__main__":
    wine_env.main()
