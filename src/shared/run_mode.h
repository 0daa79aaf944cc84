// The run modes. Each entry decides its run's mode once and hands it down
// in the run's configuration.
#pragma once
#include <cstdint>

namespace shared {

enum : int32_t {
    mode_full_screen = 0,
    mode_preview = 1,
    mode_windowed = 2,
    mode_capture = 3,
};

}  // namespace shared
