#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/run/capture.h"
#include "host/run/run.h"
#include "host/video/video.h"
#include "music/mixdown.h"
#include "music/tune.h"
#include "scene/scene.h"

namespace host {

namespace {

// One row per format: its extension, ffmpeg's name for its container,
// the pieces' container, whether it has sound.
constexpr struct {
    VideoFormat format;
    const char* extension;
    const char* container;
    const char* piece_container;
    const char* piece_extension;
    bool sound;
} formats[] = {
    {VideoFormat::mp4, ".mp4", "mp4", "mp4", ".mp4", true},
    {VideoFormat::webm, ".webm", "webm", "webm", ".webm", true},
    {VideoFormat::mkv, ".mkv", "matroska", "matroska", ".mkv", true},
    {VideoFormat::gif, ".gif", "gif", "matroska", ".mkv", false},
    {VideoFormat::webp, ".webp", "webp", "matroska", ".mkv", false},
};

// Each codec's own rate control for --quality 1 to 5.
constexpr int32_t h264_crf[] = {28, 25, 22, 19, 16};
constexpr int32_t vp9_crf[] = {42, 37, 32, 27, 22};
constexpr int32_t webp_quality[] = {50, 65, 75, 85, 95};
constexpr int32_t gif_colors[] = {64, 128, 256, 256, 256};
constexpr const char* aac_rate[] = {"96k", "128k", "160k", "192k", "256k"};
constexpr const char* opus_rate[] = {"64k", "96k", "128k", "160k", "192k"};

constexpr float sixtieth = 1.0f / 60.0f;

const auto& format_row(VideoFormat format) {
    for (const auto& row : formats) {
        if (row.format == format) return row;
    }
    return formats[0];
}

bool ends_with_ignoring_case(const char* text, const char* end) {
    const size_t length = std::strlen(text), end_length = std::strlen(end);
    if (length < end_length) return false;
    for (size_t i = 0; i < end_length; ++i) {
        char c = text[length - end_length + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != end[i]) return false;
    }
    return true;
}

// A whole number from 2 to most, the text from start up to stop.
bool parse_side(const char* start, const char* stop, int32_t most, int32_t* side) {
    if (start == stop) return false;
    int32_t value = 0;
    for (const char* c = start; c < stop; ++c) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + (*c - '0');
        if (value > most) return false;
    }
    if (value < 2) return false;
    *side = value;
    return true;
}

bool yuv(VideoFormat format) { return format == VideoFormat::mp4 || format == VideoFormat::webm; }

}  // namespace

VideoFormat video_format(const char* path) {
    for (const auto& row : formats) {
        if (ends_with_ignoring_case(path, row.extension)) return row.format;
    }
    return VideoFormat::unknown;
}

bool video_has_sound(VideoFormat format) { return format_row(format).sound; }

const char* video_piece_extension(VideoFormat format) { return format_row(format).piece_extension; }

bool parse_video_size(const char* text, int32_t* width, int32_t* height) {
    const char* x = std::strchr(text, 'x');
    return x && parse_side(text, x, video_max_width, width) &&
           parse_side(x + 1, x + std::strlen(x), video_max_height, height);
}

const char* video_request_problem(const VideoRequest& request, int* operand) {
    *operand = 1;
    if (!(request.seconds > 0.0f) || !capture_time_reachable(request.seconds))
        return "SECONDS must be a number above 0, at most 1048576";
    *operand = 2;
    if (request.format == VideoFormat::unknown) return "FILE must end in .mp4, .webm, .mkv, .gif or .webp";
    if (yuv(request.format) && (request.width % 2 != 0 || request.height % 2 != 0))
        return "--size must be even both ways for .mp4 and .webm";
    return nullptr;
}

int32_t video_frame_count(float seconds, int32_t fps) {
    const double frames = static_cast<double>(seconds) * fps + 0.5;
    return frames < 1.0 ? 1 : static_cast<int32_t>(frames);
}

int32_t plan_video_pieces(int32_t frame_count, int32_t jobs, VideoPiece* pieces) {
    const int32_t count = jobs < frame_count ? jobs : frame_count;
    int32_t first = 0;
    for (int32_t i = 0; i < count; ++i) {
        // the remainder goes one frame each to the first pieces
        const int32_t length = frame_count / count + (i < frame_count % count ? 1 : 0);
        pieces[i] = {first, length};
        first += length;
    }
    return count;
}

