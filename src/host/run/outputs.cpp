#include "host/run/outputs.h"

namespace host {

float slot_phase(int32_t slot) { return static_cast<float>(slot) * 0.9f; }

int32_t change_output(OutputTable* table, const Output& output) {
    if (output.drawable < 0 || output.drawable >= max_outputs) return -1;
    int32_t free_index = -1;
    for (int32_t i = 0; i < max_outputs; ++i) {
        if (table->live[i] && table->outputs[i].id == output.id) {
            table->outputs[i] = output;
            return i;
        }
        if (!table->live[i] && free_index < 0) free_index = i;
    }
    if (free_index < 0) return -1;
    table->outputs[free_index] = output;
    table->live[free_index] = true;
    return free_index;
}

bool remove_output(OutputTable* table, uint32_t id) {
    for (int32_t i = 0; i < max_outputs; ++i) {
        if (table->live[i] && table->outputs[i].id == id) {
            table->live[i] = false;
            return true;
        }
    }
    return false;
}

int32_t first_output(const OutputTable& table) {
    for (int32_t i = 0; i < max_outputs; ++i) {
        if (table.live[i]) return i;
    }
    return -1;
}

bool drawable_in_use(const OutputTable& table, int32_t drawable) {
    for (int32_t i = 0; i < max_outputs; ++i) {
        if (table.live[i] && table.outputs[i].drawable == drawable) return true;
    }
    return false;
}

int32_t drawable_views(const OutputTable& table, int32_t drawable, const DrawableArea& area,
                       ViewRect views[max_outputs], int32_t which[max_outputs]) {
    int32_t count = 0;
    for (int32_t i = 0; i < max_outputs; ++i) {
        if (!table.live[i] || table.outputs[i].drawable != drawable) continue;
        const Output& o = table.outputs[i];
        const float phase = slot_phase(i);
        views[count] = o.placed ? ViewRect{o.left - area.virtual_left, area.virtual_bottom - (o.top + o.height),
                                           o.width, o.height, phase}
                                : ViewRect{0, 0, area.width, area.height, phase};
        if (which) which[count] = i;
        ++count;
    }
    return count;
}

int32_t drawable_refresh_hz(const OutputTable& table, int32_t drawable) {
    int32_t fastest = 0;
    for (int32_t i = 0; i < max_outputs; ++i) {
        if (table.live[i] && table.outputs[i].drawable == drawable && table.outputs[i].refresh_mhz > fastest)
            fastest = table.outputs[i].refresh_mhz;
    }
    return (fastest + 500) / 1000;
}

}  // namespace host
