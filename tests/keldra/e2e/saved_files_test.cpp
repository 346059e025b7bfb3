// What keldra writes, as a user's other tools read it: the same data as before keldra wrote
// through libdeflate (the demo's checksums in every mapping, pinned from that build), files whose
// samples are what the log's checksums say and that nifti_clib and nibabel read alike, a saved
// functional's later volumes exactly the input's; and since those volumes are read only when
// the functional is saved, a file damaged after its first volume is noticed just there.
#include <gtest/gtest.h>

#include <nifti2_io.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "keldra/output/checksum.h"
#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

// The samples of a file as nifti_clib reads them, in the file's data type.
std::vector<unsigned char> librarySamples(const std::string& path) {
    nifti_set_debug_level(0);
    nifti_image* image = nifti_image_read(path.c_str(), 1);
    std::vector<unsigned char> samples;
    if (image != nullptr && image->data != nullptr) {
        const auto* data = static_cast<const unsigned char*>(image->data);
        samples.assign(data, data + image->nvox * image->nbyper);
    }
    nifti_image_free(image);
    return samples;
}

// The checksums keldra's output names, in the order it names them.
std::vector<std::string> checksumsIn(const std::string& out) {
    std::vector<std::string> found;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        for (const std::string label : {"checksum of the VMR as it now is: ", "data checksum "}) {
            const std::size_t at = line.find(label);
            if (at != std::string::npos) {
                const std::string value = line.substr(at + label.size(), 16);
                if (value.size() == 16 && value.find_first_not_of("0123456789abcdef") == std::string::npos) {
                    found.push_back(value);
                }
            }
        }
    }
    return found;
}

TEST(SavedFiles, TheDemosDataAreUnchangedAndReadAsTheirChecksumsSay) {
    ScratchFolder folder;
    // Saved functional first, then the anatomical; from keldra built before its own writer.
    const std::vector<std::vector<std::string>> pinned = {
        {"6093c0a9e8c4224f"},
        {"ef2f3bf18b1810d4", "7eb59ede50bb8294"},
        {"ee14f36b6d2fe3f6", "2af58e1d9ffdfd8e"},
    };
    const char* saved[] = {nullptr, "demo_bold_VMR.nii.gz", "demo_bold_from_demo_bold2.nii.gz"};
    for (int mapping = 1; mapping <= 3; ++mapping) {
        SCOPED_TRACE("mapping " + std::to_string(mapping));
        const std::string out = "out" + std::to_string(mapping);
        ProcessResult r = runKeldra({"demo", "--mapping", std::to_string(mapping), "--out", out}, folder.path());
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::vector<std::string> checksums = checksumsIn(r.out);
        ASSERT_EQ(checksums, pinned[mapping - 1]) << r.out;
        const std::vector<unsigned char> vmr = librarySamples(folder.file(out + "/vmr.nii.gz"));
        EXPECT_EQ(checksumText(vmr.data(), vmr.size()), checksums.back());
        if (saved[mapping - 1] == nullptr) {
            continue;
        }
        const std::vector<unsigned char> fmr = librarySamples(folder.file(out + "/" + saved[mapping - 1]));
        EXPECT_EQ(checksumText(fmr.data(), fmr.size()), checksums.front());
        // Only the first volume holds the projection; the others are the input's, read from it
        // while saving.
        const std::vector<unsigned char> input = librarySamples(folder.file(out + "/demo_bold.nii.gz"));
        ASSERT_EQ(input.size(), fmr.size());
        const std::size_t volumeBytes = input.size() / 10;
        EXPECT_TRUE(std::equal(fmr.begin() + volumeBytes, fmr.end(), input.begin() + volumeBytes));
        EXPECT_FALSE(std::equal(fmr.begin(), fmr.begin() + volumeBytes, input.begin()));
    }
}

