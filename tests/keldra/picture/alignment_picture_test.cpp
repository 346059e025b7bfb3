// Pictures: edges land where the overlay's shape is, orientation follows the affine and the
// chosen convention, and the sample's picture decodes with edges in every panel.
#include "keldra/picture/alignment_picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "keldra/sample/demo_sample.h"
#include "keldra/sample/head_phantom.h"
#include "keldra/picture/png_file.h"

namespace orvane::keldra::picture {
namespace {

PictureVolume uniformVolume(int n, float value, const Affine& voxelToWorld) {
    PictureVolume v;
    v.grid.nx = v.grid.ny = v.grid.nz = n;
    v.grid.voxelToWorld = voxelToWorld;
    v.values.assign(v.grid.voxelCount(), value);
    v.name = "uniform";
    return v;
}

Vector3d panelPixelToWorld(const PicturePlan& plan, const PanelPlan& panel, int u, int v) {
    return plan.grid.voxelToWorld.apply(panelPixelToVoxel(plan, panel, u, v));
}

double distance(const Vector3d& a, const Vector3d& b) {
    return length({a.x - b.x, a.y - b.y, a.z - b.z});
}

TEST(AlignmentPicture, EdgesAndOutlineLandOnTheProjectedShape) {
    // A ball in an oblique, coarser grid, drawn over a featureless base: every edge pixel must
    // lie on the ball's surface (within the overlay's nearest-neighbour half voxel) and every
    // outline pixel on the overlay grid's border.
    const PictureVolume base = uniformVolume(80, 100.0f, Affine::translation({-40.0, -40.0, -40.0}));
    PictureVolume ball = uniformVolume(
        30, 0.0f,
        (Affine::translation({-25.7, -31.2, -28.4})) * ((Affine::rotation(8.0, -6.0, 20.0)) * (Affine::scaling(2.0, 2.0, 2.0))));
    ball.name = "ball";
    const Vector3d centre{5.3, -3.1, 2.2};
    const double radius = 15.0;
    for (int z = 0; z < 30; ++z) {
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 30; ++x) {
                const Vector3d w = ball.grid.voxelToWorld.apply({double(x), double(y), double(z)});
                ball.values[ball.grid.index(x, y, z)] = distance(w, centre) < radius ? 500.0f : 0.0f;
            }
        }
    }
    const PictureOptions options;
    const PicturePlan plan = planPicture(base.grid, &ball, options, 1);
    PictureLayers layers;
    layers.base = &base;
    layers.window = {0.0f, 200.0f};
    layers.overlay = &ball;
    layers.fieldOfView = &ball.grid;
    const RgbImage image = renderPicture(plan, layers, options);
    const auto worldToBall = ball.grid.voxelToWorld.inverse();
    ASSERT_TRUE(worldToBall);

    const double halfDiagonal = std::sqrt(3.0);
    int panelsThroughBall = 0;
    int outlines = 0;
    for (const PanelPlan& panel : plan.panels) {
        int edges = 0;
        // Skip the borders where the orientation letters are drawn.
        for (int v = 20; v < panel.height - 20; ++v) {
            for (int u = 20; u < panel.width - 20; ++u) {
                const Rgb colour = image.pixel(panel.left + u, panel.top + v);
                const Vector3d world = panelPixelToWorld(plan, panel, u, v);
                if (colour == edgeRgb(options.edgeColour)) {
                    ++edges;
                    const double d = distance(world, centre);
                    EXPECT_GT(d, radius - halfDiagonal - 1.0);
                    EXPECT_LT(d, radius + halfDiagonal);
                } else if (colour == outlineRgb()) {
                    ++outlines;
                    const Vector3d b = (*worldToBall).apply(world);
                    const double border = std::min({b.x + 0.5, b.y + 0.5, b.z + 0.5, 29.5 - b.x, 29.5 - b.y, 29.5 - b.z});
                    EXPECT_GT(border, -0.01);
                    EXPECT_LT(border, 1.0);
                } else {
                    EXPECT_EQ(colour, (Rgb{128, 128, 128}));
                }
            }
        }
        // The panel's plane cuts the ball well inside its surface: there must be a ring.
        const Vector3d planeCentre = panelPixelToWorld(plan, panel, panel.width / 2, panel.height / 2);
        const double offset = std::fabs(panel.axes.normalWorldAxis == 0   ? planeCentre.x - centre.x
                                        : panel.axes.normalWorldAxis == 1 ? planeCentre.y - centre.y
                                                                          : planeCentre.z - centre.z);
        if (offset < radius - 4.0) {
            ++panelsThroughBall;
            EXPECT_GT(edges, 40);
        }
    }
    // The panels show the ball with a margin, where the grid's border crosses a few of them.
    EXPECT_GT(outlines, 100);
    EXPECT_GE(panelsThroughBall, 6);
}

