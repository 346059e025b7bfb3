// Finding the host module and its exports: GetModuleHandleA/GetProcAddress on Windows,
// the running executable through the dynamic loader elsewhere.
#include "host/host_module_lookup.h"

#include <cstring>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace orvane {

#if defined(_WIN32)

std::optional<HostSymbolLookup> findHostModule() {
    HMODULE module = GetModuleHandleA(kHostModuleName);
    if (module == nullptr) {
        return std::nullopt;
    }
    return HostSymbolLookup([module](const char* name) -> GenericHostFunction {
        return reinterpret_cast<GenericHostFunction>(GetProcAddress(module, name));
    });
}

#else

namespace {

// The file name of the running executable, without its folder.
std::string executableFileName() {
    std::string path(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) {
        return {};
    }
    path.resize(static_cast<std::size_t>(length));
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isHostExecutableName(const std::string& name) {
    return name == "keldra" || name == "Keldra" || name == "keldra.exe" || name == "Keldra.exe";
}

}  // namespace

std::optional<HostSymbolLookup> findHostModule() {
    if (!isHostExecutableName(executableFileName())) {
        return std::nullopt;
    }
    // The handle of the main program; it needs no closing.
    void* program = dlopen(nullptr, RTLD_NOW);
    if (program == nullptr) {
        return std::nullopt;
    }
    return HostSymbolLookup([program](const char* name) -> GenericHostFunction {
        void* symbol = dlsym(program, name);
        GenericHostFunction function = nullptr;
        static_assert(sizeof function == sizeof symbol, "function and object pointers share a size");
        std::memcpy(&function, &symbol, sizeof function);
        return function;
    });
}

#endif

}  // namespace orvane
