"""The full-screen exit rules under Wine: keys, buttons and the wheel end
the run at once; mouse travel and deactivation only after the 600 ms grace
period, travel only beyond 8 pixels from the first position seen."""
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

    def test_a_key_queued_while_building_ends_the_first_pump(self):
        out = drive(["spawn", scr_command("/s")], ["wait-window", "Frostvale2026", 10000],
                    ["post", WM_KEYDOWN, 65, 0], ["wait-exit", 10000])
        self.assertEqual(fields(out[3])["exit"], 0)

    def test_mouse_travel_beyond_8_pixels_after_the_grace_period(self):
        x, y = CENTRE
        out = full_screen(["cursor", x, y], ["sleep", 700],
                          ["cursor", x + 8, y - 8], ["cursor", x - 8, y + 8], ["sleep", 300],
                          ["alive"], ["cursor", x + 9, y], ["wait-exit", 5000])
        self.assertEqual(fields(out[5])["alive"], 1)
        self.assertEqual(fields(out[7])["exit"], 0)
        out = full_screen(["cursor", x, y], ["sleep", 700], ["cursor", x, y - 9],
                          ["wait-exit", 5000])
        self.assertEqual(fields(out[3])["exit"], 0)

    def test_travel_during_the_grace_period_counts_at_the_next_move_after_it(self):
        x, y = CENTRE
        # the saver reads the cursor when it handles a move, so each move
        # is given time to be seen where it was made
        out = full_screen(["cursor", x, y], ["sleep", 100], ["cursor", x + 50, y],
                          ["sleep", 200], ["alive"], ["sleep", 500], ["cursor", x + 51, y],
                          ["wait-exit", 5000])
        self.assertEqual(fields(out[4])["alive"], 1)
        self.assertEqual(fields(out[7])["exit"], 0)

    def test_deactivation_only_after_the_grace_period(self):
        out = full_screen(["post", WM_ACTIVATEAPP, 0, 0], ["sleep", 200], ["alive"],
                          ["post", WM_ACTIVATEAPP, 1, 0], ["sleep", 600], ["alive"],
                          ["post", WM_ACTIVATEAPP, 0, 0], ["wait-exit", 5000])
        self.assertEqual(fields(out[2])["alive"], 1)
        self.assertEqual(fields(out[5])["alive"], 1)
        self.assertEqual(fields(out[7])["exit"], 0)

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
