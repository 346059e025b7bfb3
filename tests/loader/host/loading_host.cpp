// A minimal host that meets the module as the real host does: it exports the two host
// functions initPlugin needs (and, as inert stubs, the others an alignment run requires to be
// present before it starts), loads the built module with the platform's loader (dlopen, or
// LoadLibraryA on Windows), reads its metadata, creates the plug-in and checks that initPlugin
// passes or refuses for the host version given on the command line.
// Usage: keldra MODULE MAJOR.MINOR.SUB pass|refuse    (exit status 0 when every check holds)
//        keldra MODULE list                          (shows the plug-in as a host lists it)
// On Windows the program is Keldra.exe, the module name the plug-in binds to.
#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "host/records.h"
#include "plugin/plugin_exports.h"

#if defined(_WIN32)
#define LOADING_HOST_EXPORT __declspec(dllexport)
#else
#define LOADING_HOST_EXPORT __attribute__((visibility("default")))
#endif

namespace {

int hostMajor = 0;
int hostMinor = 0;
int hostSub = 0;
int versionRequests = 0;
std::vector<std::string> messages;
int failures = 0;

void check(bool condition, const std::string& what) {
    if (!condition) {
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
        ++failures;
    }
}

void checkText(const char* actual, const std::string& expected, const std::string& what) {
    check(actual != nullptr && expected == actual,
          what + ": expected \"" + expected + "\", got " + (actual ? "\"" + std::string(actual) + "\"" : "null"));
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

#if defined(_WIN32)

struct ModuleCloser {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using LoadedModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleCloser>;

LoadedModule loadModule(const char* path, std::string& error) {
    LoadedModule module(LoadLibraryA(path));
    if (!module) {
        error = "LoadLibraryA failed with error " + std::to_string(GetLastError());
    }
    return module;
}

void* findSymbol(HMODULE module, const char* name) {
    FARPROC symbol = GetProcAddress(module, name);
    void* address = nullptr;
    static_assert(sizeof address == sizeof symbol, "function and object pointers share a size");
    std::memcpy(&address, &symbol, sizeof address);
    return address;
}

#else

struct ModuleCloser {
    void operator()(void* module) const { dlclose(module); }
};
using LoadedModule = std::unique_ptr<void, ModuleCloser>;

LoadedModule loadModule(const char* path, std::string& error) {
    LoadedModule module(dlopen(path, RTLD_NOW | RTLD_LOCAL));
    if (!module) {
        error = dlerror();
    }
    return module;
}

void* findSymbol(void* module, const char* name) { return dlsym(module, name); }

#endif

template <typename Function, typename Module>
Function lookUp(Module module, const char* name) {
    void* symbol = findSymbol(module, name);
    check(symbol != nullptr, std::string("module exports ") + name);
    Function function = nullptr;
    static_assert(sizeof function == sizeof symbol, "function and object pointers share a size");
    std::memcpy(&function, &symbol, sizeof function);
    return function;
}

}  // namespace

// The host functions, exported by name from this executable.
extern "C" LOADING_HOST_EXPORT bool kdGetVersionOfKeldra(int* major, int* minor, int* sub) {
    ++versionRequests;
    *major = hostMajor;
    *minor = hostMinor;
    *sub = hostSub;
    return true;
}

extern "C" LOADING_HOST_EXPORT bool kdMessageBox(const char* text) {
    messages.emplace_back(text ? text : "(null)");
    return true;
}

// The rest of the functions an alignment run calls. The run refuses a host that lacks any of
// them before it asks for the version, so they must exist; on an old host none is called.
using orvane::FmrHeader;
using orvane::PastTransformations;
using orvane::PositionHeader;
using orvane::VmrHeader;
extern "C" LOADING_HOST_EXPORT bool kdShowLogTab() { return true; }
extern "C" LOADING_HOST_EXPORT bool kdLogText(const char*) { return true; }
extern "C" LOADING_HOST_EXPORT int kdGetIntegerInput(const char*, int defaultValue, int, int) { return defaultValue; }
extern "C" LOADING_HOST_EXPORT bool kdUpdateActiveWindow() { return true; }
extern "C" LOADING_HOST_EXPORT int kdGetNumberOfDocsInWorkspace() { return 0; }
extern "C" LOADING_HOST_EXPORT int kdGetDocumentType(int) { return 0; }
extern "C" LOADING_HOST_EXPORT bool kdSetAsCurrentDocument(int) { return false; }
extern "C" LOADING_HOST_EXPORT bool kdCalculateIAMatrix(PositionHeader*, PositionHeader*, PastTransformations*, float*, float*,
                                             int*, int*, int*, int*, int*, int*) {
    return false;
}
extern "C" LOADING_HOST_EXPORT bool kdGetHeaderOfCurrentFMR(FmrHeader*) { return false; }
extern "C" LOADING_HOST_EXPORT bool kdSetHeaderOfCurrentFMR(FmrHeader*) { return false; }
extern "C" LOADING_HOST_EXPORT float** kdGetSTCFloatDataOfCurrentFMR() { return nullptr; }
extern "C" LOADING_HOST_EXPORT short** kdGetSTCIntDataOfCurrentFMR() { return nullptr; }
extern "C" LOADING_HOST_EXPORT bool kdSaveFMRAndSTC(const char*, const char*) { return false; }
extern "C" LOADING_HOST_EXPORT bool kdGetScannerPositionHeaderOfCurrentFMR(PositionHeader*) { return false; }
extern "C" LOADING_HOST_EXPORT unsigned char* kdGetCurrentVMR(int*, int*, int*) { return nullptr; }
extern "C" LOADING_HOST_EXPORT bool kdGetMainHeaderOfCurrentVMR(VmrHeader*) { return false; }
extern "C" LOADING_HOST_EXPORT bool kdGetScannerPositionHeaderOfCurrentVMR(PositionHeader*) { return false; }
extern "C" LOADING_HOST_EXPORT bool kdGetPastTransformationsHeaderOfCurrentVMR(PastTransformations*) { return false; }

namespace {

// Shows what a host shows of the plug-in, and how initPlugin answers a current and an old host.
int listPlugin(const char* path) {
    std::string loadError;
    LoadedModule module = loadModule(path, loadError);
    if (!module) {
        std::fprintf(stderr, "cannot load %s: %s\n", path, loadError.c_str());
        return 1;
    }
    auto name = lookUp<decltype(&getPluginName)>(module.get(), "getPluginName");
    auto description = lookUp<decltype(&getPluginDescription)>(module.get(), "getPluginDescription");
    auto author = lookUp<decltype(&getAuthor)>(module.get(), "getAuthor");
    auto create = lookUp<decltype(&createPlugin)>(module.get(), "createPlugin");
    if (failures > 0) {
        return 1;
    }
    std::printf("Module:      %s\nName:        %s\nDescription: %s\nAuthor:      %s\n", path, name(), description(),
                author());
    std::unique_ptr<KeldraPluginInterface> plugin(create());
    if (!plugin) {
        return 1;
    }
    const int versions[2][3] = {{2, 1, 0}, {2, 0, 9}};
    for (const auto& version : versions) {
        hostMajor = version[0];
        hostMinor = version[1];
        hostSub = version[2];
        messages.clear();
        const bool passed = plugin->initPlugin();
        std::printf("initPlugin on a host of version %d.%d.%d: %s%s%s\n", hostMajor, hostMinor, hostSub,
                    passed ? "ready" : "refused", messages.empty() ? "" : ", message box: ",
                    messages.empty() ? "" : messages.front().c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[2], "list") == 0) {
        return listPlugin(argv[1]);
    }
    if (argc != 4 || std::sscanf(argv[2], "%d.%d.%d", &hostMajor, &hostMinor, &hostSub) != 3 ||
        (std::strcmp(argv[3], "pass") != 0 && std::strcmp(argv[3], "refuse") != 0)) {
        std::fprintf(stderr, "usage: %s MODULE MAJOR.MINOR.SUB pass|refuse\n", argv[0]);
        return 2;
    }
    const bool shouldPass = std::strcmp(argv[3], "pass") == 0;

    std::string loadError;
    LoadedModule module = loadModule(argv[1], loadError);
    if (!module) {
        std::fprintf(stderr, "FAILED: cannot load %s: %s\n", argv[1], loadError.c_str());
        return 1;
    }

    auto name = lookUp<decltype(&getPluginName)>(module.get(), "getPluginName");
    auto description = lookUp<decltype(&getPluginDescription)>(module.get(), "getPluginDescription");
    auto author = lookUp<decltype(&getAuthor)>(module.get(), "getAuthor");
    auto helpFile = lookUp<decltype(&getHelpFile)>(module.get(), "getHelpFile");
    auto version = lookUp<decltype(&getPluginVersion)>(module.get(), "getPluginVersion");
    auto guiScript = lookUp<decltype(&getGUIScript)>(module.get(), "getGUIScript");
    auto create = lookUp<decltype(&createPlugin)>(module.get(), "createPlugin");
    if (failures > 0) {
        return 1;
    }

    checkText(name(), "orvaneplugin (v0.8)", "plug-in name");
    checkText(description(),
              "~~~ orvane plugin ~~~.<BR>Plugin to check the position information and alignment of FMR and VMR.",
              "description");
    const std::string authorLine = author() ? author() : "";
    check(authorLine.rfind("<i>orvane team, ", 0) == 0 && endsWith(authorLine, ", 2013</i>"),
          "author line is the italic team line: " + authorLine);
    checkText(helpFile(), "", "help file");
    checkText(version(), "", "plug-in version");
    checkText(guiScript(), "", "GUI script");

    std::unique_ptr<KeldraPluginInterface> plugin(create());
    check(plugin != nullptr, "createPlugin gives an object");
    if (!plugin) {
        return 1;
    }

    // Each call binds and asks the version afresh, with the same answer.
    const bool first = plugin->initPlugin();
    const bool second = plugin->initPlugin();
    check(first == shouldPass && second == shouldPass, std::string("initPlugin ") + (shouldPass ? "passes" : "refuses"));
    check(versionRequests == 2, "each initPlugin asks the host for its version once");
    const std::vector<std::string> expectedMessages =
        shouldPass ? std::vector<std::string>{}
                   : std::vector<std::string>(2, "Can not execute this plugin - Keldra version 2.1 or higher required.");
    check(messages == expectedMessages, "message boxes shown by initPlugin");

    if (!shouldPass) {
        // The run refuses an old host before touching anything else, with its own wording.
        messages.clear();
        check(!plugin->execute(), "execute refuses");
        check(messages == std::vector<std::string>{"Can not execute this plugin - Keldra version 2.1.0 or higher required."},
              "message box shown by execute");
    }

    plugin.reset();
    return failures == 0 ? 0 : 1;
}
