// The host version comparison that gates initPlugin and execute.
#pragma once

namespace orvane {

constexpr int kMinimumHostMajor = 2;
constexpr int kMinimumHostMinor = 1;
constexpr int kMinimumHostSub = 0;

// Lexicographic comparison of (major, minor, sub) with the required triple.
bool isHostVersionAtLeast(int major, int minor, int sub, int requiredMajor, int requiredMinor, int requiredSub);

}  // namespace orvane
