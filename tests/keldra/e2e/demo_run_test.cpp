// keldra demo and the results every run leaves: the sample, its pictures and report.json,
// checked from the files the built keldra wrote.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "keldra/sample/demo_files.h"
#include "keldra/picture/alignment_picture.h"
#include "keldra/picture/bitmap_font.h"
#include "keldra/sample/demo_sample.h"
#include "keldra/picture/png_file.h"
#include "keldra/report/run_pictures.h"
#include "keldra/nifti/volume_file.h"
#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

using nlohmann::json;

// The panel rectangles of the anatomical's pictures for the built-in sample.
picture::PicturePlan demoAnatomicalPlan() {
    static const picture::PicturePlan plan = [] {
        const picture::PictureVolume functional = sampleFunctional(demoFunctionalGrid(), 1, 1).volume(0);
        // One caption line more for the alignment check's verdict, which the demo runs.
        return anatomicalPicturePlan(sampleAnatomical(demoAnatomicalGrid()), functional, picture::PictureOptions{}, 1);
    }();
    return plan;
}

picture::RgbImage decode(const std::string& path) {
    std::string error;
    auto image = picture::readPng(path, error);
    EXPECT_TRUE(image) << error;
    return image ? *image : picture::RgbImage();
}

// Mean column and pixel count of a colour inside a panel.
double meanColumn(const picture::RgbImage& image, const picture::PanelPlan& panel, picture::Rgb colour, int& count) {
    double sum = 0.0;
    count = 0;
    for (int v = 0; v < panel.height; ++v) {
        for (int u = 0; u < panel.width; ++u) {
            if (image.pixel(panel.left + u, panel.top + v) == colour) {
                sum += u;
                ++count;
            }
        }
    }
    return count > 0 ? sum / count : 0.0;
}

// Every matrix dump in the log text, parsed here independently of keldra's own reader.
std::map<std::string, std::array<double, 16>> matricesInLog(const std::string& text) {
    std::map<std::string, std::array<double, 16>> found;
    std::istringstream lines(text);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line)) {
        all.push_back(line);
    }
    for (std::size_t i = 0; i + 4 < all.size(); ++i) {
        if (all[i].size() < 2 || all[i].compare(all[i].size() - 2, 2, ": ") != 0) {
            continue;
        }
        std::array<double, 16> m{};
        bool ok = true;
        for (int r = 0; r < 4 && ok; ++r) {
            ok = std::sscanf(all[i + 1 + r].c_str(), "\t%lf\t%lf\t%lf\t%lf", &m[4 * r], &m[4 * r + 1], &m[4 * r + 2],
                             &m[4 * r + 3]) == 4;
        }
        if (ok) {
            found[all[i].substr(0, all[i].size() - 2)] = m;
        }
    }
    return found;
}

std::array<double, 16> matrixOf(const json& rows) {
    std::array<double, 16> m{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            m[4 * r + c] = rows.at(r).at(c).get<double>();
        }
    }
    return m;
}

