// The capture's fast advance: many scene steps of one fixed dt, the same
// state and the same draws as calling the scene step that many times, but
// only the work whose result is read again is done step by step.
#include <algorithm>
#include <cstdint>

#include "scene/scene.h"
#include "scene/state.h"
#include "scene/step.h"
#include "shared/random.h"

namespace scene {

namespace {

// Steps remembered for the snow: more than the longest fall from the top
// (24 / (0.35 x dt) steps, 2058 at 1/30 s). A power of two.
constexpr int32_t history_length = 4096;
constexpr int32_t history_mask = history_length - 1;

// The scene time after the clocks of step s, at s mod history_length.
float scene_times[history_length];

// The flakes due to respawn in step s, a list in index order starting at
// first_due[s mod history_length] and linked through next_due; -1 ends it.
int32_t first_due[history_length];
int32_t next_due[snow_capacity];
int32_t fall_steps[snow_capacity];    // steps from the top to below the ground
int32_t last_respawn[snow_capacity];  // step of the flake's last respawn, 0 for none

// The ornaments in flight, in index order.
int32_t in_flight[ornament_count];
int32_t in_flight_count;

// The step up to which each ornament not in flight has been brought.
int32_t rest_since[ornament_count];

bool flying(int32_t state) { return state == ornament_arriving || state == ornament_departing; }

// Adds ornament i to the ones in flight, in its place by index, unless it
// is there already (launched or released again in flight, which the cycle
// never does).
void take_off(int32_t i) {
    for (int32_t k = 0; k < in_flight_count; ++k) {
        if (in_flight[k] == i) return;
    }
    int32_t k = in_flight_count++;
    for (; k > 0 && in_flight[k - 1] > i; --k) in_flight[k] = in_flight[k - 1];
    in_flight[k] = i;
}

// Steps until a flake at height y that falls by fall each step (the step's
// own product) is below the ground; history_length when it takes that long.
int32_t steps_to_ground(float y, float fall) {
    int32_t steps = 0;
    do {
        y -= fall;
        ++steps;
    } while (!(y < 0.0f) && steps < history_length);
    return steps;
}

// Puts flake i on the list of step s, keeping the list in index order.
void schedule_flake(int32_t i, int32_t s) {
    int32_t* link = &first_due[s & history_mask];
    while (*link >= 0 && *link < i) link = &next_due[*link];
    next_due[i] = *link;
    *link = i;
}

// Schedules every flake's first respawn. False when some flake would take
// longer than the remembered steps to fall (only from a state the layout
// and the step never make); the caller then steps plainly.
bool schedule_snow(float dt, int32_t steps) {
    std::fill(first_due, first_due + history_length, -1);
    for (int32_t i = 0; i < snow_count; ++i) {
        const float fall = snow_speeds[i] * dt;
        const int32_t first = steps_to_ground(snow_positions[i].y, fall);
        fall_steps[i] = steps_to_ground(snow_top, fall);
        if (first >= history_length || fall_steps[i] >= history_length) return false;
        last_respawn[i] = 0;
        if (first <= steps) schedule_flake(i, first);
    }
    return true;
}

// The respawns of step s in index order, as the step makes them. The fall
// between respawns is left out: from the top a flake always takes its
// fall_steps, and its height is read only by the respawn test.
void respawn_due_flakes(int32_t s) {
    int32_t i = first_due[s & history_mask];
    first_due[s & history_mask] = -1;
    while (i >= 0) {
        const int32_t next = next_due[i];
        respawn_flake(snow_positions[i]);
        last_respawn[i] = s;
        schedule_flake(i, s + fall_steps[i]);
        i = next;
    }
}

// Each flake's sway and fall since its last respawn (or the start), up to
// step s. The sway before a respawn is left out: the respawn overwrites x.
void finish_snow(int32_t s, float dt) {
    for (int32_t i = 0; i < snow_count; ++i) {
        Vec3& p = snow_positions[i];
        for (int32_t k = last_respawn[i] + 1; k <= s; ++k) {
            p.x += snow_sway(i, scene_times[k & history_mask], dt);
            p.y -= snow_speeds[i] * dt;
        }
    }
}

// Brings an attached or idle ornament from step rest_since up to step s.
// Attached: its seconds since the snap get every step's addition, but the
// wobble only for the last step, as each step overwrites the position the
// one before computed from the same sum. Both eat the trail a point a step.
void bring_up(int32_t i, int32_t s, float dt) {
    Ornament& o = ornaments[i];
    const int32_t steps = s - rest_since[i];
    rest_since[i] = s;
    if (steps <= 0 || flying(o.state)) return;
    if (o.state == ornament_attached) {
        for (int32_t k = 1; k < steps; ++k) o.flight_progress += dt;
        wobble(o, dt);
    }
    if (o.trail_count > 0) o.trail_count = std::max(o.trail_count - steps, 0);
}

}  // namespace

void advance_scene(float dt, int32_t steps) {
    if (steps <= 0) return;
    const bool falling = snowing && snow_count > 0;
    if (falling && !schedule_snow(dt, steps)) {
        for (int32_t s = 0; s < steps; ++s) step_scene(dt);
        return;
    }

    in_flight_count = 0;
    for (int32_t i = 0; i < ornament_count; ++i) {
        rest_since[i] = 0;
        if (flying(ornaments[i].state)) take_off(i);
    }
    int32_t sparks_end = spark_count;  // every entry from here on is free

    for (int32_t s = 1; s <= steps; ++s) {
        advance_clocks(dt);
        scene_times[s & history_mask] = scene_time;

        // A release reads the ornament's position: bring the ornaments the
        // cycle logic releases in this step (the same test) up to the step before.
        const int32_t phase = cycle_phase;
        const int32_t released = release_counter;
        if (phase == phase_releasing) {
            for (int32_t k = released; k <= ornament_count - 1 && phase_time > 0.09f * static_cast<float>(k); ++k)
                bring_up(launch_order[k], s - 1, dt);
        }
        const int32_t pending = pending_count;
        run_cycle(dt);
        if (pending_count < pending) take_off(launch_order[pending_count]);
        if (phase == phase_releasing) {
            for (int32_t k = released; k < release_counter; ++k) take_off(launch_order[k]);
        }

        // Only the ornaments in flight change in a way a draw or a later
        // step reads; they go in index order, as their snaps draw.
        bool snapped = false;
        int32_t still_flying = 0;
        for (int32_t k = 0; k < in_flight_count; ++k) {
            const int32_t i = in_flight[k];
            Ornament& o = ornaments[i];
            fly(o, dt);
            if (flying(o.state)) {
                in_flight[still_flying++] = i;
            } else {
                rest_since[i] = s;
                snapped |= o.state == ornament_attached;
            }
        }
        in_flight_count = still_flying;

        if (snapped) sparks_end = spark_count;
        if (sparks_end > 0) sparks_end = move_sparks(dt, sparks_end);
        if (falling) respawn_due_flakes(s);
    }

    for (int32_t i = 0; i < ornament_count; ++i) {
        if (!flying(ornaments[i].state)) bring_up(i, steps, dt);
    }
    if (falling) finish_snow(steps, dt);
}

}  // namespace scene
