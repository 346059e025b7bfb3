// Drawing the strip plot.
#include "keldra/report/strip_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "keldra/report/report_values.h"

namespace orvane::keldra {
namespace {

constexpr double kLeft = 170;       // room for the band labels
constexpr double kRight = 24;
constexpr double kPlotWidth = 760;
constexpr double kTop = 8;
constexpr double kBandHeight = 54;
constexpr double kAxisHeight = 44;
constexpr double kPointRadius = 6;

// SVG numbers: an ASCII minus, unlike the text people read.
std::string coordinate(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// The point's shape, centred at (x, y), as the verdict's shape is drawn in the banners.
Html pointShape(PageVerdict verdict, double x, double y) {
    const double r = kPointRadius;
    switch (verdict) {
        case PageVerdict::Check:
            return element("path", {{"class", "shape"},
                                    {"d", "M" + coordinate(x) + " " + coordinate(y - r * 1.15) + "l" + coordinate(r * 1.15) +
                                              " " + coordinate(r * 2) + "h" + coordinate(-r * 2.3) + "z"}});
        case PageVerdict::Misaligned:
            return element("rect", {{"class", "shape"},
                                    {"x", coordinate(x - r * 0.9)},
                                    {"y", coordinate(y - r * 0.9)},
                                    {"width", coordinate(r * 1.8)},
                                    {"height", coordinate(r * 1.8)}});
        default:
            return element("circle", {{"class", "shape"}, {"cx", coordinate(x)}, {"cy", coordinate(y)}, {"r", coordinate(r)}});
    }
}

// Spread over the band's height by the golden ratio, so that points of equal value stay apart
// and the same run is drawn at the same place every time.
double jitter(std::size_t index) {
    const double golden = 0.6180339887498949;
    const double f = std::fmod(static_cast<double>(index) * golden, 1.0);
    return f;
}

Html axis(double end, double bottom, const StripThresholds& thresholds, double bandsHeight) {
    Html parts = element("line", {{"class", "axis"},
                                  {"x1", coordinate(kLeft)},
                                  {"x2", coordinate(kLeft + kPlotWidth)},
                                  {"y1", coordinate(bottom)},
                                  {"y2", coordinate(bottom)}});
    static const double kTicks[] = {0, 0.5, 1, 2, 3, 4, 6, 8, 10, 15, 20, 30, 40, 50, 75, 100, 150, 200, 300, 500, 1000};
    double lastX = -100;
    for (double tick : kTicks) {
        if (tick > end * 1.0001) {
            break;
        }
        const double x = kLeft + stripAxisPosition(tick, end) * kPlotWidth;
        if (x - lastX < 30 && tick != end) {
            continue;
        }
        lastX = x;
        parts += element("line", {{"class", "axis"},
                                  {"x1", coordinate(x)},
                                  {"x2", coordinate(x)},
                                  {"y1", coordinate(bottom)},
                                  {"y2", coordinate(bottom + 5)}});
        parts += element("text", {{"class", "tick-label"}, {"x", coordinate(x)}, {"y", coordinate(bottom + 18)}, {"text-anchor", "middle"}},
                         text(formatNumber(tick, tick == std::floor(tick) ? 0 : 1)));
    }
    parts += element("text", {{"class", "tick-label"},
                              {"x", coordinate(kLeft + kPlotWidth / 2)},
                              {"y", coordinate(bottom + 36)},
                              {"text-anchor", "middle"}},
                     text("residual shift length, mm (square-root scale)"));
    const auto line = [&](const std::optional<double>& value, const char* cssClass) {
        if (!value || *value > end) {
            return Html();
        }
        const double x = kLeft + stripAxisPosition(*value, end) * kPlotWidth;
        return element("line", {{"class", std::string("threshold ") + cssClass},
                                {"x1", coordinate(x)},
                                {"x2", coordinate(x)},
                                {"y1", coordinate(kTop)},
                                {"y2", coordinate(kTop + bandsHeight)}});
    };
    parts += line(thresholds.alignedMaxMm, "aligned");
    parts += line(thresholds.misalignedMinMm, "misaligned");
    return parts;
}

}  // namespace

double stripAxisEnd(double largestValueMm, const StripThresholds& thresholds) {
    double needed = std::max(1.0, largestValueMm);
    if (thresholds.misalignedMinMm) {
        needed = std::max(needed, *thresholds.misalignedMinMm * 1.5);
    }
    for (double decade = 1; decade < 1e12; decade *= 10) {
        for (double step : {1.0, 2.0, 5.0}) {
            if (step * decade >= needed) {
                return step * decade;
            }
        }
    }
    return needed;
}

double stripAxisPosition(double valueMm, double axisEndMm) {
    if (!(axisEndMm > 0) || !(valueMm > 0)) {
        return 0;
    }
    return std::min(1.0, std::sqrt(valueMm / axisEndMm));
}

Html stripPlot(const std::vector<StripPoint>& points, const std::vector<std::string>& tasks,
               const StripThresholds& thresholds) {
    double largest = 0;
    std::map<std::string, std::size_t> unmeasured;
    std::map<std::string, std::size_t> measured;
    for (const StripPoint& point : points) {
        if (point.valueMm) {
            largest = std::max(largest, *point.valueMm);
            ++measured[point.task];
        } else {
            ++unmeasured[point.task];
        }
    }
    const double end = stripAxisEnd(largest, thresholds);
    const double bandsHeight = kBandHeight * static_cast<double>(std::max<std::size_t>(1, tasks.size()));
    const double width = kLeft + kPlotWidth + kRight;
    const double height = kTop + bandsHeight + kAxisHeight;

    std::map<std::string, std::size_t> band;
    Html bands;
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        band[tasks[i]] = i;
        const double top = kTop + kBandHeight * static_cast<double>(i);
        const std::string name = tasks[i].empty() ? std::string("(no task)") : "task " + tasks[i];
        bands += element("text", {{"class", "band-label"}, {"x", "4"}, {"y", coordinate(top + kBandHeight / 2 - 2)}}, text(name));
        const std::size_t shown = measured[tasks[i]];
        std::string counts = std::to_string(shown) + (shown == 1 ? " run" : " runs");
        if (unmeasured[tasks[i]] > 0) {
            counts += ", " + std::to_string(unmeasured[tasks[i]]) + " without a shift";
        }
        bands += element("text", {{"class", "band-label"}, {"x", "4"}, {"y", coordinate(top + kBandHeight / 2 + 13)}}, text(counts));
        bands += element("line", {{"class", "band-rule"},
                                  {"x1", coordinate(kLeft)},
                                  {"x2", coordinate(kLeft + kPlotWidth)},
                                  {"y1", coordinate(top + kBandHeight)},
                                  {"y2", coordinate(top + kBandHeight)}});
    }

