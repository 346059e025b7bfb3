// What keldra leaves behind when the world fails while it writes: killed at any moment of a
// run that writes a large volume, stopped by SIGINT or SIGTERM (a run and a participant level),
// its output folder removed under it, the disk full, the folder read-only. Every file under a final name is complete (the same
// as an uninterrupted run's) or absent, temporary files are recognisable and removed by the
// next run, the inputs are untouched, and a failure is said in one line.
#include <gtest/gtest.h>
#include <nifti2_io.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <thread>

#include "keldra/output/checksum.h"
#include "keldra/picture/png_file.h"
#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

namespace fs = std::filesystem;

// A functional of 64 x 64 x 36 float voxels and `volumes` volumes (590 KB each), written as a
// plain .nii: the first volume through nifti_clib, the header then told of the others, which
// are appended.
void writeLargeFunctional(const std::string& path, int volumes) {
    TestImage image;
    image.nx = 64, image.ny = 64, image.nz = 36;
    image.voxelSize[0] = image.voxelSize[1] = 3, image.voxelSize[2] = 3.5;
    image.datatype = DT_FLOAT32;
    image.sform = Affine::identity();
    for (int axis = 0; axis < 3; ++axis) {
        image.sform.m[axis][axis] = image.voxelSize[axis];
    }
    image.sform.m[0][3] = -96, image.sform.m[1][3] = -96, image.sform.m[2][3] = -63;
    std::vector<float> volume(image.size());
    for (int z = 0; z < image.nz; ++z) {
        for (int y = 0; y < image.ny; ++y) {
            for (int x = 0; x < image.nx; ++x) {
                const double r = std::hypot(x - 32.0, y - 32.0, (z - 18.0) * 1.2);
                volume[(static_cast<std::size_t>(z) * image.ny + y) * image.nx + x] =
                    static_cast<float>(r < 26 ? 800 + 3 * ((x * 7 + y * 3 + z) % 17) : 20);
            }
        }
    }
    image.values.assign(volume.begin(), volume.end());
    writeTestImage(path, image);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    const std::int16_t dims[2] = {4, static_cast<std::int16_t>(volumes)};
    const float repetitionTime = 2;
    file.seekp(40);  // dim[0]
    file.write(reinterpret_cast<const char*>(&dims[0]), 2);
    file.seekp(48);  // dim[4]
    file.write(reinterpret_cast<const char*>(&dims[1]), 2);
    file.seekp(92);  // pixdim[4]
    file.write(reinterpret_cast<const char*>(&repetitionTime), 4);
    file.seekp(0, std::ios::end);
    for (int v = 1; v < volumes; ++v) {
        for (float& value : volume) {
            value += 0.5f;
        }
        file.write(reinterpret_cast<const char*>(volume.data()), static_cast<std::streamsize>(volume.size() * 4));
    }
    ASSERT_TRUE(file.good());
}

// An anatomical of 2 mm voxels around the functional's head.
void writeAnatomical(const std::string& path) {
    TestImage image;
    image.nx = 96, image.ny = 112, image.nz = 96;
    image.voxelSize[0] = image.voxelSize[1] = image.voxelSize[2] = 2;
    image.sform = Affine::identity();
    for (int axis = 0; axis < 3; ++axis) {
        image.sform.m[axis][axis] = 2;
    }
    image.sform.m[0][3] = -96, image.sform.m[1][3] = -112, image.sform.m[2][3] = -96;
    image.values.resize(image.size());
    for (int z = 0; z < image.nz; ++z) {
        for (int y = 0; y < image.ny; ++y) {
            for (int x = 0; x < image.nx; ++x) {
                const double r = std::hypot(x - 48.0, y - 56.0, z - 48.0);
                image.values[(static_cast<std::size_t>(z) * image.ny + y) * image.nx + x] = r < 40 ? 300 + (x + y) % 40 : 0;
            }
        }
    }
    writeTestImage(path, image);
}

