// Decompressing a whole gzip file in one pass: members that begin and end anywhere relative to
// the steps the library is handed come out exactly, and what is not exactly the expected
// content (a lying length, a wrong check sum, a file cut short, content left over or missing,
// another member after the end) is refused, to be read by the streaming reader instead.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "keldra/nifti/whole_gzip_decoder.h"
#include "tests/data/malformed_nifti.h"

namespace orvane::keldra::testing {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes someContent(std::size_t size, unsigned seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = static_cast<unsigned char>((i / 7) % 50 + ((seed >> 16) % 4));
    }
    return bytes;
}

struct Members {
    Bytes compressed;
    Bytes content;
    std::vector<std::size_t> compressedEnds;  // where each member ends in the file
    std::vector<std::size_t> contentEnds;     // and in the content
};

// zlib's members of the given sizes, one after the other.
Members membersOf(const std::vector<std::size_t>& sizes) {
    Members members;
    unsigned seed = 1;
    for (std::size_t size : sizes) {
        const Bytes content = someContent(size, seed++);
        const Bytes member = gzipBytes(content);
        members.compressed.insert(members.compressed.end(), member.begin(), member.end());
        members.content.insert(members.content.end(), content.begin(), content.end());
        members.compressedEnds.push_back(members.compressed.size());
        members.contentEnds.push_back(members.content.size());
    }
    return members;
}

bool decodes(const Bytes& compressed, std::size_t outputSize, std::uint32_t step, Bytes* output = nullptr) {
    Bytes buffer(outputSize, 0xee);
    const bool ok = decompressWholeGzipInSteps(compressed.data(), compressed.size(), buffer.data(), buffer.size(), step);
    if (output != nullptr) {
        *output = buffer;
    }
    return ok;
}

TEST(WholeGzipDecoder, MembersEndingAnywhereAgainstTheStepsComeOutExactly) {
    // An empty member between two others, as gzip writes for an empty file in a concatenation.
    const Members m = membersOf({70000, 0, 1, 150000});
    std::vector<std::uint32_t> steps = {1, 7, 4096, std::uint32_t{1} << 30};
    for (std::size_t end : m.compressedEnds) {
        steps.push_back(static_cast<std::uint32_t>(end));  // a member ends exactly at an input step
    }
    steps.push_back(static_cast<std::uint32_t>(m.contentEnds[0]));  // its content fills an output step
    for (std::uint32_t step : steps) {
        SCOPED_TRACE(step);
        Bytes output;
        ASSERT_TRUE(decodes(m.compressed, m.content.size(), step, &output));
        EXPECT_TRUE(output == m.content);
    }
    Bytes output(m.content.size());
    EXPECT_TRUE(decompressWholeGzip(m.compressed.data(), m.compressed.size(), output.data(), output.size()));
    EXPECT_TRUE(output == m.content);
}

TEST(WholeGzipDecoder, WhatIsNotExactlyTheExpectedContentIsRefused) {
    const Members m = membersOf({5000, 9000});
    const std::size_t size = m.content.size();
    for (std::uint32_t step : {std::uint32_t{64}, std::uint32_t{1} << 30}) {
        SCOPED_TRACE(step);
        Bytes padded = m.compressed;
        padded.insert(padded.end(), 512, 0);
        EXPECT_TRUE(decodes(padded, size, step)) << "padding after the last member";

        Bytes lyingLength = m.compressed;
        lyingLength[m.compressedEnds[0] - 4] ^= 0x01;  // the first member's ISIZE, its CRC intact
        EXPECT_FALSE(decodes(lyingLength, size, step)) << "a member whose stated length is wrong";
        Bytes wrongSum = m.compressed;
        wrongSum[m.compressedEnds[1] - 8] ^= 0x01;
        EXPECT_FALSE(decodes(wrongSum, size, step)) << "a wrong check sum";
        EXPECT_FALSE(decodes(Bytes(m.compressed.begin(), m.compressed.end() - 1), size, step)) << "cut short";
        EXPECT_FALSE(decodes(Bytes(m.compressed.begin(), m.compressed.begin() + m.compressedEnds[0]), size, step))
            << "cut after a member";
        EXPECT_FALSE(decodes(m.compressed, size - 1, step)) << "more content than expected";
        EXPECT_FALSE(decodes(m.compressed, size + 1, step)) << "less content than expected";
        Bytes another = m.compressed;
        const Bytes extra = gzipBytes(Bytes(10, 1));
        another.insert(another.end(), extra.begin(), extra.end());
        EXPECT_FALSE(decodes(another, size, step)) << "another member after the expected content";
        EXPECT_FALSE(decodes(Bytes(), 0, step)) << "nothing at all";
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
