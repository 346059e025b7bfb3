// Saving a NIfTI file whose samples after the first volume are a compressed input's, as they
// are stored there: the new header and first volume are compressed here, the input's
// compressed bytes carry the rest (gzip_splice.h). Only an input whose stored samples are
// exactly the bytes the file needs qualifies; anything else is left to writeNiftiFile.
#include <fcntl.h>
#include <nifti2_io.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "keldra/nifti/byte_source.h"
#include "keldra/nifti/file_descriptor.h"
#include "keldra/nifti/gzip_splice.h"
#include "keldra/nifti/nifti_header_bytes.h"
#include "keldra/nifti/nifti_header_validation.h"
#include "keldra/nifti/posix_file_stamp.h"
#include "keldra/nifti/volume_file.h"
#include "keldra/output/checksum.h"

namespace orvane::keldra {

namespace {

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Whether the open file is a regular file still as `stamp` says it was.
bool unchangedSince(int fd, const FileStamp& stamp) {
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    return fileStampOf(status) == stamp;
}

// The facts of the input's header, decoded from its start.
bool readInputHeader(int fd, const VolumeReadLimits& limits, NiftiHeaderFacts& facts) {
    FileDescriptorSource raw(fd);
    GzipSource gzip(raw);
    unsigned char header[kNifti2HeaderSize];
    if (gzip.readFully(header, 4) != 4) {
        return false;
    }
    const std::size_t size = claimedNiftiHeaderSize(header);
    if (size < 4 || gzip.readFully(header + 4, size - 4) != static_cast<long long>(size - 4)) {
        return false;
    }
    NiftiHeaderRules rules;
    rules.compressed = true;
    rules.maxImageBytes = limits.maxImageBytes;
    std::string error;
    return validateNiftiHeader(header, size, rules, facts, error);
}

// Whether the input stores the samples the file needs, byte for byte, behind the first volume.
bool storesTheSamples(const NiftiHeaderFacts& facts, const UnchangedInputSamples& input,
                      const ImageDescription& description, const std::vector<unsigned char>& header,
                      const SampleView& firstVolume) {
    nifti_1_header written;
    std::memcpy(&written, header.data(), sizeof written);
    const ImageDescription& stored = input.description;
    const std::uint64_t volumeBytes = description.volumeBytes();
    return !facts.swapped && facts.datatype == written.datatype && !stored.isScaled() &&
           stored.sampleType == description.sampleType && facts.dim[1] == description.nx &&
           facts.dim[2] == description.ny && facts.dim[3] == description.nz && facts.dim[4] == description.volumes &&
           facts.dataBytes == volumeBytes * static_cast<std::uint64_t>(description.volumes) &&
           firstVolume.type == description.sampleType && firstVolume.count == description.voxelsPerVolume() &&
           description.volumes > 1;
}

}  // namespace

bool writeNiftiFileReusingInput(const std::string& path, const ImageDescription& description,
                                const SampleView& firstVolume, const UnchangedInputSamples& input,
                                std::uint64_t& checksum) {
    std::vector<unsigned char> head;
    std::string error;
    NiftiHeaderFacts facts;
    if (!endsWith(path, ".gz") || !endsWith(input.path, ".nii.gz") || !niftiHeaderBytes(description, head, error)) {
        return false;
    }
    FileDescriptor in(::open(input.path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (in.get() < 0 || !unchangedSince(in.get(), input.stamp) || !readInputHeader(in.get(), input.limits, facts) ||
        !storesTheSamples(facts, input, description, head, firstVolume)) {
        return false;
    }
    const std::size_t firstBytes = description.volumeBytes();
    head.insert(head.end(), firstVolume.data, firstVolume.data + firstBytes);
    std::uint64_t sum = fnv1a64(firstVolume.data, firstBytes);
    GzipSpliceRequest request;
    request.inputName = input.path;
    request.head = head.data();
    request.headBytes = head.size();
    request.keptFrom = facts.dataOffset + firstBytes;
    request.inputContentBytes = facts.dataOffset + facts.dataBytes;
    request.keptBytes = [&sum](const unsigned char* data, std::size_t size) { sum = fnv1a64(data, size, sum); };
    FileDescriptor out(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.get() < 0 || !writeSplicedGzip(in.get(), input.stamp.size, out.get(), request) || !out.close(error) ||
        !unchangedSince(in.get(), input.stamp)) {
        return false;
    }
    checksum = sum;
    return true;
}

}  // namespace orvane::keldra
