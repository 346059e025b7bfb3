// The stop signals, through a pipe to a thread of their own.
#include "keldra/cli/interruption.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "keldra/output/temporary_files.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace orvane::keldra {

namespace {

#if !defined(_WIN32)
// The one thing the handler needs, and the only thing it touches. A handler receives no
// context, so this is where it finds the pipe.
volatile sig_atomic_t signalPipe = -1;

extern "C" void onStopSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    if (signalPipe >= 0) {
        ssize_t ignored = write(signalPipe, &number, 1);
        (void)ignored;
    }
    errno = saved;
}

constexpr unsigned char kEndWatching = 0;
#endif

}  // namespace

std::string signalName(int signal) {
#if !defined(_WIN32)
    if (signal == SIGINT) return "SIGINT";
    if (signal == SIGTERM) return "SIGTERM";
#endif
    return "signal " + std::to_string(signal);
}

void endStoppedProcess(int signal, const std::string& what) {
    const int removed = removeAllTemporaryFiles();
    std::fflush(stdout);
    std::cerr << "keldra: stopped by " << signalName(signal) << "; " << what << "removed " << removed
              << (removed == 1 ? " temporary file" : " temporary files") << std::endl;
    std::_Exit(128 + signal);
}

InterruptWatcher::InterruptWatcher() : action_([](int signal) { endStoppedProcess(signal); }) {
#if !defined(_WIN32)
    if (pipe2(pipe_, O_CLOEXEC) != 0) {
        pipe_[0] = pipe_[1] = -1;
        return;  // the signals keep their default effect
    }
    signalPipe = pipe_[1];
    thread_ = std::thread([this] { watch(); });
    struct sigaction stop {};
    stop.sa_handler = onStopSignal;
    stop.sa_flags = SA_RESTART;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
#endif
}

InterruptWatcher::~InterruptWatcher() {
#if !defined(_WIN32)
    if (pipe_[1] < 0) {
        return;
    }
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signalPipe = -1;
    const unsigned char end = kEndWatching;
    ssize_t ignored = write(pipe_[1], &end, 1);
    (void)ignored;
    thread_.join();
    close(pipe_[0]);
    close(pipe_[1]);
#endif
}

void InterruptWatcher::setAction(Action action) {
    std::lock_guard<std::mutex> lock(mutex_);
    action_ = std::move(action);
}

void InterruptWatcher::watch() {
#if !defined(_WIN32)
    for (;;) {
        unsigned char number = 0;
        const ssize_t got = read(pipe_[0], &number, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got != 1 || number == kEndWatching) {
            return;
        }
        Action action;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            action = action_;
        }
        action(number);
    }
#endif
}

}  // namespace orvane::keldra
