// Loading a plug-in module and reading its metadata.
#include "keldra/host/plugin_module.h"

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
    return module;
}

PluginObject PluginModule::createPlugin() const { return PluginObject(create_()); }

}  // namespace orvane::keldra
