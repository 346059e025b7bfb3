// Opening the documents of a command that reads a workspace (run, demo, check): a progress line
// when it takes long, and once all are open, each file's warnings and the workspace's likely
// mistakes, on stderr and for the command's report.
#pragma once

#include <string>
#include <vector>

#include "keldra/workspace/warning.h"
#include "keldra/workspace/workspace_loader.h"

namespace orvane::keldra {

// False with "<file>: <problem>" when a document cannot be opened.
bool loadDocuments(const std::vector<DocumentRequest>& requests, const VolumeReadLimits& limits, Workspace& workspace,
                   std::vector<Warning>& warnings, std::string& error);

}  // namespace orvane::keldra
