// What keldra warns of and keeps: every warning on stderr, in report.json (code, file, sentence)
// and in log.txt beside keldra's own document lines; the likely mistakes of a workspace, none of
// them refused; a time step of 0; and a functional far from the head, still drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include <nlohmann/json.hpp>

#include "keldra/picture/alignment_picture.h"
#include "keldra/picture/png_file.h"
#include "keldra/report/run_pictures.h"
#include "keldra/sample/demo_files.h"
#include "keldra/sample/demo_sample.h"
#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

using nlohmann::json;

// A ball of 200 in `n` voxels of `voxel` mm a side, centred on the world's origin.
TestImage ballImage(int n, double voxel, int volumes, int datatype) {
    TestImage image;
    image.nx = image.ny = image.nz = n;
    image.nt = volumes;
    image.voxelSize[0] = image.voxelSize[1] = image.voxelSize[2] = voxel;
    image.datatype = datatype;
    const double half = (n - 1) / 2.0 * voxel;
    image.sform = Affine::translation({-half, -half, -half}) * Affine::scaling(voxel, voxel, voxel);
    for (int t = 0; t < volumes; ++t)
        for (int z = 0; z < n; ++z)
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x) {
                    const Vector3d w = image.sform.apply({double(x), double(y), double(z)});
                    image.values.push_back(length(w) < 0.4 * n * voxel ? 200.0 : 10.0);
                }
    return image;
}

json reportOf(const ScratchFolder& folder, const std::string& out) {
    std::ifstream file(folder.file(out + "/report.json"));
    return json::parse(file);
}

// The (code, file) pairs of the report's warnings; fails when one lacks its sentence.
std::set<std::pair<std::string, std::string>> warningsOf(const json& report) {
    std::set<std::pair<std::string, std::string>> found;
    for (const json& w : report.at("warnings")) {
        EXPECT_FALSE(w.at("sentence").get<std::string>().empty()) << w.dump();
        found.emplace(w.at("code"), w.at("file"));
    }
    return found;
}

