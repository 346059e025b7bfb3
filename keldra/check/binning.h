// Intensity bins for the joint histogram: equal widths between two robust limits of a volume's
// values (percentiles, so a few extreme voxels do not squeeze everything into one bin), and a
// bin count that suits the number of samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "keldra/check/check_volume.h"

namespace orvane::keldra::check {

struct Binning {
    double lo = 0;
    double hi = 1;
    int bins = 32;
};

// The bin of `value`; values beyond the limits fall into the end bins.
int binOf(const Binning& binning, double value);

// The q-quantile (0..1) of the finite samples of `volume` where `mask` is 1 (everywhere when
// `mask` is empty); NaN when there is none.
double quantile(const Volume& volume, const std::vector<std::uint8_t>& mask, double q);

// Enough bins that each holds a fair number of samples: from 8 for a few hundred samples to 32.
int binCountFor(std::size_t samples);

}  // namespace orvane::keldra::check