float video_frame_step(int32_t fps) { return fps == 60 ? sixtieth : capture_step; }

void advance_to_video_frame(float from, int32_t fps, int32_t first) {
    if (fps == 60) {
        advance_capture(from);
        scene::advance_scene(sixtieth, first);
    } else {
        scene::advance_scene(capture_step, capture_steps(from) + first);
    }
}

void cut_carol_loop(const int16_t* loop, uint32_t loop_count, float from, uint64_t total, uint64_t first,
                    int16_t* sound, uint32_t count) {
    const uint64_t start = static_cast<uint64_t>(static_cast<double>(from) * music::sample_rate);
    uint32_t at = static_cast<uint32_t>((start + first) % loop_count);
    const uint64_t fade = total < static_cast<uint64_t>(music::sample_rate) ? total : music::sample_rate;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t sample = first + i;
        // from full at the fade's start down to 1/fade at the last sample
        sound[i] = sample < total - fade
                       ? loop[at]
                       : static_cast<int16_t>(static_cast<int64_t>(loop[at]) * static_cast<int64_t>(total - sample) /
                                              static_cast<int64_t>(fade));
        if (++at == loop_count) at = 0;
    }
}

uint64_t video_sound_count(int32_t frame_count, int32_t fps) {
    return (static_cast<uint64_t>(frame_count) * music::sample_rate + static_cast<uint64_t>(fps / 2)) /
           static_cast<uint64_t>(fps);
}

std::vector<std::string> piece_encoder_args(const VideoRequest& request, int32_t threads,
                                            const std::string& piece_path) {
    const int32_t q = request.quality - 1;
    std::vector<std::string> args = {"ffmpeg",
                                     "-nostdin",
                                     "-hide_banner",
                                     "-loglevel",
                                     "error",
                                     "-f",
                                     "rawvideo",
                                     "-pix_fmt",
                                     "bgr24",
                                     "-video_size",
                                     std::to_string(request.width) + "x" + std::to_string(request.height),
                                     "-framerate",
                                     std::to_string(request.fps),
                                     "-i",
                                     "pipe:0"};
    const std::vector<std::string> codec =
        request.format == VideoFormat::mp4
            ? std::vector<std::string>{"-c:v", "libx264", "-preset", "veryfast", "-crf", std::to_string(h264_crf[q])}
        : request.format == VideoFormat::webm
            ? std::vector<std::string>{"-c:v",      "libvpx-vp9", "-crf",      std::to_string(vp9_crf[q]),
                                       "-b:v",      "0",          "-deadline", "good",
                                       "-cpu-used", "5",          "-row-mt",   "1"}
            // lossless in RGB: the .mkv itself, the others' pieces
            : std::vector<std::string>{"-c:v", "ffv1", "-level", "3", "-pix_fmt", "bgr0"};
    // rows arrive bottom first; televisions expect BT.709 in limited range
    args.insert(
        args.end(),
        {"-vf", yuv(request.format) ? "vflip,scale=out_color_matrix=bt709:out_range=tv,format=yuv420p" : "vflip"});
    args.insert(args.end(), codec.begin(), codec.end());
    if (yuv(request.format)) {
        args.insert(args.end(),
                    {"-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv"});
    }
    args.insert(args.end(), {"-threads", std::to_string(threads), "-f", format_row(request.format).piece_container,
                             "-y", "file:" + piece_path});
    return args;
}

