// Writing NIfTI files (.nii, .nii.gz): the header exactly as nifti_clib's own writer makes it,
// then the samples as they are handed over, through several compressing threads for .nii.gz.
// Reading, with its checks, is in nifti_file_reader.cpp.
#include <fcntl.h>
#include <nifti2_io.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "keldra/nifti/file_descriptor.h"
#include "keldra/nifti/nifti_header_bytes.h"
#include "keldra/nifti/nifti_image.h"
#include "keldra/nifti/parallel_gzip_writer.h"
#include "keldra/nifti/volume_file.h"
#include "keldra/output/checksum.h"

namespace orvane::keldra {

namespace {

int datatypeOf(SampleType type) {
    switch (type) {
        case SampleType::UInt8: return DT_UINT8;
        case SampleType::Int8: return DT_INT8;
        case SampleType::Int16: return DT_INT16;
        case SampleType::UInt16: return DT_UINT16;
        case SampleType::Int32: return DT_INT32;
        case SampleType::UInt32: return DT_UINT32;
        case SampleType::Int64: return DT_INT64;
        case SampleType::UInt64: return DT_UINT64;
        case SampleType::Float32: return DT_FLOAT32;
        case SampleType::Float64: return DT_FLOAT64;
        case SampleType::Unsupported: break;
    }
    return DT_UNKNOWN;
}

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Copies at most `size` - 1 characters and ends the field.
void copyText(char* field, std::size_t size, const std::string& text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

void applyTimingAndLabels(const TimingAndLabels& t, nifti_image& image) {
    image.dt = image.pixdim[4] = t.timeStep;
    image.du = image.pixdim[5] = t.laterSpacings[0];
    image.dv = image.pixdim[6] = t.laterSpacings[1];
    image.dw = image.pixdim[7] = t.laterSpacings[2];
    image.xyz_units = t.spatialUnits;
    image.time_units = t.timeUnits;
    image.toffset = t.timeOffset;
    image.freq_dim = t.frequencyAxis;
    image.phase_dim = t.phaseAxis;
    image.slice_dim = t.sliceAxis;
    image.slice_code = t.sliceCode;
    image.slice_start = t.sliceStart;
    image.slice_end = t.sliceEnd;
    image.slice_duration = t.sliceDuration;
    image.intent_code = t.intentCode;
    image.intent_p1 = t.intentParameters[0];
    image.intent_p2 = t.intentParameters[1];
    image.intent_p3 = t.intentParameters[2];
    copyText(image.intent_name, sizeof image.intent_name, t.intentName);
    image.cal_min = t.displayMinimum;
    image.cal_max = t.displayMaximum;
    copyText(image.descrip, sizeof image.descrip, t.description);
    copyText(image.aux_file, sizeof image.aux_file, t.auxiliaryFile);
}

}  // namespace

bool niftiHeaderBytes(const ImageDescription& d, std::vector<unsigned char>& bytes, std::string& error) {
    nifti_set_debug_level(0);  // keldra words its own messages
    const int datatype = datatypeOf(d.sampleType);
    if (datatype == DT_UNKNOWN) {
        error = "cannot write this data type";
        return false;
    }
    std::int64_t dims[8] = {d.volumes > 1 ? 4 : 3, d.nx, d.ny, d.nz, d.volumes, 1, 1, 1};
    NiftiImagePtr image(nifti_make_new_nim(dims, datatype, 0));
    if (!image) {
        error = "the NIfTI library could not create an image";
        return false;
    }
    image->dx = image->pixdim[1] = d.voxelSize[0];
    image->dy = image->pixdim[2] = d.voxelSize[1];
    image->dz = image->pixdim[3] = d.voxelSize[2];
    image->scl_slope = 1;
    image->scl_inter = 0;
    applyTimingAndLabels(d.timing, *image);
    image->sform_code = d.sformCode;
    image->sto_xyz = niftiMatrixOf(d.sform);
    image->sto_ijk = nifti_dmat44_inverse(image->sto_xyz);
    image->qform_code = d.qformCode;
    if (d.qformCode > 0) {
        double dx = 0, dy = 0, dz = 0;
        nifti_dmat44_to_quatern(niftiMatrixOf(d.qform), &image->quatern_b, &image->quatern_c, &image->quatern_d,
                                &image->qoffset_x, &image->qoffset_y, &image->qoffset_z, &dx, &dy, &dz, &image->qfac);
        image->qto_xyz = nifti_quatern_to_dmat44(image->quatern_b, image->quatern_c, image->quatern_d,
                                                 image->qoffset_x, image->qoffset_y, image->qoffset_z, image->dx,
                                                 image->dy, image->dz, image->qfac);
        image->qto_ijk = nifti_dmat44_inverse(image->qto_xyz);
    }
    image->nifti_type = NIFTI_FTYPE_NIFTI1_1;
    image->iname_offset = kSingleFileDataOffset;
    nifti_1_header header;
    if (nifti_convert_nim2n1hdr(image.get(), &header) != 0) {
        error = "the NIfTI library could not make a NIfTI-1 header for this image";
        return false;
    }
    static_assert(sizeof header == 348, "a NIfTI-1 header has 348 bytes");
    bytes.assign(kSingleFileDataOffset, 0);
    std::memcpy(bytes.data(), &header, sizeof header);
    return true;
}

namespace {

bool writeAll(int fd, const unsigned char* data, std::size_t size, std::string& error) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = std::string("cannot be written: ") + std::strerror(errno);
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Counts and checks the samples on their way into the file, written directly or through the
// compressing writer.
class FileSampleSink : public SampleSink {
public:
    FileSampleSink(int fd, ParallelGzipWriter* gzip) : fd_(fd), gzip_(gzip) {}

