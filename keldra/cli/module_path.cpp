// The module's default place.
#include "keldra/cli/module_path.h"

#include "keldra/host/platform.h"

namespace orvane::keldra {
namespace {

#if defined(_WIN32)
constexpr const char* kModuleFileName = "orvaneplugin.dll";
#else
constexpr const char* kModuleFileName = "orvaneplugin.so";
#endif

}  // namespace

std::string modulePath(const std::string& option) {
    return option.empty() ? executableDirectory() + "/" + kModuleFileName : option;
}

}  // namespace orvane::keldra
