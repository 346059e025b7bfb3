// One use of a plug-in by the host: create the object, initialise it, run it once on the
// workspace, delete it. Everything the run left behind is returned, so that whatever reports
// on it (the saved files, pictures, summaries) works from one place after execute returned.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "keldra/workspace/documents.h"
#include "keldra/host/host_session.h"
#include "keldra/host/plugin_module.h"

namespace orvane::keldra {

struct RunOutcome {
    bool created = false;      // createPlugin returned an object
    bool initialised = false;  // initPlugin returned true
    bool executed = false;     // execute returned true
    Workspace before;          // the documents as they were opened
    Workspace after;           // the documents as the plug-in left them
    std::vector<InitialAlignmentRecord> initialAlignments;
    std::vector<SavedDocument> savedDocuments;
    std::vector<std::string> logEntries;
    std::vector<std::string> hostProblems;
    std::vector<Warning> hostWarnings;
    // The first file the host could not write for the module (a full disk, a folder that went
    // away): nothing more can be written, and keldra ends with it.
    std::optional<std::string> writeFailure;
    int refreshCount = 0;
};

// Runs the plug-in on `workspace` and fills `outcome`, whose `before` the caller has already set
// to the same documents (a copy): what reads them meanwhile, such as the alignment check, can
// start before the run and go on during it.
void runPlugin(const PluginModule& module, Workspace workspace, const HostSettings& settings, HostLog& log,
               std::ostream& errors, std::istream& input, RunOutcome& outcome);

}  // namespace orvane::keldra