// What a result file holds: a volume by the checksum of its decoded data and a picture by its
// size and pixels (the compression of either may differ from run to run: the fastest level of
// the compressor does not always pick the same matches), report.json by its result, anything
// else by its bytes. Empty when it cannot be read whole.
std::string contentOf(const fs::path& file) {
    const std::string name = file.filename().string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) {
        // Whole up to its end chunk, which a reader of the pixels never looks at.
        static const std::string endChunk("\0\0\0\0IEND\xae\x42\x60\x82", 12);
        const std::string bytes = readWholeFile(file.string());
        if (bytes.size() < endChunk.size() ||
            bytes.compare(bytes.size() - endChunk.size(), endChunk.size(), endChunk) != 0) {
            return std::string();
        }
        std::string error;
        const std::optional<picture::RgbImage> image = picture::readPng(file.string(), error);
        if (!image) return std::string();
        return "pixels " + std::to_string(image->width()) + "x" + std::to_string(image->height()) + " " +
               checksumText(image->bytes().data(), image->bytes().size());
    }
    if (name.size() > 7 && name.compare(name.size() - 7, 7, ".nii.gz") == 0) {
        nifti_set_debug_level(0);
        nifti_image* image = nifti_image_read(file.string().c_str(), 1);
        std::string digest;
        if (image != nullptr && image->data != nullptr) {
            digest = "data " + checksumText(image->data, image->nvox * static_cast<std::size_t>(image->nbyper));
        }
        if (image != nullptr) {
            nifti_image_free(image);
        }
        return digest;
    }
    const std::string bytes = readWholeFile(file.string());
    if (name == "report.json") {
        // From the result on, which names no folder of the run; its start time left out.
        const std::size_t result = bytes.find("\"result\"");
        if (result == std::string::npos) return std::string();
        std::string tail = bytes.substr(result);
        const std::size_t started = tail.find("\"startedUtc\"");
        if (started != std::string::npos) tail.erase(started, tail.find('\n', started) - started);
        return tail;
    }
    return checksumText(bytes.data(), bytes.size());
}

std::map<std::string, std::string> finalFiles(const fs::path& folder, std::vector<std::string>* temporaries = nullptr) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name[0] == '.') {
            if (temporaries) temporaries->push_back(name);
        } else {
            files[name] = contentOf(entry.path());
        }
    }
    return files;
}

bool holdsTemporaryFile(const fs::path& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.path().filename().string().rfind(".keldra-", 0) == 0 && !fs::is_empty(entry.path(), ec)) {
            return true;
        }
    }
    return false;
}

// Waits until `ready` holds, at most two minutes.
template <typename Condition>
bool waitFor(Condition ready) {
    for (int i = 0; i < 12000; ++i) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string lastLine(const std::string& text) {
    std::string trimmed = text;
    while (!trimmed.empty() && trimmed.back() == '\n') trimmed.pop_back();
    return trimmed.substr(trimmed.rfind('\n') == std::string::npos ? 0 : trimmed.rfind('\n') + 1);
}

// Mapping 2 on a functional of about 200 MB: the module saves it again, projected, as a
// .nii.gz of the same size, besides the anatomical, the pictures, the log and the report.
class LargeRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        data_ = new ScratchFolder();
        writeAnatomical(data_->file("anat.nii.gz"));
        writeLargeFunctional(data_->file("bold.nii"), 340);
        const auto started = std::chrono::steady_clock::now();
        fs::create_directory(data_->file("reference"));
        reference_ = new ProcessResult(runKeldra(arguments(), data_->file("reference")));
        seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }
    static void TearDownTestSuite() {
        delete reference_;
        delete data_;
    }
    static std::vector<std::string> arguments() {
        return {"run", data_->file("anat.nii.gz"), data_->file("bold.nii"), "--mapping", "2", "--no-check", "--out", "out"};
    }
    // A fresh folder to run in.
    static std::string runFolder(const std::string& name) {
        const std::string folder = data_->file(name);
        fs::create_directory(folder);
        return folder;
    }

    static ScratchFolder* data_;
    static ProcessResult* reference_;
    static double seconds_;
};
ScratchFolder* LargeRun::data_ = nullptr;
ProcessResult* LargeRun::reference_ = nullptr;
double LargeRun::seconds_ = 0;

