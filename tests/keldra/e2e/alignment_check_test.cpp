// The alignment check as users meet it: `keldra check` on the demo's files and on copies with a
// shifted header or mirrored data (its lines, exit codes, report.json and pictures, and that it
// never writes over anything), and the check that follows `keldra demo` and `run`.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include <nlohmann/json.hpp>

#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

json readJson(const std::string& path) {
    std::ifstream in(path);
    json j = json::parse(in, nullptr, false);
    EXPECT_FALSE(j.is_discarded()) << path;
    return j;
}

// The functional's header moved by `shift` (world mm): the check should find +shift.
void writeShifted(const std::string& from, const std::string& to, const Vector3d& shift) {
    const ReadImage read = readTestImage(from);
    TestImage image;
    image.nx = read.nx, image.ny = read.ny, image.nz = read.nz, image.nt = read.nt;
    image.values = read.values;
    image.sform = Affine::translation(-1.0 * shift) * read.sform;
    image.sformCode = read.sformCode;
    for (int a = 0; a < 3; ++a) {
        image.voxelSize[a] = length(read.sform.column(a));
    }
    writeTestImage(to, image);
}

// The functional's data reversed along its first voxel axis, header kept.
void writeMirrored(const std::string& from, const std::string& to) {
    const ReadImage read = readTestImage(from);
    TestImage image;
    image.nx = read.nx, image.ny = read.ny, image.nz = read.nz, image.nt = read.nt;
    image.sform = read.sform;
    image.sformCode = read.sformCode;
    for (int a = 0; a < 3; ++a) {
        image.voxelSize[a] = length(read.sform.column(a));
    }
    image.values.resize(read.values.size());
    for (std::size_t i = 0; i < read.values.size(); ++i) {
        const std::size_t x = i % static_cast<std::size_t>(read.nx);
        image.values[i] = read.values[i - x + (static_cast<std::size_t>(read.nx) - 1 - x)];
    }
    writeTestImage(to, image);
}

class AlignmentCheck : public ::testing::Test {
protected:
    // One demo (without its check) gives the files every test starts from.
    static void SetUpTestSuite() {
        folder_ = std::make_unique<ScratchFolder>();
        const ProcessResult demo = runKeldra({"demo", "--out", "demo", "--no-check"}, folder_->path());
        ASSERT_EQ(demo.exitCode, 0) << demo.err;
        writeShifted(folder_->file("demo/demo_bold.nii.gz"), folder_->file("shifted.nii.gz"), {5, -4, 3});
        writeMirrored(folder_->file("demo/demo_bold.nii.gz"), folder_->file("mirrored.nii.gz"));
    }
    static void TearDownTestSuite() { folder_.reset(); }
    static std::string file(const std::string& name) { return folder_->file(name); }
    static std::unique_ptr<ScratchFolder> folder_;
};

std::unique_ptr<ScratchFolder> AlignmentCheck::folder_;

TEST_F(AlignmentCheck, DemoRunReportsAlignedAndNoCheckLeavesItOut) {
    EXPECT_FALSE(fs::exists(file("demo/check.png")));
    EXPECT_FALSE(readJson(file("demo/report.json")).contains("alignment_check"));

    const ProcessResult r = runKeldra({"run", "demo/demo_anat.nii.gz", "demo/demo_bold.nii.gz", "--mapping", "1", "--out", "run"},
                                      folder_->path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("demo_bold.nii.gz: aligned \u2014 best fit"), std::string::npos) << r.out;
    const json entry = readJson(file("run/report.json"))["alignment_check"].at(0);
    EXPECT_EQ(entry["verdict"], "aligned");
    EXPECT_EQ(entry["functional"], "demo/demo_bold.nii.gz");
    EXPECT_FALSE(entry["left_right_flip_suspected"].get<bool>());
    EXPECT_TRUE(fs::exists(file("run/check.png")));
}

