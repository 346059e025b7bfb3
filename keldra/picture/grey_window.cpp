// Percentile window and grey mapping.
#include "keldra/picture/grey_window.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>

namespace orvane::keldra::picture {

std::uint8_t GreyWindow::grey(float value) const {
    if (!(value > low)) {
        return 0;
    }
    if (value >= high) {
        return 255;
    }
    const double scaled = (static_cast<double>(value) - low) / (static_cast<double>(high) - low) * 255.0;
    // Rounds half up, as the value is positive here.
    return static_cast<std::uint8_t>(scaled + 0.5);
}

namespace {

// The nearest-rank quantile of `count` sorted values at `fraction`, as a rank.
std::size_t rankOf(double fraction, std::size_t count) {
    const double position = std::floor(fraction * static_cast<double>(count - 1) + 0.5);
    return static_cast<std::size_t>(std::clamp(position, 0.0, static_cast<double>(count - 1)));
}

// The window from how often each value occurs (`times`, ascending values from `firstValue`),
// `count` values in all: what sorting them would give.
template <typename Count>
GreyWindow countedWindow(const std::vector<Count>& times, float firstValue, std::size_t count,
                         double lowFraction, double highFraction) {
    const auto valueAtRank = [&](std::size_t rank) {
        std::size_t seen = 0;
        for (std::size_t v = 0; v < times.size(); ++v) {
            seen += times[v];
            if (seen > rank) {
                return firstValue + static_cast<float>(v);
            }
        }
        return firstValue + static_cast<float>(times.size() - 1);
    };
    GreyWindow window;
    window.low = valueAtRank(rankOf(lowFraction, count));
    window.high = valueAtRank(rankOf(highFraction, count));
    if (window.high <= window.low) {
        const float smallest = valueAtRank(0);
        const float largest = valueAtRank(count - 1);
        window.low = smallest;
        window.high = largest > smallest ? largest : smallest + 1.0f;
    }
    return window;
}

// The window of 8-bit values, counted exactly.
GreyWindow byteWindow(const PictureVolume& volume, double lowFraction, double highFraction) {
    // Eight bytes at a time into eight tables, summed at the end: one table alone makes each
    // voxel wait for the last voxel of the same value. Each pass stays below 2^32 per table.
    const std::size_t count = volume.count();
    if (count == 0) {
        return {};
    }
    std::array<std::array<std::uint32_t, 256>, 8> partial{};
    std::vector<std::size_t> times(256, 0);
    const std::uint8_t* bytes = volume.bytes;
    constexpr std::size_t kPass = std::size_t{1} << 30;
    for (std::size_t from = 0; from < count; from += kPass) {
        const std::size_t end = std::min(count, from + kPass);
        std::size_t i = from;
        for (; i + 8 <= end; i += 8) {
            std::uint64_t eight;
            std::memcpy(&eight, bytes + i, sizeof eight);
            ++partial[0][eight & 0xff];
            ++partial[1][eight >> 8 & 0xff];
            ++partial[2][eight >> 16 & 0xff];
            ++partial[3][eight >> 24 & 0xff];
            ++partial[4][eight >> 32 & 0xff];
            ++partial[5][eight >> 40 & 0xff];
            ++partial[6][eight >> 48 & 0xff];
            ++partial[7][eight >> 56];
        }
        for (; i < end; ++i) {
            ++partial[0][bytes[i]];
        }
        for (std::size_t v = 0; v < 256; ++v) {
            for (const auto& table : partial) {
                times[v] += table[v];
            }
        }
        partial = {};
    }
    return countedWindow(times, 0.0f, count, lowFraction, highFraction);
}

// Volumes of whole numbers in a range of at most this many values (a functional stored as
// 16-bit integers) are counted, not sorted; and only where floats hold every whole number.
constexpr float kMostCountedValues = 65536.0f;
constexpr float kLargestWholeFloat = 16777216.0f;

// The window of the finite values, counted exactly, when they are all whole numbers within
// kMostCountedValues of each other (and none is -0, which a sort could return for 0); nothing
// otherwise.
std::optional<GreyWindow> wholeNumberWindow(const std::vector<float>& values, double lowFraction, double highFraction) {
    float smallest = INFINITY;
    float largest = -INFINITY;
    std::size_t count = 0;
    for (float v : values) {
        if (!std::isfinite(v)) {
            continue;
        }
        if (v != std::floor(v) || (v == 0.0f && std::signbit(v))) {
            return std::nullopt;
        }
        smallest = std::min(smallest, v);
        largest = std::max(largest, v);
        ++count;
    }
    if (count == 0 || count > UINT32_MAX || !(largest - smallest < kMostCountedValues) ||
        smallest < -kLargestWholeFloat || largest > kLargestWholeFloat) {
        return std::nullopt;
    }
    std::vector<std::uint32_t> times(static_cast<std::size_t>(largest - smallest) + 1, 0);
    for (float v : values) {
        if (std::isfinite(v)) {
            ++times[static_cast<std::size_t>(v - smallest)];
        }
    }
    return countedWindow(times, smallest, count, lowFraction, highFraction);
}

}  // namespace

GreyWindow robustWindow(const PictureVolume& volume, double lowFraction, double highFraction) {
    if (volume.bytes != nullptr) {
        return byteWindow(volume, lowFraction, highFraction);
    }
    return robustWindow(sampledValues(volume), lowFraction, highFraction);
}

GreyWindow robustWindow(const std::vector<float>& values, double lowFraction, double highFraction) {
    // NaN and infinite samples (kept in a functional's data) have no place in a window, and NaN
    // would break the ordering the partial sorts rely on.
    if (const std::optional<GreyWindow> counted = wholeNumberWindow(values, lowFraction, highFraction)) {
        return *counted;
    }
    std::vector<float> sorted;
    sorted.reserve(values.size());
    std::copy_if(values.begin(), values.end(), std::back_inserter(sorted), [](float v) { return std::isfinite(v); });
    if (sorted.empty()) {
        return {};
    }
    const std::size_t lowRank = rankOf(lowFraction, sorted.size());
    const std::size_t highRank = rankOf(highFraction, sorted.size());
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(highRank), sorted.end());
    GreyWindow window;
    window.high = sorted[highRank];
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(lowRank),
                     sorted.begin() + static_cast<std::ptrdiff_t>(highRank));
    window.low = sorted[lowRank];
    if (window.high <= window.low) {
        const auto [smallest, largest] = std::minmax_element(sorted.begin(), sorted.end());
        window.low = *smallest;
        window.high = *largest > *smallest ? *largest : *smallest + 1.0f;
    }
    return window;
}

}  // namespace orvane::keldra::picture
