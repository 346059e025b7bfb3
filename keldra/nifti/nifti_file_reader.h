// Reading a NIfTI image from a byte stream: the header is read and checked here, only a header
// that passes is converted by nifti_clib, and the data is read here, streamed and never beyond
// what the header declares. Header extensions are skipped unread. (The library's own data
// loader replaces NaN and infinite samples by 0 without a word, so it is not used.)
#pragma once

#include <string>

#include "keldra/nifti/byte_source.h"
#include "keldra/nifti/nifti_header_validation.h"
#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

// Reads an image from `raw`, the file's bytes (gzip-compressed when rules.compressed).
// `name` is the file's name, handed to the library's header conversion. On failure returns
// false with one sentence, without the file name, in `error`.
bool readNiftiImage(ByteSource& raw, const std::string& name, const NiftiHeaderRules& rules, VolumeFile& file,
                    std::string& error);

}  // namespace orvane::keldra