TEST(KeldraDemo, WritesTheSamplePicturesAndAReportThatMatchesTheLog) {
    ScratchFolder folder;
    const ProcessResult r = runKeldra({"demo", "--out", "out"}, folder.path());
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Finished."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("out/alignment.png"), std::string::npos) << r.out;
    // The last word leads to the page, which shows the run's pictures.
    EXPECT_NE(r.out.find("keldra: open out/report.html in a browser"), std::string::npos) << r.out;
    const std::string page = readWholeFile(folder.file("out/report.html"));
    for (const char* picture : {"alignment.png", "before.png", "after.png", "checkerboard.png", "check.png"}) {
        EXPECT_NE(page.find(std::string("src=\"") + picture + "\""), std::string::npos) << picture;
    }
    // Progress lines go to standard error only.
    for (const char* progress : {"building the sample", "writing the sample", "running the plug-in"}) {
        EXPECT_EQ(r.out.find(progress), std::string::npos) << r.out;
    }

    // The sample is there to be opened, with the geometry it was built with.
    const ReadImage bold = readTestImage(folder.file("out/demo_bold.nii.gz"));
    EXPECT_EQ(bold.nx, 64);
    EXPECT_EQ(bold.nz, 30);
    EXPECT_EQ(bold.nt, 10);
    EXPECT_EQ(bold.sformCode, 1);
    EXPECT_EQ(bold.qformCode, 1);
    EXPECT_LT(bold.sform.m[2][2], 0.0) << "slices should be stored from the top down";

    // The pictures decode, share one geometry, and every panel of alignment.png has edges.
    const picture::PicturePlan plan = demoAnatomicalPlan();
    const picture::RgbImage alignment = decode(folder.file("out/alignment.png"));
    ASSERT_EQ(alignment.width(), plan.width);
    ASSERT_EQ(alignment.height(), plan.height);
    for (const char* name : {"out/before.png", "out/after.png", "out/checkerboard.png"}) {
        const picture::RgbImage other = decode(folder.file(name));
        EXPECT_EQ(other.width(), plan.width) << name;
        EXPECT_EQ(other.height(), plan.height) << name;
    }
    // The slices come from the anatomy alone; only the lowest and highest axial slices may lie
    // beyond the functional's slab of 30 slices.
    std::size_t withEdges = 0;
    for (const picture::PanelPlan& panel : plan.panels) {
        int edges = 0;
        meanColumn(alignment, panel, picture::edgeRgb(picture::EdgeColour::Red), edges);
        withEdges += edges > 100 ? 1 : 0;
    }
    EXPECT_GE(withEdges, plan.panels.size() - 2);
    const picture::RgbImage reverse = decode(folder.file("out/alignment_fmr.png"));
    EXPECT_GT(reverse.width(), 0);

    // The report parses, says what ran, and carries the log's matrices exactly.
    std::ifstream reportFile(folder.file("out/report.json"));
    const json report = json::parse(reportFile);
    EXPECT_EQ(report.at("mapping"), 1);
    EXPECT_EQ(report.at("result").at("exitCode"), 0);
    EXPECT_TRUE(report.at("result").at("executed").get<bool>());
    ASSERT_EQ(report.at("inputs").size(), 2u);
    EXPECT_EQ(report.at("inputs").at(1).at("transform"), "sform");
    EXPECT_GT(report.at("voxelsChanged").at(0).at("voxels").get<long>(), 100000);
    const std::string log = readWholeFile(folder.file("out/log.txt"));
    const auto logged = matricesInLog(log);
    ASSERT_EQ(report.at("loggedMatrices").size(), logged.size());
    ASSERT_FALSE(report.at("finalMatrices").empty());
    for (const char* list : {"loggedMatrices", "finalMatrices"}) {
        for (const json& entry : report.at(list)) {
            const std::string caption = entry.at("caption");
            ASSERT_EQ(logged.count(caption), 1u) << caption;
            EXPECT_EQ(matrixOf(entry.at("matrix")), logged.at(caption)) << caption;
        }
    }
    // The host's own initial alignment, in full precision, is what the log shows rounded.
    const auto initial = matrixOf(report.at("initialAlignments").at(0).at("matrix"));
    const auto initialLogged = logged.at("Initial FMR1 to VMR mapping");
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(initial[i], initialLogged[i], 5e-7) << i;
    }
    bool listsPicture = false;
    for (const json& file : report.at("outputFiles")) {
        listsPicture = listsPicture || file.get<std::string>() == "out/alignment.png";
    }
    EXPECT_TRUE(listsPicture) << report.at("outputFiles").dump();

    // A second demo into the same folder replaces nothing.
    const ProcessResult again = runKeldra({"demo", "--out", "out"}, folder.path());
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_NE(again.err.find("never overwritten"), std::string::npos) << again.err;
}

