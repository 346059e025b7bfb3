// What a functional the plug-in saves keeps of its input: the time between volumes and its
// unit, the slice timing, the intent, the display range while it still holds, and the auxiliary
// file, with a description of what keldra did; the data as the plug-in left it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

// The header of a NIfTI file as nifti_clib reads it.
struct Header {
    nifti_image* image = nullptr;
    explicit Header(const std::string& path) : image(nifti_image_read(path.c_str(), 0)) {}
    ~Header() { nifti_image_free(image); }
};

TEST(SavedFunctionals, KeepTheirInputsTimingAndLabelsInEveryMappingThatSavesOne) {
    ScratchFolder folder;
    TestImage image;
    image.nx = image.ny = 12;
    image.nz = 8;
    image.voxelSize[0] = image.voxelSize[1] = image.voxelSize[2] = 3;
    image.sform = Affine::translation({-16.5, -16.5, -10.5}) * Affine::scaling(3, 3, 3);
    for (std::size_t i = 0; i < image.size(); ++i) image.values.push_back(double(i % 90));
    writeTestImage(folder.file("anat.nii.gz"), image);
    image.nt = 3;
    image.values.resize(image.size(), 40.0);
    image.adjustHeader = [](nifti_image& h) {
        h.dt = h.pixdim[4] = 2.0;
        h.xyz_units = NIFTI_UNITS_MM;
        h.time_units = NIFTI_UNITS_SEC;
        h.toffset = 1.5;
        h.slice_dim = 3;
        h.slice_code = NIFTI_SLICE_ALT_INC;
        h.slice_start = 0;
        h.slice_end = 7;
        h.slice_duration = 0.25;
        h.intent_code = NIFTI_INTENT_ESTIMATE;
        std::strcpy(h.intent_name, "bold");
        h.cal_min = 0;
        h.cal_max = 5000;
        std::strcpy(h.descrip, "TE=30;phase=1");
        std::strcpy(h.aux_file, "events.tsv");
    };
    writeTestImage(folder.file("run1.nii.gz"), image);
    writeTestImage(folder.file("run2.nii.gz"), image);

    struct Case {
        const char* mapping;
        const char* saved;
    };
    for (const Case& c : {Case{"2", "out-2/run1_VMR.nii.gz"}, Case{"3", "out-3/run1_from_run2.nii.gz"}}) {
        SCOPED_TRACE(std::string("mapping ") + c.mapping);
        const ProcessResult r = runKeldra({"run", "anat.nii.gz", "run1.nii.gz", "run2.nii.gz", "--mapping", c.mapping,
                                           "--out", std::string("out-") + c.mapping},
                                          folder.path());
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const Header saved(folder.file(c.saved));
        ASSERT_NE(saved.image, nullptr);
        const nifti_image& h = *saved.image;
        EXPECT_EQ(h.nt, 3);
        EXPECT_EQ(h.dt, 2.0);
        EXPECT_EQ(h.time_units, NIFTI_UNITS_SEC);
        EXPECT_EQ(h.xyz_units, NIFTI_UNITS_MM);
        EXPECT_EQ(h.toffset, 1.5);
        EXPECT_EQ(h.slice_dim, 3);
        EXPECT_EQ(h.slice_code, NIFTI_SLICE_ALT_INC);
        EXPECT_EQ(h.slice_start, 0);
        EXPECT_EQ(h.slice_end, 7);
        EXPECT_EQ(h.slice_duration, 0.25);
        EXPECT_EQ(h.intent_code, NIFTI_INTENT_ESTIMATE);
        EXPECT_STREQ(h.intent_name, "bold");
        EXPECT_STREQ(h.aux_file, "events.tsv");
        EXPECT_NE(std::string(h.descrip).find("keldra"), std::string::npos) << h.descrip;
        // The values written (the anatomy's, or the other run's) lie within the display range.
        EXPECT_EQ(h.cal_min, 0);
        EXPECT_EQ(h.cal_max, 5000);
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
