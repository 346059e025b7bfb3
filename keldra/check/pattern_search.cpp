// The pattern search of the alignment check.
#include "keldra/check/pattern_search.h"

#include <algorithm>
#include <cmath>

namespace orvane::keldra::check {

SearchResult patternSearch(const std::function<double(const MotionParameters&)>& objective,
                           const MotionParameters& start, double startValue, const SearchSettings& settings) {
    SearchResult result{start, startValue, 0};
    // The values one last step either side, along each parameter, for the final parabola.
    std::array<double, 6> below{}, above{};
    std::array<double, 6> step = settings.firstStep;
    const int rounds = static_cast<int>(settings.halvings) + 1;
    for (int round = 0; round < rounds; ++round) {
        // A guard against endless wandering: a step can be taken at most this often per round.
        for (int moves = 0; moves < 64; ++moves) {
            double bestValue = result.value;
            MotionParameters bestParameters = result.parameters;
            for (std::size_t a = 0; a < 6; ++a) {
                if (!settings.free[a]) {
                    continue;
                }
                for (int sign = -1; sign <= 1; sign += 2) {
                    MotionParameters trial = result.parameters;
                    trial[a] = std::clamp(trial[a] + sign * step[a], settings.lowest[a], settings.highest[a]);
                    const double value = trial[a] == result.parameters[a] ? result.value : objective(trial);
                    ++result.evaluations;
                    (sign < 0 ? below : above)[a] = value;
                    if (value > bestValue) {
                        bestValue = value;
                        bestParameters = trial;
                    }
                }
            }
            if (bestParameters == result.parameters) {
                break;
            }
            result.parameters = bestParameters;
            result.value = bestValue;
        }
        if (round + 1 < rounds) {
            for (double& s : step) {
                s /= 2;
            }
        }
    }
    // The last round ended with every neighbour evaluated and none better.
    MotionParameters vertex = result.parameters;
    for (std::size_t a = 0; a < 6; ++a) {
        if (!settings.free[a]) {
            continue;
        }
        const double curvature = below[a] + above[a] - 2 * result.value;
        if (curvature < 0) {
            const double offset = 0.5 * step[a] * (below[a] - above[a]) / curvature;
            vertex[a] = std::clamp(result.parameters[a] + std::clamp(offset, -step[a], step[a]),
                                   settings.lowest[a], settings.highest[a]);
        }
    }
    if (vertex != result.parameters) {
        const double value = objective(vertex);
        ++result.evaluations;
        if (value >= result.value) {
            result.parameters = vertex;
            result.value = value;
        }
    }
    return result;
}

}  // namespace orvane::keldra::check
