// The lexicographic host version comparison.
#include <gtest/gtest.h>

#include <string>

#include "host/host_version_check.h"

namespace orvane {
namespace {

std::string text(const HostVersion& v) {
    return std::to_string(v.major) + '.' + std::to_string(v.minor) + '.' + std::to_string(v.sub);
}

TEST(HostVersionCheck, MinimumHostVersion) {
    for (HostVersion v : {HostVersion{2, 1, 0}, HostVersion{2, 1, 5}, HostVersion{2, 2, 0}, HostVersion{3, 0, 0},
                          HostVersion{2, 2, -7}, HostVersion{3, -1, -1}}) {
        EXPECT_TRUE(isHostVersionAtLeast(v, kMinimumHostVersion)) << text(v);
    }
    for (HostVersion v : {HostVersion{2, 0, 99}, HostVersion{1, 9, 9}, HostVersion{2, 1, -1}, HostVersion{2, 0, 9},
                          HostVersion{1, 99, 99}, HostVersion{0, 0, 0}}) {
        EXPECT_FALSE(isHostVersionAtLeast(v, kMinimumHostVersion)) << text(v);
    }
}

TEST(HostVersionCheck, EveryRequiredPartCounts) {
    EXPECT_TRUE(isHostVersionAtLeast({4, 7, 3}, {4, 7, 3}));
    EXPECT_FALSE(isHostVersionAtLeast({4, 7, 2}, {4, 7, 3}));
    EXPECT_FALSE(isHostVersionAtLeast({4, 6, 9}, {4, 7, 3}));
    EXPECT_TRUE(isHostVersionAtLeast({5, 0, 0}, {4, 7, 3}));
}

}  // namespace
}  // namespace orvane
