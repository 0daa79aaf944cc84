// The video's processes: one job per piece (a fork that renders off-screen
// and writes raw frames into a pipe) and one ffmpeg per piece reading that
// pipe, all children of this process so that it can stop and reap every
// one; then one ffmpeg joining the pieces, fed the sound through a pipe.
// Everything is written in a folder beside the file and moved in once
// complete and checked. The folder is locked (flock) for as long as its
// run lives, so that a later run can tell a dead run's folder and remove
// it.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/null/null_host.h"
#include "host/run/capture.h"
#include "host/run/message_text.h"
#include "host/run/output_file.h"
#include "host/run/run.h"
#include "host/video/video.h"
#include "music/mixdown.h"
#include "scene/scene.h"
#include "shared/little_endian.h"
#include "shared/run_mode.h"

namespace host {

namespace {

// Owned here: the stop signal that arrived (0 for none), written by the
// handler and read by the waits; the pipe whose write end the handler
// writes to wake a wait's poll.
volatile sig_atomic_t stop_signal = 0;
int wake_pipe[2] = {-1, -1};

void on_stop_signal(int signal_number) {
    const int saved_errno = errno;
    if (!stop_signal) stop_signal = signal_number;
    const char byte = 1;
    ssize_t ignored = write(wake_pipe[1], &byte, 1);
    (void)ignored;
    errno = saved_errno;
}

// What ends a video from outside: a terminal's Ctrl+C (SIGINT), a shell
// or a service manager (SIGTERM), a closed terminal or a lost connection
// (SIGHUP).
constexpr int stop_signals[] = {SIGINT, SIGTERM, SIGHUP};

// The work folder's name begins so, and a run marks its folder with the
// lock file once it holds the folder's lock.
constexpr char work_prefix[] = ".frostvale-";
constexpr char lock_name[] = "lock";

// A job's exit codes besides 0.
enum { job_no_context = 3, job_write_failed = 4 };

// A child process and what to say when it fails.
struct Child {
    pid_t pid;
    bool job;   // a job (else an ffmpeg or ffprobe)
    int log;    // an ffmpeg's standard error, kept in memory (a full disk takes no log); -1: none
    int stage;  // 0 the pieces, 1 the join and the sound, 2 the check
    bool running = true;
    int status = 0;
};

int32_t usable_cores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    const int count = CPU_COUNT(&set);
    return count > 0 ? count : 1;
}

bool ffmpeg_on_path() {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    const std::string folders = path;
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string program = folder + "/ffmpeg";
        struct stat status;
        if (stat(program.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(program.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// In a new child: its own process group, so that a terminal's Ctrl+C
// reaches only this process, which stops the children itself; killed when
// this process dies, so that nothing renders on for nobody.
void become_child(pid_t parent) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    for (const int number : stop_signals) signal(number, SIG_DFL);
}

// A file in memory for a tool's output: a full disk must not swallow
// what ffmpeg says about it.
int memory_file(const char* name) { return memfd_create(name, MFD_CLOEXEC); }

// Starts program (ffmpeg or ffprobe) with args in the work folder (work:
// its descriptor), its standard input from input (-1: none), its standard
// output into out (-1: nowhere), its standard error into log, descriptor 3
// from progress (-1: none).
pid_t spawn_tool(const char* program, const std::vector<std::string>& args, int work, int input, int out, int log,
                 int progress) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    if (log < 0) return -1;
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        become_child(parent);
        signal(SIGPIPE, SIG_DFL);
        if (fchdir(work) != 0) _exit(127);
        const int nothing = open("/dev/null", O_RDWR);
        dup2(input >= 0 ? input : nothing, 0);
        dup2(out >= 0 ? out : nothing, 1);
        dup2(log, 2);
        dup2(progress >= 0 ? progress : nothing, 3);
        execvp(program, argv.data());
        _exit(127);
    }
    return pid;
}

// A job: the capture's start-up off-screen, the fast advance to the
// piece's first frame, then each frame rendered and written to frames, a
// byte on progress after each.
[[noreturn]] void run_job(const VideoRequest& request, VideoPiece piece, int frames, int progress,
                          int32_t render_threads) {
    // llvmpipe's threads: the job's share of the cores, unless asked
    // otherwise
    if (!std::getenv("LP_NUM_THREADS"))
        setenv("LP_NUM_THREADS", std::to_string(render_threads > 1 ? render_threads : 0).c_str(), 1);
    if (!open_null_host(request.width, request.height)) _exit(job_no_context);
    start_run(RunConfig{shared::mode_capture, request.snow, false, false, run_seed(shared::mode_capture, 0)});
    advance_to_video_frame(request.from, request.fps, piece.first);
    std::vector<uint8_t> pixels(3 * static_cast<size_t>(request.width) * static_cast<size_t>(request.height));
    const float step = video_frame_step(request.fps);
    for (int32_t i = 0; i < piece.count; ++i) {
        if (i > 0) scene::step_scene(step);
        render_video_frame(request.width, request.height, pixels.data());
        if (!write_fully(frames, pixels.data(), pixels.size())) _exit(job_write_failed);
        const uint8_t one = 1;
        write_fully(progress, &one, 1);
    }
    // no clean-up of the context: llvmpipe's threads go with the process
    _exit(close(frames) == 0 ? 0 : job_write_failed);
}

// The sound job: the carol loop as a full-screen run's start-up makes it
// (from the capture seed, snow as asked), then the video's sound cut from
// it a piece at a time into sound, raw samples as the join reads them:
// memory stays the loop's, however long the video.
[[noreturn]] void run_sound_job(const VideoRequest& request, uint64_t total, int sound) {
    if (!open_null_host(1, 1)) _exit(job_no_context);
    start_run(RunConfig{shared::mode_full_screen, request.snow, false, false, run_seed(shared::mode_capture, 0)});
    const uint8_t* image = music::make_wave_image();
    if (!image) _exit(job_write_failed);
    const uint32_t loop_count = music::wave_sample_count(image);
    std::vector<int16_t> loop(loop_count);
    for (uint32_t i = 0; i < loop_count; ++i)
        loop[i] = static_cast<int16_t>(shared::get_u16(image + music::wave_header_size + 2 * static_cast<size_t>(i)));
    music::free_wave_image();
    int16_t piece[16384];
    uint8_t bytes[2 * sizeof piece / sizeof piece[0]];
    for (uint64_t first = 0; first < total; first += sizeof piece / sizeof piece[0]) {
        const uint64_t rest = total - first;
        const uint32_t count =
            rest < sizeof piece / sizeof piece[0] ? static_cast<uint32_t>(rest) : sizeof piece / sizeof piece[0];
        cut_carol_loop(loop.data(), loop_count, request.from, total, first, piece, count);
        for (uint32_t i = 0; i < count; ++i) shared::put_u16(bytes + 2 * i, static_cast<uint16_t>(piece[i]));
        if (!write_fully(sound, bytes, 2 * static_cast<size_t>(count))) _exit(job_write_failed);
    }
    _exit(close(sound) == 0 ? 0 : job_write_failed);
}

// The last line an ffmpeg wrote to its log, for the one line we print.
std::string last_log_line(int log_fd) {
    std::string last;
    const int fd = log_fd >= 0 ? open(("/proc/self/fd/" + std::to_string(log_fd)).c_str(), O_RDONLY | O_CLOEXEC) : -1;
    FILE* log = fd >= 0 ? fdopen(fd, "r") : nullptr;
    if (!log) {
        if (fd >= 0) close(fd);
        return last;
    }
    char line[512];
    while (std::fgets(line, sizeof line, log)) {
        size_t length = std::strlen(line);
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) line[--length] = 0;
        if (length > 0) last = line;
    }
    std::fclose(log);
    return last;
}

// The video being made: what to wait for and what to show.
struct Making {
    std::vector<Child> children;
    int work = -1;      // the work folder, open and locked
    int progress = -1;  // the jobs' progress pipe's read end, then the join's
    bool joining = false;
    int32_t frame_count = 0;
    int64_t units_done = 0, units_total = 0;  // frames rendered, then encoded again
    std::string join_text;                    // the join's progress lines not yet read whole
    int failed_log = -1;                      // an ffmpeg that logged an error though it exited with 0
    bool terminal = false;
    // the running stage's first unit and when it came: the rate is measured
    // from there, not from the start-up
    int64_t stage_units = -1;
    std::chrono::steady_clock::time_point stage_start, last_shown;
};

void show_progress(Making* making, bool now) {
    if (!making->terminal) return;
    const auto clock = std::chrono::steady_clock::now();
    if (!now && clock - making->last_shown < std::chrono::milliseconds(250)) return;
    making->last_shown = clock;
    double rate = 0.0;
    const double stage_seconds = std::chrono::duration<double>(clock - making->stage_start).count();
    if (making->stage_units >= 0 && making->units_done > making->stage_units + 1 && stage_seconds >= 1.0)
        rate = static_cast<double>(making->units_done - making->stage_units) / stage_seconds;
    std::fprintf(stderr, "\r%-72s",
                 video_progress_line(making->units_done, making->units_total, making->frame_count, rate).c_str());
    std::fflush(stderr);
}

// Counts units done: a new stage's first unit starts its rate's clock.
void count_units(Making* making, int64_t done) {
    if (done <= making->units_done) return;
    if (making->stage_units < 0) {
        making->stage_units = making->units_done;
        making->stage_start = std::chrono::steady_clock::now();
    }
    making->units_done = done;
}

// Reads what the progress pipe holds: a byte a frame from the jobs, or
// the join's "frame=N" lines.
void read_progress(Making* making) {
    char bytes[4096];
    const ssize_t count = read(making->progress, bytes, sizeof bytes);
    if (count <= 0) return;
    if (!making->joining) {
        count_units(making, making->units_done + count);
        return;
    }
    making->join_text.append(bytes, static_cast<size_t>(count));
    size_t end;
    while ((end = making->join_text.find('\n')) != std::string::npos) {
        const std::string line = making->join_text.substr(0, end);
        making->join_text.erase(0, end + 1);
        if (line.compare(0, 6, "frame=") == 0)
            count_units(making, making->frame_count + std::strtoll(line.c_str() + 6, nullptr, 10));
    }
}

// Waits until every child of the stage has ended, showing the progress. False as soon
// as a child fails or a stop signal arrives: a signal is seen within a
// tenth of a second.
bool wait_children(Making* making, int stage) {
    for (;;) {
        if (stop_signal) return false;
        bool running = false;
        for (Child& child : making->children) {
            if (!child.running) continue;
            const pid_t ended = waitpid(child.pid, &child.status, WNOHANG);
            if (ended == child.pid) {
                child.running = false;
                if (!WIFEXITED(child.status) || WEXITSTATUS(child.status) != 0) return false;
            }
            running = running || (child.running && child.stage == stage);
        }
        if (!running) return true;
        pollfd waits[2] = {{wake_pipe[0], POLLIN, 0}, {making->progress, POLLIN, 0}};
        poll(waits, 2, 100);
        if (waits[1].revents & (POLLIN | POLLHUP)) read_progress(making);
        show_progress(making, false);
    }
}

// Stops every child still running and reaps it.
void stop_children(Making* making) {
    for (Child& child : making->children) {
        if (child.running) kill(child.pid, SIGKILL);
    }
    for (Child& child : making->children) {
        while (child.running) {
            if (waitpid(child.pid, &child.status, 0) == child.pid || errno != EINTR) child.running = false;
        }
    }
}

// Why the video failed: the first ffmpeg that said why, a full disk (where
// ffmpeg's log did not fit either), else the jobs'.
std::string failure_reason(const Making& making) {
    struct statvfs disk;
    const bool full = fstatvfs(making.work, &disk) == 0 && disk.f_bavail * disk.f_frsize < (1u << 20);
    bool encoder_failed = false;
    for (const Child& child : making.children) {
        if (child.job || !WIFEXITED(child.status) || WEXITSTATUS(child.status) == 0) continue;
        if (WEXITSTATUS(child.status) == 127) return "ffmpeg could not be started";
        const std::string line = last_log_line(child.log);
        if (!line.empty()) return "ffmpeg: " + shown_text(line.c_str(), 160);
        encoder_failed = true;
    }
    if (full) return std::strerror(ENOSPC);
    if (encoder_failed) return "ffmpeg failed";
    for (const Child& child : making.children) {
        if (child.job && WIFEXITED(child.status) && WEXITSTATUS(child.status) == job_no_context)
            return "no off-screen OpenGL context (EGL)";
    }
    return "a job ended unexpectedly";
}

// Empties the work folder work (open) and removes it, name in folder.
void remove_work(int folder, const char* name, int work) {
    const int listed = dup(work);
    if (DIR* entries = listed >= 0 ? fdopendir(listed) : nullptr) {
        while (const dirent* entry = readdir(entries)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                unlinkat(work, entry->d_name, 0);
        }
        closedir(entries);
    } else if (listed >= 0) {
        close(listed);
    }
    unlinkat(folder, name, AT_REMOVEDIR);
}

// Removes the work folders of runs that are gone: a folder of ours whose
// lock file is there (its run took the lock) and whose lock is free (its
// run, and every job of it, has ended: the kernel lets go of a lock with
// its last holder, whatever killed it). A live run's folder is locked; a
// folder without its lock file yet may be a run starting, and stays.
void remove_dead_runs_work(int folder) {
    const int listed = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* entries = listed >= 0 ? fdopendir(listed) : nullptr;
    if (!entries) {
        if (listed >= 0) close(listed);
        return;
    }
    while (const dirent* entry = readdir(entries)) {
        if (std::strncmp(entry->d_name, work_prefix, sizeof work_prefix - 1) != 0) continue;
        const int work = openat(folder, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (work < 0) continue;  // a capture's temporary file, or not ours to read
        struct stat status, lock;
        if (fstat(work, &status) == 0 && status.st_uid == geteuid() &&
            fstatat(work, lock_name, &lock, AT_SYMLINK_NOFOLLOW) == 0 && flock(work, LOCK_EX | LOCK_NB) == 0)
            remove_work(folder, entry->d_name, work);
        close(work);
    }
    closedir(entries);
}

// Makes the work folder beside the file, in folder (folder_path), locks it
// for this run's life and marks it so. Returns it open, its name in name;
// -1 when it cannot be made (errno says why).
int make_work(const std::string& folder_path, int folder, std::string* name) {
    std::string path = (folder_path == "/" ? "" : folder_path) + "/" + work_prefix + "XXXXXX";
    if (!mkdtemp(&path[0])) return -1;
    *name = path.substr(path.rfind('/') + 1);
    const int work = openat(folder, name->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    // held by this process and its jobs (forks share it) until the last ends
    const int marked = work >= 0 && flock(work, LOCK_EX) == 0
                           ? openat(work, lock_name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)
                           : -1;
    if (marked < 0) {
        const int error = errno;
        if (work >= 0) close(work);
        unlinkat(folder, name->c_str(), AT_REMOVEDIR);
        errno = error;
        return -1;
    }
    close(marked);
    return work;
}

// Whether the whole log (an ffmpeg's standard error at level "error") is
// empty: ffmpeg logs a failed write or trailer and may still exit with 0.
bool log_is_empty(int log) {
    struct stat status;
    return fstat(log, &status) == 0 && status.st_size == 0;
}

// Reads an animated WebP's chunks (at made in work): its frames and the
// sum of their durations. False when the file is not whole.
bool read_webp_frames(int work, const char* made, int64_t* frames, int64_t* milliseconds) {
    const int fd = openat(work, made, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat status;
    uint8_t head[12];
    bool whole = fstat(fd, &status) == 0 && pread(fd, head, 12, 0) == 12 && std::memcmp(head, "RIFF", 4) == 0 &&
                 std::memcmp(head + 8, "WEBP", 4) == 0 && shared::get_u32(head + 4) + 8u == status.st_size;
    *frames = *milliseconds = 0;
    for (off_t at = 12; whole && at < status.st_size;) {
        uint8_t chunk[24];
        whole = pread(fd, chunk, 8, at) == 8;
        const off_t size = shared::get_u32(chunk + 4);
        if (whole && std::memcmp(chunk, "ANMF", 4) == 0) {
            whole = pread(fd, chunk + 8, 16, at + 8) == 16;
            ++*frames;
            *milliseconds += chunk[8 + 12] | chunk[8 + 13] << 8 | chunk[8 + 14] << 16;
        }
        at += 8 + size + (size & 1);
        whole = whole && at <= status.st_size;
    }
    close(fd);
    return whole;
}

// Checks the joined video made (in the work folder) against the request:
// its streams, frames and length. Null when it holds, else why not.
std::string joined_problem(const VideoRequest& request, Making* making, const char* made, bool with_sound) {
    if (request.format == VideoFormat::webp) {
        int64_t frames = 0, milliseconds = 0;
        if (!read_webp_frames(making->work, made, &frames, &milliseconds)) return "the joined video is not whole";
        const char* problem = joined_webp_problem(frames, milliseconds, making->frame_count, request.fps);
        return problem ? problem : std::string();
    }
    const std::vector<std::string> args = {"ffprobe",
                                           "-v",
                                           "error",
                                           "-count_packets",
                                           "-show_entries",
                                           "stream=codec_type,nb_read_packets:format=duration",
                                           "-of",
                                           "default=noprint_wrappers=1",
                                           std::string("file:") + made};
    const int out = memory_file("probe");
    const int log = memory_file("probe.log");
    const pid_t probe = out >= 0 ? spawn_tool("ffprobe", args, making->work, -1, out, log, -1) : -1;
    if (probe < 0) {
        if (out >= 0) close(out);
        if (log >= 0) close(log);
        return "ffprobe could not be started";
    }
    making->children.push_back({probe, false, log, 2});
    if (!wait_children(making, 2)) {
        close(out);
        return stop_signal ? std::string() : failure_reason(*making);
    }
    std::string text;
    char bytes[4096];
    ssize_t count;
    off_t at = 0;
    while ((count = pread(out, bytes, sizeof bytes, at)) > 0) {
        text.append(bytes, static_cast<size_t>(count));
        at += count;
    }
    close(out);
    const char* problem = joined_video_problem(text, making->frame_count, request.fps, with_sound);
    return problem ? problem : std::string();
}

// The jobs and their encoders, the sound, the join: true when the join
// has written the whole video as made in the work folder.
bool render_and_join(const VideoRequest& request, const char* made, Making* making) {
    const int32_t cores = usable_cores();
    const int32_t jobs = request.jobs > 0 ? request.jobs : cores;
    std::vector<VideoPiece> pieces(static_cast<size_t>(jobs));
    const int32_t piece_count = plan_video_pieces(making->frame_count, jobs, pieces.data());
    // each job's share of the cores, for llvmpipe and for its encoder
    const int32_t share = cores / piece_count > 1 ? cores / piece_count : 1;

    int progress[2];
    if (pipe2(progress, O_CLOEXEC) != 0) return false;
    making->progress = progress[0];
    std::string list;
    const pid_t parent = getpid();
    for (int32_t i = 0; i < piece_count; ++i) {
        const std::string piece = "piece" + std::to_string(i) + video_piece_extension(request.format);
        list += "file 'file:" + piece + "'\n";
        int frames[2];
        if (pipe2(frames, O_CLOEXEC) != 0) return false;
        fcntl(frames[1], F_SETPIPE_SZ, 1 << 20);
        const int log = memory_file("piece.log");
        const pid_t encoder =
            spawn_tool("ffmpeg", piece_encoder_args(request, share, piece), making->work, frames[0], -1, log, -1);
        if (encoder > 0) {
            making->children.push_back({encoder, false, log, 0});
        } else if (log >= 0) {
            close(log);
        }
        const pid_t job = encoder > 0 ? fork() : -1;
        if (job == 0) {
            become_child(parent);
            signal(SIGPIPE, SIG_IGN);
            close(frames[0]);
            close(progress[0]);
            run_job(request, pieces[static_cast<size_t>(i)], frames[1], progress[1], share);
        }
        close(frames[0]);
        close(frames[1]);
        if (job < 0) {
            close(progress[1]);
            return false;
        }
        making->children.push_back({job, true, -1, 0});
    }
    close(progress[1]);

    // the sound's job starts now and waits on its pipe for the join
    const bool with_sound = request.music && video_has_sound(request.format);
    int sound[2] = {-1, -1};
    if (with_sound) {
        if (pipe2(sound, O_CLOEXEC) != 0) return false;
        fcntl(sound[1], F_SETPIPE_SZ, 1 << 20);
        const pid_t job = fork();
        if (job == 0) {
            become_child(parent);
            signal(SIGPIPE, SIG_IGN);
            close(sound[0]);
            close(making->progress);
            run_sound_job(request, video_sound_count(making->frame_count, request.fps), sound[1]);
        }
        close(sound[1]);
        if (job < 0) {
            close(sound[0]);
            return false;
        }
        making->children.push_back({job, true, -1, 1});
    }
    const bool rendered = wait_children(making, 0);
    show_progress(making, true);
    const int list_file =
        rendered ? openat(making->work, "pieces.txt", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600) : -1;
    const bool listed =
        list_file >= 0 && write_fully(list_file, reinterpret_cast<const uint8_t*>(list.data()), list.size());
    if (list_file >= 0 && close(list_file) != 0) return false;
    // the join's progress, where it encodes again, on a pipe of its own
    close(making->progress);
    making->progress = -1;
    int join_progress[2] = {-1, -1};
    const bool reencodes = video_join_reencodes(request.format);
    if (!listed || (reencodes && pipe2(join_progress, O_CLOEXEC) != 0)) {
        if (sound[0] >= 0) close(sound[0]);
        return false;
    }
    making->progress = join_progress[0];
    making->joining = true;
    making->stage_units = -1;
    const int log = memory_file("join.log");
    const pid_t joiner = spawn_tool("ffmpeg", join_args(request, "pieces.txt", with_sound, made), making->work,
                                    sound[0], -1, log, join_progress[1]);
    if (sound[0] >= 0) close(sound[0]);
    if (join_progress[1] >= 0) close(join_progress[1]);
    if (joiner < 0) {
        if (log >= 0) close(log);
        return false;
    }
    making->children.push_back({joiner, false, log, 1});
    if (!wait_children(making, 1)) return false;
    // ffmpeg logs a failed write (a full disk at the trailer) and may
    // still exit with 0: any error it logged fails the video
    for (const Child& child : making->children) {
        if (!child.job && !log_is_empty(child.log)) {
            making->failed_log = child.log;
            return false;
        }
    }
    return true;
}

}  // namespace

int make_video(const VideoRequest& request) {
    // from here on a stop signal only asks: the waits below stop, clean up
    stop_signal = 0;
    if (wake_pipe[0] < 0 && pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) wake_pipe[0] = wake_pipe[1] = -1;
    struct sigaction action = {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    for (const int number : stop_signals) sigaction(number, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    if (!ffmpeg_on_path()) {
        std::fprintf(stderr,
                     "frostvale: --video needs the ffmpeg program (Debian package ffmpeg), not found on PATH\n");
        return 1;
    }
    const std::string shown = shown_text(request.path);
    // what stands at the name, by the output files' one rule: a link to
    // nothing and a folder are refused before any work
    int target_error = 0;
    const OutputTarget target = output_target(request.path, &target_error);
    if (target == OutputTarget::link_to_nothing || target == OutputTarget::folder ||
        target == OutputTarget::unreadable) {
        const CaptureError refusal = {
            target == OutputTarget::link_to_nothing ? CaptureFault::link_to_nothing : CaptureFault::file, target_error};
        std::fprintf(stderr, "frostvale: %s\n", capture_error_message(request.path, refusal).c_str());
        return 1;
    }
    const char* slash = std::strrchr(request.path, '/');
    const char* name = slash ? slash + 1 : request.path;
    const std::string folder_path = path_folder(request.path);
    const int folder = open(folder_path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat old, folder_status;
    const bool exists = folder >= 0 && fstatat(folder, name, &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (folder < 0 || (!exists && errno != ENOENT)) {
        std::fprintf(stderr, "frostvale: cannot write %s: %s\n", shown.c_str(), std::strerror(errno));
        if (folder >= 0) close(folder);
        return 1;
    }
    // before any work: a folder we may not write in, or a sticky one whose
    // file is another's (the move would be refused at the end)
    const bool sticky_other = exists && target == OutputTarget::replaced && fstat(folder, &folder_status) == 0 &&
                              (folder_status.st_mode & S_ISVTX) && geteuid() != 0 && old.st_uid != geteuid() &&
                              folder_status.st_uid != geteuid();
    if (sticky_other || access(folder_path.c_str(), W_OK | X_OK) != 0) {
        std::fprintf(stderr, "frostvale: cannot write %s: %s\n", shown.c_str(),
                     std::strerror(sticky_other ? EPERM : errno));
        close(folder);
        return 1;
    }
    if (stop_signal) return 128 + stop_signal;
    // the pieces, the logs and the video in a hidden folder beside it,
    // after the folders of runs that died
    remove_dead_runs_work(folder);
    std::string work_name;
    Making making;
    making.work = make_work(folder_path, folder, &work_name);
    if (making.work < 0) {
        std::fprintf(stderr, "frostvale: cannot write %s: %s\n", shown.c_str(), std::strerror(errno));
        close(folder);
        return 1;
    }
    const std::string made = std::string("video") + std::strrchr(name, '.');

    making.frame_count = video_frame_count(request.seconds, request.fps);
    making.units_total = static_cast<int64_t>(making.frame_count) * (video_join_reencodes(request.format) ? 2 : 1);
    making.terminal = isatty(STDERR_FILENO) == 1;
    making.last_shown = std::chrono::steady_clock::now();
    show_progress(&making, true);
    const bool with_sound = request.music && video_has_sound(request.format);
    bool made_whole = render_and_join(request, made.c_str(), &making) && !stop_signal;
    std::string reason;
    if (made_whole) {
        reason = joined_problem(request, &making, made.c_str(), with_sound);
        made_whole = reason.empty() && !stop_signal;
    } else if (!stop_signal) {
        reason = making.failed_log < 0 ? failure_reason(making)
                                       : "ffmpeg: " + shown_text(last_log_line(making.failed_log).c_str(), 160);
    }
    stop_children(&making);
    for (const Child& child : making.children) {
        if (child.log >= 0) close(child.log);
    }
    if (making.progress >= 0) close(making.progress);
    const CaptureError placing =
        made_whole ? put_output_file(request.path, making.work, made.c_str()) : CaptureError{CaptureFault::file, 0};
    const bool placed = made_whole && placing.fault == CaptureFault::none;
    remove_work(folder, work_name.c_str(), making.work);
    close(making.work);
    close(folder);
    if (making.terminal) std::fputc('\n', stderr);
    // a stop during the move or the copy in place came too late to stop it
    if (placed) return 0;
    if (stop_signal) return 128 + stop_signal;
    if (made_whole) {
        std::fprintf(stderr, "frostvale: %s\n", capture_error_message(request.path, placing).c_str());
    } else {
        std::fprintf(stderr, "frostvale: cannot write %s: %s\n", shown.c_str(), reason.c_str());
    }
    return 1;
}

}  // namespace host
