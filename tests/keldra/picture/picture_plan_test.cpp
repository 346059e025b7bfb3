// Which slices a picture shows: never the same voxel plane twice, so a thin grid gets a panel
// per slice, and sagittal slices off the midline.
#include "keldra/picture/picture_plan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <set>

#include "keldra/picture/alignment_picture.h"

namespace orvane::keldra::picture {
namespace {

TEST(PicturePlan, AThinGridShowsEachOfItsSlicesOnceAndNoSagittalSliceOnTheMidline) {
    // Three slices of 4 mm, a head in all of them.
    PictureVolume thin;
    thin.grid.nx = thin.grid.ny = 40;
    thin.grid.nz = 3;
    thin.grid.voxelToWorld = Affine::translation({-58.5, -58.5, -4.0}) * Affine::scaling(3.0, 3.0, 4.0);
    thin.values.resize(thin.grid.voxelCount());
    for (int z = 0; z < 3; ++z) {
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 40; ++x) {
                const Vector3d w = thin.grid.voxelToWorld.apply({double(x), double(y), double(z)});
                thin.values[thin.grid.index(x, y, z)] = std::hypot(w.x, w.y) < 45.0 ? 800.0f : 20.0f;
            }
        }
    }
    const PicturePlan plan = planPicture(thin.grid, &thin, PictureOptions{}, 1);
    std::map<View, std::vector<int>> slices;
    for (const PanelPlan& panel : plan.panels) {
        slices[panel.view].push_back(panel.slice);
        if (panel.view == View::Sagittal) {
            EXPECT_GT(std::fabs(panel.positionMm), 5.0) << "a sagittal slice on the midline";
        }
    }
    EXPECT_EQ(slices[View::Axial], (std::vector<int>{0, 1, 2}));
    for (const auto& [view, list] : slices) {
        EXPECT_EQ(std::set<int>(list.begin(), list.end()).size(), list.size()) << "view " << int(view);
    }
    EXPECT_EQ(slices[View::Coronal].size(), 5u);
    EXPECT_EQ(slices[View::Sagittal].size(), 4u);
}

// The slices of an anatomical's own pictures are found without placing each sample when the
// grid is the focus's own; placed through a map a hair away from the identity (the general
// way), the same samples must give the same plan.
TEST(PicturePlan, AFocusOnItsOwnGridIsPlannedAsWhenPlaced) {
    PictureVolume head;
    head.grid.nx = 60;
    head.grid.ny = 70;
    head.grid.nz = 70;
    head.grid.voxelToWorld = Affine::translation({-30.0, -41.0, -35.0});
    std::vector<std::uint8_t> bytes(head.grid.voxelCount());
    for (int z = 0; z < head.grid.nz; ++z) {
        for (int y = 0; y < head.grid.ny; ++y) {
            for (int x = 0; x < head.grid.nx; ++x) {
                const Vector3d w = head.grid.voxelToWorld.apply({double(x), double(y), double(z)});
                bytes[head.grid.index(x, y, z)] = std::hypot(w.x - 4.0, w.y, 1.3 * w.z) < 22.0 ? 180 : 15;
            }
        }
    }
    head.bytes = bytes.data();
    VolumeGrid placed = head.grid;
    placed.voxelToWorld = Affine::translation({1e-7, 0.0, -1e-7}) * head.grid.voxelToWorld;
    const PicturePlan own = planPicture(head.grid, &head, PictureOptions{}, 1);
    const PicturePlan other = planPicture(placed, &head, PictureOptions{}, 1);
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(own.shownFirst[a], other.shownFirst[a]) << "axis " << a;
        EXPECT_EQ(own.shownLast[a], other.shownLast[a]) << "axis " << a;
        EXPECT_GT(own.shownFirst[a], 0) << "axis " << a << ": the head, not the whole grid";
    }
    ASSERT_EQ(own.panels.size(), other.panels.size());
    for (std::size_t p = 0; p < own.panels.size(); ++p) {
        EXPECT_EQ(own.panels[p].slice, other.panels[p].slice) << "panel " << p;
    }
}

}  // namespace
}  // namespace orvane::keldra::picture
