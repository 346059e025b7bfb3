// The plug-in object the host creates: it holds no data of its own; all lasting state is
// the module's bound host API table. Neither operation lets an exception reach the host.
#pragma once

#include "plugin/keldra_plugin_interface.h"

class ORVANE_EXPORT orvaneplugin : public KeldraPluginInterface {
public:
    orvaneplugin();
    ~orvaneplugin() override;

    bool execute() noexcept override;
    bool initPlugin() noexcept override;
};
