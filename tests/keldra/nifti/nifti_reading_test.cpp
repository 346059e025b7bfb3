// The checked NIfTI reader in-process: what it makes of odd but valid files (the samples and
// geometry must come out exactly), the byte counts of --max-image-size, and a file cut short
// after it was opened.
#include <gtest/gtest.h>

#include <nifti2_io.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "keldra/nifti/nifti_file_reader.h"
#include "tests/data/malformed_nifti.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

bool readBytes(const std::vector<unsigned char>& bytes, bool compressed, VolumeFile& file, std::string& error) {
    MemorySource source(bytes.data(), bytes.size());
    NiftiHeaderRules rules;
    rules.compressed = compressed;
    if (!compressed) {
        rules.fileSize = bytes.size();
    }
    return readNiftiImage(source, compressed ? "memory.nii.gz" : "memory.nii", rules, file, error);
}

void expectSampleImage(const VolumeFile& file) {
    EXPECT_EQ(file.nx, 6);
    EXPECT_EQ(file.ny, 5);
    EXPECT_EQ(file.nz, 4);
    EXPECT_EQ(file.volumes, 1);
    EXPECT_EQ(file.sampleType, SampleType::Int16);
    ASSERT_EQ(file.samples.size(), 120u * 2);
    for (std::size_t i = 0; i < 120; ++i) {
        ASSERT_EQ(file.value(i), static_cast<double>(i % 50)) << "sample " << i;
    }
    EXPECT_EQ(file.sformCode, 1);
    EXPECT_EQ(file.sform.m[0][3], -5);
    EXPECT_EQ(file.sform.m[2][2], 2);
    EXPECT_EQ(file.voxelSize[1], 2);
}

TEST(NiftiReading, OddButValidLayoutsGiveTheSameImage) {
    NiftiBlueprint swapped;
    swapped.bigEndian = true;
    NiftiBlueprint version2;
    version2.version = 2;
    NiftiBlueprint extended;
    for (int i = 0; i < 300; ++i) {
        std::vector<unsigned char> extension(32, static_cast<unsigned char>(i));
        std::int32_t size = 32, code = 4;
        std::memcpy(extension.data(), &size, 4);
        std::memcpy(extension.data() + 4, &code, 4);
        extended.extensions.insert(extended.extensions.end(), extension.begin(), extension.end());
    }
    const std::vector<unsigned char> plain = niftiBytes(NiftiBlueprint{});
    // gzip writes concatenated files as consecutive members; padding after the end is ignored.
    std::vector<unsigned char> members = gzipBytes({plain.begin(), plain.begin() + 400});
    std::vector<unsigned char> rest = gzipBytes({plain.begin() + 400, plain.end()});
    members.insert(members.end(), rest.begin(), rest.end());
    members.insert(members.end(), 512, 0);

    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        bool compressed;
    } cases[] = {
        {"little-endian", plain, false},
        {"big-endian", niftiBytes(swapped), false},
        {"NIfTI-2", niftiBytes(version2), false},
        {"NIfTI-2 big-endian, compressed", gzipBytes(niftiBytes([] { NiftiBlueprint b; b.version = 2; b.bigEndian = true; return b; }())), true},
        {"with header extensions", niftiBytes(extended), false},
        {"two gzip members", members, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VolumeFile file;
        std::string problem;
        ASSERT_TRUE(readBytes(c.bytes, c.compressed, file, problem)) << problem;
        expectSampleImage(file);
        EXPECT_EQ(file.nonFiniteSamples, 0u);
    }
}

TEST(NiftiReading, NonFiniteSamplesAreKeptAndCountedAndScalingIsApplied) {
    NiftiBlueprint b;
    b.datatype = DT_FLOAT64;
    b.bitpix = 64;
    b.dim[1] = 4;
    b.dim[2] = b.dim[3] = 1;
    b.slope = 2;
    b.intercept = 1;
    const double values[] = {NAN, 3.0, -INFINITY, 0.5};
    b.data.resize(sizeof values);
    std::memcpy(b.data.data(), values, sizeof values);
    VolumeFile file;
    std::string problem;
    ASSERT_TRUE(readBytes(niftiBytes(b), false, file, problem)) << problem;
    EXPECT_EQ(file.nonFiniteSamples, 2u);
    EXPECT_TRUE(std::isnan(file.value(0)));
    EXPECT_EQ(file.value(1), 7.0);
    EXPECT_EQ(file.value(2), -INFINITY);
    EXPECT_EQ(file.value(3), 2.0);
}

TEST(NiftiReading, LimitAppliesToTheDeclaredData) {
    NiftiBlueprint b;  // 240 bytes of data
    std::vector<unsigned char> bytes = niftiBytes(b);
    for (std::uint64_t limit : {239u, 240u}) {
        MemorySource source(bytes.data(), bytes.size());
        NiftiHeaderRules rules;
        rules.maxImageBytes = limit;
        VolumeFile file;
        std::string problem;
        EXPECT_EQ(readNiftiImage(source, "memory.nii", rules, file, problem), limit == 240u) << problem;
    }
}

// A .nii file is mapped to read its samples: one that shrank since it was opened is read as it
// now is, and found short, rather than mapped as it was (reading past its end would raise SIGBUS).
TEST(NiftiReading, AFileCutShortAfterItWasOpenedIsFoundShortNotMapped) {
    ScratchFolder folder;
    const std::string path = folder.file("cut.nii");
    const std::vector<unsigned char> bytes = niftiBytes(NiftiBlueprint{});  // 352 + 240 bytes
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    std::string problem;
    const std::unique_ptr<VolumeFileReader> reader = openVolumeFile(path, VolumeReadLimits{}, problem);
    ASSERT_NE(reader, nullptr) << problem;
    ASSERT_EQ(truncate(path.c_str(), 400), 0);
    EXPECT_EQ(reader->nextVolumes(1, problem), nullptr);
    EXPECT_EQ(problem, "is truncated: its header declares 240 bytes of image data, but only 48 follow");
}

}  // namespace
}  // namespace orvane::keldra::testing
