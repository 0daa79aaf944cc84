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
// video_linux.cpp runs the processes and pipes and owns the files.
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
// ("frostvale: " before it); null when it can. operand: the one at fault,
// 1 SECONDS, 2 FILE.
const char* video_request_problem(const VideoRequest& request, int* operand);

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

// The sound of a video, total samples long: the loop's samples from where
// the loop stands from seconds after it began, wrapping at its end, faded
// out over the last second (or the whole length, when shorter). Writes
// samples first .. first + count - 1 of it into sound, so that the sound
// can be made a piece at a time.
void cut_carol_loop(const int16_t* loop, uint32_t loop_count, float from, uint64_t total, uint64_t first,
                    int16_t* sound, uint32_t count);

// The sound's sample count: the video's length at the loop's rate (above
// 2^32 for the longest spans).
uint64_t video_sound_count(int32_t frame_count, int32_t fps);

// ffmpeg's arguments (argv[0] included) for a job: raw frames (bottom row
// first, blue-green-red) on its standard input, one piece into piece_path.
// Every path is a name relative to the work folder that ffmpeg runs in,
// given to it with "file:" so that no colon reads as a protocol.
std::vector<std::string> piece_encoder_args(const VideoRequest& request, int32_t threads,
                                            const std::string& piece_path);

// ffmpeg's arguments for the join: the pieces listed in list_path (the
// concat demuxer's list), the sound as raw samples on standard input when
// with_sound, into out_path; its progress ("frame=N" lines) on descriptor
// 3 when reencoding (video_join_reencodes).
std::vector<std::string> join_args(const VideoRequest& request, const std::string& list_path, bool with_sound,
                                   const std::string& out_path);

// Whether the join encodes every frame again (.gif and .webp: their
// pieces are lossless), a second pass over the frames that the progress
// counts.
bool video_join_reencodes(VideoFormat format);

// The progress line. units_done of units_total: the frame_count frames
// rendered, then, where the join encodes every frame again (units_total
// twice frame_count), the frames it encoded; rate: units a second of the
// stage running now, 0 while there is nothing to estimate from (then no
// rate and no time left are shown).
std::string video_progress_line(int64_t units_done, int64_t units_total, int32_t frame_count, double rate);

// What ffprobe's "-show_entries stream=codec_type,nb_read_packets:
// format=duration -of default=noprint_wrappers=1" says of a joined video
// (text), against what was asked: the frames, a sound stream where
// with_sound, the length within two frames. Null when it holds; else why
// not, as a line's end.
const char* joined_video_problem(const std::string& text, int32_t frame_count, int32_t fps, bool with_sound);

// The same of an animated WebP, read by its chunks: frames (ANMF chunks)
// and the sum of their durations in milliseconds.
const char* joined_webp_problem(int64_t frames, int64_t milliseconds, int32_t frame_count, int32_t fps);

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
