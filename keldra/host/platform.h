// The few operating-system services the host needs beyond files (output/file_system.h),
// behind one small interface so that another platform can supply them: loading a module and
// finding its exports, the folder of the running executable, and whether a person is at the
// keyboard.
#pragma once

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

}  // namespace orvane::keldra
