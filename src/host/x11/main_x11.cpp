// The Linux program's entry: reads the command line in XScreenSaver's
// conventions and takes exactly one action; its result is the exit code.
#include <cstdio>
#include <cstring>

#include "host/run/capture.h"
#include "host/run/message_text.h"
#include "host/x11/saver_x11.h"

namespace {

constexpr char usage[] =
    "Usage: frostvale [OPTION]...\n"
    "An animated Christmas scene: a fir tree that ornaments fly onto, lights,\n"
    "presents and falling snow under a night sky, seen by a circling camera.\n"
    "\n"
    "  --root               draw into the window XSCREENSAVER_WINDOW names, else\n"
    "                       into the root window (as XScreenSaver runs it)\n"
    "  --window-id ID       draw into the window ID (decimal, or hex after 0x)\n"
    "  --snow, --no-snow    falling snow (default: on)\n"
    "  --music, --no-music  the carol loop on ALSA's default device (default: off;\n"
    "                       one run per X display plays it)\n"
    "  --fps, --no-fps      the frame rate and CPU load in a corner (default: off)\n"
    "  --delay MICROSECONDS at least this long between frames (default: 0, as fast\n"
    "                       as the display shows them)\n"
    "  --display NAME       the X display to draw on (default: DISPLAY)\n"
    "  --capture SECONDS FILE.bmp\n"
    "                       write the scene as it stands after SECONDS of simulated\n"
    "                       time (fixed seed and steps) to a 24-bit BMP file; exit\n"
    "                       code 1 when it cannot be written\n"
    "  --video FROM SECONDS FILE\n"
    "                       the scene from the capture of FROM for SECONDS, with\n"
    "                       the carol loop, into FILE through ffmpeg: .mp4 (H.264,\n"
    "                       AAC), .webm (VP9, Opus), .mkv (lossless FFV1, FLAC),\n"
    "                       .gif or .webp (looping, no sound); no display needed\n"
    "  --size WIDTHxHEIGHT  the video's size (default 1920x1080, up to 7680x4320)\n"
    "  --fps 30|60          the video's frame rate (default 30)\n"
    "  --quality Q          the video's quality, 1 (smallest) to 5 (default 3)\n"
    "  --jobs N             processes rendering the video (default: the cores)\n"
    "  --help, --version    this text, the version\n"
    "\n"
    "Options may also start with a single dash. The stock hacks' --install,\n"
    "--noinstall, --visual V, --mono, --pair, --wireframe and --geometry G\n"
    "are taken and ignored. Without --root or --window-id (or with --window)\n"
    "the scene opens in a 1280 x 720 window of its own; Escape or the close\n"
    "button ends it. A window smaller than 400 x 300 gets the small preview.\n";

}  // namespace

int main(int argc, char** argv) {
    const host::HackOptions options = host::parse_hack_options(argc, argv);
    switch (options.action) {
        case host::HackAction::help:
            std::fputs(usage, stdout);
            return 0;
        case host::HackAction::version:
            std::printf("frostvale %s\n", FROSTVALE_VERSION);
            return 0;
        case host::HackAction::refuse:
            std::fprintf(stderr, "frostvale: %s: %s (see --help)\n", host::shown_text(argv[options.bad_arg]).c_str(),
                         options.problem);
            return 2;
        case host::HackAction::video:
            return host::make_video(options.video);
        case host::HackAction::run:
        case host::HackAction::capture:
            break;
    }
    if (options.action == host::HackAction::run) return host::saver_run(options, 0.0f, nullptr);
    // the refusals of the Windows capture: a name beyond its 260-byte
    // buffer, a time the capture clock never reaches
    const char* file = argv[options.file_arg];
    float seconds = 0.0f;
    const host::CaptureRequest request = host::check_capture_request(argv[options.seconds_arg], file, &seconds);
    if (request != host::CaptureRequest::usable) {
        std::fprintf(stderr, "frostvale: %s\n",
                     host::capture_request_message(request, argv[options.seconds_arg], file).c_str());
        return 1;
    }
    return host::saver_run(options, seconds, file);
}
