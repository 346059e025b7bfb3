// A program started as a separate process, its standard output and error going to files, and
// waited for without blocking. The participant level checks each run in a process of its own:
// the module and the host it binds to are one per process, and a run that crashes takes only
// its own process down. On Linux the child is ended when its parent dies, so a killed task
// leaves no checks running on.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvane::bids {

struct ChildExit {
    bool exited = false;  // false: ended by a signal
    int code = 0;         // the exit status, or the signal's number
    // "exit status 2", "ended by signal 11 (Segmentation fault)".
    std::string describe() const;
};

class ChildProcess {
public:
    // Starts `program` with `arguments` (not including the program's name). False with the
    // reason in `error`; the process then never started.
    static std::optional<ChildProcess> start(const std::string& program, const std::vector<std::string>& arguments,
                                             const std::string& outputPath, const std::string& errorPath,
                                             std::string& error);

    // Whether it has ended, without waiting; fills `status` when it has.
    bool ended(ChildExit& status);
    // Asks it to stop (SIGTERM: it removes its temporary files and ends), or with `now` ends it
    // at once (SIGKILL).
    void stop(bool now);

private:
    explicit ChildProcess(long id) : id_(id) {}
    long id_;
};

}  // namespace orvane::bids
