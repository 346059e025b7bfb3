// Gaussian smoothing and halving of check volumes.
#include "keldra/check/volume_filters.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace orvane::keldra::check {
namespace {

inline float finiteOrZero(float s) { return std::isfinite(s) ? s : 0.0f; }

std::vector<double> gaussianKernel(double sigma) {
    const int radius = static_cast<int>(std::ceil(3.0 * sigma));
    std::vector<double> kernel(static_cast<std::size_t>(2 * radius + 1));
    for (int i = -radius; i <= radius; ++i) {
        kernel[static_cast<std::size_t>(i + radius)] = std::exp(-0.5 * i * i / (sigma * sigma));
    }
    return kernel;
}

// The sum of the kernel's weights that fall inside a line of n samples at every position, added
// in the kernel's order (the order the smoothing itself adds in).
std::vector<double> weightsInside(const std::vector<double>& kernel, int n) {
    const int radius = static_cast<int>(kernel.size() / 2);
    std::vector<double> weights(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int from = i - radius < 0 ? 0 : i - radius;
        const int to = i + radius >= n ? n - 1 : i + radius;
        double weight = 0;
        for (int j = from; j <= to; ++j) {
            weight += kernel[static_cast<std::size_t>(j - i + radius)];
        }
        weights[static_cast<std::size_t>(i)] = weight;
    }
    return weights;
}

// One smoothed sample: the weighted sum of `count` samples `stride` apart, added in their
// order, divided by `divisor`.
inline float weightedSum(const float* first, std::size_t stride, const double* taps, int count, double divisor) {
    double sum = 0;
    for (int t = 0; t < count; ++t) {
        sum += taps[t] * static_cast<double>(first[static_cast<std::size_t>(t) * stride]);
    }
    return static_cast<float>(sum / divisor);
}

// Four neighbouring smoothed samples at once, each exactly as weightedSum() makes it (the same
// products and sums in the same order, two lanes of doubles at a time).
inline void weightedSums4(const float* first, std::size_t stride, const double* taps, int count, double divisor,
                          float* out) {
#if defined(__SSE2__) || defined(_M_X64)
    __m128d low = _mm_setzero_pd();
    __m128d high = _mm_setzero_pd();
    for (int t = 0; t < count; ++t) {
        const __m128 x = _mm_loadu_ps(first + static_cast<std::size_t>(t) * stride);
        const __m128d w = _mm_set1_pd(taps[t]);
        low = _mm_add_pd(low, _mm_mul_pd(w, _mm_cvtps_pd(x)));
        high = _mm_add_pd(high, _mm_mul_pd(w, _mm_cvtps_pd(_mm_movehl_ps(x, x))));
    }
    const __m128d d = _mm_set1_pd(divisor);
    _mm_storeu_ps(out, _mm_movelh_ps(_mm_cvtpd_ps(_mm_div_pd(low, d)), _mm_cvtpd_ps(_mm_div_pd(high, d))));
#else
    for (int e = 0; e < 4; ++e) {
        out[e] = weightedSum(first + e, stride, taps, count, divisor);
    }
#endif
}

// Smooths along an axis of n samples from `in` into `out`, both laid out as [outer][n][inner]
// (inner: the samples of the faster axes). Every output sample is the weighted sum of its
// line's samples within the kernel's reach, in the line's order, divided by the weights inside
// the line; neighbouring samples are computed side by side.
void smoothAlong(const float* in, float* out, std::size_t outer, int n, std::size_t inner, double sigma) {
    const std::vector<double> kernel = gaussianKernel(sigma);
    const int radius = static_cast<int>(kernel.size() / 2);
    const std::vector<double> weights = weightsInside(kernel, n);
    const std::size_t lineLength = static_cast<std::size_t>(n);
    for (std::size_t o = 0; o < outer; ++o) {
        const float* slab = in + o * lineLength * inner;
        float* result = out + o * lineLength * inner;
        for (int i = 0; i < n; ++i) {
            const int from = i - radius < 0 ? 0 : i - radius;
            const int to = i + radius >= n ? n - 1 : i + radius;
            const double* taps = kernel.data() + (from - i + radius);
            const int count = to - from + 1;
            const double weight = weights[static_cast<std::size_t>(i)];
            const float* first = slab + static_cast<std::size_t>(from) * inner;
            float* target = result + static_cast<std::size_t>(i) * inner;
            if (inner == 1) {
                // Along the fastest axis: four output samples side by side where all four see
                // the whole kernel (and so divide by the same weights).
                if (i >= radius && i + 3 + radius < n) {
                    weightedSums4(first, 1, taps, count, weight, target);
                    i += 3;
                } else {
                    *target = weightedSum(first, 1, taps, count, weight);
                }
                continue;
            }
            std::size_t e = 0;
            for (; e + 4 <= inner; e += 4) {
                weightedSums4(first + e, inner, taps, count, weight, target + e);
            }
            for (; e < inner; ++e) {
                target[e] = weightedSum(first + e, inner, taps, count, weight);
            }
        }
    }
}

}  // namespace

