// Byte counts as people write them on the command line and read them in messages.
#include "keldra/nifti/byte_count.h"

#include <gtest/gtest.h>

namespace orvane::keldra::testing {
namespace {

TEST(ByteCounts, ParseAndPrint) {
    struct Case {
        const char* text;
        bool valid;
        std::uint64_t bytes;
    } cases[] = {
        {"1536", true, 1536},   {"4G", true, std::uint64_t{4} << 30}, {"512mib", true, 512u << 20},
        {"2KB", true, 2048},    {"16T", true, std::uint64_t{16} << 40}, {"", false, 0},
        {"G", false, 0},        {"4 G", false, 0},  {"4Q", false, 0},   {"-1", false, 0},
        {"16777216T", false, 0}, {"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        std::uint64_t bytes = 0;
        EXPECT_EQ(parseByteCount(c.text, bytes), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(bytes, c.bytes) << c.text;
        }
    }
    EXPECT_EQ(byteCountText(std::uint64_t{4} << 30), "4 GiB");
    EXPECT_EQ(byteCountText(1536), "1536 bytes");
    EXPECT_EQ(byteCountText(3u << 20), "3 MiB");
}

}  // namespace
}  // namespace orvane::keldra::testing
