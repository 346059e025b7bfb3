// An open file descriptor that is closed when it goes out of scope.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace orvane::keldra {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; false with the reason when the system reports a failed write at the end.
    bool close(std::string& error) {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            error = std::string("cannot be written: ") + std::strerror(errno);
            return false;
        }
        return true;
    }

private:
    int fd_;
};

}  // namespace orvane::keldra
