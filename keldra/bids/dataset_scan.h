// Finding the images of a BIDS dataset: `sub-<label>/[ses-<label>/]anat/*_T1w.nii[.gz]` and
// `.../func/*_bold.nii[.gz]`. Only `sub-*` folders are entered, so `derivatives/`,
// `sourcedata/`, `code/` and hidden folders are never read. Links are followed (DataLad
// datasets are trees of links into the annex); a link whose target is absent is kept as a file
// whose content has not been retrieved; a folder reached twice (through a link) is entered once.
#pragma once

#include <string>
#include <vector>

#include "keldra/bids/bids_name.h"

namespace orvane::bids {

enum class ContentState {
    Present,       // a regular file (through any links)
    NotRetrieved,  // a link whose target does not exist, as DataLad leaves unretrieved content
};

struct DatasetFile {
    std::string path;          // as reached from the dataset's folder given
    std::string relativePath;  // from the dataset's folder: "sub-01/func/sub-01_task-rest_bold.nii.gz"
    BidsName name;
    ContentState content = ContentState::Present;
    std::string linkTarget;    // for content not retrieved: where the link points

    std::string subject() const { return name.entity("sub"); }
    std::string session() const { return name.entity("ses"); }
};

struct Dataset {
    std::string root;
    std::vector<std::string> subjects;       // labels, without "sub-", sorted
    std::vector<DatasetFile> anatomicals;    // T1-weighted images
    std::vector<DatasetFile> bolds;          // functional runs, in path order
    std::vector<std::string> warnings;       // files skipped, and why
};

// Scans the dataset at `root`. False with a one-line reason in `error` when `root` is not a
// folder or holds no dataset_description.json, or that file is not valid JSON.
bool scanDataset(const std::string& root, Dataset& dataset, std::string& error);

}  // namespace orvane::bids
