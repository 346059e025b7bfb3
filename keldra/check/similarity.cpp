// NMI and the correlation ratio between fixed functional sample points and the resampled anatomy.
#include "keldra/check/similarity.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orvane::keldra::check {

SimilarityMeasure::SimilarityMeasure(const Volume& functional, const std::vector<std::uint8_t>& mask,
                                     const Volume& anatomy, const Binning& functionalBins,
                                     const Binning& anatomyBins, std::size_t maxPoints)
    : anatomy_(anatomy),
      functionalVoxelToWorld_(functional.voxelToWorld),
      functionalBins_(functionalBins),
      anatomyBins_(anatomyBins) {
    anatomyWorldToVoxel_ = anatomy.voxelToWorld.inverse().value_or(Affine::identity());
    std::size_t masked = 0;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        masked += mask[i] && std::isfinite(functional.samples[i]) ? 1 : 0;
    }
    // Every stride-th masked voxel, in storage order.
    const std::size_t stride = maxPoints > 0 ? (masked + maxPoints - 1) / maxPoints : 1;
    std::size_t seen = 0;
    for (int k = 0; k < functional.size[2]; ++k) {
        for (int j = 0; j < functional.size[1]; ++j) {
            for (int i = 0; i < functional.size[0]; ++i) {
                const std::size_t index = functional.index(i, j, k);
                const float value = functional.samples[index];
                if (mask[index] && std::isfinite(value) && seen++ % stride == 0) {
                    points_.push_back({static_cast<double>(i), static_cast<double>(j), static_cast<double>(k),
                                       binOf(functionalBins, value)});
                }
            }
        }
    }
    minimumOverlap_ = std::max<std::size_t>(32, points_.size() / 3);

    const std::array<double, 3> anatomySpacing = anatomy.spacingMm();
    const double finest = std::min({anatomySpacing[0], anatomySpacing[1], anatomySpacing[2]});
    const std::array<double, 3> spacing = functional.spacingMm();
    std::array<int, 3> count{};
    for (std::size_t a = 0; a < 3; ++a) {
        count[a] = std::max(1, static_cast<int>(std::lround(spacing[a] / (1.5 * finest))));
    }
    for (int k = 0; k < count[2]; ++k) {
        for (int j = 0; j < count[1]; ++j) {
            for (int i = 0; i < count[0]; ++i) {
                subPoints_.push_back({(i + 0.5) / count[0] - 0.5, (j + 0.5) / count[1] - 0.5, (k + 0.5) / count[2] - 0.5});
            }
        }
    }
}

namespace {

// The anatomy at voxel coordinates (x, y, z), trilinear; false outside its grid. Called for
// every sample point of every evaluation, so it must not cost a call.
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline bool trilinear(const Volume& anatomy, double x, double y, double z, double& value) {
    const int nx = anatomy.size[0], ny = anatomy.size[1], nz = anatomy.size[2];
    if (!(x >= 0 && y >= 0 && z >= 0 && x <= nx - 1 && y <= ny - 1 && z <= nz - 1)) {
        return false;
    }
    // The cell's lower corner, kept inside so that the upper corner exists too.
    const int i = std::min(static_cast<int>(x), nx - 2);
    const int j = std::min(static_cast<int>(y), ny - 2);
    const int k = std::min(static_cast<int>(z), nz - 2);
    const double fx = x - i, fy = y - j, fz = z - k;
    const std::size_t sliceStride = static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny);
    const float* c = anatomy.samples.data() + (static_cast<std::size_t>(k) * sliceStride + static_cast<std::size_t>(j) * nx + i);
    const double c00 = c[0] + fx * (c[1] - c[0]);
    const double c10 = c[nx] + fx * (c[nx + 1] - c[nx]);
    const double c01 = c[sliceStride] + fx * (c[sliceStride + 1] - c[sliceStride]);
    const double c11 = c[sliceStride + nx] + fx * (c[sliceStride + nx + 1] - c[sliceStride + nx]);
    const double c0 = c00 + fy * (c10 - c00);
    const double c1 = c01 + fy * (c11 - c01);
    value = c0 + fz * (c1 - c0);
    return true;
}

}  // namespace

template <typename Visit>
std::size_t SimilarityMeasure::visitOverlap(const Affine& motion, Visit&& visit) const {
    const Affine m = anatomyWorldToVoxel_ * motion * functionalVoxelToWorld_;
    const double background = anatomyBins_.lo;
    std::size_t overlap = 0;
    if (subPoints_.size() == 1) {
        for (const SamplePoint& p : points_) {
            const double x = m.m[0][0] * p.x + m.m[0][1] * p.y + m.m[0][2] * p.z + m.m[0][3];
            const double y = m.m[1][0] * p.x + m.m[1][1] * p.y + m.m[1][2] * p.z + m.m[1][3];
            const double z = m.m[2][0] * p.x + m.m[2][1] * p.y + m.m[2][2] * p.z + m.m[2][3];
            double value;
            if (trilinear(anatomy_, x, y, z, value)) {
                ++overlap;
            } else {
                value = background;
            }
            visit(p.bin, value);
        }
        return overlap;
    }
    // Thick voxels: the mean over the points spread within each; a voxel counts as inside when
    // its centre is.
    std::vector<Vector3d> offsets;
    for (const Vector3d& s : subPoints_) {
        offsets.push_back(m.apply(s) - m.apply({}));
    }
    const double share = 1.0 / static_cast<double>(offsets.size());
    for (const SamplePoint& p : points_) {
        const Vector3d centre = m.apply({p.x, p.y, p.z});
        double centreValue;
        overlap += trilinear(anatomy_, centre.x, centre.y, centre.z, centreValue) ? 1 : 0;
        double sum = 0;
        for (const Vector3d& o : offsets) {
            double value;
            sum += trilinear(anatomy_, centre.x + o.x, centre.y + o.y, centre.z + o.z, value) ? value : background;
        }
        visit(p.bin, sum * share);
    }
    return overlap;
}