TEST(RunWarnings, EveryWarningIsRecordedAndTheLikelyMistakesRefuseNothing) {
    ScratchFolder folder;
    // The anatomical in MNI space; the functional in the scanner's, with a qform 3 mm off its
    // sform and NaN samples; opened twice, and a third functional the plug-in never reads.
    TestImage anat = ballImage(24, 2.0, 1, DT_UINT8);
    anat.sformCode = NIFTI_XFORM_MNI_152;
    writeTestImage(folder.file("anat.nii.gz"), anat);
    TestImage bold = ballImage(12, 4.0, 3, DT_FLOAT32);
    bold.qformCode = NIFTI_XFORM_SCANNER_ANAT;
    bold.qform = Affine::translation({3.0, 0.0, 0.0}) * bold.sform;
    bold.values[5] = bold.values[700] = std::nan("");
    writeTestImage(folder.file("bold.nii.gz"), bold);
    writeTestImage(folder.file("extra.nii.gz"), ballImage(12, 4.0, 2, DT_INT16));

    const ProcessResult r = runKeldra(
        {"run", "anat.nii.gz", "bold.nii.gz", "./bold.nii.gz", "extra.nii.gz", "--mapping", "1", "--out", "out"},
        folder.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::set<std::pair<std::string, std::string>> expected = {
        {"sform-qform-disagree", "bold.nii.gz"}, {"non-finite-samples", "bold.nii.gz"},
        {"spaces-differ", "bold.nii.gz"},        {"same-file-twice", "./bold.nii.gz"},
        {"document-unused", "extra.nii.gz"}};
    const std::set<std::pair<std::string, std::string>> recorded = warningsOf(reportOf(folder, "out"));
    for (const auto& warning : expected) {
        EXPECT_EQ(recorded.count(warning), 1u) << warning.first << " " << warning.second;
    }
    EXPECT_NE(r.err.find("keldra: warning: bold.nii.gz: its sform and qform disagree"), std::string::npos) << r.err;

    // The log holds keldra's lines, marked as its own, then the plug-in's.
    const std::string log = readWholeFile(folder.file("out/log.txt"));
    const std::size_t document = log.find("keldra: Document 1: VMR anat from anat.nii.gz");
    const std::size_t warning = log.find("keldra: warning: bold.nii.gz: 2 of the 1728 samples of its first volume");
    const std::size_t plugin = log.find("Started...");
    EXPECT_NE(document, std::string::npos) << log;
    EXPECT_NE(warning, std::string::npos) << log;
    EXPECT_LT(warning, plugin);
    EXPECT_NE(log.find("Finished."), std::string::npos);
}

TEST(RunWarnings, AFunctionalGivenFirstAndAnAnatomicalWithVolumesAreWarnedOf) {
    ScratchFolder folder;
    writeTestImage(folder.file("anat.nii.gz"), ballImage(24, 2.0, 1, DT_UINT8));
    writeTestImage(folder.file("anat4d.nii.gz"), ballImage(24, 2.0, 2, DT_UINT8));
    writeTestImage(folder.file("bold.nii.gz"), ballImage(12, 4.0, 3, DT_INT16));

    const ProcessResult swapped = runKeldra({"run", "bold.nii.gz", "anat.nii.gz", "--mapping", "1", "--out", "a"}, folder.path());
    EXPECT_EQ(swapped.exitCode, 0) << swapped.err;
    EXPECT_EQ(warningsOf(reportOf(folder, "a")).count({"functional-given-first", "bold.nii.gz"}), 1u) << swapped.err;
    EXPECT_NE(swapped.err.find("keldra run anat.nii.gz bold.nii.gz"), std::string::npos) << swapped.err;

    const ProcessResult volumes = runKeldra({"run", "anat4d.nii.gz", "bold.nii.gz", "--mapping", "1", "--out", "b"}, folder.path());
    EXPECT_EQ(volumes.exitCode, 0) << volumes.err;
    EXPECT_EQ(warningsOf(reportOf(folder, "b")), (std::set<std::pair<std::string, std::string>>{
                                                     {"anatomical-has-volumes", "anat4d.nii.gz"}}));
}

// A warning names files as given; on stderr and in the log it stays one line whatever the names
// hold, while report.json keeps them exactly.
TEST(RunWarnings, AWarningAboutFilesNamedWithLineBreaksStaysOneLine) {
    ScratchFolder folder;
    writeTestImage(folder.file("anat\n1.nii.gz"), ballImage(24, 2.0, 1, DT_UINT8));
    writeTestImage(folder.file("bold\n1.nii.gz"), ballImage(12, 4.0, 3, DT_INT16));
    const ProcessResult run =
        runKeldra({"run", "bold\n1.nii.gz", "anat\n1.nii.gz", "--mapping", "1", "--out", "a"}, folder.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(warningsOf(reportOf(folder, "a")).count({"functional-given-first", "bold\n1.nii.gz"}), 1u);
    const std::string start = "warning: bold\\n1.nii.gz: opened as the anatomical, it looks like a functional";
    const std::string end = "in anat\\n1.nii.gz); the anatomical comes first: keldra run anat\\n1.nii.gz bold\\n1.nii.gz\n";
    for (const std::string& text : {run.err, readWholeFile(folder.file("a/log.txt"))}) {
        const std::size_t at = text.find(start);
        ASSERT_NE(at, std::string::npos) << text;
        const std::size_t lineEnd = text.find('\n', at);
        EXPECT_EQ(text.compare(lineEnd + 1 - end.size(), end.size(), end), 0) << text.substr(at, lineEnd - at);
    }
}

TEST(RunWarnings, ATimeStepOfZeroIsReadWithAWarning) {
    ScratchFolder folder;
    TestImage bold = ballImage(12, 4.0, 3, DT_INT16);
    bold.adjustHeader = [](nifti_image& header) {
        header.dt = header.pixdim[4] = 0.0;
        header.time_units = NIFTI_UNITS_SEC;
    };
    writeTestImage(folder.file("bold.nii.gz"), bold);
    const ProcessResult info = runKeldra({"info", "bold.nii.gz"}, folder.path());
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("Time step (TR):     0 s, which is no usable time step"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("warning: bold.nii.gz: its time step (pixdim[4]) is 0"), std::string::npos) << info.out;
}

TEST(RunWarnings, AFunctionalFarFromTheHeadIsDrawnWhereItLiesAndSaidToMissIt) {
    // The demo's functional moved 250 mm to the right: nothing can be projected, and the
    // pictures show where it lies instead of nothing.
    ScratchFolder folder;
    const picture::PictureVolume anatomical = sampleAnatomical(demoAnatomicalGrid());
    picture::VolumeSeries functional = sampleFunctional(demoFunctionalGrid(), 2, 1);
    functional.grid.voxelToWorld = Affine::translation({250.0, 0.0, 0.0}) * functional.grid.voxelToWorld;
    std::string error;
    ASSERT_TRUE(writeVolumeFile(folder.file("anat.nii.gz"), anatomicalVolumeFile(anatomical), error)) << error;
    ASSERT_TRUE(writeVolumeFile(folder.file("far.nii.gz"), functionalVolumeFile(functional), error)) << error;

    const ProcessResult r = runKeldra({"run", "anat.nii.gz", "far.nii.gz", "--mapping", "1", "--out", "out"}, folder.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(warningsOf(reportOf(folder, "out")).count({"no-overlap", "far.nii.gz"}), 1u);
    EXPECT_TRUE(std::filesystem::exists(folder.file("out/alignment_fmr.png")));
    EXPECT_FALSE(std::filesystem::exists(folder.file("out/before.png"))) << "the run changed nothing";

    const picture::PicturePlan plan = anatomicalPicturePlan(anatomical, functional.volume(0), {});
    ASSERT_EQ(plan.locators.size(), 3u);
    const auto image = picture::readPng(folder.file("out/alignment.png"), error);
    ASSERT_TRUE(image) << error;
    ASSERT_EQ(image->width(), plan.width);
    for (const picture::LocatorPlan& locator : plan.locators) {
        int outline = 0;
        for (int v = 0; v < locator.height; ++v) {
            for (int u = 0; u < locator.width; ++u) {
                outline += image->pixel(locator.left + u, locator.top + v) == picture::outlineRgb() ? 1 : 0;
            }
        }
        EXPECT_GT(outline, 100) << "the field of view's outline in the locator at " << locator.left;
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
