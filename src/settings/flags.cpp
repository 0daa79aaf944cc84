#include "settings/settings.h"

namespace settings {

int32_t music_flag = 0;
int32_t snow_flag = 1;

int32_t flag_from_query(bool query_succeeded, uint32_t word, int32_t current) {
    if (!query_succeeded) return current;
    return word != 0 ? 1 : 0;
}

}  // namespace settings
