// The output folder, prepared the same way by every command that writes one: refused early
// when --out names something that is not a folder, created only once the command is about to
// write into it, so that a command that fails before leaves no empty folder behind.
#pragma once

#include <string>
#include <vector>

#include "keldra/output/output_files.h"

namespace orvane::keldra {

// False with the reason when `folder` exists and is not a folder.
bool checkOutputFolder(const std::string& folder, std::string& error);

// False with the reason (and a hint to choose another --out folder) when the policy forbids
// writing any of `names` into `folder`.
bool outputsAreFree(const std::string& folder, const std::vector<std::string>& names, const OutputPolicy& policy,
                    std::string& error);
// False with the system's reason when no file can be made in `folder` or, while it does not
// exist yet, in the nearest folder above it that does: said before a run starts, not after.
bool checkOutputFolderWritable(const std::string& folder, std::string& error);

// Creates `folder` and its parents when missing; false with the reason when it cannot.
bool createOutputFolder(const std::string& folder, std::string& error);

}  // namespace orvane::keldra
