// Driving one plug-in run.
#include "keldra/host/plugin_run.h"

#include <utility>

namespace orvane::keldra {

void runPlugin(const PluginModule& module, Workspace workspace, const HostSettings& settings, HostLog& log,
               std::ostream& errors, std::istream& input, RunOutcome& outcome) {
    HostSession session(std::move(workspace), settings, log, errors, input);
    {
        ActiveHostSession active(session);
        PluginObject plugin = module.createPlugin();
        outcome.created = plugin != nullptr;
        if (plugin) {
            outcome.initialised = plugin->initPlugin();
            if (outcome.initialised) {
                outcome.executed = plugin->execute();
            }
        }
    }
    // The session ends here, so its documents are taken rather than copied.
    outcome.after = std::move(session.workspace());
    outcome.initialAlignments = session.initialAlignments();
    outcome.savedDocuments = session.savedDocuments();
    outcome.logEntries = log.entries();
    outcome.hostProblems = session.problems();
    outcome.hostWarnings = session.warnings();
    outcome.writeFailure = session.writeFailure();
    outcome.refreshCount = session.refreshCount();
}

}  // namespace orvane::keldra
