#include "shared/run_mode.h"

namespace shared {

int32_t run_mode = mode_full_screen;

}  // namespace shared
