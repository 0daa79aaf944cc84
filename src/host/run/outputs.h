// The outputs a run draws on, as plain arithmetic: the table of live
// outputs, the camera phase each keeps for its life, and the views one
// drawable shows. The frame loop (run_gl.cpp) owns one table; hosts fill it
// through run_output_changed and run_output_removed (run.h).
#pragma once
#include <cstdint>

namespace host {

// At most this many outputs live at once (and drawables: a host numbers
// its drawables 0 to max_outputs - 1). Reports past the eighth live output
// are left out.
enum { max_outputs = 8 };

// Scale 1:1 in the 120ths that scales are counted in (wp_fractional_scale's unit).
enum { unit_scale = 120 };

// A monitor as the host reports it.
struct Output {
    uint32_t id;       // the host's; the same for as long as the output lives
    int32_t drawable;  // the drawable that shows it, 0 to max_outputs - 1
    // placed: left, top, width and height give the output's rectangle on
    // the virtual screen (y down), and its drawable spans the virtual
    // screen (a window over every monitor, the root window): the view is
    // that rectangle of the drawable. Not placed: the output fills its
    // drawable (a window of its own, a preview, a surface per output).
    bool placed;
    int32_t left, top;
    int32_t width, height;  // in buffer pixels
    int32_t scale_120;      // pixels per logical pixel, in 120ths (120: 1:1)
    int32_t refresh_mhz;    // refresh rate in millihertz; 0 where the platform reports none
};

// The live outputs. An output keeps its place in the table for its life,
// and its place is its phase slot.
struct OutputTable {
    Output outputs[max_outputs];
    bool live[max_outputs];
};

// Where a drawable lies, as the host says when it begins a frame on it:
// its size in buffer pixels and, for a drawable that spans the virtual
// screen, its left and bottom edges there (top + height, y down).
struct DrawableArea {
    int32_t width, height;
    int32_t virtual_left, virtual_bottom;
};

struct ViewRect {
    int32_t x, y, width, height;  // OpenGL viewport, origin bottom-left
    float camera_phase;           // radians added to the orbit angle
};

// The camera phase of slot k: k x 0.9 rad along the orbit, slot 0 the
// angle of a single-view run.
float slot_phase(int32_t slot);

// Adds the output, or changes the live one of the same id (its place, size,
// drawable, scale or rate; it keeps its phase). A new output takes the
// lowest place (phase slot) that no live output holds, so monitors
// reported in order on a fixed desk take slots 0, 1, 2 ... and a monitor
// that comes after another went fills the gap; no other output moves.
// Returns the output's index in the table, or -1 when the table is full or
// the drawable is out of range (the report is left out).
int32_t change_output(OutputTable* table, const Output& output);

// Removes the live output of that id; false when none lives.
bool remove_output(OutputTable* table, uint32_t id);

// The first output: the live one with the lowest phase slot (the view a
// single-view run would show); its index, or -1 when none lives. It shows the frame
// rate. The music and the exit rules belong to the run, not to an output:
// outputs coming and going neither end the run nor restart the music.
int32_t first_output(const OutputTable& table);

// Whether any live output is shown on drawable.
bool drawable_in_use(const OutputTable& table, int32_t drawable);

// The views of the live outputs shown on drawable, in table order, within
// area: a placed output's rectangle measured from the area's left and
// bottom edges (OpenGL viewports count y up), an output not placed the
// whole area. Each view keeps its output's phase. Writes the table index
// of each view's output to which[] where given. Returns the count.
int32_t drawable_views(const OutputTable& table, int32_t drawable, const DrawableArea& area,
                       ViewRect views[max_outputs], int32_t which[max_outputs] = nullptr);

// The fastest refresh rate (Hz, rounded) of the live outputs on drawable;
// 0 where none reports one.
int32_t drawable_refresh_hz(const OutputTable& table, int32_t drawable);

}  // namespace host