// A base volume with a bright slab in its first voxel columns (low x index).
PictureVolume slabVolume(const Affine& voxelToWorld) {
    PictureVolume v = uniformVolume(60, 50.0f, voxelToWorld);
    for (int z = 0; z < 60; ++z) {
        for (int y = 0; y < 60; ++y) {
            for (int x = 5; x < 15; ++x) {
                v.values[v.grid.index(x, y, z)] = 200.0f;
            }
        }
    }
    return v;
}

// Mean screen column of the slab's pixels in a panel, as a fraction of the panel's width.
double slabColumn(const RgbImage& image, const PanelPlan& panel) {
    double sum = 0.0;
    long count = 0;
    for (int v = 20; v < panel.height - 20; ++v) {
        for (int u = 0; u < panel.width; ++u) {
            if (image.pixel(panel.left + u, panel.top + v) == (Rgb{255, 255, 255})) {
                sum += u;
                ++count;
            }
        }
    }
    return count > 0 ? sum / count / panel.width : -1.0;
}

TEST(AlignmentPicture, OrientationFollowsTheAffineAndTheConvention) {
    // The same voxels, stored once with x running to the right (the slab lies on the
    // patient's left) and once with x running to the left (the slab lies on the right).
    const Affine towardsRight = Affine::translation({-30.0, -30.0, -30.0});
    Affine towardsLeft = towardsRight;
    towardsLeft.m[0][0] = -1.0;
    towardsLeft.m[0][3] = 29.0;
    struct Case {
        const Affine* affine;
        Convention convention;
        bool slabOnScreenLeft;
        char leftLetter;
    };
    const Case cases[] = {
        {&towardsRight, Convention::Neurological, true, 'L'},
        {&towardsLeft, Convention::Neurological, false, 'L'},
        {&towardsRight, Convention::Radiological, false, 'R'},
        {&towardsLeft, Convention::Radiological, true, 'R'},
    };
    for (const Case& c : cases) {
        const PictureVolume base = slabVolume(*c.affine);
        PictureOptions options;
        options.convention = c.convention;
        const PicturePlan plan = planPicture(base.grid, nullptr, options, 0);
        PictureLayers layers;
        layers.base = &base;
        layers.window = {50.0f, 200.0f};
        const RgbImage image = renderPicture(plan, layers, options);
        for (const PanelPlan& panel : plan.panels) {
            if (panel.view == View::Sagittal) {
                continue;
            }
            EXPECT_EQ(panel.axes.leftLetter, c.leftLetter);
            const double column = slabColumn(image, panel);
            ASSERT_GE(column, 0.0);
            if (c.slabOnScreenLeft) {
                EXPECT_LT(column, 0.3);
            } else {
                EXPECT_GT(column, 0.7);
            }
        }
    }
}

TEST(AlignmentPicture, CaptionAndLegendOfASmallVolumeStayInsideThePicture) {
    // A small, coarse anatomy makes the narrowest picture; the check's verdict line for a
    // functional with a long name and the usual legend must still fit, nothing cut off at its
    // right.
    const PictureVolume base = uniformVolume(24, 100.0f, Affine::scaling(2.0, 2.0, 2.0));
    const PicturePlan plan = planPicture(base.grid, &base, PictureOptions{}, 3, &base.grid);
    PictureLayers layers;
    layers.base = &base;
    layers.window = {0.0f, 200.0f};
    layers.fieldOfView = &base.grid;
    layers.absentEdgesNote = "nothing was projected: the functional's field of view does not overlap the anatomy";
    layers.fieldOfViewLegend = "functional's field of view, from the affines";
    layers.caption = {"anatomy anatomical.nii: sform (code 2)", "functional, volume 1, functional.nii: sform (code 2)",
                      "sub-01_ses-1_task-rest_run-1_bold.nii.gz: misaligned - best fit 32.0 mm away (R -25.6, A -12.1, "
                      "S 14.9), NMI 0.00 -> 1.02"};
    const RgbImage image = renderPicture(plan, layers, PictureOptions{});
    const int textBottom = kPictureMargin + (3 + kLegendLines) * kTextLineHeight;
    int lit = 0;
    for (int y = 0; y < textBottom; ++y) {
        for (int x = image.width() - kPictureMargin; x < image.width(); ++x) {
            const Rgb p = image.pixel(x, y);
            lit += p.r + p.g + p.b > 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(lit, 0) << "text runs into the right margin of a picture " << image.width() << " px wide";
}

class DemoPictureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sample_ = std::make_unique<DemoSample>(makeDemoSample()); }
    static void TearDownTestSuite() { sample_.reset(); }
    static std::unique_ptr<DemoSample> sample_;

    static std::filesystem::path outputFolder() {
        const auto folder = std::filesystem::path(ORVANE_BINARY_DIR) / "test-scratch" / "demo-picture";
        std::filesystem::create_directories(folder);
        return folder;
    }
};
std::unique_ptr<DemoSample> DemoPictureTest::sample_;

