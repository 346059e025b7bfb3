// The pictures of a whole mapping-1 run, as keldra draws and writes them after the module ran:
// a realistic pair (an anatomical of 176 x 256 x 256 voxels of 1 mm and an oblique functional
// of 64 x 64 x 36 voxels of 3 x 3 x 3.5 mm, both sampled from the head phantom), the
// functional projected into the anatomical as mapping 1 does, then every picture of the run
// drawn and written as PNG files, timed by the wall clock; the alignment check's two pictures
// likewise. Also the parts: rendering alone, and writing one picture.
//   keldra_picture_bench [benchmark flags]
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "keldra/host/plugin_run.h"
#include "keldra/picture/png_file.h"
#include "keldra/report/check_picture.h"
#include "keldra/report/checkerboard_picture.h"
#include "keldra/report/run_pictures.h"
#include "keldra/sample/demo_files.h"
#include "keldra/sample/demo_sample.h"
#include "keldra/workspace/workspace_loader.h"

namespace orvane::keldra::bench {
namespace {

namespace fs = std::filesystem;

picture::VolumeGrid realisticAnatomicalGrid() {
    picture::VolumeGrid grid;
    grid.nx = 176;
    grid.ny = 256;
    grid.nz = 256;
    grid.voxelToWorld = Affine::translation({-87.5, -139.5, -117.5});
    return grid;
}

picture::VolumeGrid realisticFunctionalGrid() {
    picture::VolumeGrid grid;
    grid.nx = 64;
    grid.ny = 64;
    grid.nz = 36;
    const Affine centred = Affine::translation({-31.5, -31.5, -17.5});
    grid.voxelToWorld = Affine::translation({1.4, -8.2, 20.6}) *
                        (Affine::rotation(12.0, -4.0, 6.0) * (Affine::scaling(3.0, 3.0, 3.5) * centred));
    return grid;
}

// What mapping 1 leaves in the anatomical: inside the functional's field of view, each voxel
// takes the value of the functional's nearest voxel, scaled into the anatomical's byte range.
// (The module itself binds only to a host program named keldra, so its projection is
// rebuilt here; the pictures see the same kind of change.)
void projectFunctionalIntoAnatomy(const FmrDocument& fmr, VmrDocument& vmr) {
    const Affine vmrToFmr = *fmr.geometry.voxelToWorld.inverse() * vmr.geometry.voxelToWorld;
    float largest = 1.0f;
    for (std::size_t i = 0; i < fmr.voxelsPerVolume(); ++i) {
        largest = std::max(largest, static_cast<float>(fmr.intData[i]));
    }
    const int* n = vmr.geometry.grid;
    const int* m = fmr.geometry.grid;
    for (int z = 0; z < n[2]; ++z) {
        for (int y = 0; y < n[1]; ++y) {
            for (int x = 0; x < n[0]; ++x) {
                const Vector3d f = vmrToFmr.apply({double(x), double(y), double(z)});
                const int fx = static_cast<int>(std::floor(f.x + 0.5));
                const int fy = static_cast<int>(std::floor(f.y + 0.5));
                const int fz = static_cast<int>(std::floor(f.z + 0.5));
                if (fx < 0 || fy < 0 || fz < 0 || fx >= m[0] || fy >= m[1] || fz >= m[2]) {
                    continue;
                }
                const float value = fmr.intData[static_cast<std::size_t>(fx + m[0] * (fy + m[1] * fz))];
                vmr.voxels[static_cast<std::size_t>(x + n[0] * (y + static_cast<std::size_t>(n[1]) * z))] =
                    static_cast<std::uint8_t>(std::lround(225.0f * std::clamp(value / largest, 0.0f, 1.0f)));
            }
        }
    }
}

// The pair as documents, and the run's outcome in mapping 1.
struct RunOnce {
    RunOutcome outcome;
    std::string problem;

