// What keldra does with inputs it must refuse: one clear line naming the file and the problem,
// exit code 2, and nothing written or replaced.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

TestImage smallImage(int datatype = DT_INT16) {
    TestImage image;
    image.nx = 6;
    image.ny = 5;
    image.nz = 4;
    image.voxelSize[0] = image.voxelSize[1] = image.voxelSize[2] = 2;
    image.datatype = datatype;
    image.sform = Affine::translation({-5, -4, -3}) * Affine::scaling(2, 2, 2);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image.values.push_back(static_cast<double>(i % 50));
    }
    return image;
}

int lineCount(const std::string& text) {
    int lines = 0;
    for (char c : text) {
        lines += c == '\n';
    }
    return lines;
}

class BadInputs : public ::testing::Test {
protected:
    void SetUp() override {
        writeTestImage(folder.file("anat.nii.gz"), smallImage(DT_UINT8));
        writeTestImage(folder.file("bold.nii.gz"), smallImage());
    }

    // Expects keldra to refuse with exit 2 and one stderr line holding every fragment, and
    // to leave the output folder without any file.
    void expectRefusal(const std::vector<std::string>& arguments, const std::vector<std::string>& fragments) {
        ProcessResult r = runKeldra(arguments, folder.path());
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_EQ(lineCount(r.err), 1) << r.err;
        for (const std::string& f : fragments) {
            EXPECT_NE(r.err.find(f), std::string::npos) << "missing \"" << f << "\" in: " << r.err;
        }
        EXPECT_FALSE(std::filesystem::exists(folder.file("out/log.txt")));
        EXPECT_FALSE(std::filesystem::exists(folder.file("out/vmr.nii.gz")));
    }

    ScratchFolder folder;
};

TEST_F(BadInputs, MissingAndForeignFilesAreNamedWithTheirProblem) {
    expectRefusal({"run", "anat.nii.gz", "missing.nii.gz", "--out", "out"}, {"missing.nii.gz", "no such file"});
    std::ofstream(folder.file("notes.nii")) << "these are notes, not an image\n";
    expectRefusal({"run", "anat.nii.gz", "notes.nii", "--out", "out"}, {"notes.nii", "not a NIfTI file"});
    std::ofstream(folder.file("notes.txt")) << "plain text\n";
    expectRefusal({"run", "notes.txt", "bold.nii.gz", "--out", "out"}, {"notes.txt", ".nii"});
}

TEST_F(BadInputs, TruncatedCompressedFileIsRefused) {
    TestImage big = smallImage();
    big.nx = big.ny = 40;
    big.nz = 20;
    big.values.clear();
    for (std::size_t i = 0; i < big.size(); ++i) {
        big.values.push_back(static_cast<double>((i * 7919) % 3000));
    }
    writeTestImage(folder.file("whole.nii.gz"), big);
    std::string bytes = readWholeFile(folder.file("whole.nii.gz"));
    std::ofstream(folder.file("cut.nii.gz"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    expectRefusal({"run", "anat.nii.gz", "cut.nii.gz", "--out", "out"}, {"cut.nii.gz", "truncated"});
    expectRefusal({"info", "cut.nii.gz"}, {"cut.nii.gz", "truncated"});
}

TEST_F(BadInputs, FilesWithoutATrustworthyPositionAreRefused) {
    TestImage unplaced = smallImage();
    unplaced.sformCode = 0;
    unplaced.qformCode = 0;
    writeTestImage(folder.file("unplaced.nii"), unplaced);
    expectRefusal({"run", "anat.nii.gz", "unplaced.nii", "--out", "out"}, {"unplaced.nii", "no orientation"});

    TestImage sheared = smallImage();
    sheared.sform.m[0][1] = 0.4;
    writeTestImage(folder.file("sheared.nii.gz"), sheared);
    expectRefusal({"run", "sheared.nii.gz", "bold.nii.gz", "--out", "out"}, {"sheared.nii.gz", "sheared sform"});

    TestImage stretched = smallImage();
    stretched.sform.m[2][2] = 2.5;  // pixdim says 2 mm
    writeTestImage(folder.file("stretched.nii.gz"), stretched);
    expectRefusal({"info", "stretched.nii.gz"}, {"stretched.nii.gz", "disagrees with its voxel size"});

    TestImage complexData = smallImage(DT_COMPLEX64);
    writeTestImage(folder.file("complex.nii.gz"), complexData);
    expectRefusal({"run", "anat.nii.gz", "complex.nii.gz", "--out", "out"}, {"complex.nii.gz", "COMPLEX64"});
}

TEST_F(BadInputs, ExistingOutputsAreNeverReplaced) {
    std::filesystem::create_directory(folder.file("out"));
    std::ofstream(folder.file("out/vmr.nii.gz")) << "an earlier result";
    ProcessResult r = runKeldra({"run", "anat.nii.gz", "bold.nii.gz", "--out", "out"}, folder.path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("out/vmr.nii.gz: it already exists"), std::string::npos) << r.err;
    EXPECT_EQ(readWholeFile(folder.file("out/vmr.nii.gz")), "an earlier result");
    EXPECT_FALSE(std::filesystem::exists(folder.file("out/log.txt")));
}

TEST_F(BadInputs, UsageErrorsExitWithTwo) {
    ProcessResult none = runKeldra({}, folder.path());
    EXPECT_EQ(none.exitCode, 2);
    ProcessResult badMapping = runKeldra({"run", "anat.nii.gz", "bold.nii.gz", "--mapping", "4"}, folder.path());
    EXPECT_EQ(badMapping.exitCode, 2);
    EXPECT_NE(badMapping.err.find("--mapping"), std::string::npos) << badMapping.err;
    ProcessResult badVersion = runKeldra({"run", "anat.nii.gz", "--host-version", "2.1"}, folder.path());
    EXPECT_EQ(badVersion.exitCode, 2);
    ProcessResult noModule =
        runKeldra({"run", "anat.nii.gz", "bold.nii.gz", "--plugin", "nowhere.so", "--out", "out"}, folder.path());
    EXPECT_EQ(noModule.exitCode, 2);
    EXPECT_NE(noModule.err.find("nowhere.so"), std::string::npos) << noModule.err;
    ProcessResult help = runKeldra({"run", "--help"}, folder.path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--host-version"), std::string::npos);
}

}  // namespace
}  // namespace orvane::keldra::testing
