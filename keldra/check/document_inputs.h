// The alignment check's inputs taken from the workspace's documents as they were opened: the
// anatomical's bytes (read in place, without a copy in floats) and a functional's first volume.
#pragma once

#include <string>

#include "keldra/check/check_levels.h"
#include "keldra/workspace/documents.h"

namespace orvane::keldra::check {

bool prepareAnatomy(const VmrDocument& anatomy, AnatomyReference& reference, std::string& error);

// The first volume, as the host holds it, on the document's grid and transform.
Volume firstVolume(const FmrDocument& functional);

}  // namespace orvane::keldra::check