    RunOnce() {
        std::vector<DocumentRequest> requests(2);
        requests[0].path = "anat.nii.gz";
        requests[0].type = kVmrDocumentType;
        requests[0].content = asReadFromNifti1File(anatomicalVolumeFile(sampleAnatomical(realisticAnatomicalGrid())));
        requests[1].path = "bold.nii.gz";
        requests[1].type = kFmrDocumentType;
        requests[1].content =
            asReadFromNifti1File(functionalVolumeFile(sampleFunctional(realisticFunctionalGrid(), 2, 1)));
        std::vector<Warning> warnings;
        if (!loadWorkspace(requests, outcome.before, warnings, problem)) {
            return;
        }
        outcome.created = outcome.initialised = outcome.executed = true;
        outcome.after = outcome.before;
        projectFunctionalIntoAnatomy(std::get<FmrDocument>(outcome.before.documents[1]),
                                     std::get<VmrDocument>(outcome.after.documents[0]));
        if (!runChangedSomething(outcome)) {
            problem = "the projection changed nothing";
        }
    }
};

const RunOnce& theRun() {
    static const RunOnce run;
    return run;
}

fs::path scratchFolder() {
    const fs::path folder = fs::temp_directory_path() / ("keldra-picture-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    return folder;
}

void BM_RunPictures_Mapping1(benchmark::State& state) {
    const RunOnce& run = theRun();
    if (!run.problem.empty()) {
        state.SkipWithError(run.problem.c_str());
        return;
    }
    const fs::path folder = scratchFolder();
    OutputPolicy policy;
    policy.overwrite = true;
    long pictures = 0;
    for (auto _ : state) {
        std::vector<std::string> written;
        std::string error;
        if (!writeRunPictures(run.outcome, folder.string(), {}, written, error, policy)) {
            state.SkipWithError(error.c_str());
            break;
        }
        pictures = static_cast<long>(written.size());
    }
    std::uintmax_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        bytes += entry.file_size();
    }
    state.counters["pictures"] = static_cast<double>(pictures);
    state.counters["MB_written"] = static_cast<double>(bytes) / 1e6;
    fs::remove_all(folder);
}
BENCHMARK(BM_RunPictures_Mapping1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2.0);

// check.png and checkerboard.png of the alignment check, drawn and written as PNG files, as
// the check draws them after every run (here with a small fitted shift).
void BM_CheckPictures(benchmark::State& state) {
    const RunOnce& run = theRun();
    if (!run.problem.empty()) {
        state.SkipWithError(run.problem.c_str());
        return;
    }
    const auto& vmr = std::get<VmrDocument>(run.outcome.before.documents[0]);
    const auto& fmr = std::get<FmrDocument>(run.outcome.before.documents[1]);
    CheckPictureFacts facts;
    facts.bestFit = Affine::translation({1.5, -2.0, 0.5});
    facts.shiftMm = {1.5, -2.0, 0.5};
    facts.caption = {"aligned: residual shift 2.5 mm", "similarity 0.31 at the headers, 0.32 at the best fit"};
    const fs::path folder = scratchFolder();
    OutputPolicy policy;
    policy.overwrite = true;
    for (auto _ : state) {
        std::string path;
        std::string error;
        if (!writeCheckPicture(checkPicture(vmr, fmr, facts, {}), folder.string(), "check.png", policy, path, error) ||
            !writeCheckPicture(checkerboardPicture(vmr, fmr, facts.caption.front(), {}), folder.string(),
                               "checkerboard.png", policy, path, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    fs::remove_all(folder);
}
BENCHMARK(BM_CheckPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2.0);

// alignment.png drawn in memory, not written.
void BM_RenderAlignmentPicture(benchmark::State& state) {
    const RunOnce& run = theRun();
    if (!run.problem.empty()) {
        state.SkipWithError(run.problem.c_str());
        return;
    }
    const auto& vmr = std::get<VmrDocument>(run.outcome.before.documents[0]);
    const auto& vmrAfter = std::get<VmrDocument>(run.outcome.after.documents[0]);
    const auto& fmr = std::get<FmrDocument>(run.outcome.before.documents[1]);
    for (auto _ : state) {
        const picture::PictureVolume anatomy = vmrPictureVolume(vmr);
        const picture::PictureVolume after = vmrPictureVolume(vmrAfter);
        const picture::PictureVolume functional = fmrPictureVolume(fmr);
        const picture::PicturePlan plan = anatomicalPicturePlan(anatomy, functional, {});
        const picture::ProjectedRegion region = picture::projectedRegion(anatomy, after);
        picture::PictureLayers layers;
        layers.base = &anatomy;
        layers.window = picture::robustWindow(anatomy.values);
        layers.projected = &region;
        layers.fieldOfView = &functional.grid;
        const picture::RgbImage image = picture::renderPicture(plan, layers, {});
        benchmark::DoNotOptimize(image.bytes().data());
        state.counters["pixels"] = static_cast<double>(image.width()) * image.height();
    }
}
BENCHMARK(BM_RenderAlignmentPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

// One alignment.png-sized picture written as a PNG file.
void BM_WriteAlignmentPng(benchmark::State& state) {
    const RunOnce& run = theRun();
    if (!run.problem.empty()) {
        state.SkipWithError(run.problem.c_str());
        return;
    }
    const picture::PictureVolume anatomy = vmrPictureVolume(std::get<VmrDocument>(run.outcome.before.documents[0]));
    const picture::PictureVolume functional = fmrPictureVolume(std::get<FmrDocument>(run.outcome.before.documents[1]));
    const picture::PicturePlan plan = anatomicalPicturePlan(anatomy, functional, {});
    picture::PictureLayers layers;
    layers.base = &anatomy;
    layers.window = picture::robustWindow(anatomy.values);
    layers.overlay = &functional;
    const picture::RgbImage image = picture::renderPicture(plan, layers, {});
    const fs::path folder = scratchFolder();
    const std::string path = (folder / "alignment.png").string();
    for (auto _ : state) {
        std::string error;
        if (!picture::writePng(image, path, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    state.counters["MB"] = static_cast<double>(fs::file_size(path)) / 1e6;
    fs::remove_all(folder);
}
BENCHMARK(BM_WriteAlignmentPng)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orvane::keldra::bench

BENCHMARK_MAIN();