TEST_F(AlignmentCheck, CheckCommandFindsTheShiftAndTheFlip) {
    const ProcessResult r = runKeldra(
        {"check", "demo/demo_anat.nii.gz", "demo/demo_bold.nii.gz", "shifted.nii.gz", "mirrored.nii.gz", "--out", "checked"},
        folder_->path());
    EXPECT_EQ(r.exitCode, 4) << r.out << r.err;  // the worst verdict is misaligned
    EXPECT_NE(r.out.find("shifted.nii.gz: misaligned"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("mirrored.nii.gz: misaligned"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("left-right flip suspected"), std::string::npos) << r.out;
    // No module is loaded and no volume written.
    EXPECT_EQ(r.out.find("Plug-in:"), std::string::npos);
    EXPECT_FALSE(fs::exists(file("checked/vmr.nii.gz")));

    const json report = readJson(file("checked/report.json"));
    const json& checks = report["alignment_check"];
    ASSERT_EQ(checks.size(), 3u);
    for (const char* field : {"functional", "measure", "similarity_at_header", "similarity_at_best",
                              "residual_shift_mm", "residual_shift_length_mm", "rotation_deg", "rms_displacement_mm",
                              "left_right_flip_suspected", "left_right_margin", "head_coverage", "verdict",
                              "thresholds"}) {
        EXPECT_TRUE(checks[1].contains(field)) << field;
    }
    EXPECT_EQ(checks[1]["measure"], "nmi");
    // The shifted copy: found again relative to the original's own residual.
    for (int a = 0; a < 3; ++a) {
        const double expected = std::array<double, 3>{5, -4, 3}[static_cast<std::size_t>(a)] +
                                checks[0]["residual_shift_mm"][a].get<double>();
        EXPECT_NEAR(checks[1]["residual_shift_mm"][a].get<double>(), expected, 1.0) << "axis " << a;
    }
    EXPECT_TRUE(checks[2]["left_right_flip_suspected"].get<bool>());
    EXPECT_FALSE(checks[0]["left_right_flip_suspected"].get<bool>());
    EXPECT_EQ(report["result"]["exitCode"], 4);
    for (const char* picture : {"checked/check.png", "checked/fmr2_check.png", "checked/fmr3_check.png",
                                "checked/checkerboard.png", "checked/fmr3_checkerboard.png"}) {
        EXPECT_TRUE(fs::exists(file(picture))) << picture;
    }
    // The page: a banner per functional, the worst one misaligned.
    const std::string page = readWholeFile(file("checked/report.html"));
    EXPECT_NE(page.find("<strong class=\"verdict-word\">Misaligned</strong> \u2014 shifted.nii.gz: best fit"),
              std::string::npos);
    EXPECT_NE(page.find("data-verdict=\"misaligned\""), std::string::npos);
    EXPECT_NE(page.find("src=\"fmr3_checkerboard.png\""), std::string::npos);
}

TEST_F(AlignmentCheck, CheckCommandNeverOverwritesAndRefusesBadInput) {
    const std::vector<std::string> aligned = {"check", "demo/demo_anat.nii.gz", "demo/demo_bold.nii.gz"};
    // Without --out nothing is written; aligned is exit 0.
    ProcessResult r = runKeldra(aligned, folder_->path());
    EXPECT_EQ(r.exitCode, 0) << r.err;

    std::vector<std::string> args = aligned;
    args.insert(args.end(), {"--out", "once", "--no-pictures"});
    ASSERT_EQ(runKeldra(args, folder_->path()).exitCode, 0);
    EXPECT_TRUE(fs::exists(file("once/report.json")));
    EXPECT_FALSE(fs::exists(file("once/check.png")));
    const std::string first = readWholeFile(file("once/report.json"));
    std::ofstream(file("once/report.json"), std::ios::app) << " ";
    r = runKeldra(args, folder_->path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("report.json"), std::string::npos) << r.err;
    EXPECT_EQ(readWholeFile(file("once/report.json")), first + " ");
    args.push_back("--overwrite");
    EXPECT_EQ(runKeldra(args, folder_->path()).exitCode, 0);
    EXPECT_EQ(readWholeFile(file("once/report.json")).back(), '\n');

    // Strict thresholds from a file turn the same pair into `check` (exit 3) and are recorded.
    std::ofstream(file("strict.json")) << R"({"aligned_max_shift_mm": 0.01, "aligned_max_rms_mm": 0.01})";
    args = aligned;
    args.insert(args.end(), {"--thresholds", "strict.json", "--out", "strict"});
    EXPECT_EQ(runKeldra(args, folder_->path()).exitCode, 3);
    EXPECT_EQ(readJson(file("strict/report.json"))["alignment_check"][0]["thresholds"]["aligned_max_shift_mm"], 0.01);

    std::ofstream(file("bad.json")) << R"({"aligned_max_shift": 1})";
    r = runKeldra({"check", "demo/demo_anat.nii.gz", "demo/demo_bold.nii.gz", "--thresholds", "bad.json"}, folder_->path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("unknown threshold \"aligned_max_shift\""), std::string::npos) << r.err;
    EXPECT_EQ(runKeldra({"check", "demo/demo_anat.nii.gz"}, folder_->path()).exitCode, 2);
}

}  // namespace
}  // namespace orvane::keldra::testing
