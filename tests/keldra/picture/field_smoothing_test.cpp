// Smoothing sums several samples at once; each must come out as the float that summing it alone,
// tap by tap from the left (or the top), gives, whatever the field's size against the kernel.
#include "keldra/picture/field_smoothing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace orvane::keldra::picture {
namespace {

// One sample at a time: the Gaussian cut at three sigma, normalised in double, applied along the
// rows and then along the columns, each sum over the taps inside the field in their order.
std::vector<float> smoothedOneByOne(const std::vector<float>& field, int width, int height, double sigma) {
    const int radius = std::max(1, static_cast<int>(std::ceil(3.0 * sigma)));
    std::vector<double> raw;
    double total = 0.0;
    for (int k = -radius; k <= radius; ++k) {
        raw.push_back(std::exp(-0.5 * (k * k) / (sigma * sigma)));
        total += raw.back();
    }
    std::vector<float> kernel;
    for (double w : raw) {
        kernel.push_back(static_cast<float>(static_cast<float>(w) / total));
    }
    const auto at = [&](const std::vector<float>& f, int x, int y) { return f[static_cast<std::size_t>(y * width + x)]; };
    std::vector<float> rows(field.size());
    std::vector<float> out(field.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float sum = 0.0f;
            for (int j = std::max(0, x - radius); j <= std::min(width - 1, x + radius); ++j) {
                sum += kernel[static_cast<std::size_t>(j - x + radius)] * at(field, j, y);
            }
            rows[static_cast<std::size_t>(y * width + x)] = sum;
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float sum = 0.0f;
            for (int k = std::max(0, y - radius); k <= std::min(height - 1, y + radius); ++k) {
                sum += kernel[static_cast<std::size_t>(k - y + radius)] * at(rows, x, k);
            }
            out[static_cast<std::size_t>(y * width + x)] = sum;
        }
    }
    return out;
}

TEST(FieldSmoothing, GivesTheFloatsOfSummingEachSampleAlone) {
    // Widths below, at and around the kernel's width and the block of samples summed at once.
    for (const double sigma : {0.7, 1.75, 3.2}) {
        for (const int width : {1, 3, 7, 8, 9, 16, 23, 41}) {
            const int height = width % 5 + 6;
            std::vector<float> field(static_cast<std::size_t>(width * height));
            for (std::size_t i = 0; i < field.size(); ++i) {
                field[i] = static_cast<float>((i * 7919) % 101) * 0.37f - 11.0f;
            }
            const std::vector<float> want = smoothedOneByOne(field, width, height, sigma);
            smoothField(field, width, height, sigma);
            ASSERT_EQ(std::memcmp(field.data(), want.data(), field.size() * sizeof(float)), 0)
                << "sigma " << sigma << ", " << width << " x " << height;
        }
    }
}

}  // namespace
}  // namespace orvane::keldra::picture
