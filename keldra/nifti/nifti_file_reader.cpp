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

#include "keldra/memory/volume_memory.h"
#include "keldra/nifti/file_descriptor.h"
#include "keldra/nifti/mapped_file.h"
#include "keldra/nifti/nifti_image.h"
#include "keldra/nifti/posix_file_stamp.h"
#include "keldra/nifti/whole_gzip_decoder.h"

namespace orvane::keldra {

namespace {

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

// A text field of the header, up to its first zero byte.
std::string textOf(const char* field, std::size_t size) {
    return std::string(field, strnlen(field, size));
}

void readTimingAndLabels(const nifti_image& image, TimingAndLabels& t) {
    t.timeStep = image.dt;
    t.laterSpacings[0] = image.du;
    t.laterSpacings[1] = image.dv;
    t.laterSpacings[2] = image.dw;
    t.spatialUnits = image.xyz_units;
    t.timeUnits = image.time_units;
    t.timeOffset = image.toffset;
    t.frequencyAxis = image.freq_dim;
    t.phaseAxis = image.phase_dim;
    t.sliceAxis = image.slice_dim;
    t.sliceCode = image.slice_code;
    t.sliceStart = static_cast<int>(image.slice_start);
    t.sliceEnd = static_cast<int>(image.slice_end);
    t.sliceDuration = image.slice_duration;
    t.intentCode = image.intent_code;
    t.intentParameters[0] = image.intent_p1;
    t.intentParameters[1] = image.intent_p2;
    t.intentParameters[2] = image.intent_p3;
    t.intentName = textOf(image.intent_name, sizeof image.intent_name);
    t.displayMinimum = image.cal_min;
    t.displayMaximum = image.cal_max;
    t.description = textOf(image.descrip, sizeof image.descrip);
    t.auxiliaryFile = textOf(image.aux_file, sizeof image.aux_file);
}

// The checked header's facts and the library's conversion of it into `file`.
void describeImage(const nifti_image& image, const NiftiHeaderFacts& facts, ImageDescription& file) {
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
    readTimingAndLabels(image, file.timing);
    // As stored, not as the library repaired them.
    file.timing.timeStep = facts.pixdim[4];
    for (int i = 0; i < 3; ++i) {
        file.timing.laterSpacings[i] = facts.pixdim[5 + i];
    }
}

// The start of an image in a byte stream: the header read, checked and converted, and the
// stream moved on to the first sample. False with the reason otherwise.
bool readImageStart(ByteSource& source, const std::string& name, const NiftiHeaderRules& rules,
                    NiftiHeaderFacts& facts, ImageDescription& description, std::string& error) {
    unsigned char header[kNifti2HeaderSize];
    if (!readCheckedHeader(source, rules, header, facts, error)) {
        return false;
    }
    NiftiImagePtr image = convertHeader(header, facts, name);
    if (!image || image->nvox != static_cast<std::int64_t>(facts.voxels) || image->datatype != facts.datatype ||
        image->nbyper != facts.bytesPerVoxel) {
        error = "has a header the NIfTI library does not read as checked";
        return false;
    }
    describeImage(*image, facts, description);
    // Between the header and the data lie header extensions (or nothing); they are not parsed.
    if (!source.skip(facts.dataOffset - facts.headerSize)) {
        error = source.error().empty() ? "is truncated: it ends before its image data starts (byte " +
                                             std::to_string(facts.dataOffset) + ")"
                                       : "cannot be read: " + source.error();
        return false;
    }
    return true;
}

void toHostByteOrder(const NiftiHeaderFacts& facts, unsigned char* samples, std::uint64_t bytes) {
    if (facts.swapped && facts.bytesPerVoxel > 1) {
        nifti_swap_Nbytes(static_cast<std::int64_t>(bytes / static_cast<std::uint64_t>(facts.bytesPerVoxel)),
                          facts.bytesPerVoxel, samples);
    }
}

// Deflate never makes data smaller than about a thousandth; a file that would have to exceed
// that to hold what its header declares cannot hold it, and is left to the streaming reader.
constexpr std::uint64_t kLargestDeflateRatio = 1032;

// A NIfTI file opened for reading. Samples read into the caller's memory are streamed from the
// file (through zlib for .nii.gz). Samples only looked at come from a .nii file's mapping (a
// file cut short by someone else while it is mapped ends keldra, in one line naming it), or,
// when every sample of a .nii.gz file is asked for at once, from decompressing it in one pass
// (ISA-L).
class NiftiFileReader : public VolumeFileReader {
public:
    bool open(const std::string& path, const VolumeReadLimits& limits, std::string& error);

