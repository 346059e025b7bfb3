// The checksums keldra prints for comparing runs across machines and builds.
#include "keldra/output/checksum.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane::keldra::testing {
namespace {

TEST(Checksum, IsFnv1aOfTheBytesInOrder) {
    const std::string empty;
    EXPECT_EQ(checksumText(empty.data(), 0), "cbf29ce484222325");
    EXPECT_EQ(checksumText("a", 1), "af63dc4c8601ec8c");
    EXPECT_EQ(checksumText("foobar", 6), "85944171f73967e8");
    EXPECT_NE(checksumText("ab", 2), checksumText("ba", 2));
}

}  // namespace
}  // namespace orvane::keldra::testing