// Whether `text` is drawn as the caption line `line` of a picture, as the picture room draws it.
bool showsCaption(const picture::RgbImage& image, int line, const std::string& text) {
    picture::RgbImage expected(picture::textWidth(text, picture::kTextScale), picture::textHeight(picture::kTextScale));
    picture::drawText(expected, 0, 0, text, {220, 220, 220}, picture::kTextScale, false);
    const int top = picture::kPictureMargin + line * picture::kTextLineHeight;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if (!image.contains(picture::kPictureMargin + x, top + y) ||
                image.pixel(picture::kPictureMargin + x, top + y) != expected.pixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}

TEST(KeldraDemo, MappingThreeDrawsTheSecondFunctionalOverTheFirstAndNamesBoth) {
    ScratchFolder folder;
    const ProcessResult r = runKeldra({"demo", "--mapping", "3", "--out", "out"}, folder.path());
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    // The sample is what a scanner writes: nothing in it calls for a warning (its functionals
    // carry their time step, both of them).
    std::ifstream reportFile(folder.file("out/report.json"));
    EXPECT_EQ(json::parse(reportFile).at("warnings"), json::array()) << r.err;
    const picture::RgbImage alignment = decode(folder.file("out/alignment.png"));
    EXPECT_TRUE(showsCaption(alignment, 1, "functional, volume 1, demo_bold.nii.gz: sform (code 1)   functional 2, "
                                           "volume 1, demo_bold2.nii.gz: sform (code 1)"));
    const picture::RgbImage between = decode(folder.file("out/alignment_fmr1_fmr2.png"));
    EXPECT_TRUE(showsCaption(between, 0, "functional 1, volume 1, demo_bold.nii.gz: sform (code 1)"));
    EXPECT_TRUE(showsCaption(between, 1, "functional 2, volume 1, demo_bold2.nii.gz: sform (code 1)"));
    // Functional 2's edges, as the plug-in projected it into functional 1, and its field of view,
    // in the panels.
    const picture::PictureVolume first = sampleFunctional(demoFunctionalGrid(), 1, 1).volume(0);
    const picture::PicturePlan plan = picture::planPicture(first.grid, &first, picture::PictureOptions{}, 2);
    ASSERT_EQ(between.width(), plan.width);
    int red = 0;
    int blue = 0;
    for (const picture::PanelPlan& panel : plan.panels) {
        int count = 0;
        meanColumn(between, panel, picture::edgeRgb(picture::EdgeColour::Red), count);
        red += count;
        meanColumn(between, panel, picture::outlineRgb(), count);
        blue += count;
    }
    EXPECT_GT(red, 5000);
    EXPECT_GT(blue, 500);
}

// World centre of the voxels a run changed in the anatomical.
Vector3d changedCentre(const ReadImage& after, const picture::PictureVolume& before, long& count) {
    Vector3d sum;
    count = 0;
    for (int z = 0; z < after.nz; ++z) {
        for (int y = 0; y < after.ny; ++y) {
            for (int x = 0; x < after.nx; ++x) {
                const std::size_t i = before.grid.index(x, y, z);
                if (after.values[i] == before.values[i]) {
                    continue;
                }
                sum = sum + before.grid.voxelToWorld.apply({double(x), double(y), double(z)});
                ++count;
            }
        }
    }
    return count > 0 ? (1.0 / count) * sum : sum;
}

TEST(KeldraDemo, FunctionalAffineShiftedBySixMillimetresMovesTheProjectionAndTheEdges) {
    // The sample's geometry, once as it is and once with the functional's affine moved 6 mm to
    // the right: the functional is projected 6 mm further right, and its edges with it.
    ScratchFolder folder;
    const picture::PictureVolume anatomical = sampleAnatomical(demoAnatomicalGrid());
    picture::VolumeSeries functional = sampleFunctional(demoFunctionalGrid(), 2, 1);
    std::string error;
    ASSERT_TRUE(writeVolumeFile(folder.file("anat.nii.gz"), anatomicalVolumeFile(anatomical), error)) << error;
    ASSERT_TRUE(writeVolumeFile(folder.file("bold.nii.gz"), functionalVolumeFile(functional), error)) << error;
    functional.grid.voxelToWorld = Affine::translation({6.0, 0.0, 0.0}) * functional.grid.voxelToWorld;
    ASSERT_TRUE(writeVolumeFile(folder.file("shifted.nii.gz"), functionalVolumeFile(functional), error)) << error;

    for (const char* bold : {"bold.nii.gz", "shifted.nii.gz"}) {
        const ProcessResult r =
            runKeldra({"run", "anat.nii.gz", bold, "--mapping", "1", "--out", std::string("out-") + bold}, folder.path());
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    }
    long alignedCount = 0;
    long shiftedCount = 0;
    const Vector3d aligned = changedCentre(readTestImage(folder.file("out-bold.nii.gz/vmr.nii.gz")), anatomical, alignedCount);
    const Vector3d shifted = changedCentre(readTestImage(folder.file("out-shifted.nii.gz/vmr.nii.gz")), anatomical, shiftedCount);
    ASSERT_GT(alignedCount, 100000);
    EXPECT_NEAR(static_cast<double>(shiftedCount) / alignedCount, 1.0, 0.02);
    EXPECT_NEAR(shifted.x - aligned.x, 6.0, 0.3);
    EXPECT_NEAR(shifted.y - aligned.y, 0.0, 0.3);
    EXPECT_NEAR(shifted.z - aligned.z, 0.0, 0.3);

    // In the pictures (neurological: right is to the right) the edges of the axial and coronal
    // panels move six millimetres to the right.
    const picture::PicturePlan plan = demoAnatomicalPlan();
    const picture::RgbImage before = decode(folder.file("out-bold.nii.gz/alignment.png"));
    const picture::RgbImage after = decode(folder.file("out-shifted.nii.gz/alignment.png"));
    ASSERT_EQ(before.width(), plan.width);
    ASSERT_EQ(after.width(), plan.width);
    const picture::Rgb red = picture::edgeRgb(picture::EdgeColour::Red);
    int compared = 0;
    for (const picture::PanelPlan& panel : plan.panels) {
        if (panel.view == picture::View::Sagittal) {
            continue;
        }
        int beforeCount = 0;
        int afterCount = 0;
        const double beforeColumn = meanColumn(before, panel, red, beforeCount);
        const double afterColumn = meanColumn(after, panel, red, afterCount);
        if (beforeCount < 200 || afterCount < 200) {
            continue;
        }
        ++compared;
        EXPECT_NEAR((afterColumn - beforeColumn) * plan.mmPerPixel, 6.0, 1.5) << "panel at " << panel.left << "," << panel.top;
    }
    EXPECT_GE(compared, 8);  // of the ten axial and coronal panels
}

}  // namespace
}  // namespace orvane::keldra::testing