namespace {

double entropyTerm(double count) { return count > 0 ? count * std::log(count) : 0.0; }

}  // namespace

double SimilarityMeasure::nmi(const Affine& motion) const {
    Scratch scratch;
    return nmi(motion, scratch);
}

double SimilarityMeasure::nmi(const Affine& motion, Scratch& scratch) const {
    const int fb = functionalBins_.bins;
    const int ab = anatomyBins_.bins;
    const std::size_t cells = static_cast<std::size_t>(fb) * static_cast<std::size_t>(ab);
    // Both are all zero between evaluations, so growing them is enough.
    scratch.joint.resize(std::max(scratch.joint.size(), cells), 0.0);
    scratch.anatomyMarginal.resize(std::max(scratch.anatomyMarginal.size(), static_cast<std::size_t>(ab)), 0.0);
    scratch.positions.resize(points_.size());
    const double scale = (ab - 1) / (anatomyBins_.hi - anatomyBins_.lo);
    const double lo = anatomyBins_.lo;
    const double top = ab - 1;
    // First every point's position among the anatomy's bins, then the histogram: the
    // resampling then runs without waiting on the histogram's memory.
    double* position = scratch.positions.data();
    const std::size_t overlap = visitOverlap(motion, [&](int, double value) {
        // Clamped to [0, top] (NaN to 0), as a maximum and a minimum: no branches.
        const double scaled = (value - lo) * scale;
        const double above = scaled > 0 ? scaled : 0.0;
        *position++ = above < top ? above : top;
    });
    if (overlap < minimumOverlap_) {
        return 0.0;
    }
    // Each anatomy value is shared between its two nearest bins (linear weights), which keeps
    // the measure smooth in the motion.
    double* joint = scratch.joint.data();
    for (std::size_t p = 0; p < points_.size(); ++p) {
        const double x = scratch.positions[p];
        const int a = std::min(static_cast<int>(x), ab - 2);
        const double f = x - a;
        double* row = joint + static_cast<std::size_t>(points_[p].bin) * static_cast<std::size_t>(ab);
        row[a] += 1.0 - f;
        row[a + 1] += f;
    }
    double jointSum = 0;
    double functionalSum = 0;
    double* anatomyMarginal = scratch.anatomyMarginal.data();
    for (int f = 0; f < fb; ++f) {
        double rowTotal = 0;
        double* row = joint + static_cast<std::size_t>(f) * static_cast<std::size_t>(ab);
        for (int a = 0; a < ab; ++a) {
            const double c = row[a];
            row[a] = 0.0;  // ready for the next evaluation
            rowTotal += c;
            anatomyMarginal[a] += c;
            jointSum += entropyTerm(c);
        }
        functionalSum += entropyTerm(rowTotal);
    }
    double anatomySum = 0;
    for (int a = 0; a < ab; ++a) {
        anatomySum += entropyTerm(anatomyMarginal[a]);
        anatomyMarginal[a] = 0.0;
    }
    // With n samples, H = log n - (sum c log c) / n for each of the three distributions.
    const double n = static_cast<double>(points_.size());
    const double logN = std::log(n);
    const double hJoint = logN - jointSum / n;
    const double hFunctional = logN - functionalSum / n;
    const double hAnatomy = logN - anatomySum / n;
    return hJoint > 0 ? (hFunctional + hAnatomy) / hJoint : 0.0;
}

Similarity SimilarityMeasure::similarity(const Affine& motion) const {
    Similarity result;
    result.nmi = nmi(motion);
    const std::size_t fb = static_cast<std::size_t>(functionalBins_.bins);
    std::vector<double> count(fb, 0.0), sum(fb, 0.0), squares(fb, 0.0);
    result.overlap = visitOverlap(motion, [&](int bin, double value) {
        const std::size_t b = static_cast<std::size_t>(bin);
        count[b] += 1;
        sum[b] += value;
        squares[b] += value * value;
    });
    if (result.overlap < minimumOverlap_) {
        result.nmi = 0;
        return result;
    }
    double n = 0, s = 0, ss = 0, within = 0;
    for (std::size_t b = 0; b < fb; ++b) {
        n += count[b];
        s += sum[b];
        ss += squares[b];
        if (count[b] > 0) {
            within += squares[b] - sum[b] * sum[b] / count[b];
        }
    }
    const double total = ss - s * s / n;
    result.correlationRatio = total > 0 ? std::max(0.0, 1.0 - within / total) : 0.0;
    return result;
}

}  // namespace orvane::keldra::check
