// Loading a plug-in module and reading its metadata.
#include "keldra/host/plugin_module.h"

#include <cctype>

namespace orvane::keldra {

namespace {

// Calls a metadata function if the module exports it; a missing or null string reads as empty.
std::string metadataText(const DynamicLibrary& library, const char* name) {
    auto function = reinterpret_cast<const char* (*)()>(library.function(name));
    if (function == nullptr) {
        return {};
    }
    const char* text = function();
    return text != nullptr ? text : "";
}

}  // namespace

std::string versionInName(const std::string& name) {
    const std::size_t open = name.rfind('(');
    const std::size_t close = name.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open + 2) {
        return {};
    }
    std::string inside = name.substr(open + 1, close - open - 1);
    if (inside[0] == 'v' || inside[0] == 'V') {
        inside.erase(0, 1);
    }
    const bool looksLikeVersion = !inside.empty() && std::isdigit(static_cast<unsigned char>(inside[0])) &&
                                  inside.find_first_not_of("0123456789.") == std::string::npos;
    return looksLikeVersion ? inside : std::string();
}

std::unique_ptr<PluginModule> PluginModule::load(const std::string& path, std::string& error) {
    std::string reason;
    std::unique_ptr<DynamicLibrary> library = DynamicLibrary::open(path, reason);
    if (!library) {
        error = "cannot load the plug-in module: " + reason;
        return nullptr;
    }
    auto create = reinterpret_cast<KeldraPluginInterface* (*)()>(library->function("createPlugin"));
    if (create == nullptr) {
        error = "not a plug-in module (it exports no createPlugin)";
        return nullptr;
    }
    std::unique_ptr<PluginModule> module(new PluginModule(std::move(library)));
    module->create_ = create;
    module->metadata_.name = metadataText(*module->library_, "getPluginName");
    module->metadata_.description = metadataText(*module->library_, "getPluginDescription");
    module->metadata_.author = metadataText(*module->library_, "getAuthor");
    module->metadata_.version = metadataText(*module->library_, "getPluginVersion");
    if (module->metadata_.version.empty()) {
        module->metadata_.version = versionInName(module->metadata_.name);
    }
    return module;
}

PluginObject PluginModule::createPlugin() const { return PluginObject(create_()); }

}  // namespace orvane::keldra