    bool append(const unsigned char* data, std::size_t size) override {
        if (gzip_ == nullptr) {
            checksum_ = fnv1a64(data, size, checksum_);
            bytes_ += size;
            return writeAll(fd_, data, size, error_);
        }
        // A member's worth at a time, so that the threads compress what was counted while the
        // rest is counted; the members are those of one append.
        for (std::size_t offset = 0; offset < size; offset += kGzipMemberBytes) {
            const std::size_t piece = std::min(kGzipMemberBytes, size - offset);
            checksum_ = fnv1a64(data + offset, piece, checksum_);
            bytes_ += piece;
            if (!gzip_->append(data + offset, piece)) {
                return false;
            }
        }
        return true;
    }
    bool append(std::vector<unsigned char> bytes) override {
        checksum_ = fnv1a64(bytes.data(), bytes.size(), checksum_);
        bytes_ += bytes.size();
        return gzip_ != nullptr ? gzip_->append(std::move(bytes)) : writeAll(fd_, bytes.data(), bytes.size(), error_);
    }
    // Writes header bytes, which are not samples.
    bool appendHeader(std::vector<unsigned char> bytes) {
        return gzip_ != nullptr ? gzip_->append(std::move(bytes)) : writeAll(fd_, bytes.data(), bytes.size(), error_);
    }

    std::uint64_t checksum() const { return checksum_; }
    std::uint64_t bytes() const { return bytes_; }
    const std::string& error() const { return error_; }

private:
    int fd_;
    ParallelGzipWriter* gzip_;
    std::uint64_t checksum_ = kFnv1a64Start;
    std::uint64_t bytes_ = 0;
    std::string error_;
};

}  // namespace

bool volumeFilesSupported() { return true; }

bool writeNiftiFile(const std::string& path, const ImageDescription& description, const SampleProducer& produce,
                    std::uint64_t& checksum, std::string& error) {
    std::vector<unsigned char> header;
    if (!niftiHeaderBytes(description, header, error)) {
        return false;
    }
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0) {
        error = std::string("cannot be created: ") + std::strerror(errno);
        return false;
    }
    std::optional<ParallelGzipWriter> gzip;
    if (endsWith(path, ".gz")) {
        gzip.emplace(fd.get(), kOutputCompressionLevel, compressionThreads());
    }
    FileSampleSink sink(fd.get(), gzip ? &*gzip : nullptr);
    std::string problem;
    bool ok = sink.appendHeader(std::move(header)) && produce(sink, problem);
    if (ok && sink.bytes() != static_cast<std::uint64_t>(description.volumeBytes()) *
                                  static_cast<std::uint64_t>(description.volumes)) {
        problem = "the samples do not match the grid";
        ok = false;
    }
    if (gzip) {
        std::string compressionProblem;
        ok = gzip->finish(compressionProblem) && ok;
        if (problem.empty()) {
            problem = compressionProblem;
        }
    }
    if (problem.empty()) {
        problem = sink.error();
    }
    gzip.reset();
    std::string closing;
    ok = fd.close(closing) && ok;
    if (!ok) {
        error = !problem.empty() ? problem : !closing.empty() ? closing : "the file could not be written completely";
        return false;
    }
    checksum = sink.checksum();
    return true;
}

bool writeVolumeFile(const std::string& path, const VolumeFile& file, std::string& error) {
    std::uint64_t checksum = 0;
    return writeNiftiFile(
        path, file,
        [&file](SampleSink& sink, std::string&) { return sink.append(file.samples.data(), file.samples.size()); },
        checksum, error);
}

}  // namespace orvane::keldra
