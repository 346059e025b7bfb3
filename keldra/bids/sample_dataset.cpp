// Writing the sample BIDS dataset.
#include "keldra/bids/sample_dataset.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "keldra/bids/json_file.h"
#include "keldra/output/output_files.h"
#include "keldra/sample/demo_files.h"
#include "keldra/sample/demo_sample.h"

namespace orvane::bids {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using keldra::picture::VolumeGrid;
using keldra::Affine;

constexpr int kVolumes = 4;

// An echo-planar grid: 64 x 64 x 30 voxels of 3 x 3 x 3.5 mm, tilted and centred on the head.
VolumeGrid functionalGrid(double tiltX, double tiltY, double tiltZ, double offsetY, bool descending) {
    VolumeGrid grid;
    grid.nx = 64;
    grid.ny = 64;
    grid.nz = 30;
    const double sz = descending ? -3.5 : 3.5;
    grid.voxelToWorld = Affine::translation({0.7, offsetY, 22.0}) * Affine::rotation(tiltX, tiltY, tiltZ) *
                        Affine::translation({-31.5 * 3.0, -31.5 * 3.0, -14.5 * sz}) * Affine::scaling(3.0, 3.0, sz);
    return grid;
}

// The anatomical grid of the demo, placed a little differently for each subject and session.
VolumeGrid anatomicalGrid(double dx, double dy, double dz) {
    VolumeGrid grid = keldra::demoAnatomicalGrid();
    grid.voxelToWorld = Affine::translation({dx, dy, dz}) * grid.voxelToWorld;
    return grid;
}

class SampleWriter {
public:
    SampleWriter(const fs::path& root, std::vector<std::string>& written) : root_(root), written_(written) {}

    bool text(const std::string& relative, const std::string& content, std::string& error) {
        if (!folderFor(relative, error)) {
            return false;
        }
        std::ofstream out(root_ / relative, std::ios::binary);
        out << content;
        out.close();
        if (!out) {
            error = (root_ / relative).string() + ": cannot be written";
            return false;
        }
        written_.push_back(relative);
        return true;
    }

    bool anatomical(const std::string& relative, const VolumeGrid& grid, std::string& error) {
        return volume(relative, keldra::anatomicalVolumeFile(keldra::sampleAnatomical(grid)), error);
    }

    // A functional sampled on `grid`; its header carries `grid` moved by `headerShift` mm and its
    // values are multiplied by `scale` (a later echo is darker).
    bool functional(const std::string& relative, const VolumeGrid& grid, std::uint64_t seed, double scale,
                    const double headerShift[3], std::string& error) {
        keldra::picture::VolumeSeries series = keldra::sampleFunctional(grid, kVolumes, seed);
        for (auto& values : series.volumes) {
            for (float& value : values) {
                value = static_cast<float>(std::round(value * scale));
            }
        }
        keldra::VolumeFile file = keldra::functionalVolumeFile(series);
        const Affine shift = Affine::translation({headerShift[0], headerShift[1], headerShift[2]});
        file.sform = shift * file.sform;
        file.qform = shift * file.qform;
        return volume(relative, file, error);
    }

    bool link(const std::string& relative, const std::string& target, std::string& error) {
        if (!folderFor(relative, error)) {
            return false;
        }
        std::error_code ec;
        fs::create_symlink(target, root_ / relative, ec);
        if (ec) {
            error = (root_ / relative).string() + ": cannot create the link: " + ec.message();
            return false;
        }
        written_.push_back(relative);
        return true;
    }

private:
    bool folderFor(const std::string& relative, std::string& error) {
        std::error_code ec;
        fs::create_directories((root_ / relative).parent_path(), ec);
        if (ec) {
            error = (root_ / relative).parent_path().string() + ": cannot be created: " + ec.message();
            return false;
        }
        return true;
    }

    // Writes `file`, with the time between its volumes when it has several.
    bool volume(const std::string& relative, const keldra::VolumeFile& file, std::string& error) {
        if (!folderFor(relative, error)) {
            return false;
        }
        const fs::path path = root_ / relative;
        auto write = [&](const std::string& temporary, std::string& problem) {
            return keldra::writeVolumeFile(temporary, file, problem);
        };
        if (!keldra::writeOutputFile(path.parent_path().string(), path.filename().string(), {}, write, error)) {
            return false;
        }
        written_.push_back(relative);
        return true;
    }

    fs::path root_;
    std::vector<std::string>& written_;
};

std::string taskSidecar(const std::string& task) {
    return jsonText(json{{"TaskName", task}, {"RepetitionTime", keldra::kSampleRepetitionTime}});
}

}  // namespace

