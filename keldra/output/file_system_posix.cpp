// The file-system services on POSIX systems: link/rename/unlink, fsync, stat, getpid,
// gethostname, kill(pid, 0).
#if !defined(_WIN32)

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "keldra/output/file_system.h"

namespace orvane::keldra {

bool moveIntoPlaceWithoutReplacing(const std::string& from, const std::string& to, std::string& error) {
    // A hard link fails when the name exists, so no window opens between a check and the move.
    bool moved = link(from.c_str(), to.c_str()) == 0;
    int reason = errno;
    unlink(from.c_str());
    if (!moved) {
        error = reason == EEXIST ? "it already exists and is never overwritten" : std::strerror(reason);
    }
    return moved;
}

bool moveIntoPlaceReplacing(const std::string& from, const std::string& to, std::string& error) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        error = std::strerror(errno);
        unlink(from.c_str());
        return false;
    }
    return true;
}

namespace {

bool flushDescriptorOf(const std::string& path, int flags, std::string& error) {
    int fd = open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    bool flushed = fsync(fd) == 0;
    if (!flushed) {
        error = std::strerror(errno);
    }
    close(fd);
    return flushed;
}

}  // namespace

bool flushFileToDisk(const std::string& path, std::string& error) { return flushDescriptorOf(path, O_RDONLY, error); }

bool flushFolderToDisk(const std::string& folder, std::string& error) {
    return flushDescriptorOf(folder, O_RDONLY | O_DIRECTORY, error);
}

bool fileIdentity(const std::string& path, bool followLinks, FileIdentity& identity) {
    struct stat status {};
    if ((followLinks ? stat(path.c_str(), &status) : lstat(path.c_str(), &status)) != 0) {
        return false;
    }
    identity.device = static_cast<unsigned long long>(status.st_dev);
    identity.inode = static_cast<unsigned long long>(status.st_ino);
    return true;
}

void reportOversizedWritesAsErrors() { std::signal(SIGXFSZ, SIG_IGN); }

bool canCreateFileIn(const std::string& folder, std::string& error) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string probe = folder + "/.keldra-probe-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            close(fd);
            unlink(probe.c_str());
            return true;
        }
        if (errno != EEXIST) {
            error = std::strerror(errno);
            return false;
        }
    }
    error = "no free name for a new file";
    return false;
}

long processNumber() { return static_cast<long>(getpid()); }

std::string machineName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    return name;
}

bool processIsRunning(long process) {
    return process <= 0 || kill(static_cast<pid_t>(process), 0) == 0 || errno != ESRCH;
}

std::string systemReason(int code) { return std::strerror(code); }

}  // namespace orvane::keldra

#endif
