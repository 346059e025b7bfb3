// A volume file written into the output folder through the safe writer of output_files.h:
// under a temporary name, flushed, then moved into place, within the policy's limits.
#pragma once

#include <string>

#include "keldra/nifti/volume_file.h"
#include "keldra/output/output_files.h"

namespace orvane::keldra {

// Writes the image `description` describes, its samples from `produce`, as `folder`/`fileName`
// through writeOutputFile (see writeNiftiFile); `checksum` receives the samples' checksum.
bool writeNewNiftiFile(const std::string& folder, const std::string& fileName, const ImageDescription& description,
                       const SampleProducer& produce, std::uint64_t& checksum, std::string& error,
                       const OutputPolicy& policy = {});

// The same, but with the samples after the first volume taken, compressed as they are, from
// `unchanged`'s file where writeNiftiFileReusingInput can; otherwise, or when `unchanged` is
// null, written from `produce` (which must hand over `firstVolume` and then those samples).
bool writeNewNiftiFile(const std::string& folder, const std::string& fileName, const ImageDescription& description,
                       const SampleView& firstVolume, const UnchangedInputSamples* unchanged,
                       const SampleProducer& produce, std::uint64_t& checksum, std::string& error,
                       const OutputPolicy& policy = {});

// Writes `file` as `folder`/`fileName` through writeOutputFile.
bool writeNewVolumeFile(const std::string& folder, const std::string& fileName, const VolumeFile& file,
                        std::string& error, const OutputPolicy& policy = {});

}  // namespace orvane::keldra
