// Reading and writing byte counts.
#include "keldra/nifti/byte_count.h"

#include <cctype>

namespace orvane::keldra {

bool parseByteCount(const std::string& text, std::uint64_t& bytes) {
    std::size_t i = 0;
    std::uint64_t value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (__builtin_mul_overflow(value, std::uint64_t{10}, &value) ||
            __builtin_add_overflow(value, static_cast<std::uint64_t>(text[i] - '0'), &value)) {
            return false;
        }
        ++i;
    }
    if (i == 0) {
        return false;
    }
    std::string unit;
    for (; i < text.size(); ++i) {
        unit += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    }
    int shift = 0;
    if (unit.empty() || unit == "B") {
        shift = 0;
    } else {
        static const char kLetters[] = "KMGT";
        std::size_t letter = std::string(kLetters).find(unit[0]);
        std::string rest = unit.substr(1);
        if (letter == std::string::npos || !(rest.empty() || rest == "B" || rest == "IB")) {
            return false;
        }
        shift = 10 * static_cast<int>(letter + 1);
    }
    if (shift > 0 && value > (~std::uint64_t{0} >> shift)) {
        return false;
    }
    bytes = value << shift;
    return true;
}

std::string byteCountText(std::uint64_t bytes) {
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    int unit = -1;
    std::uint64_t value = bytes;
    while (value >= 1024 && value % 1024 == 0 && unit < 5) {
        value /= 1024;
        ++unit;
    }
    return unit < 0 ? std::to_string(bytes) + " bytes" : std::to_string(value) + " " + kUnits[unit];
}

}  // namespace orvane::keldra
