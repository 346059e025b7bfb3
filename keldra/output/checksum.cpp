// FNV-1a over bytes, in the order they are stored.
#include "keldra/output/checksum.h"

namespace orvane::keldra {

std::uint64_t fnv1a64(const void* data, std::size_t size, std::uint64_t hash) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string checksumText(const void* data, std::size_t size) { return checksumText(fnv1a64(data, size)); }

std::string checksumText(std::uint64_t hash) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = kDigits[hash & 0xf];
        hash >>= 4;
    }
    return text;
}

}  // namespace orvane::keldra
