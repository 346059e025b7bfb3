// The stop signals and the bus error, through a pipe to a thread of their own.
#include "keldra/cli/interruption.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "keldra/cli/exit_codes.h"
#include "keldra/nifti/mapped_ranges.h"
#include "keldra/output/message_line.h"
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
// The one thing the stop handler needs, and the only thing it touches. A handler receives no
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
// A bus error is written as one byte, kBusError + the slot of the mapped range it fell in, or
// kBusError + kMappedRangeSlots when it fell in none; signal numbers stay below it.
constexpr unsigned char kBusError = 128;
static_assert(kBusError + kMappedRangeSlots <= 255, "a bus error's slot fits its byte");

// SIGBUS at an address of a file mapping past the end of its file (BUS_ADRERR): the file was cut
// short while keldra read it. A handler that returned would read the same address again, so
// the thread stays here, holding its mapping, while the watcher removes the temporary files and
// ends the process. Any other bus error (or no watcher) keeps the default effect, a core dump.
extern "C" void onBusError(int number, siginfo_t* info, void*) {
    const int saved = errno;
    const int pipe = signalPipe;
    if (pipe >= 0 && info != nullptr && info->si_code == BUS_ADRERR) {
        const int slot = mappedRangeHolding(info->si_addr);
        const unsigned char message = static_cast<unsigned char>(kBusError + (slot >= 0 ? slot : kMappedRangeSlots));
        if (write(pipe, &message, 1) == 1) {
            for (;;) {
                pause();
            }
        }
    }
    signal(number, SIG_DFL);
    raise(number);
    errno = saved;
}

// On the watcher's thread, after a bus error in the file `path` (null when the address was in no
// mapping keldra entered): the stop's cleanup, one line, and the exit status of an input fault.
[[noreturn]] void endAfterBusError(const char* path) {
    const int removed = removeAllTemporaryFiles();
    std::fflush(stdout);
    const std::string file = path != nullptr && path[0] != '\0' ? messageLine(path) : "a file";
    std::cerr << "keldra: " << file << " was cut short while keldra was reading it (a bus error); removed " << removed
              << (removed == 1 ? " temporary file" : " temporary files") << std::endl;
    std::_Exit(kExitError);
}
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
    struct sigaction busError {};
    busError.sa_sigaction = onBusError;
    busError.sa_flags = SA_SIGINFO;
    sigemptyset(&busError.sa_mask);
    sigaction(SIGBUS, &busError, nullptr);
#endif
}

InterruptWatcher::~InterruptWatcher() {
#if !defined(_WIN32)
    if (pipe_[1] < 0) {
        return;
    }
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGBUS, SIG_DFL);
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
        if (number >= kBusError) {
            // Whatever a command does on a stop, the thread that faulted cannot go on.
            const int slot = number - kBusError;
            endAfterBusError(slot < kMappedRangeSlots ? mappedRangePath(slot) : nullptr);
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
