// The scene as a video with its carols: captures in a row, one capture
// step (or, at 60 frames a second, one 1/60 s scene step) apart, encoded
// by the ffmpeg program with the carol loop as the saver plays it. The
// span is cut into pieces, one per job; each job is a process of its own
// that fast-forwards to its piece, renders it off-screen (the null host)
// and pipes the raw frames to its own ffmpeg; the pieces are joined
// without re-encoding.
// video_plan.cpp holds what needs no platform (the formats, the pieces,
// the frame times, the sound's cut, ffmpeg's arguments, the progress
// line); video_frame_gl.cpp renders and reads back one frame;
// video_posix.cpp runs the processes and pipes and owns the files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace host {

enum class VideoFormat {
    mp4,   // H.264 yuv420p and AAC: televisions and phones
    webm,  // VP9 and Opus
    mkv,   // lossless: FFV1 in RGB and FLAC, for checking
    gif,   // looping, a palette made from the video, no sound
    webp,  // looping, no sound
    unknown,
};

// The format a file name asks for, by its extension (case ignored).
VideoFormat video_format(const char* path);

// Whether the format carries sound.
bool video_has_sound(VideoFormat format);

// The extension of the pieces' files (their container's).
const char* video_piece_extension(VideoFormat format);

// The largest frame, and the default.
constexpr int32_t video_max_width = 7680, video_max_height = 4320;

// What a --video command line asks for.
struct VideoRequest {
    float from;            // the capture time of the first frame, seconds
    float seconds;         // the length, seconds
    const char* path;      // the file to write
    VideoFormat format;    // from the path's extension
    int32_t width = 1920;  // --size WIDTHxHEIGHT
    int32_t height = 1080;
    int32_t fps = 30;     // --fps: 30 or 60
    bool snow = true;     // --no-snow
    bool music = true;    // --no-music: no sound stream
    int32_t quality = 3;  // --quality: 1 (smallest file) to 5 (best picture)
    int32_t jobs = 0;     // --jobs: processes rendering at once; 0: one per core
};

// "WIDTHxHEIGHT", each from 2 to the largest frame's; false for anything
// else.
bool parse_video_size(const char* text, int32_t* width, int32_t* height);

// Why a request cannot be made, as a line's end for the command line
// ("frostvale: " before it); null when it can.
const char* video_request_problem(const VideoRequest& request);

// The number of frames: the length times the rate, rounded, at least 1.
int32_t video_frame_count(float seconds, int32_t fps);

// One job's share of the frames: first .. first + count - 1.
struct VideoPiece {
    int32_t first, count;
};

// The frames cut into jobs pieces as even as can be, in order, none empty
// (fewer pieces when there are fewer frames than jobs). Returns the count.
int32_t plan_video_pieces(int32_t frame_count, int32_t jobs, VideoPiece* pieces);

// The scene step between frames: the capture step at 30 frames a second,
// the scene's own 1/60 s at 60.
float video_frame_step(int32_t fps);

// With the capture's start-up done: brings the scene to frame first of a
// video from from (the capture of from, then first frame steps), through
// the capture's fast advance.
void advance_to_video_frame(float from, int32_t fps, int32_t first);

// The carol loop as a full-screen run from the capture seed makes it (the
// textures' and the layout's draws first, snow as given): a new WAVE
// image (free with std::free), null when memory runs out.
uint8_t* video_carol_loop(bool snow);

// The sound of a video: the loop's samples from where the loop stands
// from seconds after it began, wrapping at its end, for count samples,
// faded out over the last second (or the whole length, when shorter).
void cut_carol_loop(const int16_t* loop, uint32_t loop_count, float from, int16_t* sound, uint32_t count);

// The sound's sample count: the video's length at the loop's rate.
uint32_t video_sound_count(int32_t frame_count, int32_t fps);

// ffmpeg's arguments (argv[0] included) for a job: raw frames (bottom row
// first, blue-green-red) on its standard input, one piece into piece_path.
std::vector<std::string> piece_encoder_args(const VideoRequest& request, int32_t threads,
                                            const std::string& piece_path);

// ffmpeg's arguments for the join: the pieces listed in list_path (the
// concat demuxer's list), the sound as raw samples on standard input when
// with_sound, into out_path.
std::vector<std::string> join_args(const VideoRequest& request, const std::string& list_path, bool with_sound,
                                   const std::string& out_path);

// The progress line: percent, frames, the rate and the time left.
std::string video_progress_line(int32_t done, int32_t total, double elapsed_seconds);

// With a width x height off-screen context current and the scene at the
// frame: renders it and reads it into pixels (3 x width x height bytes,
// bottom row first, blue-green-red, rows packed), as the capture does.
void render_video_frame(int32_t width, int32_t height, uint8_t* pixels);

// Makes the video: checks for ffmpeg, runs the jobs and the join, and puts
// the file in place once it is complete. Lines on standard error, the
// progress on a terminal. Returns the exit code: 0 done, 1 failed
// (nothing left behind), 130 or 143 stopped by SIGINT or SIGTERM.
int make_video(const VideoRequest& request);

}  // namespace host
