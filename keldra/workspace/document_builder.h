// Turning an image file's content into a workspace document: the anatomical becomes an 8-bit
// VMR, a functional an FMR with all its volumes as 16-bit integers or 32-bit floats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keldra/workspace/documents.h"
#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

// Largest byte value of an anatomical that is kept as it is; also what the 99.5th percentile
// of a rescaled anatomical becomes.
constexpr int kAnatomicalTop = 225;
constexpr double kAnatomicalPercentile = 0.995;

// The first volume as VMR bytes: kept when the file holds integers within 0..225, otherwise
// scaled linearly so that the minimum maps to 0 and the 99.5th percentile to 225, clamped.
// `note` says which was done.
std::vector<std::uint8_t> anatomicalBytes(const VolumeFile& file, std::string& note);

// The document's name: the file name without its folder and without .nii or .nii.gz.
std::string documentName(const std::string& path);

// Each refuses with a one-line reason (without the file name).
bool makeVmrDocument(const std::string& path, const VolumeFile& file, VmrDocument& document, std::string& error);
bool makeFmrDocument(const std::string& path, const VolumeFile& file, FmrDocument& document, std::string& error);

// A document's current content as a file's content, ready to be written.
VolumeFile vmrAsVolumeFile(const VmrDocument& document);
VolumeFile fmrAsVolumeFile(const FmrDocument& document);

}  // namespace orvane::keldra
