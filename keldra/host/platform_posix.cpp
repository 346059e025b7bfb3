// The host's platform services on POSIX systems: dlopen/dlsym, /proc/self/exe, isatty.
#if !defined(_WIN32)

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "keldra/host/platform.h"

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

bool isInteractiveInput() { return isatty(STDIN_FILENO) == 1; }

std::unique_ptr<InaccessibleMemory> InaccessibleMemory::reserve(std::size_t bytes) {
    if (bytes == 0) {
        return nullptr;
    }
    void* address = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (address == MAP_FAILED) {
        return nullptr;
    }
    return std::unique_ptr<InaccessibleMemory>(new InaccessibleMemory(static_cast<unsigned char*>(address), bytes));
}

InaccessibleMemory::~InaccessibleMemory() { munmap(data_, bytes_); }

}  // namespace orvane::keldra

#endif