// --no-vmr-file leaves out the anatomical's file only: its checksum is the same, the functional
// the plug-in saves is written, and an old vmr.nii.gz is neither required to be absent nor touched.
TEST(SavedFiles, WithoutTheVmrFileTheChecksumStaysAndThePluginsFileIsWritten) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.file("out"));
    std::ofstream(folder.file("out/vmr.nii.gz")) << "an earlier result";
    ProcessResult r = runKeldra({"demo", "--mapping", "2", "--no-vmr-file", "--no-check", "--out", "out"},
                                folder.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(checksumsIn(r.out), (std::vector<std::string>{"ef2f3bf18b1810d4", "7eb59ede50bb8294"})) << r.out;
    EXPECT_TRUE(std::filesystem::exists(folder.file("out/demo_bold_VMR.nii.gz")));
    std::ifstream old(folder.file("out/vmr.nii.gz"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "an earlier result");
}

TEST(SavedFiles, NibabelReadsTheSeveralMembersAsNiftiClibDoes) {
    if (std::system("/usr/bin/python3 -c 'import nibabel' >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "python3-nibabel is not installed";
    }
    ScratchFolder folder;
    ProcessResult r = runKeldra({"demo", "--mapping", "2", "--out", "out"}, folder.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* name : {"vmr.nii.gz", "demo_bold_VMR.nii.gz"}) {
        SCOPED_TRACE(name);
        const std::string path = folder.file(std::string("out/") + name);
        const std::string dump = folder.file("nibabel.raw");
        const std::string command = "/usr/bin/python3 -c 'import sys, nibabel, numpy; "
                                    "open(sys.argv[2], \"wb\").write(numpy.asanyarray(nibabel.load(sys.argv[1]).dataobj)"
                                    ".tobytes(order=\"F\"))' " + path + " " + dump;
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::string nibabel = readWholeFile(dump);
        const std::vector<unsigned char> library = librarySamples(path);
        ASSERT_FALSE(library.empty());
        EXPECT_TRUE(nibabel == std::string(library.begin(), library.end()));
    }
}

TEST(SavedFiles, AFunctionalCutAfterItsFirstVolumeIsRefusedOnlyWhereItIsSaved) {
    ScratchFolder folder;
    TestImage image;
    image.nx = 16;
    image.ny = 16;
    image.nz = 8;
    image.nt = 6;
    image.voxelSize[0] = image.voxelSize[1] = image.voxelSize[2] = 2;
    image.sform = Affine::translation({-15, -15, -7}) * Affine::scaling(2, 2, 2);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image.values.push_back(static_cast<double>(((i * 2654435761u) >> 13) % 3000));  // barely compressible
    }
    writeTestImage(folder.file("bold.nii.gz"), image);
    image.nt = 1;
    image.values.resize(image.size());
    writeTestImage(folder.file("anat.nii.gz"), image);
    const std::string whole = readWholeFile(folder.file("bold.nii.gz"));
    std::ofstream(folder.file("cut.nii.gz"), std::ios::binary) << whole.substr(0, whole.size() * 2 / 3);

    ProcessResult run = runKeldra({"run", "anat.nii.gz", "cut.nii.gz", "--mapping", "1", "--out", "one"}, folder.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;

    ProcessResult saving =
        runKeldra({"run", "anat.nii.gz", "cut.nii.gz", "--mapping", "2", "--out", "two"}, folder.path());
    EXPECT_EQ(saving.exitCode, 2);
    EXPECT_NE(saving.err.find("cut_VMR.nii.gz: cut.nii.gz cannot be read"), std::string::npos) << saving.err;
    EXPECT_NE(saving.err.find("truncated"), std::string::npos) << saving.err;
    ASSERT_TRUE(std::filesystem::exists(folder.file("two/vmr.nii.gz")));
    for (const auto& entry : std::filesystem::directory_iterator(folder.file("two"))) {
        EXPECT_EQ(entry.path().filename().string().find("cut_VMR"), std::string::npos) << entry.path();
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