    const ImageDescription& description() const override { return description_; }
    const FileStamp& stamp() const override { return stamp_; }
    const unsigned char* nextVolumes(int volumes, std::string& error) override;
    bool readVolumes(int volumes, unsigned char* destination, std::string& error) override;

    // Every sample into `samples`, which grows only as data arrives from a compressed stream.
    bool readAllSamples(std::vector<unsigned char>& samples, std::string& error);

private:
    bool bytesOf(int volumes, std::uint64_t& bytes, std::string& error) const;
    bool mayDecompressWhole() const;
    bool decompressWhole(unsigned char* output);
    bool finishRead(std::uint64_t bytes, std::string& error);

    std::string path_;
    std::unique_ptr<FileDescriptor> fd_;
    std::unique_ptr<FileDescriptorSource> raw_;
    std::unique_ptr<GzipSource> gzip_;
    ByteSource* source_ = nullptr;
    NiftiHeaderRules rules_;
    NiftiHeaderFacts facts_;
    ImageDescription description_;
    FileStamp stamp_;
    std::uint64_t position_ = 0;  // sample bytes read so far
    std::unique_ptr<MappedFile> mapping_;
    VolumeBuffer whole_;
    std::vector<unsigned char> buffer_;
};

bool NiftiFileReader::open(const std::string& path, const VolumeReadLimits& limits, std::string& error) {
    path_ = path;
    rules_.maxImageBytes = limits.maxImageBytes;
    rules_.compressed = endsWith(path, ".nii.gz");
    if (!rules_.compressed && !endsWith(path, ".nii")) {
        error = "is not a NIfTI file (the name must end in .nii or .nii.gz)";
        return false;
    }
    // Non-blocking, so that a FIFO with no writer cannot hold keldra up; no controlling
    // terminal, so that a device opened by mistake is not taken over.
    fd_ = std::make_unique<FileDescriptor>(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd_->get() < 0) {
        error = errno == ENOENT ? "no such file" : std::string("cannot be opened: ") + std::strerror(errno);
        return false;
    }
    struct stat status {};
    if (fstat(fd_->get(), &status) != 0) {
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
    stamp_ = fileStampOf(status);
    if (!rules_.compressed) {
        rules_.fileSize = stamp_.size;
    }
    raw_ = std::make_unique<FileDescriptorSource>(fd_->get());
    source_ = raw_.get();
    if (rules_.compressed) {
        gzip_ = std::make_unique<GzipSource>(*raw_);
        source_ = gzip_.get();
    }
    return readImageStart(*source_, path, rules_, facts_, description_, error);
}

bool NiftiFileReader::bytesOf(int volumes, std::uint64_t& bytes, std::string& error) const {
    bytes = static_cast<std::uint64_t>(std::max(volumes, 0)) * static_cast<std::uint64_t>(description_.volumeBytes());
    if (volumes < 0 || bytes > facts_.dataBytes - position_) {
        error = "has fewer volumes than asked for";
        return false;
    }
    return true;
}

// Sample bytes arrived: in host byte order now, and at the end of a compressed stream its check
// sum is read.
bool NiftiFileReader::finishRead(std::uint64_t bytes, std::string& error) {
    position_ += bytes;
    return !(gzip_ && position_ == facts_.dataBytes) || checkCompressedEnd(*gzip_, error);
}

// Whether a compressed file could hold everything its header declares, and nothing of it has
// been read yet.
bool NiftiFileReader::mayDecompressWhole() const {
    return rules_.compressed && position_ == 0 &&
           facts_.dataOffset + facts_.dataBytes <= kLargestDeflateRatio * stamp_.size + (1u << 20);
}

bool NiftiFileReader::decompressWhole(unsigned char* output) {
    const std::uint64_t decoded = facts_.dataOffset + facts_.dataBytes;
    mapping_ = std::make_unique<MappedFile>(fd_->get(), static_cast<std::size_t>(stamp_.size), path_);
    bool ok = mapping_->data() != nullptr &&
              decompressWholeGzip(mapping_->data(), mapping_->size(), output, static_cast<std::size_t>(decoded));
    mapping_.reset();
    return ok;
}

const unsigned char* NiftiFileReader::nextVolumes(int volumes, std::string& error) {
    std::uint64_t bytes = 0;
    if (!bytesOf(volumes, bytes, error)) {
        return nullptr;
    }
    if (!rules_.compressed && !facts_.swapped) {
        // The header check made sure the file held every sample it declares; one that shrank
        // since is not mapped, and found short when it is read below.
        if (!mapping_) {
            mapping_ = std::make_unique<MappedFile>(fd_->get(), static_cast<std::size_t>(stamp_.size), path_);
            if (mapping_->data() == nullptr) {
                mapping_.reset();
            }
        }
        if (mapping_) {
            const unsigned char* samples = mapping_->data() + facts_.dataOffset + position_;
            position_ += bytes;
            return samples;
        }
    }
    if (bytes == facts_.dataBytes && mayDecompressWhole()) {
        whole_ = VolumeBuffer(static_cast<std::size_t>(facts_.dataOffset + facts_.dataBytes));
        if (decompressWhole(whole_.data())) {
            unsigned char* samples = whole_.data() + facts_.dataOffset;
            toHostByteOrder(facts_, samples, bytes);
            position_ = bytes;
            return samples;
        }
        whole_ = VolumeBuffer();
    }
    if (!readSamples(*source_, bytes, rules_.compressed, buffer_, error)) {
        return nullptr;
    }
    toHostByteOrder(facts_, buffer_.data(), bytes);
    return finishRead(bytes, error) ? buffer_.data() : nullptr;
}

bool NiftiFileReader::readVolumes(int volumes, unsigned char* destination, std::string& error) {
    std::uint64_t bytes = 0;
    if (!bytesOf(volumes, bytes, error)) {
        return false;
    }
    if (mapping_) {
        // What was mapped is read from the mapping.
        std::memcpy(destination, mapping_->data() + facts_.dataOffset + position_, static_cast<std::size_t>(bytes));
        position_ += bytes;
        return true;
    }
    long long got = source_->readFully(destination, static_cast<std::size_t>(bytes));
    if (got < 0) {
        error = "cannot be read: " + source_->error();
        return false;
    }
    if (static_cast<std::uint64_t>(got) < bytes) {
        error = "is truncated: its header declares " + std::to_string(facts_.dataBytes) +
                " bytes of image data, but only " + std::to_string(position_ + static_cast<std::uint64_t>(got)) +
                " follow";
        return false;
    }
    toHostByteOrder(facts_, destination, bytes);
    return finishRead(bytes, error);
}

bool NiftiFileReader::readAllSamples(std::vector<unsigned char>& samples, std::string& error) {
    if (mayDecompressWhole()) {
        samples.resize(static_cast<std::size_t>(facts_.dataOffset + facts_.dataBytes));
        if (decompressWhole(samples.data())) {
            samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(facts_.dataOffset));
            toHostByteOrder(facts_, samples.data(), facts_.dataBytes);
            position_ = facts_.dataBytes;
            return true;
        }
    }
    const std::uint64_t bytes = facts_.dataBytes - position_;
    if (!readSamples(*source_, bytes, rules_.compressed, samples, error)) {
        return false;
    }
    toHostByteOrder(facts_, samples.data(), bytes);
    return finishRead(bytes, error);
}

}  // namespace

bool readNiftiImage(ByteSource& raw, const std::string& name, const NiftiHeaderRules& rules, VolumeFile& file,
                    std::string& error) {
    std::unique_ptr<GzipSource> gzip;
    if (rules.compressed) {
        gzip = std::make_unique<GzipSource>(raw);
    }
    ByteSource& source = gzip ? static_cast<ByteSource&>(*gzip) : raw;
    NiftiHeaderFacts facts;
    VolumeFile result;
    if (!readImageStart(source, name, rules, facts, result, error) ||
        !readSamples(source, facts.dataBytes, rules.compressed, result.samples, error) ||
        (gzip && !checkCompressedEnd(*gzip, error))) {
        return false;
    }
    toHostByteOrder(facts, result.samples.data(), facts.dataBytes);
    result.nonFiniteSamples = nonFiniteSamples(result.view());
    file = std::move(result);
    return true;
}

std::unique_ptr<VolumeFileReader> openVolumeFile(const std::string& path, const VolumeReadLimits& limits,
                                                 std::string& error) {
    auto reader = std::make_unique<NiftiFileReader>();
    if (!reader->open(path, limits, error)) {
        return nullptr;
    }
    return reader;
}

bool readVolumeFile(const std::string& path, VolumeFile& file, std::string& error) {
    return readVolumeFile(path, VolumeReadLimits{}, file, error);
}

bool readVolumeFile(const std::string& path, const VolumeReadLimits& limits, VolumeFile& file, std::string& error) {
    NiftiFileReader reader;
    VolumeFile result;
    if (!reader.open(path, limits, error) || !reader.readAllSamples(result.samples, error)) {
        return false;
    }
    static_cast<ImageDescription&>(result) = reader.description();
    result.nonFiniteSamples = nonFiniteSamples(result.view());
    file = std::move(result);
    return true;
}

}  // namespace orvane::keldra
