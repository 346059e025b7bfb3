// Writing a volume file as a result of the run.
#include "keldra/nifti/volume_file_output.h"

namespace orvane::keldra {

bool writeNewNiftiFile(const std::string& folder, const std::string& fileName, const ImageDescription& description,
                       const SampleProducer& produce, std::uint64_t& checksum, std::string& error,
                       const OutputPolicy& policy) {
    return writeOutputFile(
        folder, fileName, policy,
        [&](const std::string& temporary, std::string& problem) {
            return writeNiftiFile(temporary, description, produce, checksum, problem);
        },
        error);
}

bool writeNewNiftiFile(const std::string& folder, const std::string& fileName, const ImageDescription& description,
                       const SampleView& firstVolume, const UnchangedInputSamples* unchanged,
                       const SampleProducer& produce, std::uint64_t& checksum, std::string& error,
                       const OutputPolicy& policy) {
    return writeOutputFile(
        folder, fileName, policy,
        [&](const std::string& temporary, std::string& problem) {
            // A file the splice left unfinished is written again from its start.
            return (unchanged != nullptr &&
                    writeNiftiFileReusingInput(temporary, description, firstVolume, *unchanged, checksum)) ||
                   writeNiftiFile(temporary, description, produce, checksum, problem);
        },
        error);
}

bool writeNewVolumeFile(const std::string& folder, const std::string& fileName, const VolumeFile& file,
                        std::string& error, const OutputPolicy& policy) {
    return writeOutputFile(
        folder, fileName, policy,
        [&file](const std::string& temporary, std::string& error) { return writeVolumeFile(temporary, file, error); },
        error);
}

}  // namespace orvane::keldra
