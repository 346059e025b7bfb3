// What a build without NIfTI files relies on to give the same results as one with them: the
// sample held in memory matches the sample read back from its file.
#include <gtest/gtest.h>

#include <string>

#include "keldra/sample/demo_files.h"
#include "keldra/sample/demo_sample.h"
#include "keldra/nifti/volume_file.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

TEST(SampleInMemory, MatchesTheSampleReadBackFromItsFiles) {
    const DemoSample sample = makeDemoSample();
    ScratchFolder folder;
    for (const VolumeFile& written : {anatomicalVolumeFile(sample.anatomical), functionalVolumeFile(sample.functional)}) {
        const std::string path = folder.file(written.sampleType == SampleType::UInt8 ? "anat.nii.gz" : "bold.nii.gz");
        std::string error;
        ASSERT_TRUE(writeVolumeFile(path, written, error)) << error;
        VolumeFile read;
        ASSERT_TRUE(readVolumeFile(path, read, error)) << error;

        const VolumeFile inMemory = asReadFromNifti1File(written);
        for (int a = 0; a < 3; ++a) {
            EXPECT_EQ(inMemory.voxelSize[a], read.voxelSize[a]) << "axis " << a;
        }
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                EXPECT_EQ(inMemory.sform.m[r][c], read.sform.m[r][c]) << "sform [" << r << "][" << c << "]";
            }
        }
        EXPECT_EQ(inMemory.sformCode, read.sformCode);
        EXPECT_EQ(inMemory.sampleType, read.sampleType);
        EXPECT_EQ(inMemory.sampleTypeName, read.sampleTypeName);
        EXPECT_EQ(inMemory.slope, read.slope);
        EXPECT_EQ(inMemory.intercept, read.intercept);
        EXPECT_TRUE(inMemory.samples == read.samples);
        if (written.sampleType == SampleType::Int16) {
            // Without the rounding the functional's oblique sform would not survive the file.
            bool rounded = false;
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 4; ++c) {
                    rounded = rounded || written.sform.m[r][c] != read.sform.m[r][c];
                }
            }
            EXPECT_TRUE(rounded);
        }
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
