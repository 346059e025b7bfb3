// Separable Gaussian smoothing.
#include "keldra/picture/field_smoothing.h"

#include <algorithm>
#include <cmath>

namespace orvane::keldra::picture {
namespace {

std::vector<float> gaussianKernel(double sigma) {
    const int radius = std::max(1, static_cast<int>(std::ceil(3.0 * sigma)));
    std::vector<float> kernel(static_cast<std::size_t>(2 * radius + 1));
    double total = 0.0;
    for (int k = -radius; k <= radius; ++k) {
        const double w = std::exp(-0.5 * (k * k) / (sigma * sigma));
        kernel[static_cast<std::size_t>(k + radius)] = static_cast<float>(w);
        total += w;
    }
    for (float& w : kernel) {
        w = static_cast<float>(w / total);
    }
    return kernel;
}

// Smoothed samples are worked out eight neighbours at a time, which the compiler keeps in
// vector registers; each sample is still the sum of its taps in their order, from zero, so the
// floats are those of summing one sample at a time.
constexpr int kBlock = 8;

// Samples i = 0..7: the sum over taps t of weights[t] * first[t * tapStride + i], in order of t.
inline void blockSums(const float* first, std::size_t tapStride, const float* weights, int taps, float* out) {
    float sums[kBlock] = {};
    for (int t = 0; t < taps; ++t) {
        const float w = weights[t];
        const float* tap = first + static_cast<std::size_t>(t) * tapStride;
        for (int i = 0; i < kBlock; ++i) {
            sums[i] += w * tap[i];
        }
    }
    std::copy(sums, sums + kBlock, out);
}

// One sample's sum, the taps `tapStride` apart from `first`, for what blockSums leaves over.
inline float oneSum(const float* first, std::size_t tapStride, const float* weights, int taps) {
    float sum = 0.0f;
    for (int t = 0; t < taps; ++t) {
        sum += weights[t] * first[static_cast<std::size_t>(t) * tapStride];
    }
    return sum;
}

// Along each row: near the ends only the taps inside the row count.
void smoothRows(const std::vector<float>& in, std::vector<float>& out, int width, int height,
                const std::vector<float>& kernel) {
    const int radius = static_cast<int>(kernel.size() / 2);
    const int first = std::min(radius, width);          // the first sample with every tap inside
    const int last = std::max(first, width - radius);   // one past the last
    const auto clipped = [&](const float* row, int x) {
        const int from = std::max(0, x - radius);
        const int to = std::min(width - 1, x + radius);
        return oneSum(row + from, 1, kernel.data() + (from - x + radius), to - from + 1);
    };
    for (int y = 0; y < height; ++y) {
        const float* row = in.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        float* result = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        int x = 0;
        for (; x < first; ++x) {
            result[x] = clipped(row, x);
        }
        for (; x + kBlock <= last; x += kBlock) {
            blockSums(row + (x - radius), 1, kernel.data(), 2 * radius + 1, result + x);
        }
        for (; x < width; ++x) {
            result[x] = clipped(row, x);
        }
    }
}

// Along each column: every sample of an output row has the same taps, the rows above and below.
void smoothColumns(const std::vector<float>& in, std::vector<float>& out, int width, int height,
                   const std::vector<float>& kernel) {
    const int radius = static_cast<int>(kernel.size() / 2);
    const std::size_t stride = static_cast<std::size_t>(width);
    for (int y = 0; y < height; ++y) {
        float* result = out.data() + static_cast<std::size_t>(y) * stride;
        const int from = std::max(0, y - radius);
        const int to = std::min(height - 1, y + radius);
        const float* top = in.data() + static_cast<std::size_t>(from) * stride;
        const float* weights = kernel.data() + (from - y + radius);
        int x = 0;
        for (; x + kBlock <= width; x += kBlock) {
            blockSums(top + x, stride, weights, to - from + 1, result + x);
        }
        for (; x < width; ++x) {
            result[x] = oneSum(top + x, stride, weights, to - from + 1);
        }
    }
}

}  // namespace

void smoothField(std::vector<float>& field, int width, int height, double sigma) {
    if (!(sigma >= 0.1) || width <= 0 || height <= 0) {
        return;
    }
    const std::vector<float> kernel = gaussianKernel(sigma);
    std::vector<float> pass(field.size());
    smoothRows(field, pass, width, height, kernel);
    smoothColumns(pass, field, width, height, kernel);
}

}  // namespace orvane::keldra::picture
