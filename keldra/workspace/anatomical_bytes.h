// An anatomical's first volume as the VMR's bytes: kept when the file holds integers within
// 0..225, otherwise scaled linearly so that the minimum maps to 0 and the 99.5th percentile to
// 225, clamped; NaN and infinite samples become 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keldra/memory/volume_memory.h"
#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

// Largest byte value of an anatomical that is kept as it is; also what the 99.5th percentile
// of a rescaled anatomical becomes.
constexpr int kAnatomicalTop = 225;
constexpr double kAnatomicalPercentile = 0.995;

// The bytes for `samples` (one volume). `note` says what was done, naming the file's data type
// as `typeName`. Samples of 8 and 16 bits go through a table of their at most 65536 values,
// which gives exactly the result of sorting every value.
VolumeVector<std::uint8_t> anatomicalBytes(const SampleView& samples, const std::string& typeName, std::string& note);

// The bytes for the first volume of `file`.
VolumeVector<std::uint8_t> anatomicalBytes(const VolumeFile& file, std::string& note);

}  // namespace orvane::keldra
