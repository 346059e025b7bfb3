// The names a projected FMR is saved under, so that it never overwrites the original files.
#pragma once

#include <optional>
#include <string>

#include "host/records.h"

namespace orvane {

struct FmrSaveNames {
    std::string stcPrefix;
    std::string fileName;  // the prefix followed by ".fmr"
};

// After mode 2 (VMR into FMR): "<prefix>_VMR".
FmrSaveNames namesForVmrProjection(const std::string& stcPrefix);
// After mode 3 (second FMR into the first): "<first prefix>_from_<second prefix>".
FmrSaveNames namesForSecondIntoFirst(const std::string& firstStcPrefix, const std::string& secondStcPrefix);

// The header with the auxiliary name emptied and the new prefix and file name written in; nothing
// when either name does not fit its field (the header passed in is never changed: a truncated
// name could collide with the original file).
std::optional<FmrHeader> renamedHeader(const FmrHeader& header, const FmrSaveNames& names);

}  // namespace orvane
