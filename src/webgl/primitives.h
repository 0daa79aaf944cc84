// What WebGL2 lacks and the layer computes itself, all portable: OpenGL
// 1.1's primitive modes as the points, lines and triangles WebGL draws;
// the mipmap levels gluBuild2DMipmaps makes; read-back rows in the formats
// glReadPixels hands out.
#pragma once
#include <cstdint>
#include <vector>

namespace webgl {

// One vertex as the layer keeps it and hands it to WebGL: position (object
// space), and the normal, colour and texture coordinate current when
// glVertex3f was called; part tells the vertex shader which of its draw's
// records (batch.h) transforms and lights it.
struct Vertex {
    float position[3];
    float normal[3];
    float colour[4];
    float texcoord[2];
    float part;
};

// Appends to out the vertex indices (0 for the block's first vertex) of a
// glBegin(mode) ... glEnd block of count vertices as separate primitives,
// and returns the mode they are drawn with: GL_POINTS, GL_LINES or
// GL_TRIANGLES. Quads and quad strips become two triangles per quad,
// (v0, v1, v2) and (v0, v2, v3) of the quad as OpenGL orders its corners,
// so each keeps its winding; strips and fans become triangles of the same
// winding; a trailing incomplete primitive is dropped, as OpenGL drops it.
// Shared corners stay shared, so a vertex is lit once however many
// triangles meet there. An unknown mode appends nothing and returns
// GL_POINTS.
uint32_t primitive_indices(uint32_t mode, int32_t count, std::vector<uint32_t>* out);

// The levels gluBuild2DMipmaps uploads for a power-of-two RGBA image:
// level 0 is the image itself, and each next level halves both sides
// (down to 1) with every texel the mean of the 2 x 2 texels below it,
// rounded, or of the 2 x 1 once a side is 1, rounded down (as GLU rounds
// them). levels receives them in order, the last one 1 x 1.
struct MipLevel {
    int32_t width, height;
    std::vector<uint8_t> rgba;
};
void build_mip_levels(int32_t width, int32_t height, const uint8_t* rgba, std::vector<MipLevel>* levels);

// Rows of RGBA pixels (bottom row first, as WebGL reads them) repacked in
// format (GL_RGBA, GL_RGB or GL_BGR_EXT) with each row starting on a
// multiple of alignment (1, 2, 4 or 8) bytes, as glReadPixels writes them
// to memory; pad bytes are left as they are. Returns false for another
// format or alignment, writing nothing.
bool pack_rows(const uint8_t* rgba, int32_t width, int32_t height, uint32_t format, int32_t alignment, uint8_t* out);

}  // namespace webgl
