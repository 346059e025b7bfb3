// The group page's strip plot: the residual shift length of every run, one band per task, as
// SVG written into the page. Each point is a link to its run and has the shape of its verdict
// (verdict_marks.h). The axis runs on a square-root scale from 0 to a round number at or
// above the largest shift, so that an outlier of 40 mm is drawn where it lies, never clipped,
// while the runs within a few millimetres stay apart; the two shift thresholds are drawn as
// dashed lines. Runs without a shift (not checked, nothing measured) are counted in their band's
// label.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "keldra/report/html_markup.h"
#include "keldra/report/verdict_marks.h"

namespace orvane::keldra {

struct StripPoint {
    std::string task;
    std::optional<double> valueMm;  // none: not measured
    PageVerdict verdict = PageVerdict::NotChecked;
    std::string id;     // the run's id, shared with its table row
    std::string href;   // where a click takes the reader
    std::string label;  // what the point is called, e.g. "sub-01 task-rest run-1"
};

struct StripThresholds {
    std::optional<double> alignedMaxMm;
    std::optional<double> misalignedMinMm;
};

// The plot's axis: its end in millimetres, and where a value lies between 0 and 1 along it.
double stripAxisEnd(double largestValueMm, const StripThresholds& thresholds);
double stripAxisPosition(double valueMm, double axisEndMm);

// The plot as an <svg> element; `tasks` in the order of their bands.
Html stripPlot(const std::vector<StripPoint>& points, const std::vector<std::string>& tasks,
               const StripThresholds& thresholds);

}  // namespace orvane::keldra
