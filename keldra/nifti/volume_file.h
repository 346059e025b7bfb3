// The content of an image file as the host sees it, free of any file-format library: grid,
// voxel sizes, sample type, raw samples and the two voxel-to-world transforms with their codes.
// Reading and writing NIfTI files happens only behind the two functions at the bottom, so a
// checking loader can be put in front of them and a build without the NIfTI library can
// replace them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "keldra/geometry/affine.h"

namespace orvane::keldra {

enum class SampleType {
    UInt8,
    Int8,
    Int16,
    UInt16,
    Int32,
    UInt32,
    Int64,
    UInt64,
    Float32,
    Float64,
    Unsupported,  // complex, colour and anything else the host cannot show
};

std::size_t sampleSize(SampleType type);
bool isIntegerSampleType(SampleType type);

struct VolumeFile {
    int nx = 0;
    int ny = 0;
    int nz = 0;
    int volumes = 1;
    // Voxel sizes in millimetres, as stored in the header (pixdim 1..3).
    double voxelSize[3] = {0, 0, 0};
    SampleType sampleType = SampleType::Unsupported;
    std::string sampleTypeName;  // the file's own name for its data type, for messages
    // Samples x fastest, then y, z, volume, in host byte order; sampleSize(sampleType) each.
    std::vector<unsigned char> samples;
    // Value = slope * sample + intercept when slope is non-zero; a slope of 0 means unscaled.
    double slope = 0;
    double intercept = 0;
    // Transform codes above 0 mean the transform is set.
    int sformCode = 0;
    Affine sform = Affine::identity();
    int qformCode = 0;
    Affine qform = Affine::identity();
    // Real samples that are NaN or infinite; kept as they are, and reported.
    std::size_t nonFiniteSamples = 0;

    std::size_t voxelsPerVolume() const {
        return static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny) * static_cast<std::size_t>(nz);
    }
    bool isScaled() const { return slope != 0 && (slope != 1 || intercept != 0); }
    // The real value of sample i, scaling applied.
    double value(std::size_t i) const;
};

// Whether this build reads and writes NIfTI files; a build without nifti_clib (the Windows
// build) refuses both and works on the built-in sample, held in memory.
bool volumeFilesSupported();

// How much a file may make keldra read and hold.
struct VolumeReadLimits {
    std::uint64_t maxImageBytes = std::uint64_t{4} << 30;  // declared image data, 4 GiB
};

// Reads a .nii or .nii.gz file, after checking its header (nifti_header_validation.h). The
// path is opened as given, only if it is a regular file; no other name is tried. On failure
// returns false with a one-line reason (without the file name) in `error`; the file is only
// ever opened for reading.
bool readVolumeFile(const std::string& path, VolumeFile& file, std::string& error);
bool readVolumeFile(const std::string& path, const VolumeReadLimits& limits, VolumeFile& file, std::string& error);

// Writes `file` as a NIfTI file at `path` (gzip-compressed when the name ends in .gz), with
// scaling slope 1 and intercept 0. Overwrites whatever is at `path`: callers write to a
// temporary name and move the result into place.
bool writeVolumeFile(const std::string& path, const VolumeFile& file, std::string& error);

}  // namespace orvane::keldra
