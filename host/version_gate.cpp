// Lexicographic version comparison.
#include "host/version_gate.h"

namespace orvane {

bool isHostVersionAtLeast(int major, int minor, int sub, int requiredMajor, int requiredMinor, int requiredSub) {
    if (major != requiredMajor) {
        return major > requiredMajor;
    }
    if (minor != requiredMinor) {
        return minor > requiredMinor;
    }
    return sub >= requiredSub;
}

}  // namespace orvane
