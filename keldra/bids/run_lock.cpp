// Run locks with flock(2) on POSIX systems.
#include "keldra/bids/run_lock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace orvane::bids {

RunLock::~RunLock() { release(); }

RunLock::RunLock(RunLock&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), path_(std::move(other.path_)) {}

RunLock& RunLock::operator=(RunLock&& other) noexcept {
    if (this != &other) {
        release();
        descriptor_ = std::exchange(other.descriptor_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

RunLock::Result RunLock::tryAcquire(const std::string& path, std::string& error) {
    release();
    // The holder removes the file before releasing it; whoever locked the removed file then
    // finds a different (or no) file at the path and tries again with the new one.
    for (int attempt = 0; attempt < 100; ++attempt) {
        int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (descriptor < 0) {
            error = path + ": the run's lock cannot be created: " + std::strerror(errno);
            return Result::Failed;
        }
        if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            int code = errno;
            close(descriptor);
            if (code == EWOULDBLOCK) {
                return Result::Busy;
            }
            error = path + ": the run's lock cannot be taken: " + std::strerror(code);
            return Result::Failed;
        }
        struct stat opened {};
        struct stat named {};
        if (fstat(descriptor, &opened) == 0 && stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
            opened.st_ino == named.st_ino) {
            descriptor_ = descriptor;
            path_ = path;
            return Result::Acquired;
        }
        close(descriptor);
    }
    error = path + ": the run's lock keeps changing hands";
    return Result::Failed;
}

void RunLock::release() {
    if (descriptor_ >= 0) {
        unlink(path_.c_str());
        close(descriptor_);
        descriptor_ = -1;
    }
}

}  // namespace orvane::bids
