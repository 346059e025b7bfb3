// One alignment run, from binding the host to "Finished.": what the plug-in's execute does.
#pragma once

#include <optional>

#include "host/host_binding.h"

namespace orvane {

// Binds the host API through `lookup` (the platform's lookup of the host module when none is
// given), checks that every host function the run calls is there and that the host is recent
// enough, then prepares the working set, asks the user for the mapping and carries it out.
// Returns true when the run reaches "Finished.\n". Returns false on every refusal, each
// explained in one log sentence (the version refusal in a message box; silently when there is no
// host or it has no log), having released everything and changed none of the host's data.
// Never throws: an allocation failure or any other exception is logged and gives false.
bool runAlignment(const std::optional<HostSymbolLookup>& lookup = std::nullopt) noexcept;

}  // namespace orvane
