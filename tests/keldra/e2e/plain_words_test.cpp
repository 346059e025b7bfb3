// What a person reads and keeps beyond the pictures: a summary without the module's markup, a
// report that says who made it, when, from which files and what was carried out, versions,
// help that does not lead into a refusal, and an unwritable output folder said at once.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

using nlohmann::json;

class PlainWords : public ::testing::Test {
protected:
    void SetUp() override {
        TestImage image;
        image.nx = image.ny = image.nz = 10;
        image.voxelSize[0] = image.voxelSize[1] = image.voxelSize[2] = 2;
        image.sform = Affine::translation({-9, -9, -9}) * Affine::scaling(2, 2, 2);
        for (std::size_t i = 0; i < image.size(); ++i) image.values.push_back(double(i % 70));
        writeTestImage(folder.file("anat.nii.gz"), image);
        image.nt = 2;
        image.values.resize(image.size(), 5.0);
        image.adjustHeader = [](nifti_image& header) {
            header.dt = header.pixdim[4] = 2.0;
            header.time_units = NIFTI_UNITS_SEC;
        };
        writeTestImage(folder.file("bold.nii.gz"), image);
    }
    ScratchFolder folder;
};

TEST_F(PlainWords, TheSummaryAndTheReportSayWhatWasDoneInPlainWords) {
    const ProcessResult r =
        runKeldra({"run", "anat.nii.gz", "bold.nii.gz", "--mapping", "3", "--out", "out"}, folder.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::size_t description = r.out.find("Description: ");
    ASSERT_NE(description, std::string::npos);
    const std::string header = r.out.substr(0, r.out.find("orvaneplugin> "));
    EXPECT_EQ(header.find('<'), std::string::npos) << "markup in the summary: " << header;
    EXPECT_NE(header.find("16-bit integers"), std::string::npos) << header;
    EXPECT_EQ(header.find("STC data type"), std::string::npos) << header;
    EXPECT_NE(header.find("sform (scanner, code 1), voxel axes towards R, A, S"), std::string::npos) << header;

    std::ifstream file(folder.file("out/report.json"));
    const json report = json::parse(file);
    // Mapping 3 with one functional is carried out as mapping 1, and says why.
    EXPECT_EQ(report.at("mappingRequested"), 3);
    EXPECT_EQ(report.at("mapping"), 1);
    EXPECT_NE(report.at("mappingReason").get<std::string>().find("second functional"), std::string::npos);
    bool warned = false;
    for (const json& w : report.at("warnings")) warned = warned || w.at("code") == "mapping-changed";
    EXPECT_TRUE(warned) << report.at("warnings").dump();

    const ProcessResult version = runKeldra({"--version"}, folder.path());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("keldra " + report.at("keldra").at("version").get<std::string>() + "\n", 0), 0u)
        << version.out;
    const std::string pluginName = report.at("plugin").at("name");
    EXPECT_NE(version.out.find("plug-in module: " + pluginName), std::string::npos) << version.out;
    const std::string pluginVersion = report.at("plugin").at("version");
    EXPECT_FALSE(pluginVersion.empty());
    EXPECT_NE(pluginName.find(pluginVersion), std::string::npos);
    // YYYY-MM-DDThh:mm:ssZ
    const std::string started = report.at("startedUtc");
    const std::string shape = "dddd-dd-ddTdd:dd:ddZ";
    ASSERT_EQ(started.size(), shape.size()) << started;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        EXPECT_TRUE(shape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(started[i])) != 0 : started[i] == shape[i])
            << started;
    }
    for (const json& input : report.at("inputs")) {
        const std::filesystem::path absolute = input.at("absolutePath").get<std::string>();
        EXPECT_TRUE(absolute.is_absolute());
        EXPECT_TRUE(std::filesystem::equivalent(absolute, folder.file(input.at("file"))));
    }
}

TEST_F(PlainWords, InfoAndHelpSayWhatAPersonNeedsToKnow) {
    const ProcessResult info = runKeldra({"info", "bold.nii.gz"}, folder.path());
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_NE(info.out.find("Transform used:     sform (scanner, code 1)"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Transform codes:    sform 1 (scanner), qform 0 (unknown)"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Time step (TR):     2 s"), std::string::npos) << info.out;

    const ProcessResult help = runKeldra({"run", "--help"}, folder.path());
    EXPECT_NE(help.out.find("of the files is kept, so the anatomical still comes first"), std::string::npos) << help.out;
    EXPECT_EQ(help.out.find("fmr:bold.nii.gz vmr:anat.nii.gz"), std::string::npos) << "an example the plug-in refuses";
}

TEST_F(PlainWords, AnOutputFolderThatCannotBeWrittenIsRefusedBeforeTheRunWithTheSystemsReason) {
    // A folder without write permission; a privileged user may write there all the same, and
    // then the read-only /sys stands in for it.
    std::filesystem::create_directory(folder.file("locked"));
    std::filesystem::permissions(folder.file("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const auto writable = [](const std::string& where) {
        const std::string probe = where + "/probe-" + std::to_string(getpid());
        const bool made = std::ofstream(probe).good();
        std::filesystem::remove(probe);
        return made;
    };
    std::string out = folder.file("locked/out");
    if (writable(folder.file("locked"))) {
        out = "/sys/keldra-test-out";
        if (!std::filesystem::is_directory("/sys") || writable("/sys")) {
            GTEST_SKIP() << "no folder here refuses this user's writes";
        }
    }
    const ProcessResult r = runKeldra({"run", "anat.nii.gz", "bold.nii.gz", "--mapping", "1", "--out", out}, folder.path());
    std::filesystem::permissions(folder.file("locked"), std::filesystem::perms::owner_all);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find("the output folder cannot be created in"), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.find("Permission denied") != std::string::npos ||
                r.err.find("Read-only file system") != std::string::npos)
        << r.err;
    EXPECT_EQ(r.out.find("Started..."), std::string::npos) << "the plug-in ran";
}

}  // namespace
}  // namespace orvane::keldra::testing
