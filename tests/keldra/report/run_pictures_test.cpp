// The pictures of a run draw what the plug-in wrote, not what the files' affines imply: a
// run outcome whose output is mirrored against the affines must show the mirrored edges.
#include "keldra/report/run_pictures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <future>
#include <thread>

#include "keldra/picture/png_file.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

constexpr int kVmrSize = 72;
constexpr int kFmrSize = 20;
constexpr double kFmrVoxel = 3.0;
constexpr double kBallRadius = 10.0;
const Vector3d kWhereTheAffinesPutIt{-12.0, 0.0, 0.0};
const Vector3d kWhereThePlugInPutIt{12.0, 0.0, 0.0};

DocumentGeometry centredGeometry(int n, double voxel) {
    DocumentGeometry g;
    for (int a = 0; a < 3; ++a) {
        g.grid[a] = n;
        g.voxelSize[a] = static_cast<float>(voxel);
    }
    g.transformCode = 1;
    const double half = (n - 1) / 2.0 * voxel;
    g.voxelToWorld = Affine::translation({-half, -half, -half}) * Affine::scaling(voxel, voxel, voxel);
    return g;
}

// Calls `write(index, distance from the ball's centre)` for every voxel of the grid.
template <typename Write>
void forEachVoxel(const DocumentGeometry& g, const Vector3d& centre, Write write) {
    for (int z = 0; z < g.grid[2]; ++z) {
        for (int y = 0; y < g.grid[1]; ++y) {
            for (int x = 0; x < g.grid[0]; ++x) {
                const Vector3d w = g.voxelToWorld.apply({double(x), double(y), double(z)});
                write(static_cast<std::size_t>(x) + static_cast<std::size_t>(g.grid[0]) * (y + static_cast<std::size_t>(g.grid[1]) * z),
                      length(w - centre));
            }
        }
    }
}

// An anatomical head of 60 and a functional whose ball lies, by the affines, on the left.
RunOutcome openedWorkspace() {
    VmrDocument vmr;
    vmr.sourcePath = "anat.nii.gz";
    vmr.geometry = centredGeometry(kVmrSize, 1.0);
    vmr.voxels.assign(static_cast<std::size_t>(kVmrSize) * kVmrSize * kVmrSize, 0);
    forEachVoxel(vmr.geometry, {0, 0, 0}, [&](std::size_t i, double d) { vmr.voxels[i] = d < 34.0 ? 60 : 0; });
    FmrDocument fmr;
    fmr.sourcePath = "bold.nii.gz";
    fmr.geometry = centredGeometry(kFmrSize, kFmrVoxel);
    fmr.intData.assign(fmr.voxelsPerVolume(), 0);
    forEachVoxel(fmr.geometry, kWhereTheAffinesPutIt,
                 [&](std::size_t i, double d) { fmr.intData[i] = d < kBallRadius ? 150 : 0; });
    RunOutcome outcome;
    outcome.before.documents = {vmr, fmr};
    outcome.after = outcome.before;
    return outcome;
}

// Red pixels of alignment.png inside the panels, by the side of the head they lie on.
struct RedSides {
    long left = 0;
    long right = 0;
    long offTheBall = 0;  // further than `tolerance` from the surface of the plug-in's ball
};

RedSides redSides(const RunOutcome& outcome, const std::string& folder, double tolerance) {
    std::vector<std::string> written;
    std::string error;
    EXPECT_TRUE(writeRunPictures(outcome, folder, {}, written, error)) << error;
    const auto image = picture::readPng(folder + "/alignment.png", error);
    EXPECT_TRUE(image) << error;
    RedSides sides;
    if (!image) {
        return sides;
    }
    const auto& before = outcome.before.documents;
    const picture::PicturePlan plan = anatomicalPicturePlan(vmrPictureVolume(std::get<VmrDocument>(before[0])),
                                                            fmrPictureVolume(std::get<FmrDocument>(before[1])), {});
    EXPECT_EQ(image->width(), plan.width);
    for (const picture::PanelPlan& panel : plan.panels) {
        for (int v = 0; v < panel.height; ++v) {
            for (int u = 0; u < panel.width; ++u) {
                if (image->pixel(panel.left + u, panel.top + v) != picture::edgeRgb(picture::EdgeColour::Red)) {
                    continue;
                }
                const Vector3d w = plan.grid.voxelToWorld.apply(picture::panelPixelToVoxel(plan, panel, u, v));
                (w.x < 0.0 ? sides.left : sides.right) += 1;
                const double d = length(w - kWhereThePlugInPutIt);
                sides.offTheBall += std::fabs(d - kBallRadius) > tolerance ? 1 : 0;
            }
        }
    }
    return sides;
}

