// The ALSA player: the carol loop on Linux, played from memory by a thread
// of its own through libasound's default device.
#include "music/playback_alsa.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "music/mixdown.h"
#include "music/music.h"
#include "music/tune.h"

namespace music {

namespace {

// The device's buffer: a fifth of a second, short enough that stopping is
// prompt, long enough that a busy machine does not starve it.
constexpr unsigned device_latency_us = 200000;
// A device that never makes the thread wait (ALSA's null device, a file
// sink) is fed no further ahead of the clock than this many samples.
constexpr int64_t clock_lead = sample_rate / 2;

// How long stopping waits for the playback thread. A device can hold the
// thread far longer (an open that blocks, a sink that stops reading): the
// thread is then left behind, and the program ends without it.
constexpr auto stop_wait = std::chrono::milliseconds(200);

// One playback thread's state, shared by the thread and the caller: a
// thread that stopping gives up on keeps it until the thread ends (the
// deleter closes the pipe).
struct Player {
    std::atomic<bool> stopping{false};
    int wake[2] = {-1, -1};  // the caller writes wake[1]; the thread polls wake[0]
    std::mutex mutex;
    std::condition_variable ended_signal;
    bool ended = false;  // under mutex: the thread has closed the device
};

void delete_player(Player* player) {
    for (const int end : player->wake) {
        if (end >= 0) close(end);
    }
    delete player;
}

// Owned here: the playing thread's state, written by start_loop and
// stop_loop on the caller's thread; null when none plays.
std::shared_ptr<Player> playing;
// Whether the one line about a missing device was printed (any thread).
std::atomic<bool> told_no_device{false};

// ALSA's own messages would land in the caller's standard error (in
// XScreenSaver's log): the player says what matters in one line instead.
void quiet_alsa_error(const char*, int, const char*, int, const char*, ...) {}

int64_t now_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits until the wake pipe is written, timeout_ms passes or, when fds
// holds the device's descriptors after the pipe's (fd_count > 1), the
// device has room.
void wait_for(snd_pcm_t* pcm, pollfd* fds, int fd_count, int timeout_ms) {
    if (poll(fds, static_cast<nfds_t>(fd_count), timeout_ms) <= 0 || fd_count < 2) return;
    unsigned short revents = 0;
    // some plugins (PulseAudio's among them) must see their events to clear them
    snd_pcm_poll_descriptors_revents(pcm, fds + 1, static_cast<unsigned>(fd_count - 1), &revents);
}

snd_pcm_t* open_device() {
    snd_pcm_t* pcm = nullptr;
    // non-blocking: a device that another program holds refuses at once
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return nullptr;
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, sample_rate, 1,
                           device_latency_us) < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    return pcm;
}

void play(Player* player, const uint8_t* image) {
    const uint32_t count = wave_sample_count(image);
    const uint8_t* samples = image + wave_header_size;  // 16-bit little-endian, as the device takes them
    snd_pcm_t* pcm = count ? open_device() : nullptr;
    if (!pcm) {
        if (count && !player->stopping.load() && !told_no_device.exchange(true))
            std::fputs("frostvale: no sound device; the scene runs silently\n", stderr);
        return;
    }
    const std::atomic<bool>& stopping = player->stopping;
    enum { max_fds = 16 };
    pollfd fds[max_fds];
    fds[0] = {player->wake[0], POLLIN, 0};
    const int device_fds = snd_pcm_poll_descriptors(pcm, fds + 1, max_fds - 1);
    const int fd_count = 1 + (device_fds > 0 ? device_fds : 0);

    // While the device makes the thread wait, it sets the pace; the clock
    // anchor moves with it. A device that takes every sample at once is
    // held to the clock from the anchor on.
    int64_t anchor_us = now_us(), sent_since_anchor = 0;
    uint32_t next = 0;
    while (!stopping.load()) {
        const int64_t due = (now_us() - anchor_us) * sample_rate / 1000000 + clock_lead;
        if (sent_since_anchor >= due) {
            wait_for(pcm, fds, 1, static_cast<int>((sent_since_anchor - due) * 1000 / sample_rate) + 1);
            continue;
        }
        const snd_pcm_sframes_t room = snd_pcm_avail_update(pcm);
        if (room == 0) {
            anchor_us = now_us();
            sent_since_anchor = 0;
            wait_for(pcm, fds, fd_count, 100);
            continue;
        }
        if (room < 0) {
            if (snd_pcm_recover(pcm, static_cast<int>(room), 1) < 0) break;
            continue;
        }
        snd_pcm_uframes_t frames = static_cast<snd_pcm_uframes_t>(room);
        if (frames > count - next) frames = count - next;
        if (static_cast<int64_t>(frames) > due - sent_since_anchor)
            frames = static_cast<snd_pcm_uframes_t>(due - sent_since_anchor);
        const snd_pcm_sframes_t sent = snd_pcm_writei(pcm, samples + 2 * static_cast<size_t>(next), frames);
        if (sent == -EAGAIN) {
            wait_for(pcm, fds, fd_count, 100);
            continue;
        }
        if (sent < 0) {
            // an underrun (a stalled machine) starts the device again; anything else ends the music
            if (snd_pcm_recover(pcm, static_cast<int>(sent), 1) < 0) break;
            continue;
        }
        sent_since_anchor += sent;
        next += static_cast<uint32_t>(sent);
        if (next == count) next = 0;
    }
    snd_pcm_drop(pcm);
    snd_pcm_close(pcm);
}

// The thread's body: plays until stopped or the device fails, then tells
// the caller it has let go of the device and the image.
void run_player(std::shared_ptr<Player> player, const uint8_t* image) {
    play(player.get(), image);
    std::lock_guard<std::mutex> lock(player->mutex);
    player->ended = true;
    player->ended_signal.notify_all();
}

}  // namespace

void start_loop(const uint8_t* image) {
    if (playing || !image) return;
    std::shared_ptr<Player> player(new Player, delete_player);
    if (pipe2(player->wake, O_CLOEXEC | O_NONBLOCK) != 0) return;
    snd_lib_error_set_handler(quiet_alsa_error);
    // the stop signals belong to the frame loop's thread, not this one
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    std::thread(run_player, player, image).detach();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    playing = player;
}

bool stop_loop() {
    if (!playing) return true;
    const std::shared_ptr<Player> player = std::move(playing);
    playing = nullptr;
    player->stopping.store(true);
    const char byte = 1;
    ssize_t ignored = write(player->wake[1], &byte, 1);  // wakes the thread from its wait
    (void)ignored;
    std::unique_lock<std::mutex> lock(player->mutex);
    return player->ended_signal.wait_for(lock, stop_wait, [&] { return player->ended; });
}

void build_music() {
    if (make_wave_image()) start_loop(wave_image);
}

void pause_music() { stop_loop(); }

void restart_music() {
    if (wave_image) start_loop(wave_image);
}

void stop_music() {
    // the thread must let go of the image before it is freed; one that a
    // device holds may still read it, and the program is ending anyway
    if (stop_loop()) free_wave_image();
}

}  // namespace music
