#include "host/x11/hack_options.h"

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

// Options of the stock hacks that mean nothing here, taken so that a
// command line copied from another hack runs: the name and its operands.
constexpr struct {
    const char* name;
    int operands;
} ignored_options[] = {
    {"install", 0},
    {"noinstall", 0},
    {"mono", 0},
    {"pair", 0},
    {"wireframe", 0},
    {"visual", 1},
    {"geometry", 1},
};

// A whole decimal number from 0 to 2^31 - 1, the whole text.
bool parse_count(const char* text, int32_t* count) {
    if (*text == '\0') return false;
    int64_t value = 0;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9') return false;
        value = value * 10 + (*text - '0');
        if (value > INT32_MAX) return false;
    }
    *count = static_cast<int32_t>(value);
    return true;
}

// The operand count of an ignored option; -1 for any other name.
int ignored_operands(const char* name) {
    for (const auto& option : ignored_options) {
        if (std::strcmp(name, option.name) == 0) return option.operands;
    }
    return -1;
}

HackOptions refused(HackOptions options, int bad_arg, const char* problem) {
    options.action = HackAction::refuse;
    options.bad_arg = bad_arg;
    options.problem = problem;
    return options;
}

}  // namespace

RunConfig hack_run_config(const HackOptions& options, int32_t width, int32_t height, uint32_t clock_ticks) {
    const int32_t mode = options.action == HackAction::capture       ? shared::mode_capture
                         : width < 400 || height < 300 ? shared::mode_preview
                                                       : shared::mode_full_screen;
    const bool named_window = options.target == HackTarget::window_id;
    return RunConfig{mode, options.snow != 0, run_plays_music(mode, options.music != 0, named_window), false,
                     run_seed(mode, clock_ticks), options.fps != 0, options.delay_us};
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

HackOptions parse_hack_options(int argc, const char* const* argv) {
    HackOptions options{HackAction::run, HackTarget::own_window, 0, 1, 0, -1, -1, -1, nullptr, 0, 0, nullptr,
                        0.0f, false, VideoRequest{0.0f, 0.0f, nullptr, VideoFormat::unknown}};
    int32_t count = 0;
    for (int i = 1; i < argc; ++i) {
        const char* name = option_name(argv[i]);
        if (!name) return refused(options, i, "not an option");
        if (std::strcmp(name, "root") == 0) {
            options.target = HackTarget::root;
        } else if (std::strcmp(name, "window") == 0) {
            options.target = HackTarget::own_window;
        } else if (std::strcmp(name, "window-id") == 0) {
            if (i + 1 >= argc || !parse_window_id(argv[i + 1], &options.window_id))
                return refused(options, i, "needs a window number (decimal or 0x hex)");
            options.target = HackTarget::window_id;
            ++i;
        } else if (std::strcmp(name, "snow") == 0 || std::strcmp(name, "no-snow") == 0) {
            options.snow = name[0] == 's' ? 1 : 0;
            options.video.snow = options.snow != 0;
        } else if (std::strcmp(name, "music") == 0 || std::strcmp(name, "no-music") == 0) {
            options.music = name[0] == 'm' ? 1 : 0;
            options.video.music = options.music != 0;
        } else if (std::strcmp(name, "fps") == 0 && i + 1 < argc && argv[i + 1][0] >= '0' && argv[i + 1][0] <= '9') {
            if (!parse_count(argv[i + 1], &options.video.fps) || (options.video.fps != 30 && options.video.fps != 60))
                return refused(options, i + 1, "a video's frame rate is 30 or 60");
            ++i;
        } else if (std::strcmp(name, "fps") == 0 || std::strcmp(name, "no-fps") == 0) {
            options.fps = name[0] == 'f' ? 1 : 0;
        } else if (std::strcmp(name, "delay") == 0) {
            if (i + 1 >= argc || !parse_count(argv[i + 1], &options.delay_us))
                return refused(options, i, "needs MICROSECONDS, a whole number from 0");
            ++i;
        } else if (std::strcmp(name, "display") == 0) {
            if (i + 1 >= argc) return refused(options, i, "needs a display NAME");
            options.display = argv[++i];
        } else if (const int operands = ignored_operands(name); operands >= 0) {
            if (i + operands >= argc) return refused(options, i, "needs a value");
            i += operands;
        } else if (std::strcmp(name, "capture") == 0) {
            if (i + 2 >= argc) return refused(options, i, "needs SECONDS and FILE.bmp");
            const CaptureTime time = read_capture_time(argv[i + 1], &options.seconds);
            if (time == CaptureTime::not_a_number || time == CaptureTime::negative)
                return refused(options, i + 1, "SECONDS must be a number, 0 or more");
            options.action = HackAction::capture;
            options.seconds_arg = i + 1;
            options.file_arg = i + 2;
            options.seconds_unreachable = time == CaptureTime::unreachable;
            i += 2;
        } else if (std::strcmp(name, "video") == 0) {
            if (i + 3 >= argc) return refused(options, i, "needs FROM, SECONDS and FILE");
            if (read_capture_time(argv[i + 1], &options.video.from) != CaptureTime::usable)
                return refused(options, i + 1, "FROM must be a number of seconds from 0 to 1048576");
            const CaptureTime length = read_capture_time(argv[i + 2], &options.video.seconds);
            if (length == CaptureTime::not_a_number || length == CaptureTime::negative)
                return refused(options, i + 2, "SECONDS must be a number above 0, at most 1048576");
            options.action = HackAction::video;
            options.file_arg = i + 3;
            options.video.path = argv[i + 3];
            options.video.format = video_format(argv[i + 3]);
            i += 3;
        } else if (std::strcmp(name, "size") == 0) {
            if (i + 1 >= argc || !parse_video_size(argv[i + 1], &options.video.width, &options.video.height))
                return refused(options, i, "needs WIDTHxHEIGHT, each from 2 up to 7680x4320");
            ++i;
        } else if (std::strcmp(name, "quality") == 0) {
            if (i + 1 >= argc || !parse_count(argv[i + 1], &count) || count < 1 || count > 5)
                return refused(options, i, "needs a number from 1 (smallest file) to 5 (best picture)");
            options.video.quality = count;
            ++i;
        } else if (std::strcmp(name, "jobs") == 0) {
            if (i + 1 >= argc || !parse_count(argv[i + 1], &count) || count < 1 || count > 256)
                return refused(options, i, "needs a number of jobs from 1 to 256");
            options.video.jobs = count;
            ++i;
        } else if (std::strcmp(name, "help") == 0 || std::strcmp(name, "h") == 0) {
            options.action = HackAction::help;
            return options;
        } else if (std::strcmp(name, "version") == 0) {
            options.action = HackAction::version;
            return options;
        } else {
            return refused(options, i, "unknown option");
        }
    }
    if (options.action == HackAction::video) {
        if (const char* problem = video_request_problem(options.video))
            return refused(options, options.file_arg, problem);
    }
    return options;
}

}  // namespace host
