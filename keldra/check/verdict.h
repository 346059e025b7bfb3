// The verdict on one functional: `aligned`, `check` or `misaligned`, from the residual shift,
// the RMS displacement of the rigid fit, the left-right test and the coverage, against
// thresholds chosen by calibration (docs/alignment-check.md) and overridable from a JSON file.
#pragma once

#include <string>
#include <vector>

namespace orvane::keldra::check {

enum class Verdict { Aligned, Check, Misaligned };

// "aligned", "check", "misaligned".
const char* verdictName(Verdict verdict);

struct Thresholds {
    // Residual shift length: below the first aligned, from the second on misaligned.
    double alignedMaxShiftMm = 2.0;
    double misalignedMinShiftMm = 4.0;
    // RMS displacement of the rigid fit over the sphere, likewise.
    double alignedMaxRmsMm = 2.5;
    double misalignedMinRmsMm = 5.0;
    // A mirrored fit better than the unmirrored one by at least this margin is a suspected flip.
    double flipMinMargin = 0.2;
    // Below these shares the verdict is at best `check`.
    double minHeadCoverage = 0.15;
    double minFieldOfViewInsideAnatomy = 0.75;
};

// The names of the thresholds as they appear in the JSON file and the report, each with its
// value.
std::vector<std::pair<std::string, double>> thresholdEntries(const Thresholds& thresholds);

// Reads a JSON object whose keys are among thresholdEntries' names (any subset; the rest keep
// their values in `thresholds`). Unknown keys, values that are not finite non-negative numbers
// and contradicting pairs are refused with one sentence in `error`.
bool readThresholds(const std::string& path, Thresholds& thresholds, std::string& error);
bool parseThresholds(const std::string& text, Thresholds& thresholds, std::string& error);

// What the verdict is decided from.
struct VerdictEvidence {
    bool measured = false;  // false: nothing could be compared (no overlap, a flat image)
    bool overlaps = false;  // the fields of view overlap at the header alignment
    double shiftLengthMm = 0;
    double rmsDisplacementMm = 0;
    double flipMargin = 0;
    double headCoverage = 0;
    double fieldOfViewInsideAnatomy = 0;
};

// The verdict, and one short sentence per reason that made it worse than `aligned`.
Verdict decideVerdict(const VerdictEvidence& evidence, const Thresholds& thresholds,
                      std::vector<std::string>& reasons);

}  // namespace orvane::keldra::check
