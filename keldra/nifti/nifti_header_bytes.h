// The header bytes keldra writes at the start of a NIfTI file it saves (nifti_volume_file.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

// Where a single-file NIfTI-1 image without extensions keeps its samples.
constexpr std::size_t kSingleFileDataOffset = 352;

// The header bytes of a single-file NIfTI-1 image: the 348-byte header the library's writer
// makes for `d` (scaling slope 1, intercept 0, its timing and labels), then the four extender
// bytes that say no extensions follow. False with the reason when `d` cannot be written.
bool niftiHeaderBytes(const ImageDescription& d, std::vector<unsigned char>& bytes, std::string& error);

}  // namespace orvane::keldra
