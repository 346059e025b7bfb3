// The built-in sample as NIfTI files: the anatomical as 8-bit data and each functional as
// 16-bit integers, all volumes, with the voxel-to-world affine they were sampled with stored as
// both sform and qform (code 1, scanner coordinates), as a scanner's converter writes them.
#pragma once

#include <string>
#include <vector>

#include "keldra/picture/picture_volume.h"
#include "keldra/volume_file.h"

namespace orvane::keldra {

VolumeFile anatomicalVolumeFile(const picture::PictureVolume& anatomical);
VolumeFile functionalVolumeFile(const picture::VolumeSeries& functional);

// Writes each file as folder/name, never over an existing file. Returns false with the reason
// at the first failure; `written` lists the paths written so far.
bool writeDemoFiles(const std::string& folder, const std::vector<std::pair<std::string, VolumeFile>>& files,
                    std::vector<std::string>& written, std::string& error);

}  // namespace orvane::keldra
