// The built-in sample as NIfTI files: the anatomical as 8-bit data and each functional as
// 16-bit integers, all volumes, with the voxel-to-world affine they were sampled with stored as
// both sform and qform (code 1, scanner coordinates), as a scanner's converter writes them. A
// functional's volumes lie kSampleRepetitionTime seconds apart, and its header says so.
#pragma once

#include <string>
#include <vector>

#include "keldra/picture/picture_volume.h"
#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

constexpr double kSampleRepetitionTime = 2.0;

VolumeFile anatomicalVolumeFile(const picture::PictureVolume& anatomical);
VolumeFile functionalVolumeFile(const picture::VolumeSeries& functional);

// `file` as reading it back from the NIfTI-1 file it is written to gives it: that format keeps
// voxel sizes and the sform in single precision. A run on the sample in memory (in a build that
// writes no NIfTI files) thereby sees what a run on the written files sees. The qform, which the
// file holds as a quaternion, becomes the rounded sform: it only feeds the warning about
// disagreeing transforms, and the two agree far below its threshold.
VolumeFile asReadFromNifti1File(VolumeFile file);

// Writes each file as folder/name, never over an existing file. Returns false with the reason
// at the first failure; `written` lists the paths written so far.
bool writeDemoFiles(const std::string& folder, const std::vector<std::pair<std::string, VolumeFile>>& files,
                    std::vector<std::string>& written, std::string& error);

}  // namespace orvane::keldra
