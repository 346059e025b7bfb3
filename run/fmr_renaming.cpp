// New names for projected FMRs.
#include "run/fmr_renaming.h"

namespace orvane {

namespace {

FmrSaveNames withPrefix(std::string stcPrefix) {
    FmrSaveNames names;
    names.fileName = stcPrefix + ".fmr";
    names.stcPrefix = std::move(stcPrefix);
    return names;
}

}  // namespace

FmrSaveNames namesForVmrProjection(const std::string& stcPrefix) { return withPrefix(stcPrefix + "_VMR"); }

FmrSaveNames namesForSecondIntoFirst(const std::string& firstStcPrefix, const std::string& secondStcPrefix) {
    return withPrefix(firstStcPrefix + "_from_" + secondStcPrefix);
}

std::optional<FmrHeader> renamedHeader(const FmrHeader& header, const FmrSaveNames& names) {
    FmrHeader renamed = header;
    if (!renamed.setAuxiliaryName("") || !renamed.setStcPrefix(names.stcPrefix) ||
        !renamed.setFileName(names.fileName)) {
        return std::nullopt;
    }
    return renamed;
}

}  // namespace orvane
