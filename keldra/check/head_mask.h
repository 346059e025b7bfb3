// The head mask: voxels brighter than an automatic threshold, chosen by maximising the
// between-class variance of the histogram of finite samples (Otsu's rule). No segmentation:
// dark parts inside the head (fluid in a T1, signal loss in an echo-planar image) may drop out,
// which the measurements tolerate.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "keldra/check/check_volume.h"

namespace orvane::keldra::check {

// The threshold between background and head; nothing when the volume has fewer than two
// distinct finite values.
std::optional<double> headThreshold(const Volume& volume);

// 1 where the sample is finite and above `threshold`, 0 elsewhere; holes closed slice by slice
// (dark parts of a slice that the background outside cannot reach, such as fluid spaces or
// signal loss, belong to the head); then grown by `dilations` voxels (six-neighbour steps), so
// the edge of the head itself is inside. Non-finite samples stay outside.
std::vector<std::uint8_t> headMask(const Volume& volume, double threshold, int dilations);

}  // namespace orvane::keldra::check
