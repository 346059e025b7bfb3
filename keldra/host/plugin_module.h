// A plug-in module loaded the way the host loads it: by path through the operating system's
// loader, identified through its exported metadata functions, and asked for its plug-in
// object through createPlugin.
#pragma once

#include <memory>
#include <string>

#include "keldra/host/platform.h"
#include "plugin/keldra_plugin_interface.h"

namespace orvane::keldra {

struct PluginMetadata {
    std::string name;
    std::string description;
    std::string author;
    // getPluginVersion's text or, when that is empty, the version the name gives in
    // parentheses, such as "0.8" of "orvaneplugin (v0.8)"; empty when neither gives one.
    std::string version;
};

// The version a plug-in name gives in parentheses ("(v0.8)" or "(0.8)"), or empty.
std::string versionInName(const std::string& name);

// Deletes a plug-in object through its virtual destructor, as the host does.
struct PluginDeleter {
    void operator()(KeldraPluginInterface* plugin) const { delete plugin; }
};
using PluginObject = std::unique_ptr<KeldraPluginInterface, PluginDeleter>;

class PluginModule {
public:
    // Loads the module at `path`; null with a one-line reason when it cannot be loaded or does
    // not export createPlugin.
    static std::unique_ptr<PluginModule> load(const std::string& path, std::string& error);

    const PluginMetadata& metadata() const { return metadata_; }

    // A new plug-in object, or null when the module yields none. Objects must be destroyed
    // before the module.
    PluginObject createPlugin() const;

private:
    explicit PluginModule(std::unique_ptr<DynamicLibrary> library) : library_(std::move(library)) {}

    std::unique_ptr<DynamicLibrary> library_;
    PluginMetadata metadata_;
    KeldraPluginInterface* (*create_)() = nullptr;
};

}  // namespace orvane::keldra
