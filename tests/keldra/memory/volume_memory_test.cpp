// Volume memory: buffers on either side of the size that goes to the system hold every byte
// they were asked for, start as zero where a vector value-initialises them, and copies and
// moves keep their contents.
#include "keldra/memory/volume_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace orvane::keldra {
namespace {

// Sizes below, at and above the threshold, and one that is no whole number of pages.
const std::size_t kSizes[] = {1, kVolumeMemoryThreshold - 1, kVolumeMemoryThreshold, kVolumeMemoryThreshold + 4097,
                              (std::size_t{11} << 20) + 4096};

TEST(VolumeMemory, VectorsStartAtZeroAndKeepWhatIsWrittenThroughCopiesAndGrowth) {
    for (std::size_t size : kSizes) {
        VolumeVector<std::uint8_t> bytes(size);
        EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; })) << size;
        std::iota(bytes.begin(), bytes.end(), std::uint8_t{7});
        const VolumeVector<std::uint8_t> copy = bytes;
        bytes.front() = 1;
        bytes.back() = 2;
        EXPECT_EQ(copy.front(), 7) << size;
        EXPECT_EQ(copy.back(), static_cast<std::uint8_t>(7 + (size - 1))) << size;
        // Growing moves the contents into a new allocation and value-initialises the rest.
        bytes.resize(size + kVolumeMemoryThreshold);
        EXPECT_EQ(bytes[size - 1], 2) << size;
        EXPECT_EQ(bytes.back(), 0) << size;
    }
}

TEST(VolumeMemory, BuffersHoldEveryByteAndMoveTheirOwnership) {
    for (std::size_t size : kSizes) {
        VolumeBuffer buffer(size);
        ASSERT_NE(buffer.data(), nullptr);
        std::fill(buffer.data(), buffer.data() + size, std::uint8_t{0xa5});
        VolumeBuffer moved = std::move(buffer);
        EXPECT_EQ(buffer.data(), nullptr);  // NOLINT: the moved-from buffer is empty
        EXPECT_EQ(moved.size(), size);
        EXPECT_EQ(moved.data()[size - 1], 0xa5);
        moved = VolumeBuffer();
        EXPECT_EQ(moved.size(), 0u);
    }
}

}  // namespace
}  // namespace orvane::keldra
