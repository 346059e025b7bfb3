// The host's platform services on Windows: LoadLibraryA/GetProcAddress, GetModuleFileNameA,
// _isatty.
#if defined(_WIN32)

#include <windows.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "keldra/host/platform.h"
#include "keldra/output/file_system.h"

namespace orvane::keldra {

std::unique_ptr<DynamicLibrary> DynamicLibrary::open(const std::string& path, std::string& error) {
    // The loader wants backslashes; paths put together elsewhere may use either separator.
    std::string windowsPath = path;
    for (char& c : windowsPath) {
        if (c == '/') {
            c = '\\';
        }
    }
    HMODULE module = LoadLibraryA(windowsPath.c_str());
    if (module == nullptr) {
        error = windowsErrorMessage(GetLastError());
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(module));
}

DynamicLibrary::~DynamicLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

DynamicLibrary::Function DynamicLibrary::function(const char* name) const {
    FARPROC symbol = GetProcAddress(static_cast<HMODULE>(handle_), name);
    Function result = nullptr;
    static_assert(sizeof result == sizeof symbol, "function pointers share a size");
    std::memcpy(&result, &symbol, sizeof result);
    return result;
}

std::string executableDirectory() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string(".") : path.substr(0, separator);
}

bool isInteractiveInput() { return _isatty(_fileno(stdin)) != 0; }

std::unique_ptr<InaccessibleMemory> InaccessibleMemory::reserve(std::size_t bytes) {
    if (bytes == 0) {
        return nullptr;
    }
    void* address = VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS);
    if (address == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<InaccessibleMemory>(new InaccessibleMemory(static_cast<unsigned char*>(address), bytes));
}

InaccessibleMemory::~InaccessibleMemory() { VirtualFree(data_, 0, MEM_RELEASE); }

}  // namespace orvane::keldra

#endif
