// The file names of the pictures a run draws (run_pictures.h says what each shows). Users and
// their scripts open these by name.
#pragma once

#include <string>

namespace orvane::keldra {

constexpr const char* kAlignmentPicture = "alignment.png";
constexpr const char* kAlignmentFmrPicture = "alignment_fmr.png";
constexpr const char* kAlignmentBetweenFunctionalsPicture = "alignment_fmr1_fmr2.png";
constexpr const char* kBeforePicture = "before.png";
constexpr const char* kAfterPicture = "after.png";

// fmrN_before.png and fmrN_after.png: functional N (counted from 1) before and after the run.
std::string functionalBeforePicture(int functional);
std::string functionalAfterPicture(int functional);

}  // namespace orvane::keldra
