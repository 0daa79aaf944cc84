#include "host/linux/hack_options.h"

#include <cstdio>
#include <cstring>

#include "host/run/capture.h"
#include "shared/run_mode.h"

namespace host {

namespace {

// The option's name without its one or two leading dashes; null for an
// argument that is no option.
const char* option_name(const char* arg) {
    if (arg[0] != '-') return nullptr;
    return arg[1] == '-' ? arg + 2 : arg + 1;
}

// A whole decimal number within the row's range, the whole text.
bool read_count(const char* text, const HackOption& row, int64_t* count) {
    if (*text == '\0') return false;
    int64_t value = 0;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9') return false;
        value = value * 10 + (*text - '0');
        if (value > row.high) return false;
    }
    if (value < row.low) return false;
    *count = value;
    return true;
}

// The setters, one per kind of option.
using Argv = const char* const*;

const char* set_root(HackOptions* o, const HackOption&, bool, Argv, int) {
    o->target = HackTarget::root;
    return nullptr;
}

const char* set_own_window(HackOptions* o, const HackOption&, bool, Argv, int) {
    o->target = HackTarget::own_window;
    return nullptr;
}

const char* set_window_id(HackOptions* o, const HackOption&, bool, Argv argv, int at) {
    if (!parse_window_id(argv[at + 1], &o->window_id)) return "needs ID, a window number (decimal or 0x hex)";
    o->target = HackTarget::window_id;
    return nullptr;
}

const char* set_background(HackOptions* o, const HackOption&, bool, Argv, int) {
    o->target = HackTarget::background;
    return nullptr;
}

const char* set_overlay(HackOptions* o, const HackOption&, bool, Argv, int) {
    o->target = HackTarget::overlay;
    return nullptr;
}

const char* set_still(HackOptions* o, const HackOption&, bool, Argv argv, int at) {
    if (read_capture_time(argv[at + 1], &o->still_seconds) != CaptureTime::usable)
        return "needs SECONDS, a number from 0 to 1048576";
    o->still = true;
    return nullptr;
}

// the pairs: the name switches on, the "no-" form off
const char* set_snow(HackOptions* o, const HackOption&, bool no, Argv, int) {
    o->snow = no ? 0 : 1;
    o->video.snow = !no;
    return nullptr;
}

// a video has the carols unless --no-music
const char* set_music(HackOptions* o, const HackOption&, bool no, Argv, int) {
    o->music = no ? 0 : 1;
    o->video.music = !no;
    return nullptr;
}

const char* set_fps(HackOptions* o, const HackOption&, bool no, Argv, int) {
    o->fps = no ? 0 : 1;
    return nullptr;
}

const char* set_delay(HackOptions* o, const HackOption& row, bool, Argv argv, int at) {
    int64_t delay = 0;
    if (!read_count(argv[at + 1], row, &delay)) return "needs MICROSECONDS, a whole number";
    o->delay_us = static_cast<int32_t>(delay);
    return nullptr;
}

const char* set_display(HackOptions* o, const HackOption&, bool, Argv argv, int at) {
    o->display = argv[at + 1];
    return nullptr;
}

const char* set_capture(HackOptions* o, const HackOption&, bool, Argv argv, int at) {
    if (o->action == HackAction::video) return "not with --video";
    const CaptureTime time = read_capture_time(argv[at + 1], &o->seconds);
    if (time == CaptureTime::not_a_number || time == CaptureTime::negative) {
        o->bad_arg = at + 1;
        return "SECONDS must be a number, 0 or more";
    }
    o->action = HackAction::capture;
    o->seconds_arg = at + 1;
    o->file_arg = at + 2;
    o->seconds_unreachable = time == CaptureTime::unreachable;
    return nullptr;
}

const char* set_video(HackOptions* o, const HackOption&, bool, Argv argv, int at) {
    // one video a run: a second would silently win
    if (o->action == HackAction::video) return "given twice";
    if (o->action == HackAction::capture) return "not with --capture";
    if (read_capture_time(argv[at + 1], &o->video.from) != CaptureTime::usable) {
        o->bad_arg = at + 1;
        return "FROM must be a number of seconds from 0 to 1048576";
    }
    const CaptureTime length = read_capture_time(argv[at + 2], &o->video.seconds);
    if (length == CaptureTime::not_a_number || length == CaptureTime::negative) {
        o->bad_arg = at + 2;
        return "SECONDS must be a number above 0, at most 1048576";
    }
    o->action = HackAction::video;
    o->file_arg = at + 3;
    o->video.path = argv[at + 3];
    o->video.format = video_format(argv[at + 3]);
    return nullptr;
}

const char* set_size(HackOptions* o, const HackOption&, bool, Argv argv, int at) {
    if (!parse_video_size(argv[at + 1], &o->video.width, &o->video.height))
        return "needs WIDTHxHEIGHT, each from 2 up to 7680x4320";
    return nullptr;
}

const char* set_quality(HackOptions* o, const HackOption& row, bool, Argv argv, int at) {
    int64_t quality = 0;
    if (!read_count(argv[at + 1], row, &quality)) return "needs Q, a whole number";
    o->video.quality = static_cast<int32_t>(quality);
    return nullptr;
}

const char* set_jobs(HackOptions* o, const HackOption& row, bool, Argv argv, int at) {
    int64_t jobs = 0;
    if (!read_count(argv[at + 1], row, &jobs)) return "needs N, a whole number";
    o->video.jobs = static_cast<int32_t>(jobs);
    return nullptr;
}

const char* set_help(HackOptions* o, const HackOption&, bool, Argv, int) {
    o->action = HackAction::help;
    return nullptr;
}

const char* set_version(HackOptions* o, const HackOption&, bool, Argv, int) {
    o->action = HackAction::version;
    return nullptr;
}

// the stock hacks' options that mean nothing here
const char* ignore(HackOptions*, const HackOption&, bool, Argv, int) { return nullptr; }

// The row an option's name stands for, and whether it was its other
// spelling; null for an unknown name.
const HackOption* find_option(const char* name, bool* other) {
    for (int i = 0; i < hack_option_count; ++i) {
        const HackOption& row = hack_option_table[i];
        *other = row.other_name && std::strcmp(name, row.other_name) == 0;
        if (*other || std::strcmp(name, row.name) == 0) return &row;
    }
    return nullptr;
}

HackOptions refused(HackOptions options, int bad_arg, const char* problem, const HackOption* row) {
    options.action = HackAction::refuse;
    if (options.bad_arg < 0) options.bad_arg = bad_arg;
    if (row && row->low != row->high) {
        std::snprintf(options.problem, sizeof options.problem, "%s, from %lld to %lld", problem,
                      static_cast<long long>(row->low), static_cast<long long>(row->high));
    } else {
        std::snprintf(options.problem, sizeof options.problem, "%s", problem);
    }
    return options;
}

// An option's spellings and operands as --help writes them: a one-letter
// name takes one dash.
std::string spelled(const HackOption& row) {
    std::string text;
    for (const char* name : {row.name, row.other_name}) {
        if (!name) continue;
        if (!text.empty()) text += ", ";
        text += name[1] == '\0' ? "-" : "--";
        text += name;
    }
    if (row.operand_names) text = text + " " + row.operand_names;
    return text;
}

// text as lines of at most width characters, broken at spaces
std::string wrapped(const std::string& text, size_t width) {
    std::string lines, word;
    size_t column = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ' ') {
            word += text[i];
            continue;
        }
        if (column > 0 && column + 1 + word.size() > width) {
            lines += '\n';
            column = 0;
        } else if (column > 0) {
            lines += ' ';
            ++column;
        }
        lines += word;
        column += word.size();
        word.clear();
    }
    return lines + '\n';
}

}  // namespace

