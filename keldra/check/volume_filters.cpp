// Gaussian smoothing and halving of check volumes.
#include "keldra/check/volume_filters.h"

#include <cmath>
#include <vector>

namespace orvane::keldra::check {
namespace {

inline float finiteOrZero(float s) { return std::isfinite(s) ? s : 0.0f; }
inline float finiteOrZero(std::uint8_t s) { return s; }

std::vector<double> gaussianKernel(double sigma) {
    const int radius = static_cast<int>(std::ceil(3.0 * sigma));
    std::vector<double> kernel(static_cast<std::size_t>(2 * radius + 1));
    for (int i = -radius; i <= radius; ++i) {
        kernel[static_cast<std::size_t>(i + radius)] = std::exp(-0.5 * i * i / (sigma * sigma));
    }
    return kernel;
}

// Smooths every line of the volume along `axis` in place.
void smoothAlong(Volume& volume, int axis, double sigma) {
    const int n = volume.size[static_cast<std::size_t>(axis)];
    if (sigma <= 0 || n < 2) {
        return;
    }
    const std::vector<double> kernel = gaussianKernel(sigma);
    const int radius = static_cast<int>(kernel.size() / 2);
    const std::size_t stride = axis == 0 ? 1
                               : axis == 1 ? static_cast<std::size_t>(volume.size[0])
                                           : static_cast<std::size_t>(volume.size[0]) * volume.size[1];
    const std::size_t lines = volume.voxelCount() / static_cast<std::size_t>(n);
    std::vector<double> line(static_cast<std::size_t>(n));
    for (std::size_t l = 0; l < lines; ++l) {
        // The first sample of line l: lines run over the other two axes.
        const std::size_t start = axis == 0 ? l * static_cast<std::size_t>(n)
                                  : axis == 1 ? (l / volume.size[0]) * volume.size[0] * static_cast<std::size_t>(n) +
                                                    l % volume.size[0]
                                              : l;
        for (int i = 0; i < n; ++i) {
            line[static_cast<std::size_t>(i)] = volume.samples[start + static_cast<std::size_t>(i) * stride];
        }
        for (int i = 0; i < n; ++i) {
            double sum = 0;
            double weight = 0;
            const int from = i - radius < 0 ? 0 : i - radius;
            const int to = i + radius >= n ? n - 1 : i + radius;
            for (int j = from; j <= to; ++j) {
                const double w = kernel[static_cast<std::size_t>(j - i + radius)];
                sum += w * line[static_cast<std::size_t>(j)];
                weight += w;
            }
            volume.samples[start + static_cast<std::size_t>(i) * stride] = static_cast<float>(sum / weight);
        }
    }
}

}  // namespace

Volume smoothed(const Volume& volume, const std::array<double, 3>& sigmaVoxels) {
    Volume result = volume;
    for (int axis = 0; axis < 3; ++axis) {
        smoothAlong(result, axis, sigmaVoxels[static_cast<std::size_t>(axis)]);
    }
    return result;
}

namespace {

template <typename Sample>
Volume halvedSamples(const Sample* samples, const std::array<int, 3>& size, const Affine& voxelToWorld,
                     const std::array<bool, 3>& halve) {
    Volume result;
    std::array<int, 3> factor{};
    for (std::size_t a = 0; a < 3; ++a) {
        factor[a] = halve[a] && size[a] >= 2 ? 2 : 1;
        result.size[a] = size[a] / factor[a];
    }
    result.samples.assign(result.voxelCount(), 0.0f);
    const float norm = 1.0f / static_cast<float>(factor[0] * factor[1] * factor[2]);
    const std::size_t nx = static_cast<std::size_t>(result.size[0]);
    // Sums whole rows of the source into the result row, one source row at a time.
    for (int k = 0; k < result.size[2]; ++k) {
        for (int j = 0; j < result.size[1]; ++j) {
            float* out = &result.samples[result.index(0, j, k)];
            for (int dk = 0; dk < factor[2]; ++dk) {
                for (int dj = 0; dj < factor[1]; ++dj) {
                    const std::size_t row = static_cast<std::size_t>(k * factor[2] + dk) * static_cast<std::size_t>(size[1]) +
                                            static_cast<std::size_t>(j * factor[1] + dj);
                    const Sample* in = samples + row * static_cast<std::size_t>(size[0]);
                    if (factor[0] == 2) {
                        for (std::size_t i = 0; i < nx; ++i) {
                            out[i] += finiteOrZero(in[2 * i]) + finiteOrZero(in[2 * i + 1]);
                        }
                    } else {
                        for (std::size_t i = 0; i < nx; ++i) {
                            out[i] += finiteOrZero(in[i]);
                        }
                    }
                }
            }
            for (std::size_t i = 0; i < nx; ++i) {
                out[i] *= norm;
            }
        }
    }
    // New voxel i sits at old (factor * i + (factor - 1) / 2).
    Affine step = Affine::identity();
    for (int a = 0; a < 3; ++a) {
        step.m[static_cast<std::size_t>(a)][static_cast<std::size_t>(a)] = factor[static_cast<std::size_t>(a)];
        step.m[static_cast<std::size_t>(a)][3] = (factor[static_cast<std::size_t>(a)] - 1) / 2.0;
    }
    result.voxelToWorld = voxelToWorld * step;
    return result;
}

}  // namespace

Volume halved(const Volume& volume, const std::array<bool, 3>& halve) {
    return halvedSamples(volume.samples.data(), volume.size, volume.voxelToWorld, halve);
}

Volume halved(const std::uint8_t* samples, const std::array<int, 3>& size, const Affine& voxelToWorld,
              const std::array<bool, 3>& halve) {
    return halvedSamples(samples, size, voxelToWorld, halve);
}

Volume withFiniteSamples(const Volume& volume, float value) {
    Volume result = volume;
    for (float& s : result.samples) {
        if (!std::isfinite(s)) {
            s = value;
        }
    }
    return result;
}

}  // namespace orvane::keldra::check