    Html marks;
    std::size_t index = 0;
    for (const StripPoint& point : points) {
        const auto found = band.find(point.task);
        if (!point.valueMm || found == band.end()) {
            continue;
        }
        const double x = kLeft + stripAxisPosition(*point.valueMm, end) * kPlotWidth;
        const double top = kTop + kBandHeight * static_cast<double>(found->second);
        const double y = top + kPointRadius + 3 + jitter(index++) * (kBandHeight - 2 * kPointRadius - 6);
        const std::string description =
            point.label + ": " + formatNumber(*point.valueMm, 1) + " mm, " + verdictName(point.verdict);
        marks += element("a",
                         {{"class", std::string("point verdict-") + verdictClass(point.verdict)},
                          {"href", point.href},
                          {"data-id", point.id},
                          {"aria-label", description}},
                         element("title", {}, text(description)) + pointShape(point.verdict, x, y));
    }
    const std::string size = coordinate(width) + " " + coordinate(height);
    return element("svg",
                   {{"class", "strip-plot"},
                    {"viewBox", "0 0 " + size},
                    {"width", coordinate(width)},
                    {"height", coordinate(height)},
                    {"aria-labelledby", "strip-plot-title"}},
                   element("title", {{"id", "strip-plot-title"}},
                           text("Residual shift length of each run, one band per task; each point links to its run")) +
                       bands + axis(end, kTop + bandsHeight, thresholds, bandsHeight) + marks);
}

}  // namespace orvane::keldra
