// The lexicographic host version comparison.
#include <gtest/gtest.h>

#include "host/version_gate.h"

namespace orvane {
namespace {

struct Version {
    int major;
    int minor;
    int sub;
};

TEST(VersionGate, MinimumHostVersion) {
    for (Version v : {Version{2, 1, 0}, Version{2, 1, 5}, Version{2, 2, 0}, Version{3, 0, 0}, Version{2, 2, -7},
                      Version{3, -1, -1}}) {
        EXPECT_TRUE(isHostVersionAtLeast(v.major, v.minor, v.sub, 2, 1, 0)) << v.major << '.' << v.minor << '.' << v.sub;
    }
    for (Version v : {Version{2, 0, 99}, Version{1, 9, 9}, Version{2, 1, -1}, Version{2, 0, 9}, Version{1, 99, 99},
                      Version{0, 0, 0}}) {
        EXPECT_FALSE(isHostVersionAtLeast(v.major, v.minor, v.sub, 2, 1, 0)) << v.major << '.' << v.minor << '.' << v.sub;
    }
}

TEST(VersionGate, EveryRequiredPartCounts) {
    EXPECT_TRUE(isHostVersionAtLeast(4, 7, 3, 4, 7, 3));
    EXPECT_FALSE(isHostVersionAtLeast(4, 7, 2, 4, 7, 3));
    EXPECT_FALSE(isHostVersionAtLeast(4, 6, 9, 4, 7, 3));
    EXPECT_TRUE(isHostVersionAtLeast(5, 0, 0, 4, 7, 3));
}

}  // namespace
}  // namespace orvane