// Counts the pixels of a colour inside a panel.
int countColour(const RgbImage& image, const PanelPlan& panel, Rgb colour) {
    int count = 0;
    for (int v = 0; v < panel.height; ++v) {
        for (int u = 0; u < panel.width; ++u) {
            count += image.pixel(panel.left + u, panel.top + v) == colour ? 1 : 0;
        }
    }
    return count;
}

TEST_F(DemoPictureTest, WrittenPicturesDecodeWithEdgesInEveryPanel) {
    const PictureVolume functional = sample_->functional.volume(0);
    const PictureVolume& anatomical = sample_->anatomical;
    const PictureOptions options;
    struct Direction {
        const PictureVolume* base;
        const PictureVolume* overlay;
        const char* file;
    };
    for (const Direction& d : {Direction{&anatomical, &functional, "alignment.png"},
                               Direction{&functional, &anatomical, "alignment_fmr.png"}}) {
        const PicturePlan plan = planPicture(d.base->grid, d.overlay, options, 1);
        PictureLayers layers;
        layers.base = d.base;
        layers.window = robustWindow(d.base->values);
        layers.overlay = d.overlay;
        // The anatomical covers the whole head, so only the functional's field of view is drawn.
        layers.fieldOfView = d.base == &anatomical ? &d.overlay->grid : nullptr;
        layers.caption = {d.base->name + " (" + d.base->affineLabel + ")  " + d.overlay->name + " (" +
                          d.overlay->affineLabel + ")"};
        const auto path = (outputFolder() / d.file).string();
        std::string error;
        ASSERT_TRUE(writePng(renderPicture(plan, layers, options), path, error)) << error;

        const auto decoded = readPng(path, error);
        ASSERT_TRUE(decoded) << error;
        EXPECT_EQ(decoded->width(), plan.width);
        EXPECT_EQ(decoded->height(), plan.height);
        // The sagittal row has an even number of panels, off the midline.
        ASSERT_EQ(plan.panels.size(), 2u * static_cast<std::size_t>(options.slicesPerRow) +
                                          static_cast<std::size_t>(options.slicesPerRow / 2 * 2));
        for (const PanelPlan& panel : plan.panels) {
            EXPECT_GT(countColour(*decoded, panel, edgeRgb(options.edgeColour)), 100) << d.file << " slice " << panel.slice;
        }
    }
}

// The share of the edge pixels of the functional's picture that lie within `tolerance`
// millimetres of a tissue boundary of the phantom itself.
double edgesOnTissueBoundaries(const PictureVolume& anatomical, const PictureVolume& functional, double tolerance) {
    const PictureOptions options;
    const PicturePlan plan = planPicture(anatomical.grid, &functional, options, 0);
    PictureLayers layers;
    layers.base = &anatomical;
    layers.window = robustWindow(anatomical.values);
    layers.overlay = &functional;
    const RgbImage image = renderPicture(plan, layers, options);
    long edges = 0;
    long onBoundary = 0;
    for (const PanelPlan& panel : plan.panels) {
        for (int v = 0; v < panel.height; ++v) {
            for (int u = 0; u < panel.width; ++u) {
                if (image.pixel(panel.left + u, panel.top + v) != edgeRgb(options.edgeColour)) {
                    continue;
                }
                ++edges;
                const Vector3d p = panelPixelToWorld(plan, panel, u, v);
                const Tissue here = headTissueAt(p);
                bool near = false;
                for (int axis = 0; axis < 3 && !near; ++axis) {
                    for (double step : {-tolerance, tolerance}) {
                        Vector3d q = p;
                        (axis == 0 ? q.x : axis == 1 ? q.y : q.z) += step;
                        near = near || headTissueAt(q) != here;
                    }
                }
                onBoundary += near ? 1 : 0;
            }
        }
    }
    return edges > 0 ? static_cast<double>(onBoundary) / edges : 0.0;
}

TEST_F(DemoPictureTest, EdgesFollowTheAnatomyUnlessTheAffineIsWrong) {
    const PictureVolume functional = sample_->functional.volume(0);
    PictureVolume shifted = functional;
    shifted.grid.voxelToWorld = (Affine::translation({6.0, 0.0, 0.0})) * functional.grid.voxelToWorld;
    // Within 2 mm: the edges come from a 3 x 3 x 3.5 mm functional, lightly smoothed.
    const double aligned = edgesOnTissueBoundaries(sample_->anatomical, functional, 2.0);
    const double misaligned = edgesOnTissueBoundaries(sample_->anatomical, shifted, 2.0);
    EXPECT_GT(aligned, 0.65);
    EXPECT_LT(misaligned, aligned - 0.1) << "aligned " << aligned;
}

}  // namespace
}  // namespace orvane::keldra::picture
