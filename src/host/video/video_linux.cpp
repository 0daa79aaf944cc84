// The video's processes: one job per piece (a fork that renders off-screen
// and writes raw frames into a pipe) and one ffmpeg per piece reading that
// pipe, all children of this process so that it can stop and reap every
// one; then one ffmpeg joining the pieces, fed the sound through a pipe.
// Everything is written in a folder beside the file and moved in once
// complete.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
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
#include "host/run/capture_file.h"
#include "host/run/run.h"
#include "host/video/video.h"
#include "music/mixdown.h"
#include "scene/scene.h"
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

// A job's exit codes besides 0.
enum { job_no_context = 3, job_write_failed = 4 };

// A child process and what to say when it fails.
struct Child {
    pid_t pid;
    bool job;         // a job (else an ffmpeg)
    std::string log;  // an ffmpeg's standard error
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
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
}

// Starts ffmpeg with args, its standard input from input (-1: none), its
// standard error into log_path.
pid_t spawn_ffmpeg(const std::vector<std::string>& args, int input, const std::string& log_path) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int log = open(log_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (log < 0) return -1;
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        become_child(parent);
        signal(SIGPIPE, SIG_DFL);
        const int nothing = open("/dev/null", O_RDWR);
        dup2(input >= 0 ? input : nothing, 0);
        dup2(nothing, 1);
        dup2(log, 2);
        execvp("ffmpeg", argv.data());
        _exit(127);
    }
    close(log);
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

// The last line an ffmpeg wrote to its log, for the one line we print.
std::string last_log_line(const std::string& log_path) {
    std::string last;
    FILE* log = std::fopen(log_path.c_str(), "r");
    if (!log) return last;
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
    int progress = -1;  // the jobs' progress pipe's read end
    int32_t frames_done = 0, frame_count = 0;
    bool terminal = false;
    std::chrono::steady_clock::time_point start, last_shown;
};

void show_progress(Making* making, bool now) {
    if (!making->terminal) return;
    const auto clock = std::chrono::steady_clock::now();
    if (!now && clock - making->last_shown < std::chrono::milliseconds(250)) return;
    making->last_shown = clock;
    const double elapsed = std::chrono::duration<double>(clock - making->start).count();
    std::fprintf(stderr, "\r%-60s", video_progress_line(making->frames_done, making->frame_count, elapsed).c_str());
    std::fflush(stderr);
}

