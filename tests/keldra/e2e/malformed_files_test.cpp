// keldra against the collection of broken NIfTI files, each tried as the anatomical and as the
// functional: the right exit code, a message that names the problem, the input untouched and
// nothing written outside the output folder. Also: a FIFO does not hang keldra, and outputs
// never replace an input or an earlier result.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/data/malformed_nifti.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

namespace fs = std::filesystem;

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> anatomicalBytes() {
    NiftiBlueprint b;
    b.datatype = DT_UINT8;
    b.bitpix = 8;
    return niftiBytes(b);
}

// Every path below `folder` with its size, except the output folders and keldra's captured
// output streams.
std::set<std::string> contentsOutsideOutputs(const std::string& folder) {
    std::set<std::string> entries;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        std::string relative = fs::relative(it->path(), folder).string();
        if (relative.rfind("out", 0) == 0) {
            it.disable_recursion_pending();
            continue;
        }
        if (relative.rfind(".keldra-", 0) == 0) {
            continue;
        }
        std::error_code ec;
        entries.insert(relative + " " + std::to_string(it->is_regular_file(ec) ? fs::file_size(it->path(), ec) : 0));
    }
    return entries;
}

bool mentionsOneOf(const std::string& text, const std::string& alternatives) {
    std::stringstream parts(alternatives);
    std::string part;
    while (std::getline(parts, part, '|')) {
        if (text.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(MalformedFiles, EachIsRefusedOrReadAsExpectedInEitherRoleAndLeftUntouched) {
    ScratchFolder folder;
    writeBytes(folder.file("good-anat.nii"), anatomicalBytes());
    writeBytes(folder.file("good-bold.nii"), niftiBytes(NiftiBlueprint{}));
    const std::vector<MalformedFile> files = malformedNiftiFiles();
    ASSERT_GT(files.size(), 50u);
    for (const MalformedFile& file : files) {
        writeBytes(folder.file(file.name), file.bytes);
    }
    const std::set<std::string> before = contentsOutsideOutputs(folder.path());

    int run = 0;
    for (const MalformedFile& file : files) {
        for (bool asAnatomical : {true, false}) {
            SCOPED_TRACE(file.name + (asAnatomical ? " as the anatomical" : " as the functional"));
            std::string out = "out-" + std::to_string(++run);
            std::vector<std::string> arguments = {"run", asAnatomical ? file.name : "good-anat.nii",
                                                  asAnatomical ? "good-bold.nii" : file.name, "--mapping", "1", "--out",
                                                  out};
            ProcessResult r = runKeldra(arguments, folder.path());
            EXPECT_EQ(r.exitCode, file.exitCode) << r.err;
            if (file.exitCode != 0) {
                EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
                EXPECT_NE(r.err.find(file.name + ": "), std::string::npos) << r.err;
                EXPECT_FALSE(fs::exists(folder.file(out))) << "a refused run created its output folder";
            }
            if (!file.message.empty()) {
                EXPECT_TRUE(mentionsOneOf(r.err, file.message)) << "expected \"" << file.message << "\" in: " << r.err;
            }
            if (file.exitCode == 0) {
                EXPECT_TRUE(fs::exists(folder.file(out + "/vmr.nii.gz")));
            }
        }
        EXPECT_EQ(readWholeFile(folder.file(file.name)), std::string(file.bytes.begin(), file.bytes.end()))
            << file.name << " was changed";
    }
    EXPECT_EQ(contentsOutsideOutputs(folder.path()), before);
}

TEST(MalformedFiles, TheSizeLimitCanBeLoweredAndRaised) {
    ScratchFolder folder;
    NiftiBlueprint b;
    b.dim[1] = b.dim[2] = 128;
    b.dim[3] = 64;  // 2 MiB of 16-bit samples
    b.data.assign(2u << 20, 0);
    writeBytes(folder.file("big.nii.gz"), gzipBytes(niftiBytes(b)));
    ProcessResult low = runKeldra({"info", "big.nii.gz", "--max-image-size", "1M"}, folder.path());
    EXPECT_EQ(low.exitCode, 2);
    EXPECT_NE(low.err.find("declares 2 MiB of image data, more than the limit of 1 MiB"), std::string::npos) << low.err;
    ProcessResult enough = runKeldra({"info", "big.nii.gz", "--max-image-size", "2MiB"}, folder.path());
    EXPECT_EQ(enough.exitCode, 0) << enough.err;
    ProcessResult nonsense = runKeldra({"info", "big.nii.gz", "--max-image-size", "lots"}, folder.path());
    EXPECT_EQ(nonsense.exitCode, 2);
    EXPECT_NE(nonsense.err.find("--max-image-size lots"), std::string::npos) << nonsense.err;
}

// Runs keldra under a time limit; a hang shows as exit code 124.
int runKeldraWithin(int seconds, const std::string& arguments, const std::string& folder) {
    std::string command = "cd '" + folder + "' && timeout " + std::to_string(seconds) + " '" + KELDRA_EXECUTABLE +
                          "' " + arguments + " >/dev/null 2>.stderr </dev/null";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(UnreadablePaths, FifosFoldersAndDevicesAreRefusedWithoutWaiting) {
    ScratchFolder folder;
    writeBytes(folder.file("good-anat.nii"), anatomicalBytes());
    ASSERT_EQ(mkfifo(folder.file("pipe.nii").c_str(), 0600), 0);
    EXPECT_EQ(runKeldraWithin(20, "run good-anat.nii pipe.nii --out out", folder.path()), 2);
    EXPECT_NE(readWholeFile(folder.file(".stderr")).find("pipe.nii: is a FIFO"), std::string::npos);
    EXPECT_EQ(runKeldraWithin(20, "info pipe.nii", folder.path()), 2);

    fs::create_directory(folder.file("folder.nii"));
    EXPECT_EQ(runKeldraWithin(20, "info folder.nii", folder.path()), 2);
    EXPECT_NE(readWholeFile(folder.file(".stderr")).find("folder.nii: is a folder"), std::string::npos);

    fs::create_symlink("/dev/zero", folder.file("zeros.nii"));
    EXPECT_EQ(runKeldraWithin(20, "info zeros.nii", folder.path()), 2);
    EXPECT_NE(readWholeFile(folder.file(".stderr")).find("zeros.nii: is a device"), std::string::npos);
}

class OutputSafety : public ::testing::Test {
protected:
    void SetUp() override {
        writeBytes(folder.file("anat.nii"), anatomicalBytes());
        writeBytes(folder.file("bold.nii"), niftiBytes(NiftiBlueprint{}));
        anatomical = readWholeFile(folder.file("anat.nii"));
    }
    ProcessResult run(std::vector<std::string> extra) {
        std::vector<std::string> arguments = {"run", "anat.nii", "bold.nii", "--mapping", "1", "--out", "out"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return runKeldra(arguments, folder.path());
    }
    std::vector<std::string> leftovers() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.file("out"))) {
            std::string name = entry.path().filename().string();
            if (name[0] == '.') {  // a temporary name
                names.push_back(name);
            }
        }
        return names;
    }
    ScratchFolder folder;
    std::string anatomical;
};

TEST_F(OutputSafety, OverwriteReplacesEarlierResultsButNeverAnInput) {
    ASSERT_EQ(run({}).exitCode, 0);
    ProcessResult again = run({});
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_NE(again.err.find("already exists"), std::string::npos) << again.err;

    std::ofstream(folder.file("out/vmr.nii.gz")) << "an earlier result";
    ProcessResult replaced = run({"--overwrite"});
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_NE(readWholeFile(folder.file("out/vmr.nii.gz")), "an earlier result");

    // The same input reached through a hard link, and through a symbolic link, in place of a result.
    for (bool hard : {true, false}) {
        fs::remove(folder.file("out/vmr.nii.gz"));
        if (hard) {
            fs::create_hard_link(folder.file("anat.nii"), folder.file("out/vmr.nii.gz"));
        } else {
            fs::create_symlink(fs::absolute(folder.file("anat.nii")), folder.file("out/vmr.nii.gz"));
        }
        ProcessResult refused = run({"--overwrite"});
        EXPECT_EQ(refused.exitCode, 2) << (hard ? "hard link" : "symbolic link");
        EXPECT_NE(refused.err.find("out/vmr.nii.gz: it is one of the input files"), std::string::npos) << refused.err;
        EXPECT_EQ(readWholeFile(folder.file("anat.nii")), anatomical);
    }
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(OutputSafety, AnInputInsideTheOutputFolderIsNeverReplaced) {
    fs::create_directory(folder.file("out"));
    fs::copy_file(folder.file("anat.nii"), folder.file("out/anat.nii"));
    // The anatomical is the file the result would be written to.
    fs::rename(folder.file("out/anat.nii"), folder.file("out/vmr.nii.gz"));
    ProcessResult r = runKeldra({"run", "out/vmr.nii.gz", "bold.nii", "--out", "out", "--overwrite"}, folder.path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(readWholeFile(folder.file("out/vmr.nii.gz")), anatomical);
}

TEST_F(OutputSafety, AFailedWriteLeavesNothingHalfWritten) {
    // A file size limit of 4 KiB lets the log through but not the anatomical's result.
    std::string command = "cd '" + folder.path() + "' && ulimit -f 4 && '" + KELDRA_EXECUTABLE +
                          "' run anat.nii bold.nii --mapping 1 --out out >/dev/null 2>.stderr </dev/null";
    NiftiBlueprint big;
    big.datatype = DT_UINT8;
    big.bitpix = 8;
    big.dim[1] = big.dim[2] = big.dim[3] = 64;
    big.srow[0][0] = big.srow[1][1] = big.srow[2][2] = 2;
    big.data.resize(64 * 64 * 64);
    std::mt19937 random(7);  // noise does not compress, so the result cannot fit in 4 KiB
    for (unsigned char& v : big.data) {
        v = static_cast<unsigned char>(random() % 200);
    }
    writeBytes(folder.file("anat.nii"), gzipBytes(niftiBytes(big)));
    fs::rename(folder.file("anat.nii"), folder.file("anat.nii.gz"));
    command.replace(command.find("run anat.nii"), 12, "run anat.nii.gz");
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2) << readWholeFile(folder.file(".stderr"));
    EXPECT_NE(readWholeFile(folder.file(".stderr")).find("out/vmr.nii.gz"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder.file("out/vmr.nii.gz")));
    EXPECT_TRUE(leftovers().empty());
}

}  // namespace
}  // namespace orvane::keldra::testing
