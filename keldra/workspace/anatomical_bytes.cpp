// Turning an anatomical's samples into VMR bytes.
#include "keldra/workspace/anatomical_bytes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <sstream>
#include <system_error>
#include <thread>

namespace orvane::keldra {

namespace {

// What the scaling needs to know of the finite values.
struct FiniteValues {
    std::size_t count = 0;
    double low = 0;
    double high = 0;
    double atPercentile = 0;
};

// Runs `work(begin, end, second)` over [0, count): a large volume in two halves at once, the
// second on a thread of its own; a small one (or one where no thread can start) in one go.
template <typename Work>
void inHalves(std::size_t count, Work work) {
    constexpr std::size_t kWorthAThread = std::size_t{1} << 20;
    const std::size_t half = count / 2;
    std::thread second;
    if (count >= kWorthAThread) {
        try {
            second = std::thread([&] { work(half, count, true); });
        } catch (const std::system_error&) {
        }
    }
    if (!second.joinable()) {
        work(0, count, false);
        return;
    }
    work(0, half, false);
    second.join();
}

std::size_t percentileRank(std::size_t count) {
    return static_cast<std::size_t>(std::floor(kAnatomicalPercentile * static_cast<double>(count - 1)));
}

// The byte of one value, once the scale is known. Computed in halves, so that the span of two
// finite values cannot overflow (halving is exact). A span so small that the factor overflows
// leaves NaN for the minimum itself, which becomes 0 like everything below the range.
std::uint8_t scaledByte(double value, double low, double factor) {
    if (!std::isfinite(value)) {
        return 0;
    }
    double scaled = std::round((value / 2 - low / 2) * factor);
    return scaled > 0 ? static_cast<std::uint8_t>(std::fmin(scaled, kAnatomicalTop)) : 0;
}

// The scale for `finite`, or no scale (every byte 0) with the note saying why.
bool chooseScale(const FiniteValues& finite, const std::string& typeName, double& factor, std::string& note) {
    if (finite.count == 0) {
        note = "no finite values; all voxels set to 0";
        return false;
    }
    // A volume that is mostly background can have its percentile at the minimum; the maximum
    // then gives the scale instead.
    double top = finite.atPercentile > finite.low ? finite.atPercentile : finite.high;
    std::ostringstream text;
    if (!(top > finite.low)) {
        text << "constant value " << finite.low << "; all voxels set to 0";
        note = text.str();
        return false;
    }
    factor = kAnatomicalTop / (top / 2 - finite.low / 2);
    text << "scaled linearly from " << typeName << ": minimum " << finite.low << " -> 0, 99.5th percentile " << top
         << " -> " << kAnatomicalTop << ", clamped";
    note = text.str();
    return true;
}

std::string keptNote(double high) {
    return "kept as it is (integers within 0.." + std::to_string(static_cast<int>(high)) + ")";
}

// Samples of 8 or 16 bits: one pass counts how often each stored value occurs; the minimum,
// maximum and percentile come from the at most 65536 distinct values, sorted, and every voxel
// takes its byte from a table.
template <typename Stored>
VolumeVector<std::uint8_t> bytesByTable(const SampleView& samples, const std::string& typeName, std::string& note) {
    using Code = std::conditional_t<sizeof(Stored) == 1, std::uint8_t, std::uint16_t>;
    constexpr std::size_t kCodes = std::size_t{1} << (8 * sizeof(Stored));
    std::vector<std::size_t> occurrences(kCodes, 0);
    std::vector<std::size_t> secondHalf(kCodes, 0);  // the second half's, when it had a thread
    const auto codeAt = [&samples](std::size_t i) {
        Code code;
        std::memcpy(&code, samples.data + i * sizeof(Code), sizeof(Code));
        return code;
    };
    inHalves(samples.count, [&](std::size_t begin, std::size_t end, bool second) {
        std::vector<std::size_t>& counts = second ? secondHalf : occurrences;
        for (std::size_t i = begin; i < end; ++i) {
            ++counts[codeAt(i)];
        }
    });
    for (std::size_t code = 0; code < kCodes; ++code) {
        occurrences[code] += secondHalf[code];
    }
    // Each code's value exactly as SampleView::value computes it.
    std::vector<double> values(kCodes);
    for (std::size_t code = 0; code < kCodes; ++code) {
        Stored stored;
        const Code c = static_cast<Code>(code);
        std::memcpy(&stored, &c, sizeof stored);
        const double raw = static_cast<double>(stored);
        values[code] = samples.slope != 0 ? samples.slope * raw + samples.intercept : raw;
    }

    std::vector<std::uint8_t> table(kCodes, 0);
    std::vector<std::pair<double, std::size_t>> present;
    for (std::size_t code = 0; code < kCodes; ++code) {
        if (occurrences[code] > 0 && std::isfinite(values[code])) {
            present.emplace_back(values[code], occurrences[code]);
        }
    }
    std::sort(present.begin(), present.end());
    FiniteValues finite;
    for (const auto& entry : present) {
        finite.count += entry.second;
    }
    if (finite.count > 0) {
        finite.low = present.front().first;
        finite.high = present.back().first;
        const std::size_t rank = percentileRank(finite.count);
        std::size_t seen = 0;
        for (const auto& entry : present) {
            seen += entry.second;
            if (seen > rank) {
                finite.atPercentile = entry.first;
                break;
            }
        }
    }

    if (!samples.isScaled() && finite.low >= 0 && finite.high <= kAnatomicalTop) {
        for (std::size_t code = 0; code < kCodes; ++code) {
            if (occurrences[code] > 0) {
                table[code] = static_cast<std::uint8_t>(values[code]);
            }
        }
        note = keptNote(finite.high);
    } else {
        double factor = 0;
        if (chooseScale(finite, typeName, factor, note)) {
            for (std::size_t code = 0; code < kCodes; ++code) {
                table[code] = scaledByte(values[code], finite.low, factor);
            }
        }
    }
    VolumeVector<std::uint8_t> bytes(samples.count);
    inHalves(samples.count, [&](std::size_t begin, std::size_t end, bool) {
        for (std::size_t i = begin; i < end; ++i) {
            bytes[i] = table[codeAt(i)];
        }
    });
    return bytes;
}

// Any other type: the finite values are copied and the percentile found by selection.
VolumeVector<std::uint8_t> bytesBySelection(const SampleView& samples, const std::string& typeName, std::string& note) {
    const std::size_t count = samples.count;
    VolumeVector<std::uint8_t> bytes(count, 0);
    if (isIntegerSampleType(samples.type) && !samples.isScaled()) {
        double low = samples.value(0), high = low;
        for (std::size_t i = 1; i < count; ++i) {
            double v = samples.value(i);
            low = std::min(low, v);
            high = std::max(high, v);
        }
        if (low >= 0 && high <= kAnatomicalTop) {
            for (std::size_t i = 0; i < count; ++i) {
                bytes[i] = static_cast<std::uint8_t>(samples.value(i));
            }
            note = keptNote(high);
            return bytes;
        }
    }
    std::vector<double> finite;
    finite.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        double v = samples.value(i);
        if (std::isfinite(v)) {
            finite.push_back(v);
        }
    }
    FiniteValues summary;
    summary.count = finite.size();
    if (!finite.empty()) {
        summary.low = *std::min_element(finite.begin(), finite.end());
        summary.high = *std::max_element(finite.begin(), finite.end());
        const auto rank = static_cast<std::ptrdiff_t>(percentileRank(finite.size()));
        std::nth_element(finite.begin(), finite.begin() + rank, finite.end());
        summary.atPercentile = finite[static_cast<std::size_t>(rank)];
    }
    std::vector<double>().swap(finite);
    double factor = 0;
    if (chooseScale(summary, typeName, factor, note)) {
        for (std::size_t i = 0; i < count; ++i) {
            bytes[i] = scaledByte(samples.value(i), summary.low, factor);
        }
    }
    return bytes;
}

}  // namespace

VolumeVector<std::uint8_t> anatomicalBytes(const SampleView& samples, const std::string& typeName, std::string& note) {
    if (samples.count == 0) {
        return {};
    }
    switch (samples.type) {
        case SampleType::UInt8: return bytesByTable<std::uint8_t>(samples, typeName, note);
        case SampleType::Int8: return bytesByTable<std::int8_t>(samples, typeName, note);
        case SampleType::Int16: return bytesByTable<std::int16_t>(samples, typeName, note);
        case SampleType::UInt16: return bytesByTable<std::uint16_t>(samples, typeName, note);
        default: return bytesBySelection(samples, typeName, note);
    }
}

VolumeVector<std::uint8_t> anatomicalBytes(const VolumeFile& file, std::string& note) {
    SampleView first = file.view();
    first.count = std::min(first.count, file.voxelsPerVolume());
    return anatomicalBytes(first, file.sampleTypeName, note);
}

}  // namespace orvane::keldra
