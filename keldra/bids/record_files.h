// Finding the run records of a BIDS output folder: the `<entities>_desc-alignment_qc.json` files
// under OUTPUT_DIR/sub-*/[ses-*/]func/, temporary names left aside (output_layout.h).
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace orvane::bids {

// The records by the entity stem of their run ("sub-01_task-rest_run-1"); only those of subject
// `subject` (its label, without sub-) when it is not empty.
std::map<std::string, std::filesystem::path> findRecords(const std::filesystem::path& outputFolder,
                                                         const std::string& subject = {});

}  // namespace orvane::bids
