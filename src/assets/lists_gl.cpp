#include "assets/assets.h"

namespace assets {

// No models yet.
void build_display_lists() {}

}  // namespace assets
