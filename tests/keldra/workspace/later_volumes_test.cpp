// A functional opened from a file holds its first volume; the later ones, read from the file
// when it is saved, must be exactly what a document holding every volume would have held, in
// every data type and either kind of file; and a file changed in between is refused.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "keldra/workspace/document_builder.h"
#include "keldra/workspace/workspace_loader.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

class CollectingSink : public SampleSink {
public:
    bool append(const unsigned char* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        return true;
    }
    bool append(std::vector<unsigned char> piece) override { return append(piece.data(), piece.size()); }
    std::vector<unsigned char> bytes;
};

TEST(LaterVolumes, AreReadFromTheFileAsADocumentOfEveryVolumeHoldsThem) {
    ScratchFolder folder;
    TestImage image;
    image.nx = 70;
    image.ny = 64;
    image.nz = 30;
    image.nt = 9;  // more than one piece of the reader
    image.voxelSize[0] = image.voxelSize[1] = image.voxelSize[2] = 3;
    image.sform = Affine::scaling(3, 3, 3);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image.values.push_back(static_cast<double>(((i * 2654435761u) >> 20) % 4000) - 1000.5);
    }
    for (int datatype : {DT_INT16, DT_FLOAT32, DT_FLOAT64, DT_UINT8}) {
        for (const char* name : {"run.nii.gz", "run.nii"}) {
            SCOPED_TRACE(std::to_string(datatype) + " " + name);
            image.datatype = datatype;
            const std::string path = folder.file(name);
            writeTestImage(path, image);

            Workspace workspace;
            std::vector<Warning> warnings;
            std::string error;
            ASSERT_TRUE(loadWorkspace({{path, kFmrDocumentType, std::nullopt}}, workspace, warnings, error)) << error;
            const FmrDocument& opened = std::get<FmrDocument>(workspace.documents[0]);
            ASSERT_NE(opened.laterVolumes, nullptr);
            const SampleView inMemory = fmrSamplesInMemory(opened);
            EXPECT_EQ(inMemory.count, opened.voxelsPerVolume());

            VolumeFile file;
            FmrDocument whole;
            ASSERT_TRUE(readVolumeFile(path, file, error) && makeFmrDocument(path, file, whole, error)) << error;
            const SampleView all = fmrSamplesInMemory(whole);
            const std::size_t volumeBytes = inMemory.count * sampleSize(inMemory.type);
            EXPECT_TRUE(std::equal(inMemory.data, inMemory.data + volumeBytes, all.data));
            CollectingSink later;
            ASSERT_TRUE(opened.laterVolumes->read(later, error)) << error;
            ASSERT_EQ(later.bytes.size(), all.count * sampleSize(all.type) - volumeBytes);
            EXPECT_TRUE(std::equal(later.bytes.begin(), later.bytes.end(), all.data + volumeBytes));

            // Changed since it was opened (here only its time): nothing of it may be saved as
            // this document's.
            std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(1));
            CollectingSink changed;
            EXPECT_FALSE(opened.laterVolumes->read(changed, error));
            EXPECT_NE(error.find("has changed since keldra opened it"), std::string::npos) << error;
        }
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