// Waits until every child has ended, feeding feed (size bytes) into
// feed_fd (non-blocking) meanwhile when given. False as soon as a child
// fails or a stop signal arrives.
bool wait_children(Making* making, int feed_fd, const uint8_t* feed, size_t size) {
    size_t fed = 0;
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
            running = running || child.running;
        }
        if (!running) return true;
        pollfd waits[3] = {{wake_pipe[0], POLLIN, 0}, {making->progress, POLLIN, 0}, {-1, POLLOUT, 0}};
        if (feed_fd >= 0 && fed < size) waits[2].fd = feed_fd;
        poll(waits, 3, 100);
        if (waits[1].revents & (POLLIN | POLLHUP)) {
            uint8_t bytes[4096];
            const ssize_t count = read(making->progress, bytes, sizeof bytes);
            if (count > 0) making->frames_done += static_cast<int32_t>(count);
            show_progress(making, false);
        }
        if (waits[2].revents & (POLLOUT | POLLERR | POLLHUP)) {
            const ssize_t written = write(feed_fd, feed + fed, size - fed);
            if (written > 0) fed += static_cast<size_t>(written);
            if (written < 0 && errno != EAGAIN && errno != EINTR) fed = size;  // the reader is gone
            if (fed == size) {
                close(feed_fd);
                feed_fd = -1;
            }
        }
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
std::string failure_reason(const Making& making, const std::string& work) {
    struct statvfs disk;
    const bool full = statvfs(work.c_str(), &disk) == 0 && disk.f_bavail * disk.f_frsize < (1u << 20);
    bool encoder_failed = false;
    for (const Child& child : making.children) {
        if (child.job || !WIFEXITED(child.status) || WEXITSTATUS(child.status) == 0) continue;
        if (WEXITSTATUS(child.status) == 127) return "ffmpeg could not be started";
        const std::string line = last_log_line(child.log);
        if (!line.empty()) return "ffmpeg: " + line;
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

// Removes the work folder and what we wrote into it.
void remove_work(const std::string& work) {
    if (DIR* folder = opendir(work.c_str())) {
        while (const dirent* entry = readdir(folder)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                unlink((work + "/" + entry->d_name).c_str());
        }
        closedir(folder);
    }
    rmdir(work.c_str());
}

// Puts the finished video (made, in the work folder) at name in folder, as
// the capture writer puts a capture: on disk first, then moved over the
// name at once, with the old file's permission bits (never set-id) and,
// where we may give them, its owner. old: what stood there, null for
// nothing. Sets errno when it fails.
bool put_in_place(const std::string& made, int folder, const char* name, const struct stat* old) {
    const int fd = open(made.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    if (ok && old) {
        if (fchown(fd, old->st_uid, old->st_gid) != 0) {
        }
        ok = fchmod(fd, old->st_mode & 0777) == 0;
    }
    const int error = errno;
    close(fd);
    errno = error;
    return ok && renameat(AT_FDCWD, made.c_str(), folder, name) == 0;
}

// The jobs and their encoders, the join: true when the join has written
// the whole video to temporary.
bool render_and_join(const VideoRequest& request, const std::string& work, const std::string& temporary,
                     Making* making) {
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
        list += "file '" + piece + "'\n";
        int frames[2];
        if (pipe2(frames, O_CLOEXEC) != 0) return false;
        fcntl(frames[1], F_SETPIPE_SZ, 1 << 20);
        const std::string log = work + "/piece" + std::to_string(i) + ".log";
        const pid_t encoder = spawn_ffmpeg(piece_encoder_args(request, share, work + "/" + piece), frames[0], log);
        if (encoder > 0) making->children.push_back({encoder, false, log});
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
        making->children.push_back({job, true, std::string()});
    }
    close(progress[1]);

    // the sound, made while the jobs render
    std::vector<int16_t> sound;
    if (request.music && video_has_sound(request.format)) {
        uint8_t* loop = video_carol_loop(request.snow);
        if (!loop) return false;
        const uint32_t loop_count = music::wave_sample_count(loop);
        std::vector<int16_t> samples(loop_count);
        for (uint32_t i = 0; i < loop_count; ++i) {
            const uint8_t* at = loop + music::wave_header_size + 2 * static_cast<size_t>(i);
            samples[i] = static_cast<int16_t>(at[0] | at[1] << 8);
        }
        std::free(loop);
        sound.resize(video_sound_count(making->frame_count, request.fps));
        cut_carol_loop(samples.data(), loop_count, request.from, sound.data(), static_cast<uint32_t>(sound.size()));
    }
    if (!wait_children(making, -1, nullptr, 0)) return false;
    show_progress(making, true);

    const std::string list_path = work + "/pieces.txt";
    FILE* list_file = std::fopen(list_path.c_str(), "w");
    if (!list_file) return false;
    const bool listed = std::fputs(list.c_str(), list_file) >= 0;
    if (std::fclose(list_file) != 0 || !listed) return false;
    int feed[2] = {-1, -1};
    if (!sound.empty() && pipe2(feed, O_CLOEXEC) != 0) return false;
    const pid_t joiner =
        spawn_ffmpeg(join_args(request, list_path, !sound.empty(), temporary), feed[0], work + "/join.log");
    if (feed[0] >= 0) close(feed[0]);
    if (joiner < 0) {
        if (feed[1] >= 0) close(feed[1]);
        return false;
    }
    making->children.push_back({joiner, false, work + "/join.log"});
    if (feed[1] >= 0) fcntl(feed[1], F_SETFL, O_NONBLOCK);
    return wait_children(making, feed[1], reinterpret_cast<const uint8_t*>(sound.data()),
                         sound.size() * sizeof(int16_t));
}

}  // namespace

int make_video(const VideoRequest& request) {
    if (!ffmpeg_on_path()) {
        std::fprintf(stderr,
                     "frostvale: --video needs the ffmpeg program (Debian package ffmpeg), not found on PATH\n");
        return 1;
    }
    // the name itself, never followed: nothing, or a regular file of its
    // own, which the complete video replaces; anything else stays as it is
    const char* slash = std::strrchr(request.path, '/');
    const char* name = slash ? slash + 1 : request.path;
    const std::string folder_path = path_folder(request.path);
    const int folder = open(folder_path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat old;
    const bool exists = folder >= 0 && fstatat(folder, name, &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (folder < 0 || (!exists && errno != ENOENT)) {
        std::fprintf(stderr, "frostvale: cannot write %s: %s\n", request.path, std::strerror(errno));
        if (folder >= 0) close(folder);
        return 1;
    }
    if (exists && !(S_ISREG(old.st_mode) && old.st_nlink == 1)) {
        std::fprintf(stderr, "frostvale: cannot write %s: not a file of its own (a link, a device, a folder?)\n",
                     request.path);
        close(folder);
        return 1;
    }
    // from here on a stop signal only asks: the loop below stops, cleans up
    stop_signal = 0;
    if (wake_pipe[0] < 0 && pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) wake_pipe[0] = wake_pipe[1] = -1;
    struct sigaction action = {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    // the pieces, the logs and the video in a hidden folder beside it
    std::string work = (folder_path == "/" ? "" : folder_path) + "/.frostvale-XXXXXX";
    if (!mkdtemp(&work[0])) {
        std::fprintf(stderr, "frostvale: cannot write %s: %s\n", request.path, std::strerror(errno));
        close(folder);
        return 1;
    }
    const std::string temporary = work + "/video" + std::strrchr(name, '.');

    Making making;
    making.frame_count = video_frame_count(request.seconds, request.fps);
    making.terminal = isatty(STDERR_FILENO) == 1;
    making.start = making.last_shown = std::chrono::steady_clock::now();
    const bool made = render_and_join(request, work, temporary, &making) && !stop_signal;
    stop_children(&making);
    const std::string reason = made || stop_signal ? std::string() : failure_reason(making, work);
    if (making.progress >= 0) close(making.progress);
    const bool placed = made && put_in_place(temporary, folder, name, exists ? &old : nullptr);
    const int error = errno;
    close(folder);
    remove_work(work);
    if (making.terminal) std::fputc('\n', stderr);
    if (stop_signal) return 128 + stop_signal;
    if (!placed) {
        std::fprintf(stderr, "frostvale: cannot write %s: %s\n", request.path,
                     made ? std::strerror(error) : reason.c_str());
        return 1;
    }
    return 0;
}

}  // namespace host
