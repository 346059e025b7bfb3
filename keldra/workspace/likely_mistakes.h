// Workspaces the plug-in can run but that are probably not what the user meant, each worth one
// sentence of warning (warning.h): documents whose transforms are in different spaces, a
// functional given first, one file opened twice, an anatomical with several volumes, documents
// the plug-in never uses, and a functional whose field of view misses the anatomical entirely.
// Nothing here refuses a workspace.
#pragma once

#include <vector>

#include "keldra/workspace/warning.h"
#include "keldra/workspace/workspace_loader.h"

namespace orvane::keldra {

// The warnings for the opened `workspace`, whose documents were opened from `requests` in order.
std::vector<Warning> likelyMistakes(const std::vector<DocumentRequest>& requests, const Workspace& workspace);

}  // namespace orvane::keldra
