// Reading NIfTI files through the header checks.
#include "keldra/nifti/nifti_file_reader.h"

#include <fcntl.h>
#include <nifti2_io.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include "keldra/nifti/nifti_image.h"

namespace orvane::keldra {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

SampleType sampleTypeOf(int datatype) {
    switch (datatype) {
        case DT_UINT8: return SampleType::UInt8;
        case DT_INT8: return SampleType::Int8;
        case DT_INT16: return SampleType::Int16;
        case DT_UINT16: return SampleType::UInt16;
        case DT_INT32: return SampleType::Int32;
        case DT_UINT32: return SampleType::UInt32;
        case DT_INT64: return SampleType::Int64;
        case DT_UINT64: return SampleType::UInt64;
        case DT_FLOAT32: return SampleType::Float32;
        case DT_FLOAT64: return SampleType::Float64;
        default: return SampleType::Unsupported;
    }
}

// The header's conversion by the library, from the bytes exactly as stored (it swaps them
// itself when the file was written in the other byte order).
NiftiImagePtr convertHeader(const unsigned char* header, const NiftiHeaderFacts& facts, const std::string& name) {
    nifti_set_debug_level(0);
    if (facts.version == 1) {
        nifti_1_header n1;
        std::memcpy(&n1, header, sizeof n1);
        return NiftiImagePtr(nifti_convert_n1hdr2nim(n1, name.c_str()));
    }
    nifti_2_header n2;
    std::memcpy(&n2, header, sizeof n2);
    return NiftiImagePtr(nifti_convert_n2hdr2nim(n2, name.c_str()));
}

// Reads exactly `bytes` of image data. A compressed stream's length is unknown until it has
// been read, so its buffer grows with what arrives rather than trusting the header up front.
bool readSamples(ByteSource& source, std::uint64_t bytes, bool compressed, std::vector<unsigned char>& samples,
                 std::string& error) {
    constexpr std::uint64_t kFirstChunk = 1 << 20;
    std::uint64_t have = 0;
    samples.clear();
    while (have < bytes) {
        std::uint64_t target = compressed ? std::min(bytes, std::max(kFirstChunk, 2 * have)) : bytes;
        samples.resize(static_cast<std::size_t>(target));
        long long got = source.readFully(samples.data() + have, static_cast<std::size_t>(target - have));
        if (got < 0) {
            error = "cannot be read: " + source.error();
            return false;
        }
        have += static_cast<std::uint64_t>(got);
        if (have < target) {
            error = "is truncated: its header declares " + std::to_string(bytes) + " bytes of image data, but only " +
                      std::to_string(have) + " follow";
            return false;
        }
    }
    return true;
}

// A damaged compressed file can decode into plausible but wrong samples; only the check sum
// at the end of the stream tells. It is read when the end is near, so that a small file is
// verified while data appended to the stream (a decompression bomb) is never decoded.
bool checkCompressedEnd(GzipSource& gzip, std::string& error) {
    constexpr std::uint64_t kTrailingBytesRead = 1 << 20;
    unsigned char scratch[16 * 1024];
    std::uint64_t read = 0;
    while (read < kTrailingBytesRead && !gzip.finished()) {
        long got = gzip.read(scratch, sizeof scratch);
        if (got < 0) {
            error = "cannot be read: " + gzip.error();
            return false;
        }
        if (got == 0) {
            break;
        }
        read += static_cast<std::uint64_t>(got);
    }
    return true;
}

// Reads the header's bytes (as many as its first four claim) and checks them.
bool readCheckedHeader(ByteSource& source, const NiftiHeaderRules& rules, unsigned char* header,
                       NiftiHeaderFacts& facts, std::string& error) {
    long long got = source.readFully(header, 4);
    if (got < 0) {
        error = (rules.compressed ? "cannot be read as a .nii.gz file: " : "cannot be read: ") + source.error();
        return false;
    }
    if (got == 4 && !rules.compressed && header[0] == 0x1f && header[1] == 0x8b) {
        error = "is gzip-compressed but its name ends in .nii; name it .nii.gz";
        return false;
    }
    std::size_t size = static_cast<std::size_t>(got);
    std::size_t wanted = got == 4 ? claimedNiftiHeaderSize(header) : 0;
    if (wanted > 4) {
        got = source.readFully(header + 4, wanted - 4);
        if (got < 0) {
            error = "cannot be read: " + source.error();
            return false;
        }
        size += static_cast<std::size_t>(got);
    }
    return validateNiftiHeader(header, size, rules, facts, error);
}

// The checked header's facts and the library's conversion of it into `file`, and the count of
// its non-finite real samples.
void describeImage(const nifti_image& image, const NiftiHeaderFacts& facts, VolumeFile& file) {
    file.nx = static_cast<int>(facts.dim[1]);
    file.ny = static_cast<int>(facts.dim[2]);
    file.nz = static_cast<int>(facts.dim[3]);
    file.volumes = static_cast<int>(facts.dim[4]);
    file.voxelSize[0] = image.dx;
    file.voxelSize[1] = image.dy;
    file.voxelSize[2] = image.dz;
    file.sampleType = sampleTypeOf(image.datatype);
    const char* typeName = nifti_datatype_string(image.datatype);
    file.sampleTypeName = typeName != nullptr ? typeName : "unknown";
    file.slope = image.scl_slope;
    file.intercept = image.scl_inter;
    file.sformCode = image.sform_code;
    file.sform = affineOf(image.sto_xyz);
    file.qformCode = image.qform_code;
    file.qform = affineOf(image.qto_xyz);
    if (file.sampleType == SampleType::Float32 || file.sampleType == SampleType::Float64) {
        const std::size_t count = static_cast<std::size_t>(facts.voxels);
        for (std::size_t i = 0; i < count; ++i) {
            if (!std::isfinite(file.value(i))) {
                ++file.nonFiniteSamples;
            }
        }
    }
}

}  // namespace

