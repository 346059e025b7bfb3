// Thresholds, their JSON file and the verdict.
#include "keldra/check/verdict.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace orvane::keldra::check {
namespace {

std::vector<std::pair<const char*, double Thresholds::*>> thresholdFields() {
    return {{"aligned_max_shift_mm", &Thresholds::alignedMaxShiftMm},
            {"misaligned_min_shift_mm", &Thresholds::misalignedMinShiftMm},
            {"aligned_max_rms_mm", &Thresholds::alignedMaxRmsMm},
            {"misaligned_min_rms_mm", &Thresholds::misalignedMinRmsMm},
            {"flip_min_margin", &Thresholds::flipMinMargin},
            {"min_head_coverage", &Thresholds::minHeadCoverage},
            {"min_fov_inside_anatomy", &Thresholds::minFieldOfViewInsideAnatomy}};
}

std::string format(const char* pattern, double value) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

}  // namespace

const char* verdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Aligned:
            return "aligned";
        case Verdict::Check:
            return "check";
        case Verdict::Misaligned:
            return "misaligned";
    }
    return "check";
}

std::vector<std::pair<std::string, double>> thresholdEntries(const Thresholds& thresholds) {
    std::vector<std::pair<std::string, double>> entries;
    for (const auto& [name, field] : thresholdFields()) {
        entries.emplace_back(name, thresholds.*field);
    }
    return entries;
}

bool parseThresholds(const std::string& text, Thresholds& thresholds, std::string& error) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        error = "the thresholds file is not a JSON object";
        return false;
    }
    Thresholds read = thresholds;
    const auto fields = thresholdFields();
    for (const auto& item : json.items()) {
        const std::string& key = item.key();
        const nlohmann::json& value = item.value();
        auto field = std::find_if(fields.begin(), fields.end(), [&key](const auto& f) { return key == f.first; });
        if (field == fields.end()) {
            error = "unknown threshold \"" + key + "\" in the thresholds file";
            return false;
        }
        if (!value.is_number() || !std::isfinite(value.get<double>()) || value.get<double>() < 0) {
            error = "threshold \"" + key + "\" must be a finite number of at least 0";
            return false;
        }
        read.*(field->second) = value.get<double>();
    }
    if (read.alignedMaxShiftMm > read.misalignedMinShiftMm || read.alignedMaxRmsMm > read.misalignedMinRmsMm) {
        error = "an aligned_max threshold is above its misaligned_min partner";
        return false;
    }
    if (read.minHeadCoverage > 1 || read.minFieldOfViewInsideAnatomy > 1) {
        error = "coverage thresholds are shares between 0 and 1";
        return false;
    }
    thresholds = read;
    return true;
}

bool readThresholds(const std::string& path, Thresholds& thresholds, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open the thresholds file " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!parseThresholds(text.str(), thresholds, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

Verdict decideVerdict(const VerdictEvidence& e, const Thresholds& t, std::vector<std::string>& reasons) {
    Verdict verdict = Verdict::Aligned;
    const auto worsen = [&](Verdict v, std::string reason) {
        verdict = std::max(verdict, v);
        reasons.push_back(std::move(reason));
    };
    if (!e.overlaps) {
        worsen(Verdict::Misaligned, "the functional's field of view does not overlap the anatomy's head");
        return verdict;
    }
    if (!e.measured) {
        worsen(Verdict::Check, "the alignment could not be measured");
        return verdict;
    }
    if (e.flipMargin >= t.flipMinMargin) {
        worsen(Verdict::Misaligned, format("left-right flip suspected (margin %.3f)", e.flipMargin));
    }
    if (e.shiftLengthMm >= t.misalignedMinShiftMm) {
        worsen(Verdict::Misaligned, format("residual shift %.1f mm", e.shiftLengthMm));
    } else if (e.shiftLengthMm > t.alignedMaxShiftMm) {
        worsen(Verdict::Check, format("residual shift %.1f mm", e.shiftLengthMm));
    }
    if (e.rmsDisplacementMm >= t.misalignedMinRmsMm) {
        worsen(Verdict::Misaligned, format("RMS displacement %.1f mm", e.rmsDisplacementMm));
    } else if (e.rmsDisplacementMm > t.alignedMaxRmsMm) {
        worsen(Verdict::Check, format("RMS displacement %.1f mm", e.rmsDisplacementMm));
    }
    if (e.headCoverage < t.minHeadCoverage) {
        worsen(Verdict::Check, format("the functional covers %.0f %% of the head", 100 * e.headCoverage));
    }
    if (e.fieldOfViewInsideAnatomy < t.minFieldOfViewInsideAnatomy) {
        worsen(Verdict::Check, format("%.0f %% of the functional's head lies outside the anatomy's grid",
                                      100 * (1 - e.fieldOfViewInsideAnatomy)));
    }
    return verdict;
}

}  // namespace orvane::keldra::check
