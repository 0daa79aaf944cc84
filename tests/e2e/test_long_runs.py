"""Long runs under Wine on Xvfb, where buffer swaps never wait for a
retrace: frames are paced to the display's refresh rate (about 60 a second)
instead of as many as the CPU allows, and a report that the display is off
stops drawing until the display is back. Frames are counted by Mesa's
heads-up display, written to files and never shown."""
import glob
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import wine_env
from wine_env import fields, scr_command

WM_KEYDOWN = 0x100
VK_ESCAPE = 27


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
            ["post", WM_KEYDOWN, VK_ESCAPE, 0], ["wait-exit", 10000], env=env)

        def fps_samples():
            path = os.path.join(hud, "fps")
            return [float(v) for v in open(path).read().split()] if os.path.exists(path) else []

        def when_done(commands):
            deadline = time.time() + 60
            while len(wine_env.driver_lines()) < commands and time.time() < deadline:
                time.sleep(0.05)
            return fps_samples(), wine_env.program_cpu_seconds()

        when_done(4)  # resized
        time.sleep(1.5)
        samples, cpu = when_done(4)
        time.sleep(2.5)
        paced, paced_cpu = when_done(5)
        paced = paced[len(samples) + 1:]  # whole half-seconds after the settling
        off, off_cpu = when_done(6)  # reported off
        time.sleep(2.5)
        still_off, still_off_cpu = when_done(6)
        driver.wait(timeout=60)
        lines = wine_env.driver_lines()
        back = fps_samples()[len(still_off):]  # dimmed, then the exit

        self.assertEqual(fields(lines[3])["client_width"], 160)
        rate = sum(paced) / len(paced)
        print("paced: %.1f frames a second, %.0f %% of a core" %
              (rate, 100 * (paced_cpu - cpu) / 2.5))
        self.assertTrue(40 <= rate <= 66, paced)
        self.assertEqual(still_off, off)  # no frame drawn while off
        self.assertLess(still_off_cpu - off_cpu, 0.1)
        self.assertGreater(len(back), 2)
        self.assertGreater(max(back), 40)
        self.assertEqual(fields(lines[10])["exit"], 0)


if __name__ == "__main__":
    wine_env.main()
