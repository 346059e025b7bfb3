// What keldra does when it is asked to stop: Ctrl-C (SIGINT), or SIGTERM from kill, a batch
// system ending a job or a participant level stopping its checks. The signal handler only
// writes the signal's number into a pipe, which is all a handler may safely do; a thread of
// its own reads it and acts on it as ordinary code, where removing files and printing are safe.
// By default it removes the process's temporary files, says so in one line on stderr and ends
// the process with 128 + the signal's number (130 for SIGINT, 143 for SIGTERM), the status a
// shell gives a process ended by that signal. A command that must stop its own way first (the
// participant level stops its checks) hands over an action of its own.
//
// A bus error takes the same way out: it is what reading a mapped file that someone cut short
// raises (keldra maps some inputs while it decompresses or copies them). The thread that read
// waits in the handler, and the watcher removes the temporary files, says "keldra: <file> was
// cut short while keldra was reading it (a bus error); removed N temporary files" and ends the
// process with the exit code of an input fault (2), whatever action a command handed over.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace orvane::keldra {

class InterruptWatcher {
public:
    using Action = std::function<void(int signal)>;

    // Installs the handlers for SIGINT, SIGTERM and SIGBUS (where the platform has them) and
    // starts the thread, with the default action.
    InterruptWatcher();
    // Restores the default dispositions and ends the thread.
    ~InterruptWatcher();
    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;

    // Replaces the action; called on the watcher's thread, once per signal received.
    void setAction(Action action);

private:
    void watch();

    int pipe_[2] = {-1, -1};
    std::mutex mutex_;  // guards action_
    Action action_;
    std::thread thread_;
};

// The default action: removes the process's temporary files, prints
// "keldra: stopped by SIGINT; <what>removed N temporary files" on stderr and ends the process
// with 128 + `signal`. `what` (may be empty) says what else was done, ending in "; ".
[[noreturn]] void endStoppedProcess(int signal, const std::string& what = "");

// "SIGINT", "SIGTERM", else "signal N".
std::string signalName(int signal);

}  // namespace orvane::keldra
