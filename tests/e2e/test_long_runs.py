"""Long runs under Wine on Xvfb, where buffer swaps never wait for a
retrace: the Windows host's refresh rate and display-state report reach
the run (the pacing and the pause themselves: the frame loop's native
test). Frames are counted by Mesa's heads-up display, written to files and
never shown."""
import glob
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
from wine_env import fields, scr_command


class LongRuns(wine_env.WineTestCase):
    def test_frames_paced_and_none_while_the_display_is_off(self):
        hud = os.path.join(wine_env.HOME, "hud")
        os.makedirs(hud, exist_ok=True)
        for old in glob.glob(os.path.join(hud, "*")):
            os.remove(old)
        env = dict(wine_env.ENV, GALLIUM_HUD="fps", GALLIUM_HUD_VISIBLE="false",
                   GALLIUM_HUD_DUMP_DIR=hud, GALLIUM_HUD_PERIOD="0.5")
        driver = wine_env.start_driver(
            ["spawn", scr_command("/w")], ["wait-window", "Frostvale2026", 20000],
            ["wait-ready", 20000],
            # frames cheap enough to outrun the display, as on a real GPU
            ["resize", 160, 90], ["sleep", 4500],
            ["display-state", 0], ["sleep", 3000],
            ["display-state", 2], ["sleep", 2000],  # dimmed: drawn again
            ["post", 0x100, 27, 0], ["wait-exit", 10000], env=env)

        def samples_when(commands_done, then=0.0):
            """The fps samples and the program's CPU seconds once the driver
            has done that many commands and then waited the seconds given."""
            deadline = time.time() + 60
            while len(wine_env.driver_lines()) < commands_done and time.time() < deadline:
                time.sleep(0.05)
            time.sleep(then)
            path = os.path.join(hud, "fps")
            samples = [float(v) for v in open(path).read().split()] if os.path.exists(path) else []
            return samples, wine_env.program_cpu_seconds()

        settled, _ = samples_when(4, 1.5)  # resized
        paced = samples_when(5)[0][len(settled) + 1:]  # whole half-seconds after the settling
        off, off_cpu = samples_when(6)  # reported off
        still_off, still_off_cpu = samples_when(6, 2.5)
        driver.wait(timeout=60)
        lines = wine_env.driver_lines()
        back = samples_when(11)[0][len(still_off):]  # dimmed, then the exit

        self.assertEqual(fields(lines[3])["client_width"], 160)
        self.assertTrue(40 <= sum(paced) / len(paced) <= 66, paced)
        self.assertEqual(still_off, off)  # no frame drawn while off
        self.assertLess(still_off_cpu - off_cpu, 0.1)  # and no busy waiting either
        self.assertGreater(len(back), 2)
        self.assertGreater(max(back), 40)
        self.assertEqual(fields(lines[10])["exit"], 0)


if __name__ == "__main__":
    wine_env.main()
