// Reading and writing image files in a build without the NIfTI library (the Windows build,
// for which no such library is packaged): every attempt is refused with the reason, and
// keldra works on its built-in sample only.
#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

namespace {
constexpr const char* kNoNifti = "this build of keldra reads and writes no NIfTI files (it was built without nifti_clib)";
}  // namespace

bool volumeFilesSupported() { return false; }

bool readVolumeFile(const std::string& /*path*/, VolumeFile& /*file*/, std::string& error) {
    error = kNoNifti;
    return false;
}

bool readVolumeFile(const std::string& /*path*/, const VolumeReadLimits& /*limits*/, VolumeFile& /*file*/,
                    std::string& error) {
    error = kNoNifti;
    return false;
}

std::unique_ptr<VolumeFileReader> openVolumeFile(const std::string& /*path*/, const VolumeReadLimits& /*limits*/,
                                                 std::string& error) {
    error = kNoNifti;
    return nullptr;
}

bool writeNiftiFile(const std::string& /*path*/, const ImageDescription& /*description*/,
                    const SampleProducer& /*produce*/, std::uint64_t& /*checksum*/, std::string& error) {
    error = kNoNifti;
    return false;
}

bool writeNiftiFileReusingInput(const std::string& /*path*/, const ImageDescription& /*description*/,
                                const SampleView& /*firstVolume*/, const UnchangedInputSamples& /*input*/,
                                std::uint64_t& /*checksum*/) {
    return false;
}

bool writeVolumeFile(const std::string& /*path*/, const VolumeFile& /*file*/, std::string& error) {
    error = kNoNifti;
    return false;
}

}  // namespace orvane::keldra