bool readNiftiImage(ByteSource& raw, const std::string& name, const NiftiHeaderRules& rules, VolumeFile& file,
                    std::string& error) {
    std::unique_ptr<GzipSource> gzip;
    if (rules.compressed) {
        gzip = std::make_unique<GzipSource>(raw);
    }
    ByteSource& source = gzip ? static_cast<ByteSource&>(*gzip) : raw;

    unsigned char header[kNifti2HeaderSize];
    NiftiHeaderFacts facts;
    if (!readCheckedHeader(source, rules, header, facts, error)) {
        return false;
    }

    NiftiImagePtr image = convertHeader(header, facts, name);
    if (!image || image->nvox != static_cast<std::int64_t>(facts.voxels) || image->datatype != facts.datatype ||
        image->nbyper != facts.bytesPerVoxel) {
        error = "has a header the NIfTI library does not read as checked";
        return false;
    }

    VolumeFile result;
    // Between the header and the data lie header extensions (or nothing); they are not parsed.
    if (!source.skip(facts.dataOffset - facts.headerSize)) {
        error = source.error().empty() ? "is truncated: it ends before its image data starts (byte " +
                                               std::to_string(facts.dataOffset) + ")"
                                         : "cannot be read: " + source.error();
        return false;
    }
    if (!readSamples(source, facts.dataBytes, rules.compressed, result.samples, error)) {
        return false;
    }
    if (gzip && !checkCompressedEnd(*gzip, error)) {
        return false;
    }
    if (facts.swapped && facts.bytesPerVoxel > 1) {
        nifti_swap_Nbytes(static_cast<std::int64_t>(facts.voxels), facts.bytesPerVoxel, result.samples.data());
    }

    describeImage(*image, facts, result);
    file = std::move(result);
    return true;
}

bool readVolumeFile(const std::string& path, VolumeFile& file, std::string& error) {
    return readVolumeFile(path, VolumeReadLimits{}, file, error);
}

bool readVolumeFile(const std::string& path, const VolumeReadLimits& limits, VolumeFile& file, std::string& error) {
    NiftiHeaderRules rules;
    rules.maxImageBytes = limits.maxImageBytes;
    rules.compressed = endsWith(path, ".nii.gz");
    if (!rules.compressed && !endsWith(path, ".nii")) {
        error = "is not a NIfTI file (the name must end in .nii or .nii.gz)";
        return false;
    }
    // Non-blocking, so that a FIFO with no writer cannot hold keldra up; no controlling
    // terminal, so that a device opened by mistake is not taken over.
    Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        error = errno == ENOENT ? "no such file" : std::string("cannot be opened: ") + std::strerror(errno);
        return false;
    }
    struct stat status {};
    if (fstat(fd.get(), &status) != 0) {
        error = std::string("cannot be examined: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = S_ISDIR(status.st_mode)    ? "is a folder, not an image file"
                : S_ISFIFO(status.st_mode) ? "is a FIFO (named pipe), not a regular file"
                : S_ISSOCK(status.st_mode) ? "is a socket, not a regular file"
                                           : "is a device, not a regular file";
        return false;
    }
    if (!rules.compressed) {
        rules.fileSize = static_cast<std::uint64_t>(status.st_size);
    }
    FileDescriptorSource source(fd.get());
    return readNiftiImage(source, path, rules, file, error);
}

}  // namespace orvane::keldra
