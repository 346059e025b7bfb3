// The module's whole C boundary: the functions the host looks up by name and, in Windows
// builds, the load-time entry. Nothing thrown inside may reach the host.
#include "plugin/plugin_exports.h"

#include <new>

#include "plugin/orvaneplugin.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

// Runs `body`, turning anything it throws into `fallback`.
template <typename Result, typename Body>
Result guarded(Result fallback, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

constexpr const char kPluginName[] = "orvaneplugin (v0.8)";
constexpr const char kPluginDescription[] =
    "~~~ orvane plugin ~~~.<BR>Plugin to check the position information and alignment of FMR and VMR.";
constexpr const char kAuthor[] = "<i>orvane team, Orvane Neuroimaging Group, 2013</i>";
// The version is given only inside the plug-in name.
constexpr const char kEmpty[] = "";

}  // namespace

extern "C" {

KeldraPluginInterface* createPlugin() noexcept {
    return guarded<KeldraPluginInterface*>(nullptr, [] { return new (std::nothrow) orvaneplugin(); });
}

const char* getPluginName() noexcept {
    return guarded<const char*>(kEmpty, [] { return kPluginName; });
}

const char* getPluginDescription() noexcept {
    return guarded<const char*>(kEmpty, [] { return kPluginDescription; });
}

const char* getAuthor() noexcept {
    return guarded<const char*>(kEmpty, [] { return kAuthor; });
}

const char* getHelpFile() noexcept {
    return guarded<const char*>(kEmpty, [] { return kEmpty; });
}

const char* getPluginVersion() noexcept {
    return guarded<const char*>(kEmpty, [] { return kEmpty; });
}

const char* getGUIScript() noexcept {
    return guarded<const char*>(kEmpty, [] { return kEmpty; });
}

#if defined(_WIN32)
BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}
#endif

}  // extern "C"
