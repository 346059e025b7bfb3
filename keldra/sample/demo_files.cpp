// Converting the sample's volumes into file contents.
#include "keldra/sample/demo_files.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "keldra/nifti/volume_file_output.h"

namespace orvane::keldra {
namespace {

VolumeFile withGeometry(const picture::VolumeGrid& grid, int volumes) {
    VolumeFile file;
    file.nx = grid.nx;
    file.ny = grid.ny;
    file.nz = grid.nz;
    file.volumes = volumes;
    for (int a = 0; a < 3; ++a) {
        file.voxelSize[a] = grid.voxelSize(a);
    }
    file.slope = 1;
    file.intercept = 0;
    file.sformCode = 1;
    file.sform = grid.voxelToWorld;
    file.qformCode = 1;
    file.qform = file.sform;
    return file;
}

}  // namespace

VolumeFile anatomicalVolumeFile(const picture::PictureVolume& anatomical) {
    VolumeFile file = withGeometry(anatomical.grid, 1);
    file.sampleType = SampleType::UInt8;
    file.sampleTypeName = "UINT8";
    file.samples.resize(anatomical.values.size());
    for (std::size_t i = 0; i < anatomical.values.size(); ++i) {
        file.samples[i] = static_cast<unsigned char>(std::lround(std::fmin(255.0f, std::fmax(0.0f, anatomical.values[i]))));
    }
    return file;
}

VolumeFile functionalVolumeFile(const picture::VolumeSeries& functional) {
    VolumeFile file = withGeometry(functional.grid, static_cast<int>(functional.volumes.size()));
    file.sampleType = SampleType::Int16;
    file.sampleTypeName = "INT16";
    file.timing.timeStep = kSampleRepetitionTime;
    file.timing.timeUnits = kUnitsSecond;
    const std::size_t perVolume = functional.grid.voxelCount();
    file.samples.resize(perVolume * functional.volumes.size() * sizeof(std::int16_t));
    std::size_t at = 0;
    for (const std::vector<float>& volume : functional.volumes) {
        for (float v : volume) {
            const auto sample = static_cast<std::int16_t>(std::lround(std::fmin(32767.0f, std::fmax(-32768.0f, v))));
            std::memcpy(file.samples.data() + at, &sample, sizeof sample);
            at += sizeof sample;
        }
    }
    return file;
}

VolumeFile asReadFromNifti1File(VolumeFile file) {
    const auto single = [](double value) { return static_cast<double>(static_cast<float>(value)); };
    for (double& size : file.voxelSize) {
        size = single(size);
    }
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            double& element = file.sform.m[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
            element = single(element);
        }
    }
    file.qform = file.sform;
    return file;
}

bool writeDemoFiles(const std::string& folder, const std::vector<std::pair<std::string, VolumeFile>>& files,
                    std::vector<std::string>& written, std::string& error) {
    for (const auto& [name, file] : files) {
        if (!writeNewVolumeFile(folder, name, file, error)) {
            return false;
        }
        written.push_back((std::filesystem::path(folder) / name).string());
    }
    return true;
}

}  // namespace orvane::keldra