bool writeSampleDataset(const std::string& folder, std::vector<std::string>& written, std::string& error) {
    std::error_code ec;
    if (fs::exists(folder, ec) && !fs::is_empty(folder, ec)) {
        error = folder + ": the folder for the sample dataset exists and is not empty";
        return false;
    }
    SampleWriter write(folder, written);
    const double none[3] = {0, 0, 0};
    const json description = {{"Name", "keldra sample: a head phantom in four subjects"},
                              {"BIDSVersion", "1.8.0"},
                              {"DatasetType", "raw"},
                              {"License", "CC0"},
                              {"Authors", json::array({"keldra"})}};
    const std::string readme =
        "A synthetic dataset written by keldra from its head phantom, to try keldra's BIDS levels.\n"
        "sub-01's task-nback header is shifted by 8 mm; sub-03's task-nback is a link whose content\n"
        "is absent (as DataLad leaves files not yet retrieved); sub-04 has no anatomical.\n";
    const std::string participants = "participant_id\tage\tsex\nsub-01\t31\tF\nsub-02\t27\tM\nsub-03\t45\tF\nsub-04\t38\tM\n";
    const json participantColumns = {
        {"age", {{"Description", "Age of the participant"}, {"Units", "year"}}},
        {"sex", {{"Description", "Sex of the participant"}, {"Levels", {{"F", "female"}, {"M", "male"}}}}}};
    // Two blocks of the n-back task, 0-back and 2-back, in the 8 s a run lasts.
    const std::string events = "onset\tduration\ttrial_type\n0.0\t4.0\t0back\n4.0\t4.0\t2back\n";
    // Echo times of the multi-echo run, in seconds.
    const double echoTimes[3] = {0.0142, 0.0388, 0.0634};
    return write.text("dataset_description.json", jsonText(description), error) &&
           write.text("README", readme, error) && write.text("participants.tsv", participants, error) &&
           write.text("task-rest_bold.json", taskSidecar("rest"), error) &&
           write.text("task-nback_bold.json", taskSidecar("nback"), error) &&
           // sub-01
           write.anatomical("sub-01/anat/sub-01_T1w.nii.gz", anatomicalGrid(0.0, 0.0, 0.0), error) &&
           write.functional("sub-01/func/sub-01_task-rest_run-1_bold.nii.gz", functionalGrid(14, -5, 7, -8, true), 11, 1,
                            none, error) &&
           write.functional("sub-01/func/sub-01_task-rest_run-2_bold.nii", functionalGrid(12, -4, 6, -7, true), 12, 1,
                            none, error) &&
           write.functional("sub-01/func/sub-01_task-nback_bold.nii.gz", functionalGrid(9, 3, -4, -9, false), 13, 1,
                            kSampleHeaderShiftMm, error) &&
           write.text("sub-01/func/sub-01_task-nback_events.tsv", events, error) &&
           // sub-02, two sessions
           write.anatomical("sub-02/ses-1/anat/sub-02_ses-1_T1w.nii.gz", anatomicalGrid(1.3, -2.1, 0.4), error) &&
           write.anatomical("sub-02/ses-2/anat/sub-02_ses-2_T1w.nii.gz", anatomicalGrid(-0.6, 1.7, -1.2), error) &&
           write.functional("sub-02/ses-1/func/sub-02_ses-1_task-rest_bold.nii.gz", functionalGrid(10, 2, 3, -6, true), 21,
                            1, none, error) &&
           write.functional("sub-02/ses-2/func/sub-02_ses-2_task-rest_bold.nii.gz", functionalGrid(16, -2, -3, -10, true),
                            22, 1, none, error) &&
           write.functional("sub-02/ses-2/func/sub-02_ses-2_task-nback_bold.nii.gz", functionalGrid(8, 4, 2, -8, false),
                            23, 1, none, error) &&
           write.text("sub-02/ses-2/func/sub-02_ses-2_task-nback_events.tsv", events, error) &&
           // sub-03, multi-echo and content not retrieved
           write.anatomical("sub-03/anat/sub-03_T1w.nii.gz", anatomicalGrid(-1.1, 0.8, 1.9), error) &&
           write.functional("sub-03/func/sub-03_task-rest_echo-1_bold.nii.gz", functionalGrid(11, 1, -2, -7, true), 31,
                            1.0, none, error) &&
           write.functional("sub-03/func/sub-03_task-rest_echo-2_bold.nii.gz", functionalGrid(11, 1, -2, -7, true), 31,
                            0.62, none, error) &&
           write.functional("sub-03/func/sub-03_task-rest_echo-3_bold.nii.gz", functionalGrid(11, 1, -2, -7, true), 31,
                            0.38, none, error) &&
           write.text("sub-03/func/sub-03_task-rest_echo-1_bold.json", jsonText(json{{"EchoTime", echoTimes[0]}}), error) &&
           write.text("sub-03/func/sub-03_task-rest_echo-2_bold.json", jsonText(json{{"EchoTime", echoTimes[1]}}), error) &&
           write.text("sub-03/func/sub-03_task-rest_echo-3_bold.json", jsonText(json{{"EchoTime", echoTimes[2]}}), error) &&
           write.link("sub-03/func/sub-03_task-nback_bold.nii.gz",
                      "../../.git/annex/objects/Xq/3v/MD5E-s1262604--5c0d1b8e2f31a9d4c7e6b0a3f2d19e84.nii.gz/"
                      "MD5E-s1262604--5c0d1b8e2f31a9d4c7e6b0a3f2d19e84.nii.gz",
                      error) &&
           // sub-04, no anatomical
           write.functional("sub-04/func/sub-04_task-rest_bold.nii.gz", functionalGrid(13, -3, 5, -8, true), 41, 1, none,
                            error);
}

}  // namespace orvane::bids