TEST_F(LargeRun, KilledAtAnyMomentLeavesEveryFileCompleteOrAbsentAndTheNextRunRecovers) {
    ASSERT_EQ(reference_->exitCode, 0) << reference_->err;
    const std::map<std::string, std::string> complete = finalFiles(data_->file("reference") + "/out");
    for (const auto& [name, content] : complete) {
        ASSERT_FALSE(content.empty()) << name << " of the reference run cannot be read whole";
    }
    // The saved functional decodes to the data whose checksum the run logged.
    const std::string logLine = "bold_VMR.nii.gz; data checksum ";
    const std::size_t logged = reference_->out.find(logLine);
    ASSERT_NE(logged, std::string::npos) << reference_->out;
    ASSERT_EQ(complete.at("bold_VMR.nii.gz"), "data " + reference_->out.substr(logged + logLine.size(), 16));
    for (const char* name : {"vmr.nii.gz", "log.txt", "report.json", "alignment.png", "fmr1_after.png"}) {
        ASSERT_TRUE(complete.count(name)) << name;
    }

    // Twenty kills spread over the whole span of a run, each at a random moment of its twentieth.
    std::mt19937 random(17);
    std::uniform_real_distribution<double> within(0, 1);
    int caughtWriting = 0;
    int leftFinalFiles = 0;
    std::string folder;
    for (int kill = 0; kill < 20; ++kill) {
        folder = runFolder("killed-" + std::to_string(kill));
        const double delay = seconds_ * (kill + within(random)) / 20;
        {
            RunningKeldra run(arguments(), folder);
            std::this_thread::sleep_for(std::chrono::duration<double>(delay));
            caughtWriting += holdsTemporaryFile(folder + "/out");
            run.signal(SIGKILL);
            run.wait(60);
        }
        std::vector<std::string> temporaries;
        for (const auto& [name, content] : finalFiles(folder + "/out", &temporaries)) {
            ASSERT_TRUE(complete.count(name)) << "kill " << kill << " after " << delay << " s left " << name;
            EXPECT_EQ(content, complete.at(name)) << "kill " << kill << " after " << delay << " s: " << name << " is torn";
            ++leftFinalFiles;
        }
        for (const std::string& name : temporaries) {
            EXPECT_EQ(name.rfind(".keldra-", 0), 0u) << name;
        }
    }
    // The kills fell while the large volume was being written, and after files had landed.
    EXPECT_GT(caughtWriting, 0);
    EXPECT_GT(leftFinalFiles, 0);

    // The next run in the last folder removes what the killed one left and completes it.
    const ProcessResult again = runKeldra([] {
        std::vector<std::string> a = arguments();
        a.push_back("--overwrite");
        return a;
    }(), folder);
    ASSERT_EQ(again.exitCode, 0) << again.err;
    std::vector<std::string> temporaries;
    EXPECT_EQ(finalFiles(folder + "/out", &temporaries), complete);
    EXPECT_TRUE(temporaries.empty()) << temporaries.front();
    std::cout << "reference run " << seconds_ << " s; kills while writing " << caughtWriting << " of 20" << std::endl;
}

TEST_F(LargeRun, SigintAndSigtermRemoveTheTemporaryFilesAndSaySoInOneLine) {
    for (const auto& [signal, status, name] : {std::tuple<int, int, const char*>{SIGINT, 130, "SIGINT"},
                                               std::tuple<int, int, const char*>{SIGTERM, 143, "SIGTERM"}}) {
        const std::string folder = runFolder(std::string("stopped-") + name);
        RunningKeldra run(arguments(), folder);
        ASSERT_TRUE(waitFor([&] { return holdsTemporaryFile(folder + "/out"); }));
        run.signal(signal);
        const ProcessResult stopped = run.wait(60);
        EXPECT_EQ(stopped.exitCode, status) << stopped.err;
        EXPECT_EQ(lastLine(stopped.err), std::string("keldra: stopped by ") + name + "; removed 1 temporary file")
            << stopped.err;
        std::vector<std::string> temporaries;
        finalFiles(folder + "/out", &temporaries);
        EXPECT_TRUE(temporaries.empty()) << temporaries.front();
    }
}

TEST_F(LargeRun, AnOutputFolderRemovedDuringTheRunEndsItInOneLineAndIsNotMadeAgain) {
    const std::string folder = runFolder("removed");
    RunningKeldra run(arguments(), folder);
    ASSERT_TRUE(waitFor([&] { return holdsTemporaryFile(folder + "/out"); }));
    fs::remove_all(folder + "/out");
    const ProcessResult ended = run.wait(120);
    EXPECT_EQ(ended.exitCode, 2);
    EXPECT_EQ(lastLine(ended.err), "keldra: out/bold_VMR.nii.gz: the folder out no longer exists") << ended.err;
    EXPECT_FALSE(fs::exists(folder + "/out"));
}

// The participant level stopped while its checks run: it stops them, removes their work
// folders and locks, and says so in one line; the runs it stopped have no record.
TEST(StoppedParticipantLevel, SigtermStopsTheChecksAndLeavesNothingHidden) {
    ScratchFolder scratch;
    ASSERT_EQ(runKeldra({"demo", "--bids", "study"}, scratch.path()).exitCode, 0);
    const fs::path out = scratch.file("out");
    RunningKeldra level({"bids", "study", "out", "participant", "--nprocs", "2"}, scratch.path());
    const fs::path work = out / "sub-01/func/.sub-01_task-nback_bold.work";
    ASSERT_TRUE(waitFor([&] { return holdsTemporaryFile(work); }));
    level.signal(SIGTERM);
    const ProcessResult stopped = level.wait(60);
    EXPECT_EQ(stopped.exitCode, 143) << stopped.err;
    EXPECT_EQ(lastLine(stopped.err),
              "keldra: stopped by SIGTERM; stopped the checks under way and removed their work folders; removed 0 "
              "temporary files")
        << stopped.err;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name[0] != '.' || name == ".bidsignore") << entry.path();
    }
    EXPECT_FALSE(fs::exists(out / "sub-01/func/sub-01_task-nback_desc-alignment_qc.json"));
}

