// The few operating-system services the host needs beyond files (output/file_system.h),
// behind one small interface so that another platform can supply them: loading a module and
// finding its exports, the folder of the running executable, whether a person is at the
// keyboard, and address space that faults when touched.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace orvane::keldra {

// A loaded module; unloaded when destroyed.
class DynamicLibrary {
public:
    // Loads the module at `path`; null with the loader's reason in `error` when it cannot.
    static std::unique_ptr<DynamicLibrary> open(const std::string& path, std::string& error);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // The exported function of that name, or null.
    using Function = void (*)();
    Function function(const char* name) const;

private:
    explicit DynamicLibrary(void* handle) : handle_(handle) {}
    void* handle_;
};

// The folder holding the running executable, without a trailing separator; empty if unknown.
std::string executableDirectory();

// True when standard input is a terminal.
bool isInteractiveInput();

// Address space that may be neither read nor written, and costs no memory: handed out where
// the host holds no data yet, so that touching it stops the process instead of reading
// something that is not there.
class InaccessibleMemory {
public:
    // Null when `bytes` is 0 or the space cannot be reserved.
    static std::unique_ptr<InaccessibleMemory> reserve(std::size_t bytes);
    ~InaccessibleMemory();
    InaccessibleMemory(const InaccessibleMemory&) = delete;
    InaccessibleMemory& operator=(const InaccessibleMemory&) = delete;
    unsigned char* data() const { return data_; }

private:
    InaccessibleMemory(unsigned char* data, std::size_t bytes) : data_(data), bytes_(bytes) {}
    unsigned char* data_;
    std::size_t bytes_;
};

}  // namespace orvane::keldra
