// A functional's volumes after the first, left in its file until something needs them: only
// saving the functional does, since the module reads the first volume alone. Where nothing is
// saved they are never read, which is most of the time it takes to open a long run.
#pragma once

#include <optional>
#include <string>

#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

class LaterVolumes {
public:
    // The volumes after the first of the file at `path`, whose description and stamp were
    // taken when it was opened.
    LaterVolumes(std::string path, const VolumeReadLimits& limits, const ImageDescription& description,
                 const FileStamp& stamp);

    // Reads the volumes after the first from the file again and hands them to `sink` in
    // order, in pieces of a few MiB, as an FMR document holds its data (fmrSamples in
    // document_builder.h). False with a one-line reason (without the file name) when the file
    // cannot be read or is no longer the file that was opened.
    bool read(SampleSink& sink, std::string& error) const;

    // The file and what is known of it, when the document holds its samples as the file
    // stores them (no conversion), so that a saved copy may take them as they are.
    std::optional<UnchangedInputSamples> unchangedSamples() const;

private:
    std::string path_;
    VolumeReadLimits limits_;
    ImageDescription description_;
    FileStamp stamp_;
};

}  // namespace orvane::keldra
