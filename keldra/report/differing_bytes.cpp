// Differing bytes, eight at a time.
#include "keldra/report/differing_bytes.h"

#include <cstring>

namespace orvane::keldra {
namespace {

constexpr std::size_t kBlock = 4096;

// The bytes of x that are not zero, as a count: each byte's low seven bits added to 0x7F carry
// into its top bit unless they are all zero; with the byte's own top bit, that top bit is set
// exactly when the byte is not zero. The eight flags, moved to each byte's lowest bit, are
// summed into the top byte by one multiplication (at most 8, so nothing carries out of it).
std::size_t nonZeroBytes(std::uint64_t x) {
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr std::uint64_t lowBits = 0x0101010101010101ULL;
    const std::uint64_t flags = ((((x & low7) + low7) | x) >> 7) & lowBits;
    return static_cast<std::size_t>((flags * lowBits) >> 56);
}

std::size_t differingWords(const std::uint8_t* a, const std::uint8_t* b, std::size_t words) {
    std::size_t count = 0;
    for (std::size_t w = 0; w < words; ++w) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, a + 8 * w, 8);
        std::memcpy(&y, b + 8 * w, 8);
        count += nonZeroBytes(x ^ y);
    }
    return count;
}

}  // namespace

std::size_t differingBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) {
    std::size_t count = 0;
    std::size_t at = 0;
    // Blocks alike as a whole (most of an anatomical outside what was projected) cost a memcmp.
    for (; at + kBlock <= size; at += kBlock) {
        if (std::memcmp(a + at, b + at, kBlock) != 0) {
            count += differingWords(a + at, b + at, kBlock / 8);
        }
    }
    const std::size_t words = (size - at) / 8;
    count += differingWords(a + at, b + at, words);
    for (at += 8 * words; at < size; ++at) {
        count += a[at] != b[at] ? 1 : 0;
    }
    return count;
}

}  // namespace orvane::keldra
