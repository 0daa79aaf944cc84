#include "host/run_mode.h"

namespace host {

int32_t run_mode = mode_full_screen;

}  // namespace host