// A small filesystem of its own (a tmpfs), which only root may mount.
class SmallDisk {
public:
    SmallDisk(const std::string& folder, const std::string& size) : folder_(folder) {
        fs::create_directories(folder);
        if (geteuid() != 0) {
            reason_ = "mounting a tmpfs needs root (CI runs as root)";
        } else if (mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0) {
            reason_ = std::string("a tmpfs cannot be mounted here: ") + std::strerror(errno);
        }
    }
    ~SmallDisk() {
        if (reason_.empty()) umount2(folder_.c_str(), MNT_DETACH);
    }
    bool readOnly() { return mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }
    const std::string& unavailable() const { return reason_; }

private:
    std::string folder_;
    std::string reason_;
};

TEST(OutputFailures, AFullDiskAReadOnlyFolderAndAFileForAFolderEachEndInOneLineLeavingNothingPartial) {
    ScratchFolder scratch;
    ASSERT_EQ(runKeldra({"demo", "--out", "sample", "--no-check"}, scratch.path()).exitCode, 0);
    const std::string anatomical = readWholeFile(scratch.file("sample/demo_anat.nii.gz"));
    const std::string functional = readWholeFile(scratch.file("sample/demo_bold.nii.gz"));

    // The inputs on the small disk too, which the outputs fill: the saved functional (2.4 MB
    // of data) does not fit in what is left.
    SmallDisk disk(scratch.file("disk"), "5m");
    if (!disk.unavailable().empty()) {
        GTEST_SKIP() << "skipped: " << disk.unavailable();
    }
    fs::copy_file(scratch.file("sample/demo_anat.nii.gz"), scratch.file("disk/anat.nii.gz"));
    fs::copy_file(scratch.file("sample/demo_bold.nii.gz"), scratch.file("disk/bold.nii.gz"));
    const ProcessResult full = runKeldra({"run", "anat.nii.gz", "bold.nii.gz", "--mapping", "2", "--out", "out"},
                                         scratch.file("disk"));
    EXPECT_EQ(full.exitCode, 2);
    EXPECT_EQ(messagesOf(full.err).size(), 1u) << full.err;
    EXPECT_EQ(lastLine(full.err).rfind("keldra: out/bold_VMR.nii.gz: ", 0), 0u) << full.err;
    EXPECT_NE(lastLine(full.err).find("No space left on device"), std::string::npos) << full.err;
    std::vector<std::string> temporaries;
    for (const auto& [name, content] : finalFiles(scratch.file("disk/out"), &temporaries)) {
        EXPECT_FALSE(content.empty()) << name << " is not whole";
        EXPECT_NE(name, "bold_VMR.nii.gz");
    }
    EXPECT_TRUE(temporaries.empty()) << temporaries.front();
    EXPECT_EQ(readWholeFile(scratch.file("disk/anat.nii.gz")), anatomical);
    EXPECT_EQ(readWholeFile(scratch.file("disk/bold.nii.gz")), functional);

    // A folder that cannot be written: nothing is run into it.
    fs::create_directory(scratch.file("disk/kept"));
    ASSERT_TRUE(disk.readOnly());
    for (const char* out : {"disk/kept", "disk/new"}) {
        const ProcessResult refused =
            runKeldra({"run", "sample/demo_anat.nii.gz", "sample/demo_bold.nii.gz", "--mapping", "1", "--out", out},
                      scratch.path());
        EXPECT_EQ(refused.exitCode, 2) << out;
        EXPECT_NE(lastLine(refused.err).find(out), std::string::npos) << refused.err;
        EXPECT_NE(lastLine(refused.err).find("Read-only file system"), std::string::npos) << refused.err;
    }
    EXPECT_TRUE(fs::is_empty(scratch.file("disk/kept")));

    // An output path that is a file.
    const ProcessResult onFile = runKeldra(
        {"run", "sample/demo_anat.nii.gz", "sample/demo_bold.nii.gz", "--out", "sample/demo_anat.nii.gz"},
        scratch.path());
    EXPECT_EQ(onFile.exitCode, 2);
    EXPECT_EQ(lastLine(onFile.err), "keldra: sample/demo_anat.nii.gz: the output folder is a file") << onFile.err;
    EXPECT_EQ(readWholeFile(scratch.file("sample/demo_anat.nii.gz")), anatomical);
}

}  // namespace
}  // namespace orvane::keldra::testing
