// Opening documents with their warnings.
#include "keldra/cli/document_loading.h"

#include <iostream>

#include "keldra/cli/slow_step_notice.h"
#include "keldra/workspace/likely_mistakes.h"

namespace orvane::keldra {

bool loadDocuments(const std::vector<DocumentRequest>& requests, const VolumeReadLimits& limits, Workspace& workspace,
                   std::vector<Warning>& warnings, std::string& error) {
    bool loaded = false;
    {
        SlowStepNotice notice(std::cerr, "loading the documents");
        loaded = loadWorkspace(requests, workspace, warnings, error, limits);
    }
    if (!loaded) {
        return false;
    }
    for (Warning& warning : likelyMistakes(requests, workspace)) {
        warnings.push_back(std::move(warning));
    }
    for (const Warning& warning : warnings) {
        std::cerr << "keldra: " << warningText(warning) << std::endl;
    }
    return true;
}

}  // namespace orvane::keldra
