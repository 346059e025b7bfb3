// Coarse grid, local refinement and the rigid refinement.
#include "keldra/check/placement_search.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace orvane::keldra::check {
namespace {


// The NMI of the placements a search tries. A pattern search comes back to placements it has
// just measured (the one it just left, say): the latest values are remembered, for exactly the
// same parameters, and not measured again.
class Objective {
public:
    Objective(const SimilarityMeasure& measure, const PlacementProblem& problem) : measure_(measure), problem_(problem) {}

    double operator()(const MotionParameters& p) {
        const std::size_t recent = std::min<std::size_t>(measured_.size(), 16);
        for (auto known = measured_.rbegin(); known != measured_.rbegin() + static_cast<std::ptrdiff_t>(recent); ++known) {
            if (std::memcmp(known->first.data(), p.data(), sizeof(MotionParameters)) == 0) {
                return known->second;
            }
        }
        const double value = measure_.nmi(rigidMotion(p, problem_.centre) * problem_.base, scratch_);
        measured_.emplace_back(p, value);
        return value;
    }

private:
    const SimilarityMeasure& measure_;
    const PlacementProblem& problem_;
    SimilarityMeasure::Scratch scratch_;
    std::vector<std::pair<MotionParameters, double>> measured_;
};

SearchSettings translationSettings(double firstStep, double halvings) {
    SearchSettings settings;
    settings.free = {true, true, true, false, false, false};
    settings.firstStep = {firstStep, firstStep, firstStep, 0, 0, 0};
    settings.halvings = halvings;
    settings.lowest = {-kTranslationBoundMm, -kTranslationBoundMm, -kTranslationBoundMm, 0, 0, 0};
    settings.highest = {kTranslationBoundMm, kTranslationBoundMm, kTranslationBoundMm, 0, 0, 0};
    return settings;
}

}  // namespace

Placement searchTranslation(const PlacementProblem& problem) {
    Objective coarse(problem.coarse, problem);
    const double kGridStepMm = problem.gridStepMm;
    const int half = static_cast<int>(std::lround(kTranslationGridRangeMm / kGridStepMm));
    const int n = 2 * half + 1;
    std::vector<double> grid(static_cast<std::size_t>(n * n * n));
    const auto at = [n](int i, int j, int k) { return static_cast<std::size_t>((k * n + j) * n + i); };
    int evaluations = 0;
    for (int k = 0; k < n; ++k) {
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                grid[at(i, j, k)] = coarse({(i - half) * kGridStepMm, (j - half) * kGridStepMm, (k - half) * kGridStepMm, 0, 0, 0});
                ++evaluations;
            }
        }
    }
    // Grid points at least as good as their six neighbours are the starts, best first.
    std::vector<Placement> starts;
    for (int k = 0; k < n; ++k) {
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                const double v = grid[at(i, j, k)];
                const bool peak = v > 0 && (i == 0 || grid[at(i - 1, j, k)] <= v) && (i == n - 1 || grid[at(i + 1, j, k)] <= v) &&
                                  (j == 0 || grid[at(i, j - 1, k)] <= v) && (j == n - 1 || grid[at(i, j + 1, k)] <= v) &&
                                  (k == 0 || grid[at(i, j, k - 1)] <= v) && (k == n - 1 || grid[at(i, j, k + 1)] <= v);
                if (peak) {
                    starts.push_back({{(i - half) * kGridStepMm, (j - half) * kGridStepMm, (k - half) * kGridStepMm, 0, 0, 0}, v, 0});
                }
            }
        }
    }
    if (starts.empty()) {
        // No placement on the grid overlaps: report the header's placement, unmeasured.
        return {{}, 0.0, evaluations};
    }
    std::sort(starts.begin(), starts.end(), [](const Placement& a, const Placement& b) { return a.nmi > b.nmi; });
    starts.resize(std::min(starts.size(), problem.coarseStarts));

    for (Placement& start : starts) {
        const SearchResult r = patternSearch(std::ref(coarse), start.parameters, start.nmi, translationSettings(kGridStepMm / 2, 2));
        start = {r.parameters, r.value, r.evaluations};
        evaluations += r.evaluations;
    }
    std::sort(starts.begin(), starts.end(), [](const Placement& a, const Placement& b) { return a.nmi > b.nmi; });
    starts.resize(std::min(starts.size(), problem.fineStarts));
    // The headers' own placement is always a start at the fine level: the coarse level may
    // miss a narrow maximum there.
    const bool headerAmongStarts = std::any_of(starts.begin(), starts.end(), [](const Placement& s) {
        return std::fabs(s.parameters[0]) + std::fabs(s.parameters[1]) + std::fabs(s.parameters[2]) < 1.0;
    });
    if (!headerAmongStarts) {
        starts.push_back({});
    }

    Objective fine(problem.fine, problem);
    Placement best;
    for (const Placement& start : starts) {
        const SearchResult r = patternSearch(std::ref(fine), start.parameters, fine(start.parameters), translationSettings(1.0, 3));
        evaluations += r.evaluations + 1;
        if (r.value > best.nmi) {
            best = {r.parameters, r.value, 0};
        }
    }
    best.evaluations = evaluations;
    return best;
}

Placement refineRigid(const PlacementProblem& problem, const Placement& start, int halvings) {
    SearchSettings settings;
    settings.free = {true, true, true, true, true, true};
    settings.firstStep = {0.5, 0.5, 0.5, 1.5, 1.5, 1.5};
    settings.halvings = halvings;
    const double t = kTranslationBoundMm, r = kRotationBoundDegrees;
    settings.lowest = {-t, -t, -t, -r, -r, -r};
    settings.highest = {t, t, t, r, r, r};
    Objective fine(problem.fine, problem);
    const SearchResult result = patternSearch(std::ref(fine), start.parameters, start.nmi, settings);
    return {result.parameters, result.value, result.evaluations};
}

}  // namespace orvane::keldra::check
