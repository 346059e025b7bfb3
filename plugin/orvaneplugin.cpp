// The plug-in object's operations: thin, exception-proof wrappers around the module's logic.
#include "plugin/orvaneplugin.h"

#include "plugin/plugin_initialisation.h"
#include "run/alignment_run.h"

orvaneplugin::orvaneplugin() = default;
orvaneplugin::~orvaneplugin() = default;

bool orvaneplugin::initPlugin() noexcept {
    try {
        return orvane::initialisePlugin();
    } catch (...) {
        return false;
    }
}

bool orvaneplugin::execute() noexcept {
    try {
        return orvane::runAlignment();
    } catch (...) {
        return false;
    }
}