const HackOption hack_option_table[] = {
    {"root", nullptr, 0, nullptr, 0, 0, set_root, nullptr,
     "draw into the window XSCREENSAVER_WINDOW names, else\ninto the root window (as XScreenSaver runs it)",
     "arg=\"--root\""},
    {"window-id", nullptr, 1, "ID", 1, 0xFFFFFFFF, set_window_id, nullptr,
     "draw into the window ID (decimal, or hex after 0x)", nullptr},
    {"window", nullptr, 0, nullptr, 0, 0, set_own_window, nullptr,
     "a 1280 x 720 window of its own (the default); Escape\nor the close button ends it", nullptr},
    {"background", nullptr, 0, nullptr, 0, 0, set_background, nullptr,
     "Wayland: the wallpaper of every output (layer-shell's\nbackground layer; no input, never music)", nullptr},
    {"overlay", nullptr, 0, nullptr, 0, 0, set_overlay, nullptr,
     "Wayland: the screensaver over every output; a key, a\nbutton or moving the mouse ends it", nullptr},
    {"still", nullptr, 1, "SECONDS", 0, 0, set_still, nullptr,
     "show the capture of SECONDS, drawn again only when the\nsize or scale changes (no processor time between)",
     nullptr},
    {"snow", "no-snow", 0, nullptr, 0, 0, set_snow, nullptr, "falling snow (default: on)", "arg-unset=\"--no-snow\""},
    {"music", "no-music", 0, nullptr, 0, 0, set_music, nullptr,
     "the carol loop on ALSA's default device (default: off;\none run per display plays it); a video has it\nunless "
     "--no-music",
     "arg-set=\"--music\""},
    {"fps", "no-fps", 0, nullptr, 0, 0, set_fps, nullptr,
     "the frame rate and CPU load in a corner (default: off);\nwith --video, --fps 30 or --fps 60 is the video's rate",
     "arg-set=\"--fps\""},
    {"delay", nullptr, 1, "MICROSECONDS", 0, INT32_MAX, set_delay, nullptr,
     "at least this long between frames (default: 0, as fast\nas the display shows them)", "arg=\"--delay %\""},
    {"display", nullptr, 1, "NAME", 0, 0, set_display, nullptr, "the X display to draw on (default: DISPLAY)", nullptr},
    {"capture", nullptr, 2, "SECONDS FILE.bmp", 0, 0, set_capture, nullptr,
     "write the scene as it stands after SECONDS of simulated\ntime (fixed seed and steps) to a 24-bit BMP "
     "file; exit\ncode 1 when it cannot be written",
     nullptr},
    {"video", nullptr, 3, "FROM SECONDS FILE", 0, 0, set_video, nullptr,
     "write the scene from the capture of FROM for SECONDS,\nwith the carol loop, to FILE through ffmpeg: .mp4,\n"
     ".webm, .mkv (lossless), .gif or .webp; no display needed",
     nullptr},
    {"size", nullptr, 1, "WIDTHxHEIGHT", 0, 0, set_size, "video",
     "the video's size (default 1920x1080, up to 7680x4320)", nullptr},
    {"quality", nullptr, 1, "Q", 1, 5, set_quality, "video",
     "1 (the smallest file) to 5 (the best picture);\ndefault 3", nullptr},
    {"jobs", nullptr, 1, "N", 1, 256, set_jobs, "video", "processes rendering at once (default: the cores)", nullptr},
    {"help", "h", 0, nullptr, 0, 0, set_help, nullptr, "this text", nullptr},
    {"version", nullptr, 0, nullptr, 0, 0, set_version, nullptr, "the version", nullptr},
    {"install", nullptr, 0, nullptr, 0, 0, ignore, nullptr, nullptr, nullptr},
    {"noinstall", nullptr, 0, nullptr, 0, 0, ignore, nullptr, nullptr, nullptr},
    {"visual", nullptr, 1, "V", 0, 0, ignore, nullptr, nullptr, nullptr},
    {"mono", nullptr, 0, nullptr, 0, 0, ignore, nullptr, nullptr, nullptr},
    {"pair", nullptr, 0, nullptr, 0, 0, ignore, nullptr, nullptr, nullptr},
    {"wireframe", nullptr, 0, nullptr, 0, 0, ignore, nullptr, nullptr, nullptr},
    {"geometry", nullptr, 1, "G", 0, 0, ignore, nullptr, nullptr, nullptr},
};
const int hack_option_count = static_cast<int>(sizeof hack_option_table / sizeof hack_option_table[0]);

