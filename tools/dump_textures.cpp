// frostvale-dump textures DIR: the three painted textures before upload, as
// PAM files (RGBA), and the random state after the painting.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "assets/textures.h"
#include "dump.h"
#include "dump_common.h"
#include "shared/random.h"

namespace dump {

namespace {

bool write_pam(const std::string& path, const assets::Canvas& canvas) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", canvas.width,
                 canvas.height);
    const size_t size = static_cast<size_t>(canvas.width) * canvas.height * 4;
    const bool written = std::fwrite(canvas.pixels, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

}  // namespace

int run_textures(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: frostvale-dump textures DIR\n");
        return 2;
    }
    const std::string dir = argv[0];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "frostvale-dump textures: cannot create %s\n", dir.c_str());
        return 1;
    }
    PaintedTextures painted;
    const uint32_t after = paint_like_the_saver(&painted);
    const assets::Canvas* canvases = painted.canvases;

    const char* names[3] = {"needle.pam", "ground.pam", "glow.pam"};
    for (int i = 0; i < 3; ++i) {
        const std::string path = dir + "/" + names[i];
        if (!write_pam(path, canvases[i])) {
            std::fprintf(stderr, "frostvale-dump textures: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    const std::string state_path = dir + "/random_state.txt";
    FILE* f = std::fopen(state_path.c_str(), "w");
    if (!f) {
        std::fprintf(stderr, "frostvale-dump textures: cannot write %s\n", state_path.c_str());
        return 1;
    }
    std::fprintf(f, "random_state_before %u\nrandom_state_after %u\n", capture_seed, after);
    if (std::fclose(f) != 0) return 1;
    std::printf("wrote %s/needle.pam, ground.pam, glow.pam and random_state.txt (random state %u -> %u)\n", dir.c_str(),
                capture_seed, after);
    return 0;
}

}  // namespace dump
