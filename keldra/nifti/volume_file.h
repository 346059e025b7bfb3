// The content of an image file as the host sees it, free of any file-format library: grid,
// voxel sizes, sample type, raw samples and the two voxel-to-world transforms with their codes.
// Reading and writing NIfTI files happens only behind the two functions at the bottom, so a
// checking loader can be put in front of them and a build without the NIfTI library can
// replace them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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

// Units of a header's xyzt_units field, as NIfTI codes them.
constexpr int kUnitsUnknown = 0;
constexpr int kUnitsMillimetre = 2;
constexpr int kUnitsSecond = 8;
constexpr int kUnitsMillisecond = 16;
constexpr int kUnitsMicrosecond = 24;

// How a series was acquired in time and what its header says about it beyond the grid: kept
// from an input so that what is saved of it says the same (the time between volumes, the slice
// timing, the intent, the display range, the description).
struct TimingAndLabels {
    // pixdim[4] (the time step, in `timeUnits`) and pixdim[5..7].
    double timeStep = 0;
    double laterSpacings[3] = {0, 0, 0};
    int spatialUnits = kUnitsMillimetre;
    int timeUnits = kUnitsUnknown;
    double timeOffset = 0;  // toffset
    // dim_info: the axes (1..3, or 0 for none) of frequency and phase encoding and of slices.
    int frequencyAxis = 0;
    int phaseAxis = 0;
    int sliceAxis = 0;
    int sliceCode = 0;
    int sliceStart = 0;
    int sliceEnd = 0;
    double sliceDuration = 0;
    int intentCode = 0;
    double intentParameters[3] = {0, 0, 0};
    std::string intentName;  // at most 15 characters
    double displayMinimum = 0;  // cal_min and cal_max; both 0 when unset
    double displayMaximum = 0;
    std::string description;  // descrip, at most 79 characters
    std::string auxiliaryFile;  // aux_file, at most 23 characters

    // A time step that says how far apart the volumes are: finite and above 0.
    bool timeStepUsable() const { return timeStep > 0 && timeStep <= 1e30; }
};

// What a file says about its image, apart from the samples: grid, voxel sizes, sample type,
// scaling, the two transforms, and its timing and labels.
struct ImageDescription {
    int nx = 0;
    int ny = 0;
    int nz = 0;
    int volumes = 1;
    // Voxel sizes in millimetres, as stored in the header (pixdim 1..3).
    double voxelSize[3] = {0, 0, 0};
    SampleType sampleType = SampleType::Unsupported;
    std::string sampleTypeName;  // the file's own name for its data type, for messages
    // Value = slope * sample + intercept when slope is non-zero; a slope of 0 means unscaled.
    double slope = 0;
    double intercept = 0;
    // Transform codes above 0 mean the transform is set.
    int sformCode = 0;
    Affine sform = Affine::identity();
    int qformCode = 0;
    Affine qform = Affine::identity();
    // The time step, slice timing, intent, display range and description.
    TimingAndLabels timing;

    std::size_t voxelsPerVolume() const {
        return static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny) * static_cast<std::size_t>(nz);
    }
    // The bytes of one volume's samples.
    std::size_t volumeBytes() const { return voxelsPerVolume() * sampleSize(sampleType); }
    bool isScaled() const { return slope != 0 && (slope != 1 || intercept != 0); }
};

// Samples as a file stores them (host byte order), with the file's scaling, in memory someone
// else owns: the first volume of a file being read, a whole file's content.
struct SampleView {
    const unsigned char* data = nullptr;
    std::size_t count = 0;
    SampleType type = SampleType::Unsupported;
    // As in ImageDescription.
    double slope = 0;
    double intercept = 0;

    bool isScaled() const { return slope != 0 && (slope != 1 || intercept != 0); }
    // The real value of sample i, scaling applied.
    double value(std::size_t i) const;
};

// The samples of a real type whose value, scaling applied, is NaN or infinite.
std::size_t nonFiniteSamples(const SampleView& samples);

// A whole file's content.
struct VolumeFile : ImageDescription {
    // Samples x fastest, then y, z, volume, in host byte order; sampleSize(sampleType) each.
    std::vector<unsigned char> samples;
    // Real samples that are NaN or infinite; kept as they are, and reported.
    std::size_t nonFiniteSamples = 0;

    // All samples, and the real value of sample i, scaling applied.
    SampleView view() const;
    double value(std::size_t i) const { return view().value(i); }
};

