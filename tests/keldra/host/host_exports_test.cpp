// The exported host API as the module meets it: bound by name through the dynamic loader
// from this program (which carries the same objects as keldra), then called through the table.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "host/host_binding.h"
#include "keldra/workspace/document_builder.h"
#include "keldra/host/host_session.h"
#include "keldra/workspace/workspace_loader.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra {
namespace {

HostSymbolLookup programLookup() {
    void* program = dlopen(nullptr, RTLD_NOW);
    return [program](const char* name) {
        void* symbol = dlsym(program, name);
        GenericHostFunction f;
        std::memcpy(&f, &symbol, sizeof f);
        return f;
    };
}

VolumeFile smallFile(SampleType type, int volumes, std::size_t sampleBytes) {
    VolumeFile file;
    file.nx = 4;
    file.ny = 3;
    file.nz = 2;
    file.volumes = volumes;
    file.voxelSize[0] = file.voxelSize[1] = file.voxelSize[2] = 3;
    file.sampleType = type;
    file.sampleTypeName = "test";
    file.samples.assign(file.voxelsPerVolume() * volumes * sampleBytes, 0);
    for (std::size_t i = 0; i < file.samples.size(); i += sampleBytes) file.samples[i] = static_cast<unsigned char>(i % 100);
    file.sformCode = 1;
    file.sform = Affine::translation({-4, -3, -1.5}) * Affine::scaling(3, 3, 3);
    return file;
}

class HostApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        VmrDocument vmr;
        FmrDocument fmr;
        std::string error;
        ASSERT_TRUE(makeVmrDocument("anat.nii", smallFile(SampleType::UInt8, 1, 1), vmr, error));
        ASSERT_TRUE(makeFmrDocument("bold.nii.gz", smallFile(SampleType::Int16, 2, 2), fmr, error));
        Workspace workspace;
        workspace.documents.emplace_back(std::move(vmr));
        workspace.documents.emplace_back(std::move(fmr));
        HostSettings settings;
        settings.integerAnswer = 2;
        settings.outputFolder = folder.path();
        session = std::make_unique<HostSession>(std::move(workspace), settings, log, errors, input);
        active = std::make_unique<ActiveHostSession>(*session);
        ASSERT_TRUE(bindHostApi(api, programLookup()));
    }

    testing::ScratchFolder folder;
    std::ostringstream console, errors;
    std::istringstream input;
    HostLog log{console};
    std::unique_ptr<HostSession> session;
    std::unique_ptr<ActiveHostSession> active;
    HostApi api;
};

TEST_F(HostApiTest, EveryHostFunctionIsExportedAndTheOnesNotProvidedSaySo) {
    HostSymbolLookup lookup = programLookup();
    for (int i = 0; i < kHostFunctionCount; ++i) {
        EXPECT_NE(lookup(hostFunctionNames()[i]), nullptr) << hostFunctionNames()[i];
    }
    auto scene = reinterpret_cast<int (*)()>(api.kdGetScene);
    EXPECT_EQ(scene(), 0);
    EXPECT_NE(errors.str().find("this host does not provide kdGetScene"), std::string::npos);
}