std::vector<std::string> join_args(const VideoRequest& request, const std::string& list_path, bool with_sound,
                                   const std::string& out_path) {
    const int32_t q = request.quality - 1;
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel",        "error", "-f", "concat",
                                     "-safe",  "0",        "-i",           "file:" + list_path};
    if (with_sound) {
        args.insert(args.end(), {"-f", "s16le", "-ar", std::to_string(music::sample_rate), "-ac", "1", "-i", "pipe:0",
                                 "-map", "0:v", "-map", "1:a"});
    }
    switch (request.format) {
        case VideoFormat::mp4:
            args.insert(args.end(), {"-c:v", "copy", "-c:a", "aac", "-b:a", aac_rate[q], "-movflags", "+faststart"});
            break;
        case VideoFormat::webm:
            args.insert(args.end(), {"-c:v", "copy", "-c:a", "libopus", "-b:a", opus_rate[q], "-ar", "48000"});
            break;
        case VideoFormat::mkv:
            args.insert(args.end(), {"-c:v", "copy", "-c:a", "flac"});
            break;
        case VideoFormat::gif:
            args.insert(args.end(), {"-filter_complex",
                                     "[0:v]split[a][b];[a]palettegen=max_colors=" + std::to_string(gif_colors[q]) +
                                         "[p];[b][p]paletteuse",
                                     "-loop", "0"});
            break;
        case VideoFormat::webp:
        case VideoFormat::unknown:
            // every frame whole: the animation encoder (libwebp_anim) keeps
            // pixels that changed less than its quality's threshold from
            // the frame before, so slow changes never show and the ground
            // fills with stale blocks
            args.insert(args.end(), {"-c:v", "libwebp", "-quality", std::to_string(webp_quality[q]), "-loop", "0"});
            break;
    }
    if (video_join_reencodes(request.format)) args.insert(args.end(), {"-progress", "pipe:3"});
    args.insert(args.end(), {"-f", format_row(request.format).container, "-y", "file:" + out_path});
    return args;
}

bool video_join_reencodes(VideoFormat format) { return format == VideoFormat::gif || format == VideoFormat::webp; }

std::string video_progress_line(int64_t units_done, int64_t units_total, int32_t frame_count, double rate) {
    char counts[64], line[160];
    if (units_total > frame_count) {
        // two passes: the frames rendered, then encoded again
        const int64_t rendered = units_done < frame_count ? units_done : frame_count;
        std::snprintf(counts, sizeof counts, "%lld / %d frames, %lld encoded", static_cast<long long>(rendered),
                      frame_count, static_cast<long long>(units_done - rendered));
    } else {
        std::snprintf(counts, sizeof counts, "%lld / %d frames", static_cast<long long>(units_done), frame_count);
    }
    const int percent = static_cast<int>(100 * units_done / units_total);
    if (rate > 0.0) {
        const int64_t left = static_cast<int64_t>(static_cast<double>(units_total - units_done) / rate + 0.5);
        std::snprintf(line, sizeof line, "%3d %%  %s  %.1f frames/s  %d:%02d left", percent, counts, rate,
                      static_cast<int>(left / 60), static_cast<int>(left % 60));
    } else {
        std::snprintf(line, sizeof line, "%3d %%  %s", percent, counts);
    }
    return line;
}

const char* joined_video_problem(const std::string& text, int32_t frame_count, int32_t fps, bool with_sound) {
    int32_t videos = 0, sounds = 0;
    int64_t packets = -1;
    double duration = -1.0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line == "codec_type=video") {
            ++videos;
        } else if (line == "codec_type=audio") {
            ++sounds;
        } else if (line.compare(0, 16, "nb_read_packets=") == 0 && videos == 1 && packets < 0) {
            // the first stream's count, the picture's (listed first)
            packets = std::strtoll(line.c_str() + 16, nullptr, 10);
        } else if (line.compare(0, 9, "duration=") == 0) {
            duration = std::strtod(line.c_str() + 9, nullptr);
        }
    }
    if (videos != 1 || sounds != (with_sound ? 1 : 0)) return "the joined video lacks a stream";
    if (packets != frame_count) return "the joined video lacks frames";
    const double asked = static_cast<double>(frame_count) / fps;
    if (!(duration > asked - 2.0 / fps && duration < asked + 2.0 / fps + 0.05)) return "the joined video is cut short";
    return nullptr;
}

const char* joined_webp_problem(int64_t frames, int64_t milliseconds, int32_t frame_count, int32_t fps) {
    if (frames != frame_count) return "the joined video lacks frames";
    // each frame's duration is whole milliseconds
    const double asked = 1000.0 * frame_count / fps;
    if (!(milliseconds > asked - 2000.0 / fps && milliseconds < asked + 2000.0 / fps))
        return "the joined video is cut short";
    return nullptr;
}

}  // namespace host
