// Driving one plug-in run.
#include "keldra/host/plugin_run.h"

namespace orvane::keldra {

RunOutcome runPlugin(const PluginModule& module, Workspace workspace, const HostSettings& settings, HostLog& log,
                     std::ostream& errors, std::istream& input) {
    RunOutcome outcome;
    outcome.before = workspace;
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
    outcome.after = session.workspace();
    outcome.initialAlignments = session.initialAlignments();
    outcome.savedDocuments = session.savedDocuments();
    outcome.logEntries = log.entries();
    outcome.hostProblems = session.problems();
    outcome.refreshCount = session.refreshCount();
    return outcome;
}

}  // namespace orvane::keldra
