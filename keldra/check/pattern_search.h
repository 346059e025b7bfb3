// A bounded pattern search that maximises a function of up to six parameters without
// derivatives: from the start it tries one step up and down along each free parameter, moves to
// the best improvement, and halves the steps when none improves, until the smallest step. A last
// parabola through the final three values along each parameter places the maximum between
// the grid points.
#pragma once

#include <array>
#include <functional>

#include "keldra/check/rigid_motion.h"

namespace orvane::keldra::check {

struct SearchSettings {
    std::array<bool, 6> free{true, true, true, false, false, false};
    std::array<double, 6> firstStep{};
    double halvings = 3;  // the last step is firstStep / 2^halvings
    std::array<double, 6> lowest{};
    std::array<double, 6> highest{};
};

struct SearchResult {
    MotionParameters parameters{};
    double value = 0;
    int evaluations = 0;
};

SearchResult patternSearch(const std::function<double(const MotionParameters&)>& objective,
                           const MotionParameters& start, double startValue, const SearchSettings& settings);

}  // namespace orvane::keldra::check
