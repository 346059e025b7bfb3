// The abstract plug-in interface the host drives: it creates the object through createPlugin,
// calls initPlugin and execute through these virtual slots, and deletes it through the virtual
// destructor. The slot order (destructor, execute, initPlugin) is the host's and must not change.
#pragma once

#include "plugin/module_export.h"

class ORVANE_EXPORT KeldraPluginInterface {
public:
    KeldraPluginInterface();
    KeldraPluginInterface(const KeldraPluginInterface& other);
    KeldraPluginInterface& operator=(const KeldraPluginInterface& other);
    virtual ~KeldraPluginInterface();

    // One run of the plug-in; false when it refuses.
    virtual bool execute() = 0;
    // Prepares the plug-in when the host registers it; false when the host cannot run it.
    virtual bool initPlugin() = 0;
};
