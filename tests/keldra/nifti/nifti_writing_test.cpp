// keldra's NIfTI writer: the decompressed bytes of what it writes are those nifti_clib's own
// writer writes for the same image; .nii.gz files come as several gzip members, which every
// reader (nifti_clib, zlib, keldra's one-pass, streaming and partial readers) reads back as the
// samples given; failed writes are reported.
#include <gtest/gtest.h>

#include <nifti2_io.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "keldra/nifti/nifti_file_reader.h"
#include "keldra/nifti/nifti_image.h"
#include "keldra/output/checksum.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

// The whole content of a file, decompressed by zlib when it is gzip (every member).
std::vector<unsigned char> contentOf(const std::string& path) {
    gzFile file = gzopen(path.c_str(), "rb");
    std::vector<unsigned char> bytes;
    unsigned char chunk[1 << 16];
    int got = 0;
    while (file != nullptr && (got = gzread(file, chunk, sizeof chunk)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (file != nullptr) {
        gzclose(file);
    }
    return bytes;
}

int gzipMembers(const std::string& path) {
    const std::string bytes = readWholeFile(path);
    z_stream stream{};
    inflateInit2(&stream, 16 + MAX_WBITS);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    std::vector<unsigned char> out(1 << 20);
    int members = 0;
    for (;;) {
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        int status = inflate(&stream, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            ++members;
            if (stream.avail_in == 0 || inflateReset(&stream) != Z_OK) {
                break;
            }
        } else if (status != Z_OK) {
            members = -1;
            break;
        }
    }
    inflateEnd(&stream);
    return members;
}

// What keldra wrote before it had its own writer: nifti_clib's writer with keldra's settings.
void writeWithTheLibrary(const std::string& path, const VolumeFile& file) {
    nifti_set_debug_level(0);
    const int datatype = file.sampleType == SampleType::UInt8 ? DT_UINT8
                         : file.sampleType == SampleType::Int16 ? DT_INT16 : DT_FLOAT32;
    std::int64_t dims[8] = {file.volumes > 1 ? 4 : 3, file.nx, file.ny, file.nz, file.volumes, 1, 1, 1};
    NiftiImagePtr image(nifti_make_new_nim(dims, datatype, 0));
    image->dx = image->pixdim[1] = file.voxelSize[0];
    image->dy = image->pixdim[2] = file.voxelSize[1];
    image->dz = image->pixdim[3] = file.voxelSize[2];
    image->scl_slope = 1;
    image->scl_inter = 0;
    image->xyz_units = NIFTI_UNITS_MM;
    image->time_units = file.timing.timeUnits;
    image->dt = image->pixdim[4] = file.timing.timeStep;
    image->du = image->pixdim[5] = file.timing.laterSpacings[0];
    image->dv = image->pixdim[6] = file.timing.laterSpacings[1];
    image->dw = image->pixdim[7] = file.timing.laterSpacings[2];
    image->sform_code = file.sformCode;
    image->sto_xyz = niftiMatrixOf(file.sform);
    image->sto_ijk = nifti_dmat44_inverse(image->sto_xyz);
    image->qform_code = file.qformCode;
    if (file.qformCode > 0) {
        double dx, dy, dz;
        nifti_dmat44_to_quatern(niftiMatrixOf(file.qform), &image->quatern_b, &image->quatern_c, &image->quatern_d,
                                &image->qoffset_x, &image->qoffset_y, &image->qoffset_z, &dx, &dy, &dz, &image->qfac);
        image->qto_xyz = nifti_quatern_to_dmat44(image->quatern_b, image->quatern_c, image->quatern_d,
                                                 image->qoffset_x, image->qoffset_y, image->qoffset_z, image->dx,
                                                 image->dy, image->dz, image->qfac);
        image->qto_ijk = nifti_dmat44_inverse(image->qto_xyz);
    }
    nifti_set_filenames(image.get(), path.c_str(), 0, 1);
    image->nifti_type = NIFTI_FTYPE_NIFTI1_1;
    image->data = const_cast<unsigned char*>(file.samples.data());
    nifti_image_write(image.get());
    image->data = nullptr;
}

template <typename T>
VolumeFile imageOf(SampleType type, int nx, int ny, int nz, int volumes, T (*value)(std::size_t)) {
    VolumeFile file;
    file.nx = nx;
    file.ny = ny;
    file.nz = nz;
    file.volumes = volumes;
    file.voxelSize[0] = 3;
    file.voxelSize[1] = 3;
    file.voxelSize[2] = 3.5;
    file.sampleType = type;
    if (volumes > 1) {
        file.timing.timeStep = 2.0;
        file.timing.timeUnits = kUnitsSecond;
    }
    const double size[3] = {3, 3, 3.5};
    file.sformCode = 1;
    file.sform = obliqueAffine(12, -8, size, {4, -10, 6}, false, false);
    const std::size_t count = file.voxelsPerVolume() * static_cast<std::size_t>(volumes);
    file.samples.resize(count * sizeof(T));
    for (std::size_t i = 0; i < count; ++i) {
        T v = value(i);
        std::memcpy(file.samples.data() + i * sizeof(T), &v, sizeof v);
    }
    return file;
}

TEST(NiftiWriting, DecompressedFilesAreThoseTheLibrarysOwnWriterWrites) {
    ScratchFolder folder;
    VolumeFile anatomy = imageOf<std::uint8_t>(SampleType::UInt8, 40, 36, 30, 1,
                                               [](std::size_t i) { return static_cast<std::uint8_t>(i * 7 % 226); });
    anatomy.qformCode = 1;
    anatomy.qform = anatomy.sform;
    VolumeFile run = imageOf<std::int16_t>(SampleType::Int16, 64, 64, 36, 5,
                                           [](std::size_t i) { return static_cast<std::int16_t>(i * 7919 % 4000 - 900); });
    VolumeFile floats = imageOf<float>(SampleType::Float32, 9, 8, 7, 3, [](std::size_t i) {
        return i % 11 == 0 ? NAN : static_cast<float>(i) * -0.25f;
    });
    floats.sformCode = 0;
    floats.qformCode = 2;
    floats.qform = obliqueAffine(0, 30, floats.voxelSize, {1, 2, 3}, true, false);
    for (const VolumeFile* file : {&anatomy, &run, &floats}) {
        for (const char* extension : {".nii", ".nii.gz"}) {
            SCOPED_TRACE(std::to_string(file->volumes) + " volumes, " + extension);
            std::string error;
            ASSERT_TRUE(writeVolumeFile(folder.file(std::string("keldra") + extension), *file, error)) << error;
            writeWithTheLibrary(folder.file(std::string("library") + extension), *file);
            const std::vector<unsigned char> ours = contentOf(folder.file(std::string("keldra") + extension));
            EXPECT_EQ(ours.size(), 352 + file->samples.size());
            EXPECT_TRUE(ours == contentOf(folder.file(std::string("library") + extension)));
        }
    }
    // The functional's 1.5 MiB went out as more than one member.
    EXPECT_GT(gzipMembers(folder.file("keldra.nii.gz")), 1);
}

// A sink fed in uneven pieces, some lent and some handed over.
class PiecewiseSamples {
public:
    explicit PiecewiseSamples(const std::vector<unsigned char>& samples) : samples_(samples) {}
    bool operator()(SampleSink& sink, std::string&) const {
        std::size_t at = 0;
        for (std::size_t piece = 1; at < samples_.size(); ++piece) {
            const std::size_t size = std::min(samples_.size() - at, piece * 377777 % 2100000 + 2);
            const unsigned char* begin = samples_.data() + at;
            if (!(piece % 2 == 0 ? sink.append(begin, size) : sink.append(std::vector<unsigned char>(begin, begin + size)))) {
                return false;
            }
            at += size;
        }
        return true;
    }

private:
    const std::vector<unsigned char>& samples_;
};

TEST(NiftiWriting, SeveralMembersReadBackAsTheSamplesThroughEveryReader) {
    ScratchFolder folder;
    const VolumeFile image = imageOf<std::int16_t>(SampleType::Int16, 104, 104, 18, 8, [](std::size_t i) {
        return static_cast<std::int16_t>((i * 2654435761u) >> 17);
    });
    const std::string path = folder.file("run.nii.gz");
    std::uint64_t checksum = 0;
    std::string error;
    ASSERT_TRUE(writeNiftiFile(path, image, PiecewiseSamples(image.samples), checksum, error)) << error;
    EXPECT_EQ(checksum, fnv1a64(image.samples.data(), image.samples.size()));
    EXPECT_GE(gzipMembers(path), 3);

    // nifti_clib (zlib's gzread underneath).
    const ReadImage library = readTestImage(path);
    ASSERT_EQ(library.values.size(), image.samples.size() / 2);
    for (std::size_t i = 0; i < library.values.size(); ++i) {
        ASSERT_EQ(library.values[i], image.value(i)) << i;
    }
    // keldra's one-pass reader of whole files.
    VolumeFile whole;
    ASSERT_TRUE(readVolumeFile(path, whole, error)) << error;
    EXPECT_TRUE(whole.samples == image.samples);
    // keldra's streaming reader.
    const std::string bytes = readWholeFile(path);
    MemorySource memory(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    NiftiHeaderRules rules;
    rules.compressed = true;
    VolumeFile streamed;
    ASSERT_TRUE(readNiftiImage(memory, path, rules, streamed, error)) << error;
    EXPECT_TRUE(streamed.samples == image.samples);
    // Volume by volume, as a functional is read.
    std::unique_ptr<VolumeFileReader> reader = openVolumeFile(path, {}, error);
    ASSERT_NE(reader, nullptr) << error;
    const std::size_t volumeBytes = image.volumeBytes();
    const unsigned char* first = reader->nextVolumes(1, error);
    ASSERT_NE(first, nullptr) << error;
    EXPECT_EQ(std::memcmp(first, image.samples.data(), volumeBytes), 0);
    std::vector<unsigned char> rest(volumeBytes * 7);
    ASSERT_TRUE(reader->readVolumes(7, rest.data(), error)) << error;
    EXPECT_EQ(std::memcmp(rest.data(), image.samples.data() + volumeBytes, rest.size()), 0);
}

TEST(NiftiWriting, FailedWritesAreReported) {
    ScratchFolder folder;
    const VolumeFile image = imageOf<std::int16_t>(SampleType::Int16, 64, 64, 36, 2,
                                                   [](std::size_t i) { return static_cast<std::int16_t>(i); });
    for (const char* name : {"full.nii", "full.nii.gz"}) {
        SCOPED_TRACE(name);
        std::filesystem::create_symlink("/dev/full", folder.file(name));
        std::string error;
        EXPECT_FALSE(writeVolumeFile(folder.file(name), image, error));
        EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    }
    std::uint64_t checksum = 0;
    std::string error;
    EXPECT_FALSE(writeNiftiFile(
        folder.file("short.nii.gz"), image,
        [&image](SampleSink& sink, std::string&) { return sink.append(image.samples.data(), image.samples.size() - 2); },
        checksum, error));
    EXPECT_EQ(error, "the samples do not match the grid");
}

}  // namespace
}  // namespace orvane::keldra::testing