TEST_F(HostApiTest, DocumentsRecordsAndDataAreServedForTheCurrentDocument) {
    int major = 0, minor = 0, sub = 0;
    ASSERT_TRUE(api.kdGetVersionOfKeldra(&major, &minor, &sub));
    EXPECT_EQ(major * 100 + minor * 10 + sub, 240);
    EXPECT_EQ(api.kdGetNumberOfDocsInWorkspace(), 2);
    EXPECT_EQ(api.kdGetDocumentType(0), 3);
    EXPECT_EQ(api.kdGetDocumentType(1), 1);
    EXPECT_EQ(api.kdGetIntegerInput("Pick", 1, 1, 3), 2);

    ASSERT_TRUE(api.kdSetAsCurrentDocument(1));
    FmrHeader header;
    ASSERT_TRUE(api.kdGetHeaderOfCurrentFMR(&header));
    EXPECT_EQ(header.slices(), 2);
    EXPECT_EQ(api.kdGetSTCFloatDataOfCurrentFMR(), nullptr);  // the data is 16-bit
    short** volumes = api.kdGetSTCIntDataOfCurrentFMR();
    ASSERT_NE(volumes, nullptr);
    EXPECT_EQ(volumes[1] - volumes[0], 24);
    volumes[0][5] = 1234;
    EXPECT_EQ(std::get<FmrDocument>(session->workspace().documents[1]).intData[5], 1234);
    EXPECT_EQ(api.kdGetSTCIntDataOfCurrentFMR(), volumes);  // the same array for the whole run
    EXPECT_EQ(api.kdGetCurrentVMR(nullptr, nullptr, nullptr), nullptr);  // not a VMR

    PositionHeader fmrPosition, vmrPosition;
    ASSERT_TRUE(api.kdGetScannerPositionHeaderOfCurrentFMR(&fmrPosition));
    ASSERT_TRUE(api.kdSetAsCurrentDocument(0));
    ASSERT_TRUE(api.kdGetScannerPositionHeaderOfCurrentVMR(&vmrPosition));
    float alignment[16], past[16];
    int outs[6];
    ASSERT_TRUE(api.kdCalculateIAMatrix(&fmrPosition, &vmrPosition, nullptr, alignment, past, &outs[0], &outs[1],
                                        &outs[2], &outs[3], &outs[4], &outs[5]));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(past[i], i % 5 == 0 ? 1.0f : 0.0f);
    ASSERT_EQ(session->initialAlignments().size(), 1u);
    EXPECT_EQ(session->initialAlignments()[0].fmrDocument, 1);

    EXPECT_TRUE(api.kdLogText("one"));
    EXPECT_TRUE(api.kdLogText("two\n"));
    EXPECT_EQ(console.str(), "one\ntwo\n");
}

TEST_F(HostApiTest, SavingStaysInTheOutputFolderAndNeverReplacesAFile) {
    ASSERT_TRUE(api.kdSetAsCurrentDocument(1));
    EXPECT_FALSE(api.kdSaveFMRAndSTC("x.fmr", "../escape"));
    EXPECT_FALSE(api.kdSaveFMRAndSTC("x.fmr", "sub/escape"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder.path()).parent_path() / "escape.nii.gz"));

    ASSERT_TRUE(api.kdSaveFMRAndSTC("bold_VMR.fmr", "bold_VMR"));
    std::string saved = folder.file("bold_VMR.nii.gz");
    testing::ReadImage image = testing::readTestImage(saved);
    EXPECT_EQ(image.nt, 2);
    EXPECT_EQ(image.datatype, DT_INT16);
    std::string before = testing::readWholeFile(saved);
    EXPECT_FALSE(api.kdSaveFMRAndSTC("bold_VMR.fmr", "bold_VMR"));
    EXPECT_EQ(testing::readWholeFile(saved), before);
    EXPECT_EQ(session->problems().size(), 3u);
    // Only the saved file is left: no temporary files.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), std::filesystem::directory_iterator()), 1);

    ASSERT_TRUE(api.kdSetAsCurrentDocument(0));
    EXPECT_FALSE(api.kdSaveFMRAndSTC("a.fmr", "a"));  // the current document is a VMR
}

// A functional opened from a file keeps its later volumes there until it is saved. The module
// reads the first volume only; were it to touch another, it must fault rather than read
// values that are not the file's.
TEST(UnreadVolumes, ArePointedToButFaultWhenTouched) {
    testing::ScratchFolder folder;
    testing::TestImage image;
    image.nx = 4;
    image.ny = 3;
    image.nz = 2;
    image.nt = 3;
    for (std::size_t i = 0; i < image.size(); ++i) image.values.push_back(static_cast<double>(i));
    testing::writeTestImage(folder.file("bold.nii.gz"), image);
    Workspace workspace;
    std::vector<Warning> warnings;
    std::string error;
    ASSERT_TRUE(loadWorkspace({{folder.file("bold.nii.gz"), kFmrDocumentType, std::nullopt}}, workspace, warnings,
                              error))
        << error;
    std::ostringstream console, errors;
    std::istringstream input;
    HostLog log{console};
    HostSession session(std::move(workspace), HostSettings{}, log, errors, input);
    ASSERT_TRUE(session.setCurrentDocument(0));
    short** volumes = session.fmrIntData();
    ASSERT_NE(volumes, nullptr);
    EXPECT_EQ(volumes[0][23], 23);
    EXPECT_NE(volumes[1], nullptr);
    EXPECT_DEATH({ std::printf("%d\n", static_cast<int>(*static_cast<volatile short*>(volumes[2] + 5))); }, "");
}

}  // namespace
}  // namespace orvane::keldra
