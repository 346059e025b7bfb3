// The grey-level window of a picture.
#include "keldra/picture/grey_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

namespace orvane::keldra::picture {
namespace {

// Found by fuzzing: a functional's NaN and infinite samples reached the sorting of the window's
// percentiles.
TEST(GreyWindow, LeavesNonFiniteSamplesOutAndShowsThemAsBlackOrWhite) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> plain, spiked;
    for (int i = 0; i < 100; ++i) {
        plain.push_back(i < 50 ? 10.0f : 200.0f);
    }
    spiked = plain;
    spiked.insert(spiked.end(), {nan, inf, -inf, nan});
    const GreyWindow window = robustWindow(spiked);
    const GreyWindow expected = robustWindow(plain);
    EXPECT_TRUE(std::isfinite(window.low) && std::isfinite(window.high));
    EXPECT_NEAR(window.low, expected.low, 1e-6);
    EXPECT_NEAR(window.high, expected.high, 1e-6);
    EXPECT_EQ(window.grey(nan), 0);
    EXPECT_EQ(window.grey(inf), 255);
    const GreyWindow none = robustWindow(std::vector<float>{nan, inf});
    EXPECT_LT(none.low, none.high);
}

// Whole-number values (a functional of 16-bit integers) and bytes are counted rather than
// sorted: the window must be the nearest-rank values a sort gives, also at the very ends of
// the order, with non-finite samples among them and with a value that is not whole (sorted).
TEST(GreyWindow, CountedValuesGiveTheSortedRanks) {
    std::vector<float> values;
    for (int i = 0; i < 5000; ++i) {
        values.push_back(static_cast<float>((i * 7919) % 3001 - 700));
    }
    values.push_back(std::numeric_limits<float>::quiet_NaN());
    std::vector<float> halves = values;
    halves.back() = 12.5f;
    std::vector<std::uint8_t> bytes(4099);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 37) % 251 + (i % 5 == 0 ? 4 : 0));
    }
    PictureVolume byteVolume;
    byteVolume.grid.nx = static_cast<int>(bytes.size());
    byteVolume.grid.ny = byteVolume.grid.nz = 1;
    byteVolume.bytes = bytes.data();
    const std::vector<float> byteValues(bytes.begin(), bytes.end());
    for (const auto& [low, high] : {std::pair{0.0, 1.0}, std::pair{0.15, 0.998}, std::pair{0.5, 0.5001}}) {
        for (const std::vector<float>* list : std::vector<const std::vector<float>*>{&values, &halves, &byteValues}) {
            std::vector<float> sorted;
            std::copy_if(list->begin(), list->end(), std::back_inserter(sorted), [](float v) { return std::isfinite(v); });
            std::sort(sorted.begin(), sorted.end());
            const auto rank = [&](double f) { return sorted[static_cast<std::size_t>(std::floor(f * (sorted.size() - 1) + 0.5))]; };
            GreyWindow expected{rank(low), rank(high)};
            if (expected.high <= expected.low) {
                expected = {sorted.front(), sorted.back() > sorted.front() ? sorted.back() : sorted.front() + 1.0f};
            }
            const GreyWindow window = list == &byteValues ? robustWindow(byteVolume, low, high) : robustWindow(*list, low, high);
            EXPECT_EQ(window.low, expected.low) << low << " " << list->size();
            EXPECT_EQ(window.high, expected.high) << high << " " << list->size();
        }
    }
}

}  // namespace
}  // namespace orvane::keldra::picture
