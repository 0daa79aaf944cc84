#include "shared/flags.h"

namespace shared {

int32_t music_flag = 0;
int32_t snow_flag = 1;

}  // namespace shared