// Whether this build reads and writes NIfTI files; a build without nifti_clib (the Windows
// build) refuses both and works on the built-in sample, held in memory.
bool volumeFilesSupported();

// How much a file may make keldra read and hold.
struct VolumeReadLimits {
    std::uint64_t maxImageBytes = std::uint64_t{4} << 30;  // declared image data, 4 GiB
};

// When and where a file was last changed, to tell whether it is still the file that was read.
struct FileStamp {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    unsigned long long size = 0;
    long long modifiedNanoseconds = 0;
    bool operator==(const FileStamp& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modifiedNanoseconds == other.modifiedNanoseconds;
    }
};

// An image file opened for reading, its header checked (nifti_header_validation.h); its
// samples are read on request, in order from the first volume, and only as far as asked.
class VolumeFileReader {
public:
    virtual ~VolumeFileReader() = default;
    // The image; its volumes' samples are read by the calls below.
    virtual const ImageDescription& description() const = 0;
    virtual const FileStamp& stamp() const = 0;
    // The next `volumes` volumes' samples in host byte order, valid until the next call and
    // while the reader lives. Null with a one-line reason when the file ends early or is
    // damaged. Reading every volume at once is the fastest way to read a whole file.
    virtual const unsigned char* nextVolumes(int volumes, std::string& error) = 0;
    // The same, straight into `destination` (volumes * description().volumeBytes() bytes).
    virtual bool readVolumes(int volumes, unsigned char* destination, std::string& error) = 0;
};

// Opens a .nii or .nii.gz file and reads its header. The path is opened as given, only if it
// is a regular file; no other name is tried. On failure returns null with a one-line reason
// (without the file name) in `error`; the file is only ever opened for reading.
std::unique_ptr<VolumeFileReader> openVolumeFile(const std::string& path, const VolumeReadLimits& limits,
                                                 std::string& error);

// Reads a whole .nii or .nii.gz file through openVolumeFile.
bool readVolumeFile(const std::string& path, VolumeFile& file, std::string& error);
bool readVolumeFile(const std::string& path, const VolumeReadLimits& limits, VolumeFile& file, std::string& error);

// Receives an image's samples in file order, in pieces.
class SampleSink {
public:
    virtual ~SampleSink() = default;
    // Appends samples that stay valid and unchanged until the write has ended.
    virtual bool append(const unsigned char* data, std::size_t size) = 0;
    // Appends samples the sink keeps until they are written.
    virtual bool append(std::vector<unsigned char> bytes) = 0;
};
// Hands every sample to the sink; false with a one-line reason when it cannot.
using SampleProducer = std::function<bool(SampleSink& sink, std::string& error)>;

// Writes a NIfTI file at `path`: the header for `description` (with scaling slope 1 and
// intercept 0, whatever `description` says, and its timing and labels), then the samples `produce` hands over, which
// must be exactly the image's. A name ending in .gz is compressed, as several gzip members
// compressed at once. `checksum` receives the checksum (output/checksum.h) of the samples as
// written. Overwrites whatever is at `path`: callers write to a temporary name and move the
// result into place.
bool writeNiftiFile(const std::string& path, const ImageDescription& description, const SampleProducer& produce,
                    std::uint64_t& checksum, std::string& error);

// The samples a file to be written takes unchanged from a compressed input file: those after
// its first volume, as stored.
struct UnchangedInputSamples {
    std::string path;  // a .nii.gz file
    // The input as it was when it was opened: its image and when it was last changed. An input
    // changed since then is not used.
    ImageDescription description;
    FileStamp stamp;
    VolumeReadLimits limits;
};

// Writes at `path` (a .gz name) what writeNiftiFile writes for `description` when its samples
// are `firstVolume` followed by the samples `input` holds after its first volume, but takes
// the compressed bytes of most of those from the input instead of compressing them again (the
// result keeps the input's compression there). False when that cannot be done exactly: the
// input's samples differ from what the file needs in any way (type, byte order, scaling,
// grid), the input is not a plain gzip file whose content ends where its image data does, it
// is damaged or has changed, or anything fails; what is at `path` must then be written again
// through writeNiftiFile.
bool writeNiftiFileReusingInput(const std::string& path, const ImageDescription& description,
                                const SampleView& firstVolume, const UnchangedInputSamples& input,
                                std::uint64_t& checksum);

// Writes `file`, samples and all, through writeNiftiFile.
bool writeVolumeFile(const std::string& path, const VolumeFile& file, std::string& error);

}  // namespace orvane::keldra
