// The functions the host looks up by name in the module, with C linkage. The strings they
// return are static and stay valid while the module is loaded; the host never frees them.
// createPlugin hands the new object to the host, which deletes it through its virtual
// destructor.
#pragma once

#include "plugin/keldra_plugin_interface.h"
#include "plugin/module_export.h"

extern "C" {
ORVANE_EXPORT KeldraPluginInterface* createPlugin() noexcept;
ORVANE_EXPORT const char* getPluginName() noexcept;
ORVANE_EXPORT const char* getPluginDescription() noexcept;
ORVANE_EXPORT const char* getAuthor() noexcept;
ORVANE_EXPORT const char* getHelpFile() noexcept;
ORVANE_EXPORT const char* getPluginVersion() noexcept;
ORVANE_EXPORT const char* getGUIScript() noexcept;
}
