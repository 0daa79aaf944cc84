#include "assets/assets.h"

namespace assets {

// Not painted yet: the scene shows its clear colour only.
void build_textures() {}

}  // namespace assets
