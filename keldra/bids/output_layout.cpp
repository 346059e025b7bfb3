// Names of the participant level's outputs.
#include "keldra/bids/output_layout.h"

#include <cctype>

namespace orvane::bids {

std::string runOutputFolder(const BidsName& bold) {
    std::string folder = "sub-" + bold.entity("sub");
    if (!bold.entity("ses").empty()) {
        folder += "/ses-" + bold.entity("ses");
    }
    return folder + "/func";
}

std::string recordFileName(const BidsName& bold) { return bold.entityStem() + kRecordEnding; }

std::string outputFileName(const BidsName& bold, const std::string& workFileName) {
    std::size_t dot = workFileName.find('.');
    std::string description;
    for (char c : workFileName.substr(0, dot)) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            description += c;
        }
    }
    return bold.entityStem() + "_desc-" + description + "_qc" +
           (dot == std::string::npos ? std::string() : workFileName.substr(dot));
}

std::string lockFileName(const BidsName& bold) { return "." + bold.entityStem() + "_bold.lock"; }

std::string workFolderName(const BidsName& bold) { return "." + bold.entityStem() + "_bold.work"; }

bool isTemporaryName(const std::string& fileName) { return fileName.empty() || fileName[0] == '.'; }

}  // namespace orvane::bids
