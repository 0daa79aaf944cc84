#include "music/music.h"

namespace music {

// No music is synthesized yet.
void build_music() {}

void stop_music() {}

}  // namespace music