TEST(RunPictures, EdgesFollowWhatThePlugInWroteNotTheAffines) {
    // Writing into the anatomical: the ball lands on the right, mirrored against the affines,
    // and at every fifth voxel the anatomical already held the value written there.
    {
        ScratchFolder folder;
        RunOutcome outcome = openedWorkspace();
        auto& vmrBefore = std::get<VmrDocument>(outcome.before.documents[0]);
        auto& vmrAfter = std::get<VmrDocument>(outcome.after.documents[0]);
        forEachVoxel(vmrAfter.geometry, kWhereThePlugInPutIt, [&](std::size_t i, double d) {
            if (d < kBallRadius) {
                vmrAfter.voxels[i] = 150;
                vmrBefore.voxels[i] = i % 5 == 0 ? 150 : vmrBefore.voxels[i];
            }
        });
        const RedSides sides = redSides(outcome, folder.path(), std::sqrt(3.0) / 2.0 + 1.0);
        EXPECT_GT(sides.right, 300);
        EXPECT_EQ(sides.left, 0);
        EXPECT_EQ(sides.offTheBall, 0);
    }
    // Writing into the functional (nothing in the anatomical changes): the saved functional's
    // ball is the mirrored one, placed by the functional's affine.
    {
        ScratchFolder folder;
        RunOutcome outcome = openedWorkspace();
        auto& fmrAfter = std::get<FmrDocument>(outcome.after.documents[1]);
        forEachVoxel(fmrAfter.geometry, kWhereThePlugInPutIt,
                     [&](std::size_t i, double d) { fmrAfter.intData[i] = d < kBallRadius ? 180 : 0; });
        const RedSides sides = redSides(outcome, folder.path(), kFmrVoxel * std::sqrt(3.0) / 2.0 + 1.0);
        EXPECT_GT(sides.right, 300);
        EXPECT_EQ(sides.left, 0);
        EXPECT_EQ(sides.offTheBall, 0);
    }
}

TEST(RunPictures, ACaptionLineHandedOverLateIsDrawnAsOneKnownAtOnce) {
    const RunOutcome outcome = openedWorkspace();
    const std::vector<std::string> line = {"bold.nii.gz: aligned, residual shift 0.4 mm"};
    std::vector<std::string> written;
    std::string error;
    ScratchFolder atOnce;
    ASSERT_TRUE(writeRunPictures(outcome, atOnce.path(), {}, written, error, {}, line)) << error;

    // Handed over from another thread while the pictures are being drawn.
    ScratchFolder late;
    std::promise<std::vector<std::string>> caption;
    std::thread handOver([&caption, &line] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        caption.set_value(line);
    });
    const bool drawn = writeRunPictures(outcome, late.path(), {}, written, error, {},
                                        LateCaption{1, caption.get_future().share()});
    handOver.join();
    ASSERT_TRUE(drawn) << error;
    const auto expected = picture::readPng(atOnce.path() + "/alignment.png", error);
    const auto actual = picture::readPng(late.path() + "/alignment.png", error);
    ASSERT_TRUE(expected && actual) << error;
    EXPECT_TRUE(expected->bytes() == actual->bytes());
    // And the line is drawn: without its text the picture differs.
    ScratchFolder blank;
    ASSERT_TRUE(writeRunPictures(outcome, blank.path(), {}, written, error, {}, std::vector<std::string>{""})) << error;
    const auto withoutText = picture::readPng(blank.path() + "/alignment.png", error);
    ASSERT_TRUE(withoutText) << error;
    EXPECT_FALSE(withoutText->bytes() == expected->bytes());

    // A caption that never comes fails alignment.png instead of leaving the drawing waiting.
    ScratchFolder never;
    std::shared_future<std::vector<std::string>> broken;
    {
        std::promise<std::vector<std::string>> abandoned;
        broken = abandoned.get_future().share();
    }
    EXPECT_FALSE(writeRunPictures(outcome, never.path(), {}, written, error, {}, LateCaption{1, broken}));
    EXPECT_FALSE(std::filesystem::exists(never.path() + "/alignment.png"));
}

// A functional of `n` voxels of `voxel` mm, tilted and centred on `centre`.
picture::PictureVolume functionalAt(int n, double voxel, double tilt, const Vector3d& centre) {
    picture::PictureVolume f;
    f.grid.nx = f.grid.ny = f.grid.nz = n;
    const double half = (n - 1) / 2.0;
    f.grid.voxelToWorld = Affine::translation(centre) *
                          (Affine::rotation(tilt, 0.0, tilt / 2) *
                           (Affine::scaling(voxel, voxel, voxel) * Affine::translation({-half, -half, -half})));
    f.values.assign(f.grid.voxelCount(), 100.0f);
    return f;
}

TEST(RunPictures, TwoFunctionalsAgainstOneAnatomyShowTheSameSlicesAtWholeMillimetres) {
    // An anatomy whose voxel centres lie at whole millimetres, and two functionals that cover
    // different parts of it: the anatomy's pictures of both runs can be flicked.
    picture::PictureVolume anatomy;
    anatomy.grid.nx = anatomy.grid.ny = anatomy.grid.nz = 81;
    anatomy.grid.voxelToWorld = Affine::translation({-40.0, -40.0, -40.0});
    anatomy.values.resize(anatomy.grid.voxelCount());
    forEachVoxel(centredGeometry(81, 1.0), {0, 0, 0}, [&](std::size_t i, double d) { anatomy.values[i] = d < 33.0 ? 80.0f : 2.0f; });
    const picture::PicturePlan one = anatomicalPicturePlan(anatomy, functionalAt(12, 3.0, 0.0, {-10, 5, 15}), {});
    const picture::PicturePlan other = anatomicalPicturePlan(anatomy, functionalAt(20, 2.5, 14.0, {8, -12, -6}), {});
    EXPECT_LE(one.mmPerPixel, 0.5) << "at least two pixels per millimetre";
    ASSERT_EQ(one.panels.size(), other.panels.size());
    ASSERT_GE(one.panels.size(), 12u);
    for (std::size_t i = 0; i < one.panels.size(); ++i) {
        EXPECT_EQ(one.panels[i].slice, other.panels[i].slice);
        EXPECT_EQ(one.panels[i].left, other.panels[i].left);
        EXPECT_EQ(one.panels[i].width, other.panels[i].width);
        EXPECT_EQ(one.panels[i].positionMm, std::round(one.panels[i].positionMm));
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
