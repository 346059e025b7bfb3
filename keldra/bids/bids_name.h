// BIDS file names: `sub-<label>[_<key>-<value>]..._<suffix><extension>`, such as
// `sub-01_ses-pre_task-rest_run-2_echo-1_bold.nii.gz`. Labels, keys and suffixes are letters
// and digits; `run` and `echo` are whole numbers. The entities keep the order of the name.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orvane::bids {

struct BidsName {
    std::vector<std::pair<std::string, std::string>> entities;  // in the order of the name
    std::string suffix;                                         // "bold", "T1w", "sbref", ...
    std::string extension;                                      // ".nii.gz", ".json", ...

    // The value of entity `key`, or "" when the name has none.
    std::string entity(const std::string& key) const;
    // The entities as they appear in a name, without suffix: "sub-01_task-rest_run-2".
    std::string entityStem() const;
    // The whole name again.
    std::string fileName() const;
    bool isImage() const { return extension == ".nii" || extension == ".nii.gz"; }
};

// Parses a file name (no folder). False, with the reason in `error`, when it is not a BIDS
// name: no `sub` entity first, a part that is not `key-value`, a key given twice, a label that
// is not letters and digits, or a `run` or `echo` that is not a whole number.
bool parseBidsName(const std::string& fileName, BidsName& name, std::string& error);

// True when `text` is a non-empty run of ASCII letters and digits, as every label must be.
bool isBidsLabel(const std::string& text);

// Orders two index values ("2" before "10", "01" equal to "1"); either may be empty, which
// sorts first. Negative, equal, positive as for strcmp.
int compareIndex(const std::string& a, const std::string& b);

}  // namespace orvane::bids
