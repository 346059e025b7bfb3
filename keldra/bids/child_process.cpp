// Starting and reaping child processes on POSIX systems.
#include "keldra/bids/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

namespace orvane::bids {

std::string ChildExit::describe() const {
    if (exited) {
        return "exit status " + std::to_string(code);
    }
    return "ended by signal " + std::to_string(code) + " (" + strsignal(code) + ")";
}

std::optional<ChildProcess> ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                                                const std::string& outputPath, const std::string& errorPath,
                                                std::string& error) {
    // Everything the child needs is prepared before fork: it only redirects and executes.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int errors = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (output < 0 || errors < 0) {
        error = std::string("cannot create the files for a check's messages: ") + std::strerror(errno);
        if (output >= 0) close(output);
        if (errors >= 0) close(errors);
        return std::nullopt;
    }
    const pid_t parent = getpid();
    pid_t id = fork();
    if (id == 0) {
        // The parent's stop handler is not the child's: keldra sets its own after exec.
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
#if defined(__linux__)
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
#endif
        if (dup2(output, STDOUT_FILENO) < 0 || dup2(errors, STDERR_FILENO) < 0) {
            _exit(127);
        }
        int nothing = open("/dev/null", O_RDONLY);
        if (nothing >= 0) {
            dup2(nothing, STDIN_FILENO);
        }
        execv(program.c_str(), argv.data());
        const char* text = "keldra: the check's process could not be started\n";
        ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
        (void)ignored;
        _exit(127);
    }
    int code = errno;
    close(output);
    close(errors);
    if (id < 0) {
        error = std::string("cannot start a process: ") + std::strerror(code);
        return std::nullopt;
    }
    return ChildProcess(static_cast<long>(id));
}

void ChildProcess::stop(bool now) { kill(static_cast<pid_t>(id_), now ? SIGKILL : SIGTERM); }

bool ChildProcess::ended(ChildExit& status) {
    int raw = 0;
    pid_t result;
    do {
        result = waitpid(static_cast<pid_t>(id_), &raw, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0) {
        return false;
    }
    if (result < 0) {
        status.exited = true;
        status.code = 127;
        return true;
    }
    status.exited = WIFEXITED(raw);
    status.code = status.exited ? WEXITSTATUS(raw) : WTERMSIG(raw);
    return true;
}

}  // namespace orvane::bids
