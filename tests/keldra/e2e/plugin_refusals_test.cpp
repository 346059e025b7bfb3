// What the built keldra does when the plug-in would refuse to run (an old host, a workspace
// without a functional), and the mapping that saves a functional under two names.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

class PluginRefusals : public ::testing::Test {
protected:
    void SetUp() override {
        // 8 x 8 x 6 voxels of 2 mm, centred on the world's origin.
        TestImage image;
        image.nx = 8;
        image.ny = 8;
        image.nz = 6;
        image.voxelSize[0] = image.voxelSize[1] = image.voxelSize[2] = 2;
        image.sform = Affine::translation({-7, -7, -5}) * Affine::scaling(2, 2, 2);
        image.values.resize(image.size());
        for (std::size_t i = 0; i < image.values.size(); ++i) image.values[i] = double(i % 90);
        writeTestImage(folder.file("anat.nii.gz"), image);
        writeTestImage(folder.file("run1.nii.gz"), image);
        writeTestImage(folder.file("run2.nii"), image);
    }
    ScratchFolder folder;
};

TEST_F(PluginRefusals, AnOldHostGetsTheMessageBoxAndExitOne) {
    ProcessResult r = runKeldra({"run", "anat.nii.gz", "run1.nii.gz", "--host-version", "2.0.9", "--out", "out"},
                                folder.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Can not execute this plugin - Keldra version 2.1 or higher required."), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(folder.file("out/vmr.nii.gz")));
}

TEST_F(PluginRefusals, AnAnatomicalAloneIsAUsageErrorFoundBeforeTheModuleIsLoaded) {
    // The module's own refusal of such a workspace is tested through the fake host; keldra says
    // it first, in one line, without loading the module (which here does not even exist).
    ProcessResult r = runKeldra({"run", "anat.nii.gz", "--mapping", "1", "--plugin", "nowhere.so", "--out", "out"},
                                folder.path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "keldra: keldra run needs the anatomical and at least one functional, but only anat.nii.gz was "
                     "given (see keldra run --help)\n");
    EXPECT_FALSE(std::filesystem::exists(folder.file("out")));
}

TEST_F(PluginRefusals, FmrToFmrSavesTheFirstFmrUnderBothNames) {
    ProcessResult r =
        runKeldra({"run", "anat.nii.gz", "run1.nii.gz", "run2.nii", "--mapping", "3", "--out", "out"}, folder.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(folder.file("out/run1_from_run2.nii.gz")));
    EXPECT_TRUE(std::filesystem::exists(folder.file("out/vmr.nii.gz")));
}

}  // namespace
}  // namespace orvane::keldra::testing
