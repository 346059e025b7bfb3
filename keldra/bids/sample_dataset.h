// A small BIDS dataset made from the built-in head phantom, for trying the BIDS levels and for
// their tests. Four subjects:
//   sub-01  anat T1w; task-rest run-1 and run-2 (run-2 stored as .nii); task-nback, whose
//           header is shifted by 8 mm (the data are where the anatomy is, the header says
//           otherwise)
//   sub-02  two sessions, each with its own T1w and a task-rest run; ses-2 also task-nback
//   sub-03  anat T1w; a multi-echo task-rest run (echo-1..3); task-nback as a link into an
//           annex whose content is absent, as DataLad leaves a file not yet retrieved
//   sub-04  no anatomical; task-rest
// with dataset_description.json, README, participants.tsv, task sidecars and per-echo sidecars,
// so the dataset passes the BIDS validator. Deterministic.
#pragma once

#include <string>
#include <vector>

namespace orvane::bids {

// The shift written into the shifted run's header, in world millimetres.
constexpr double kSampleHeaderShiftMm[3] = {4.0, -4.0, 5.656854249492381};

// Writes the dataset into `folder`, which must not exist or be empty. `written` lists the files
// (relative to `folder`). False with the reason in `error`.
bool writeSampleDataset(const std::string& folder, std::vector<std::string>& written, std::string& error);

}  // namespace orvane::bids
