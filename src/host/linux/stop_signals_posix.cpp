#include "host/linux/stop_signals_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace host {

namespace {

// Owned here: written by the signal handler, read by the frame loop
// (stop_requested) and reset by install_stop_signals.
volatile sig_atomic_t stop_signal = 0;
// The wake-up pipe: the handler writes its write end, the frame loop polls
// its read end. -1 when there is none.
int wake_pipe[2] = {-1, -1};

void on_stop_signal(int) {
    const int saved_errno = errno;
    stop_signal = 1;
    if (wake_pipe[1] >= 0) {
        const char byte = 1;
        // a full pipe already wakes the loop: the result does not matter
        ssize_t ignored = write(wake_pipe[1], &byte, 1);
        (void)ignored;
    }
    errno = saved_errno;
}

constexpr int stop_signals[] = {SIGTERM, SIGINT};

}  // namespace

int install_stop_signals() {
    stop_signal = 0;
    if (wake_pipe[0] < 0 && pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        wake_pipe[0] = wake_pipe[1] = -1;
    }
    struct sigaction action = {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal_number : stop_signals) sigaction(signal_number, &action, nullptr);
    return wake_pipe[0];
}

bool stop_requested() { return stop_signal != 0; }

void remove_stop_signals() {
    for (const int signal_number : stop_signals) signal(signal_number, SIG_DFL);
    for (int& end : wake_pipe) {
        if (end >= 0) close(end);
        end = -1;
    }
}

}  // namespace host