RunConfig hack_run_config(const HackOptions& options, int32_t width, int32_t height, uint32_t clock_ticks) {
    const int32_t mode = options.action == HackAction::capture ? shared::mode_capture
                         : width < 400 || height < 300         ? shared::mode_preview
                                                               : shared::mode_full_screen;
    // a still starts as a capture of its time does
    const int32_t run_mode = options.still ? shared::mode_capture : mode;
    const bool named_window = options.target == HackTarget::window_id;
    const bool music_chosen = options.music != 0 && !options.still && options.target != HackTarget::background;
    return RunConfig{run_mode,
                     options.snow != 0,
                     run_plays_music(run_mode, music_chosen, named_window),
                     options.target == HackTarget::overlay,
                     run_seed(run_mode, clock_ticks),
                     options.fps != 0 && !options.still,
                     options.delay_us};
}

bool parse_window_id(const char* text, uint64_t* id) {
    uint64_t base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (*text == '\0') return false;
    uint64_t value = 0;
    for (; *text; ++text) {
        uint64_t digit;
        if (*text >= '0' && *text <= '9') {
            digit = static_cast<uint64_t>(*text - '0');
        } else if (base == 16 && *text >= 'a' && *text <= 'f') {
            digit = static_cast<uint64_t>(*text - 'a' + 10);
        } else if (base == 16 && *text >= 'A' && *text <= 'F') {
            digit = static_cast<uint64_t>(*text - 'A' + 10);
        } else {
            return false;
        }
        value = value * base + digit;
        if (value > 0xFFFFFFFFu) return false;
    }
    if (value == 0) return false;
    *id = value;
    return true;
}

