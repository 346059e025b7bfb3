// The alignment check's terminal line and JSON object.
#include "keldra/check/check_summary.h"

#include <cmath>
#include <cstdio>

namespace orvane::keldra::check {
namespace {

std::string number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string s = text;
    // A typographic minus, as in the rest of the line; "-0.0" is shown as 0.0.
    if (s[0] == '-') {
        s = std::stod(s) == 0 ? s.substr(1) : "\u2212" + s.substr(1);
    }
    return s;
}

nlohmann::json vector(const Vector3d& p) { return nlohmann::json::array({p.x, p.y, p.z}); }

}  // namespace

std::string summaryLine(const std::string& functionalName, const AlignmentCheck& r) {
    std::string line = functionalName + ": " + verdictName(r.verdict) + " \u2014 ";
    if (!r.measured) {
        line += r.reasons.empty() ? r.problem : r.reasons.front();
        if (r.headCoverage == 0 && r.problem.empty()) {
            line += " (head coverage 0 %)";
        }
        return line;
    }
    line += "best fit " + number(r.shiftLengthMm, 1) + " mm away (R " + number(r.shiftMm.x, 1) + ", A " +
            number(r.shiftMm.y, 1) + ", S " + number(r.shiftMm.z, 1) + "), NMI " + number(r.nmiAtHeader, 2) +
            " \u2192 " + number(r.nmiAtBest, 2);
    const Thresholds& t = r.thresholds;
    if (r.rmsDisplacementMm > t.alignedMaxRmsMm) {
        line += "; rigid fit moves the head by " + number(r.rmsDisplacementMm, 1) + " mm RMS (rotation " +
                number(r.rotationDegrees.x, 1) + "\u00b0, " + number(r.rotationDegrees.y, 1) + "\u00b0, " +
                number(r.rotationDegrees.z, 1) + "\u00b0)";
    }
    if (r.leftRightFlipSuspected) {
        line += "; left-right flip suspected (margin " + number(r.leftRightMargin, 2) + ")";
    }
    if (r.headCoverage < t.minHeadCoverage) {
        line += "; covers " + number(100 * r.headCoverage, 0) + " % of the head";
    }
    if (r.fieldOfViewInsideAnatomy < t.minFieldOfViewInsideAnatomy) {
        line += "; " + number(100 * (1 - r.fieldOfViewInsideAnatomy), 0) + " % of it lies outside the anatomy";
    }
    return line;
}

std::vector<std::string> pictureCaption(const std::string& functionalName, const AlignmentCheck& r) {
    // The terminal line's first part, then the rest of the numbers, in ASCII.
    std::string first = summaryLine(functionalName, r);
    const std::size_t more = first.find("; ");
    if (more != std::string::npos) {
        first.resize(more);
    }
    std::vector<std::string> lines = {first};
    if (r.measured) {
        lines.push_back("rigid fit: rotation " + number(r.rotationDegrees.x, 1) + ", " + number(r.rotationDegrees.y, 1) +
                        ", " + number(r.rotationDegrees.z, 1) + " deg, RMS displacement " +
                        number(r.rmsDisplacementMm, 1) + " mm; left-right margin " + number(r.leftRightMargin, 2) +
                        (r.leftRightFlipSuspected ? " (flip suspected)" : "") + "; head coverage " +
                        number(100 * r.headCoverage, 0) + " %");
    }
    for (std::string& line : lines) {
        for (const auto& [from, to] : {std::pair<std::string, std::string>{"\u2014", "-"}, {"\u2212", "-"},
                                       {"\u2192", "->"}, {"\u00b0", " deg"}}) {
            for (std::size_t at = line.find(from); at != std::string::npos; at = line.find(from, at)) {
                line.replace(at, from.size(), to);
            }
        }
    }
    return lines;
}

nlohmann::json checkAsJson(const std::string& functionalPath, const AlignmentCheck& r) {
    nlohmann::json j;
    j["functional"] = functionalPath;
    j["measure"] = "nmi";
    j["measured"] = r.measured;
    const nlohmann::json none;  // null
    j["similarity_at_header"] = r.nmiAtHeader > 0 ? nlohmann::json(r.nmiAtHeader) : none;
    j["similarity_at_best"] = r.measured ? nlohmann::json(r.nmiAtBest) : none;
    j["correlation_ratio_at_header"] = r.nmiAtHeader > 0 ? nlohmann::json(r.correlationRatioAtHeader) : none;
    j["correlation_ratio_at_best"] = r.measured ? nlohmann::json(r.correlationRatioAtBest) : none;
    j["residual_shift_mm"] = r.measured ? vector(r.shiftMm) : none;
    j["residual_shift_length_mm"] = r.measured ? nlohmann::json(r.shiftLengthMm) : none;
    j["rotation_deg"] = r.measured ? vector(r.rotationDegrees) : none;
    j["rigid_shift_mm"] = r.measured ? vector(r.rigidShiftMm) : none;
    j["rms_displacement_mm"] = r.measured ? nlohmann::json(r.rmsDisplacementMm) : none;
    j["rms_sphere_radius_mm"] = kRmsSphereRadiusMm;
    j["similarity_mirrored"] = r.measured ? nlohmann::json(r.nmiMirrored) : none;
    j["left_right_flip_suspected"] = r.leftRightFlipSuspected;
    j["left_right_margin"] = r.measured ? nlohmann::json(r.leftRightMargin) : none;
    j["head_coverage"] = r.headCoverage;
    j["fov_inside_anatomy"] = r.fieldOfViewInsideAnatomy;
    j["non_finite_samples"] = r.nonFiniteSamples;
    j["verdict"] = verdictName(r.verdict);
    j["reasons"] = r.reasons;
    if (!r.problem.empty()) {
        j["problem"] = r.problem;
    }
    nlohmann::json thresholds = nlohmann::json::object();
    for (const auto& [name, value] : thresholdEntries(r.thresholds)) {
        thresholds[name] = value;
    }
    j["thresholds"] = thresholds;
    return j;
}

}  // namespace orvane::keldra::check
