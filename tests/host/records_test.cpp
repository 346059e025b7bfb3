// Record layouts: fields land at the host's byte offsets and names never overrun their fields.
#include <gtest/gtest.h>

#include <cstring>

#include "host/records.h"

namespace orvane {
namespace {

TEST(Records, FmrFieldsSitAtTheirOffsets) {
    FmrHeader header{};
    header.setDimX(64);
    header.setDimY(65);
    header.setSlices(30);
    header.setVoxelSize(3.0f, 3.5f, 4.0f);
    header.setDataType(kFmrDataFloat32);
    std::int32_t i = 0;
    float f = 0;
    std::memcpy(&i, header.bytes + 308, 4);
    EXPECT_EQ(i, 64);
    std::memcpy(&i, header.bytes + 312, 4);
    EXPECT_EQ(i, 65);
    std::memcpy(&i, header.bytes + 316, 4);
    EXPECT_EQ(i, 30);
    std::memcpy(&f, header.bytes + 324, 4);
    EXPECT_EQ(f, 3.5f);
    std::memcpy(&i, header.bytes + 356, 4);
    EXPECT_EQ(i, 2);

    VmrHeader vmr{};
    vmr.setDims(256, 255, 254);
    vmr.setVoxelSize(1.0f, 1.5f, 2.0f);
    std::memcpy(&i, vmr.bytes + 312, 4);
    EXPECT_EQ(i, 254);
    std::memcpy(&f, vmr.bytes + 336, 4);
    EXPECT_EQ(f, 1.5f);

    PositionHeader position{};
    position.setFirstSliceCentre({1.0f, 2.0f, 3.0f});
    position.setLastSliceCentre({4.0f, 5.0f, 6.0f});
    std::memcpy(&f, position.bytes + 16, 4);
    EXPECT_EQ(f, 3.0f);
    std::memcpy(&f, position.bytes + 20, 4);
    EXPECT_EQ(f, 4.0f);
}

TEST(Records, NamesThatDoNotFitLeaveTheFieldAndItsNeighboursAlone) {
    FmrHeader header;
    std::memset(header.bytes, 0x5a, sizeof header.bytes);
    ASSERT_TRUE(header.setStcPrefix("run1"));
    EXPECT_EQ(header.stcPrefix(), "run1");
    EXPECT_STREQ(header.stcPrefixField(), "run1");

    const std::string longest(FmrHeader::kStcPrefixCapacity - 1, 'p');
    ASSERT_TRUE(header.setStcPrefix(longest));
    EXPECT_EQ(header.stcPrefix(), longest);
    EXPECT_EQ(header.bytes[FmrHeader::kAuxiliaryNameOffset], 0x5a);

    EXPECT_FALSE(header.setStcPrefix(longest + "x"));
    EXPECT_EQ(header.stcPrefix(), longest);
    EXPECT_FALSE(header.setFileName(std::string(FmrHeader::kFileNameCapacity, 'f')));
    EXPECT_EQ(header.bytes[FmrHeader::kDimXOffset], 0x5a);
    EXPECT_FALSE(header.setAuxiliaryName(std::string("a\0b", 3)));
}

TEST(Records, UnterminatedTextStopsAtTheFieldEnd) {
    FmrHeader header;
    std::memset(header.bytes, 'x', sizeof header.bytes);
    EXPECT_EQ(header.fileName().size(), FmrHeader::kFileNameCapacity);
    EXPECT_EQ(header.auxiliaryName().size(), FmrHeader::kAuxiliaryNameCapacity);
}

}  // namespace
}  // namespace orvane