bool runs_on_wayland(const HackOptions& options, bool wayland_session) {
    if (options.action != HackAction::run) return false;
    if (options.target == HackTarget::background || options.target == HackTarget::overlay) return true;
    return wayland_session && options.target == HackTarget::own_window && !options.display;
}

HackOptions parse_hack_options(int argc, const char* const* argv) {
    HackOptions options{HackAction::run,
                        HackTarget::own_window,
                        0,
                        1,
                        0,
                        -1,
                        -1,
                        -1,
                        {},
                        0,
                        0,
                        nullptr,
                        0.0f,
                        false,
                        VideoRequest{0.0f, 0.0f, nullptr, VideoFormat::unknown}};
    // where each row was last given in argv; 0: not given
    int given_at[sizeof hack_option_table / sizeof hack_option_table[0]] = {};
    int video_fps_at = 0;  // where --fps came with a number
    for (int i = 1; i < argc; ++i) {
        const char* name = option_name(argv[i]);
        if (!name) return refused(options, i, "not an option", nullptr);
        bool other = false;
        // --fps and a number: the video's rate; alone, the corner's switch
        if (std::strcmp(name, "fps") == 0 && i + 1 < argc && argv[i + 1][0] >= '0' && argv[i + 1][0] <= '9') {
            options.video.fps = std::strcmp(argv[i + 1], "30") == 0 ? 30 : std::strcmp(argv[i + 1], "60") == 0 ? 60 : 0;
            if (!options.video.fps) return refused(options, i + 1, "a video's frame rate is 30 or 60", nullptr);
            video_fps_at = i;
            ++i;
            continue;
        }
        const HackOption* row = find_option(name, &other);
        if (!row) return refused(options, i, "unknown option", nullptr);
        if (i + row->operands >= argc) {
            const std::string needs = std::string("needs ") + row->operand_names;
            return refused(options, i, needs.c_str(), row);
        }
        if (const char* problem = row->set(&options, *row, other, argv, i)) return refused(options, i, problem, row);
        given_at[row - hack_option_table] = i;
        if (options.action == HackAction::help || options.action == HackAction::version) return options;
        i += row->operands;
    }
    // a sub-option means nothing without the option it belongs to
    for (int r = 0; r < hack_option_count; ++r) {
        const char* parent = hack_option_table[r].parent;
        if (!given_at[r] || !parent) continue;
        bool other = false;
        if (!given_at[find_option(parent, &other) - hack_option_table]) {
            const std::string problem = std::string("only with --") + parent;
            return refused(options, given_at[r], problem.c_str(), nullptr);
        }
    }
    // a rate is a video's: without one it would be ignored
    if (video_fps_at && options.action != HackAction::video)
        return refused(options, video_fps_at, "with a number, only with --video", nullptr);
    if (options.action == HackAction::video) {
        int operand = 0;
        if (const char* problem = video_request_problem(options.video, &operand))
            return refused(options, options.file_arg - 2 + operand, problem, nullptr);
    }
    return options;
}

std::string hack_usage() {
    std::string text =
        "Usage: frostvale [OPTION]...\n"
        "A 3D Christmas scene: ornaments fly in from space and snap onto a fir tree\n"
        "with lights and presents, under a night sky with falling snow, seen by a\n"
        "circling camera.\n"
        "\n";
    constexpr size_t help_column = 23;
    std::string ignored;
    for (int r = 0; r < hack_option_count; ++r) {
        const HackOption& row = hack_option_table[r];
        if (!row.help) {
            ignored += (ignored.empty() ? "" : ", ") + spelled(row);
            continue;
        }
        std::string line = (row.parent ? "    " : "  ") + spelled(row);
        line += line.size() + 1 > help_column ? "\n" + std::string(help_column, ' ')
                                              : std::string(help_column - line.size(), ' ');
        for (const char* c = row.help; *c; ++c) {
            line += *c;
            if (*c == '\n') line += std::string(help_column, ' ');
        }
        text += line + "\n";
    }
    return text + "\n" +
           wrapped("Options may also start with a single dash. The stock hacks' " + ignored +
                       " are taken and ignored. A window smaller than 400 x 300 gets the small preview.",
                   76);
}

}  // namespace host
