// The eight-at-a-time count of differing bytes against the plain one, where the bit trick and
// the block skipping could go wrong: every pair of byte values (0x80 and 0x7F and their
// neighbours among them), differences on block and word edges, and a tail shorter than a word.
#include "keldra/report/differing_bytes.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace orvane::keldra::testing {
namespace {

std::size_t plainCount(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        count += a[i] != b[i] ? 1 : 0;
    }
    return count;
}

TEST(DifferingBytes, CountsAsAPlainComparisonDoes) {
    // Every pair of values, each at every position within a word.
    std::vector<std::uint8_t> a, b;
    for (int x = 0; x < 256; ++x) {
        for (int y = 0; y < 256; ++y) {
            a.push_back(static_cast<std::uint8_t>(x));
            b.push_back(static_cast<std::uint8_t>(y));
        }
    }
    a.push_back(3);  // a tail past the last whole word
    b.push_back(4);
    EXPECT_EQ(differingBytes(a.data(), b.data(), a.size()), plainCount(a, b));

    // Mostly alike, as an anatomical with a projected region: sparse changes, some on the first
    // and last byte of a block, in sizes that end inside a block, a word, or exactly.
    std::mt19937 random(7);
    for (const std::size_t size : {std::size_t{0}, std::size_t{5}, std::size_t{4096}, std::size_t{3 * 4096 + 13}, std::size_t{100003}}) {
        std::vector<std::uint8_t> before(size), after;
        for (std::uint8_t& v : before) {
            v = static_cast<std::uint8_t>(random());
        }
        after = before;
        for (std::size_t i = 0; i < size; i += 1 + random() % 997) {
            after[i] = static_cast<std::uint8_t>(after[i] ^ (1u << (random() % 8)));
        }
        for (const std::size_t edge : {std::size_t{4095}, std::size_t{4096}, size - 1}) {
            if (edge < size) {
                after[edge] = static_cast<std::uint8_t>(~before[edge]);
            }
        }
        EXPECT_EQ(differingBytes(before.data(), after.data(), size), plainCount(before, after)) << size;
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
