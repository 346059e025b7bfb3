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

// The sum for one sample of a row, over the taps that fall inside it, from the left.
inline float rowSum(const float* row, int width, int x, const std::vector<float>& kernel, int radius) {
    const int from = std::max(0, x - radius);
    const int to = std::min(width - 1, x + radius);
    float sum = 0.0f;
    for (int j = from; j <= to; ++j) {
        sum += kernel[static_cast<std::size_t>(j - x + radius)] * row[j];
    }
    return sum;
}

// Along each row. Samples whose taps all fall inside the row are summed tap by tap across the
// whole stretch at once, each sum still in the order of its taps, which gives the same floats.
void smoothRows(const std::vector<float>& in, std::vector<float>& out, int width, int height,
                const std::vector<float>& kernel) {
    const int radius = static_cast<int>(kernel.size() / 2);
    const int first = std::min(radius, width);          // the first sample with every tap inside
    const int last = std::max(first, width - radius);   // one past the last
    for (int y = 0; y < height; ++y) {
        const float* row = in.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        float* result = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < first; ++x) {
            result[x] = rowSum(row, width, x, kernel, radius);
        }
        std::fill(result + first, result + last, 0.0f);
        for (int t = 0; t <= 2 * radius; ++t) {
            const float w = kernel[static_cast<std::size_t>(t)];
            const float* tap = row + t - radius;
            for (int x = first; x < last; ++x) {
                result[x] += w * tap[x];
            }
        }
        for (int x = last; x < width; ++x) {
            result[x] = rowSum(row, width, x, kernel, radius);
        }
    }
}

// Along each column, a whole row at a time, so that the inner loop runs over neighbouring
// samples.
void smoothColumns(const std::vector<float>& in, std::vector<float>& out, int width, int height,
                   const std::vector<float>& kernel) {
    const int radius = static_cast<int>(kernel.size() / 2);
    std::fill(out.begin(), out.end(), 0.0f);
    for (int y = 0; y < height; ++y) {
        float* result = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        const int from = std::max(0, y - radius);
        const int to = std::min(height - 1, y + radius);
        for (int k = from; k <= to; ++k) {
            const float w = kernel[static_cast<std::size_t>(k - y + radius)];
            const float* row = in.data() + static_cast<std::size_t>(k) * static_cast<std::size_t>(width);
            for (int x = 0; x < width; ++x) {
                result[x] += w * row[x];
            }
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
