#include <windows.h>

#include <mmsystem.h>

#include "music/mixdown.h"
#include "music/music.h"

namespace music {

constexpr DWORD loop_from_memory = SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP;
static_assert(loop_from_memory == 15, "the player's flags for a looping image in memory");

void build_music() {
    if (!make_wave_image()) return;
    // From memory, asynchronously, looping, and no default sound should the
    // image not play. The result is not needed: the image is freed at
    // shutdown either way.
    PlaySoundW(reinterpret_cast<LPCWSTR>(wave_image), nullptr, loop_from_memory);
}

void pause_music() {
    if (wave_image) PlaySoundW(nullptr, nullptr, 0);
}

void restart_music() {
    if (wave_image) PlaySoundW(reinterpret_cast<LPCWSTR>(wave_image), nullptr, loop_from_memory);
}

void stop_music() {
    if (!wave_image) return;
    PlaySoundW(nullptr, nullptr, 0);  // the player must let go of the image before it is freed
    free_wave_image();
}

}  // namespace music
