// The interface's special members, defined here so that the module exports them (and the
// virtual table with the destructor) for hosts that link against them. None copies anything.
#include "plugin/keldra_plugin_interface.h"

KeldraPluginInterface::KeldraPluginInterface() = default;
KeldraPluginInterface::KeldraPluginInterface(const KeldraPluginInterface&) = default;
KeldraPluginInterface& KeldraPluginInterface::operator=(const KeldraPluginInterface&) = default;
KeldraPluginInterface::~KeldraPluginInterface() = default;
