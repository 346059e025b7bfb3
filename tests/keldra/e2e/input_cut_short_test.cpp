// An input cut short while keldra reads it through a mapping (a copy still in progress, a sync
// tool): keldra ends with one line naming the file, exit status 2, and leaves no temporary file
// and no half-written result. The file is cut short at the worst moment, right after keldra
// maps it and before it reads a page, by a library preloaded into keldra for the test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

namespace fs = std::filesystem;

// The preloading, for the keldra processes this test starts; the sanitizers' runtime is told
// that it no longer comes first.
class TruncateWhenMapped {
public:
    explicit TruncateWhenMapped(const std::string& path) {
        const char* sanitizer = std::getenv("ASAN_OPTIONS");
        asanOptions_ = sanitizer != nullptr ? sanitizer : "";
        setenv("LD_PRELOAD", TRUNCATE_WHEN_MAPPED_LIBRARY, 1);
        setenv("TRUNCATE_WHEN_MAPPED", path.c_str(), 1);
        setenv("ASAN_OPTIONS", (asanOptions_ + (asanOptions_.empty() ? "" : ":") + "verify_asan_link_order=0").c_str(), 1);
    }
    ~TruncateWhenMapped() {
        unsetenv("LD_PRELOAD");
        unsetenv("TRUNCATE_WHEN_MAPPED");
        asanOptions_.empty() ? unsetenv("ASAN_OPTIONS") : setenv("ASAN_OPTIONS", asanOptions_.c_str(), 1);
    }

private:
    std::string asanOptions_;
};

// Everything under `folder`, hidden names included.
std::vector<std::string> contentsOf(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(fs::relative(it->path(), folder).string());
    }
    return names;
}

TEST(InputCutShort, WhileMappedEndsKeldraInOneLineNamingTheFileAndLeavesNothingBehind) {
    ScratchFolder scratch;
    ASSERT_EQ(runKeldra({"demo", "--out", "sample", "--no-check"}, scratch.path()).exitCode, 0);
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        const char* cut;  // the input cut short when it is mapped
        const char* said;
    } cases[] = {
        // The saved functional takes its later volumes' compressed bytes from the input, read
        // through a mapping while the output is being written.
        {"a functional while mapping 2 saves it",
         {"run", "anat.nii.gz", "bold.nii.gz", "--mapping", "2", "--no-check", "--out", "out"}, "bold.nii.gz",
         "keldra: bold.nii.gz was cut short while keldra was reading it (a bus error); removed 1 temporary file"},
        // A .nii file is mapped while its first volume is read.
        {"an anatomical while it is opened",
         {"run", "anat.nii", "bold.nii.gz", "--mapping", "2", "--no-check", "--out", "out"}, "anat.nii",
         "keldra: anat.nii was cut short while keldra was reading it (a bus error); removed 0 temporary files"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = scratch.file(std::string("run-") + c.cut);
        fs::create_directory(folder);
        fs::copy_file(scratch.file("sample/demo_anat.nii.gz"), folder / "anat.nii.gz");
        fs::copy_file(scratch.file("sample/demo_bold.nii.gz"), folder / "bold.nii.gz");
        ASSERT_EQ(std::system(("gzip -dc '" + (folder / "anat.nii.gz").string() + "' > '" +
                               (folder / "anat.nii").string() + "'")
                                  .c_str()),
                  0);
        const auto before = fs::file_size(folder / c.cut);
        ProcessResult result;
        {
            TruncateWhenMapped cutting((folder / c.cut).string());
            result = runKeldra(c.arguments, folder.string());
        }
        ASSERT_LT(fs::file_size(folder / c.cut), before) << "the input was not cut short";
        EXPECT_EQ(result.exitCode, 2) << result.err;
        EXPECT_EQ(messagesOf(result.err), std::vector<std::string>{c.said}) << result.err;
        for (const std::string& name : contentsOf(folder / "out")) {
            ADD_FAILURE() << "left " << name;
        }
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
