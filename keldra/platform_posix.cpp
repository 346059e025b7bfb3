// The platform services on POSIX systems: dlopen/dlsym, /proc/self/exe, link/rename/unlink,
// fsync, stat, isatty.
#if !defined(_WIN32)

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "keldra/platform.h"

namespace orvane::keldra {

std::unique_ptr<DynamicLibrary> DynamicLibrary::open(const std::string& path, std::string& error) {
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "the module could not be loaded";
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() { dlclose(handle_); }

DynamicLibrary::Function DynamicLibrary::function(const char* name) const {
    void* symbol = dlsym(handle_, name);
    Function result = nullptr;
    static_assert(sizeof result == sizeof symbol, "function and object pointers share a size");
    std::memcpy(&result, &symbol, sizeof result);
    return result;
}

std::string executableDirectory() {
    std::string path(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) {
        return {};
    }
    path.resize(static_cast<std::size_t>(length));
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

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

bool isInteractiveInput() { return isatty(STDIN_FILENO) == 1; }

long processNumber() { return static_cast<long>(getpid()); }

}  // namespace orvane::keldra

#endif
