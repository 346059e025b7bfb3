// keldra's warnings: what a person should know about the inputs or the run, although nothing is
// refused. Each has a stable code that scripts and report pages can rely on (the README lists
// them), the file it concerns and one sentence; a few carry detail lines (such as both of a
// file's transforms) for the terminal and the log.
#pragma once

#include <string>

namespace orvane::keldra {

namespace warning_code {
// A file's sform and qform place its grid more than 1 mm apart.
constexpr const char* kTransformsDisagree = "sform-qform-disagree";
// A file holds NaN or infinite samples.
constexpr const char* kNonFiniteSamples = "non-finite-samples";
// A series' time step (pixdim[4]) is 0, negative or not a number.
constexpr const char* kTimeStepUnusable = "time-step-unusable";
// Two documents' transforms are in different spaces (scanner, aligned, Talairach, MNI, ...).
constexpr const char* kSpacesDiffer = "spaces-differ";
// The first document, opened as the anatomical, looks like a functional.
constexpr const char* kFunctionalFirst = "functional-given-first";
// One file is opened as two documents.
constexpr const char* kSameFileTwice = "same-file-twice";
// The anatomical's file holds several volumes; only the first is shown.
constexpr const char* kAnatomicalVolumes = "anatomical-has-volumes";
// A document the plug-in never uses (beyond the second functional).
constexpr const char* kDocumentUnused = "document-unused";
// A functional's field of view does not overlap the anatomical's grid anywhere.
constexpr const char* kNoOverlap = "no-overlap";
// The plug-in carried out another mapping than the one asked for.
constexpr const char* kMappingChanged = "mapping-changed";
// A prompt of the plug-in was answered with its default.
constexpr const char* kDefaultAnswer = "default-answer";
}  // namespace warning_code

struct Warning {
    std::string code;      // one of warning_code
    std::string file;      // the file concerned, exactly as given; empty when it concerns the run
    std::string sentence;  // one sentence, without the file name
    std::string detail;    // further lines, or empty
};

// "warning: <file>: <sentence>" as one line (control characters in either written as escapes,
// as in messageLine), and the detail on the lines below.
std::string warningText(const Warning& warning);

}  // namespace orvane::keldra