Volume smoothed(const Volume& volume, const std::array<double, 3>& sigmaVoxels) {
    Volume result;
    result.size = volume.size;
    result.voxelToWorld = volume.voxelToWorld;
    // Each smoothed axis reads the previous one's output: the input, then two buffers in turn.
    const float* source = volume.samples.data();
    std::vector<float> spare;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const int n = volume.size[axis];
        if (sigmaVoxels[axis] <= 0 || n < 2) {
            continue;
        }
        std::size_t inner = 1;
        for (std::size_t a = 0; a < axis; ++a) {
            inner *= static_cast<std::size_t>(volume.size[a]);
        }
        const std::size_t outer = volume.voxelCount() / (inner * static_cast<std::size_t>(n));
        std::vector<float>& target = source == result.samples.data() ? spare : result.samples;
        target.resize(volume.voxelCount());
        smoothAlong(source, target.data(), outer, n, inner, sigmaVoxels[axis]);
        source = target.data();
    }
    if (source == volume.samples.data()) {
        result.samples = volume.samples;
    } else if (source != result.samples.data()) {
        result.samples.swap(spare);
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
    // Bytes are summed as integers: their sums (at most 8 x 255) are exact in floats too, so
    // this is the float sum, without a conversion per sample.
    constexpr bool bytes = std::is_same_v<Sample, std::uint8_t>;
    std::vector<std::uint32_t> byteSums(bytes ? nx : 0);
    // Sums whole rows of the source into the result row, one source row at a time.
    for (int k = 0; k < result.size[2]; ++k) {
        for (int j = 0; j < result.size[1]; ++j) {
            float* out = &result.samples[result.index(0, j, k)];
            std::fill(byteSums.begin(), byteSums.end(), 0u);
            for (int dk = 0; dk < factor[2]; ++dk) {
                for (int dj = 0; dj < factor[1]; ++dj) {
                    const std::size_t row = static_cast<std::size_t>(k * factor[2] + dk) * static_cast<std::size_t>(size[1]) +
                                            static_cast<std::size_t>(j * factor[1] + dj);
                    const Sample* in = samples + row * static_cast<std::size_t>(size[0]);
                    if constexpr (bytes) {
                        std::uint32_t* sum = byteSums.data();
                        if (factor[0] == 2) {
                            for (std::size_t i = 0; i < nx; ++i) {
                                sum[i] += static_cast<std::uint32_t>(in[2 * i]) + in[2 * i + 1];
                            }
                        } else {
                            for (std::size_t i = 0; i < nx; ++i) {
                                sum[i] += in[i];
                            }
                        }
                    } else if (factor[0] == 2) {
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
            if constexpr (bytes) {
                for (std::size_t i = 0; i < nx; ++i) {
                    out[i] = static_cast<float>(byteSums[i]) * norm;
                }
            } else {
                for (std::size_t i = 0; i < nx; ++i) {
                    out[i] *= norm;
                }
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
