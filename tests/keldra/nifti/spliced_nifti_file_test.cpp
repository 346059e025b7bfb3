// A saved functional whose later volumes keep the input's compressed bytes is the file the
// writer of every sample writes, as zlib, nifti_clib and nibabel read it, for an input of one
// zlib member (nifti_clib's) and one of several (keldra's); inputs whose stored bytes are not
// the file's samples are refused, and the writer used instead writes that same file.
#include <gtest/gtest.h>

#include <nifti2_io.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "keldra/nifti/volume_file.h"
#include "keldra/nifti/volume_file_output.h"
#include "keldra/output/checksum.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

std::string decoded(const std::string& path) {
    gzFile file = gzopen(path.c_str(), "rb");
    std::string bytes;
    char chunk[1 << 16];
    int got = 0;
    while (file != nullptr && (got = gzread(file, chunk, sizeof chunk)) > 0) {
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    if (file != nullptr) {
        gzclose(file);
    }
    return bytes;
}

void writeGzip(const std::string& path, const std::string& content) {
    gzFile file = gzopen(path.c_str(), "wb6");
    gzwrite(file, content.data(), static_cast<unsigned>(content.size()));
    gzclose(file);
}

// The same image with the header and samples in the other byte order.
void writeSwapped(const std::string& from, const std::string& to) {
    std::string content = decoded(from);
    nifti_1_header header;
    std::memcpy(&header, content.data(), sizeof header);
    const std::size_t offset = static_cast<std::size_t>(header.vox_offset);
    nifti_swap_as_nifti1(&header);
    std::memcpy(content.data(), &header, sizeof header);
    nifti_swap_2bytes(static_cast<std::int64_t>((content.size() - offset) / 2), content.data() + offset);
    writeGzip(to, content);
}

struct Input {
    VolumeFile file;  // as keldra reads it
    UnchangedInputSamples unchanged;
};

Input inputAt(const std::string& path) {
    Input input;
    std::string error;
    EXPECT_TRUE(readVolumeFile(path, input.file, error)) << error;
    std::unique_ptr<VolumeFileReader> reader = openVolumeFile(path, {}, error);
    EXPECT_NE(reader, nullptr) << error;
    if (reader) {
        input.unchanged = {path, reader->description(), reader->stamp(), {}};
    }
    return input;
}

class SplicedNiftiFile : public ::testing::Test {
protected:
    void SetUp() override {
        image_.nx = 40;
        image_.ny = 32;
        image_.nz = 10;
        image_.nt = 12;
        image_.voxelSize[0] = image_.voxelSize[1] = 3;
        image_.voxelSize[2] = 3.5;
        for (std::size_t i = 0; i < image_.size(); ++i) {
            image_.values.push_back(static_cast<double>(700 + (i % 97) * 3 + ((i * 2654435761u) >> 27)));
        }
        writeTestImage(folder_.file("library.nii.gz"), image_);
    }

    // What the writer of every sample writes for `input` with a changed first volume, written
    // at `name`; the file's content.
    std::string reference(const Input& input, const std::string& name) {
        std::string error;
        const ImageDescription d = description(input);
        EXPECT_TRUE(writeNiftiFile(folder_.file(name), d, samplesOf(input), referenceChecksum_, error)) << error;
        return decoded(folder_.file(name));
    }

    // The changed first volume, then the input's later samples.
    SampleProducer samplesOf(const Input& input) const {
        return [this, &input](SampleSink& sink, std::string&) {
            return sink.append(firstVolume_.data(), firstVolume_.size()) &&
                   sink.append(input.file.samples.data() + firstVolume_.size(),
                               input.file.samples.size() - firstVolume_.size());
        };
    }

    ImageDescription description(const Input& input) {
        ImageDescription d = input.file;
        d.timing.description = "saved";
        firstVolume_.assign(input.file.samples.begin(), input.file.samples.begin() + input.file.volumeBytes());
        for (std::size_t i = 0; i < firstVolume_.size(); i += 2) {
            firstVolume_[i] ^= 0x21;  // the module changed the first volume
        }
        return d;
    }

    SampleView firstVolume(const Input& input) const {
        return {firstVolume_.data(), input.file.voxelsPerVolume(), input.file.sampleType, 0, 0};
    }

    ScratchFolder folder_;
    TestImage image_;
    std::vector<unsigned char> firstVolume_;
    std::uint64_t referenceChecksum_ = 0;
};

TEST_F(SplicedNiftiFile, IsTheFileTheWriterOfEverySampleWritesThroughEveryReader) {
    std::string error;
    std::uint64_t checksum = 0;
    const VolumeFile own = inputAt(folder_.file("library.nii.gz")).file;
    ASSERT_TRUE(writeVolumeFile(folder_.file("keldra.nii.gz"), own, error)) << error;
    for (const char* name : {"library.nii.gz", "keldra.nii.gz"}) {
        SCOPED_TRACE(name);
        const Input input = inputAt(folder_.file(name));
        const std::string expected = reference(input, "reference.nii.gz");
        const std::string spliced = folder_.file("spliced.nii.gz");
        ASSERT_TRUE(writeNiftiFileReusingInput(spliced, description(input), firstVolume(input), input.unchanged, checksum));
        EXPECT_EQ(checksum, referenceChecksum_);
        EXPECT_TRUE(decoded(spliced) == expected);
        EXPECT_EQ(std::system(("gzip -t " + spliced).c_str()), 0);
        EXPECT_TRUE(readTestImage(spliced).values == readTestImage(folder_.file("reference.nii.gz")).values);
        if (std::system("/usr/bin/python3 -c 'import nibabel' >/dev/null 2>&1") == 0) {
            const std::string dump = folder_.file("nibabel.raw");
            const std::string command = "/usr/bin/python3 -c 'import sys, nibabel, numpy; open(sys.argv[2], \"wb\")"
                                        ".write(numpy.asanyarray(nibabel.load(sys.argv[1]).dataobj)"
                                        ".tobytes(order=\"F\"))' " + spliced + " " + dump;
            ASSERT_EQ(std::system(command.c_str()), 0);
            EXPECT_TRUE(readWholeFile(dump) == expected.substr(352));
        }
    }
}

TEST_F(SplicedNiftiFile, InputsNotStoringTheFilesBytesAreLeftToTheWriterOfEverySample) {
    writeSwapped(folder_.file("library.nii.gz"), folder_.file("swapped.nii.gz"));
    const std::string plain = readWholeFile(folder_.file("library.nii.gz"));
    std::ofstream(folder_.file("padded.nii.gz"), std::ios::binary) << plain << std::string(64, '\0');
    Input scaled = inputAt(folder_.file("library.nii.gz"));
    scaled.unchanged.description.slope = 2;
    Input changed = inputAt(folder_.file("library.nii.gz"));
    changed.unchanged.stamp.modifiedNanoseconds += 1;
    const Input cases[] = {inputAt(folder_.file("swapped.nii.gz")), inputAt(folder_.file("padded.nii.gz")), scaled,
                           changed};
    for (const Input& input : cases) {
        SCOPED_TRACE(input.unchanged.path + (input.unchanged.description.slope == 2 ? ", scaled" : ""));
        std::uint64_t checksum = 0;
        std::string error;
        const std::string expected = reference(input, "reference.nii.gz");
        EXPECT_FALSE(writeNiftiFileReusingInput(folder_.file("refused.nii.gz"), description(input), firstVolume(input),
                                                input.unchanged, checksum));
        std::filesystem::remove(folder_.file("saved.nii.gz"));
        ASSERT_TRUE(writeNewNiftiFile(folder_.path(), "saved.nii.gz", description(input), firstVolume(input),
                                      &input.unchanged, samplesOf(input), checksum, error))
            << error;
        EXPECT_EQ(checksum, referenceChecksum_);
        EXPECT_TRUE(decoded(folder_.file("saved.nii.gz")) == expected);
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
