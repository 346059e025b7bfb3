// A full keldra run in each mapping under valgrind's leak checker: keldra, the module it loads
// and the NIfTI library together must release everything they allocate. (The sanitizer build
// runs the same end-to-end runs under LeakSanitizer instead, where valgrind cannot run.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

bool underSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

TestImage image(int n, double voxel, int datatype, double angle) {
    TestImage t;
    t.nx = t.ny = t.nz = n;
    t.voxelSize[0] = t.voxelSize[1] = t.voxelSize[2] = voxel;
    t.datatype = datatype;
    t.sform = obliqueAffine(angle, -angle / 2, t.voxelSize, {1.5, -2.25, 0.5}, false, false);
    for (std::size_t i = 0; i < t.size(); ++i) {
        t.values.push_back(static_cast<double>((i * 37) % 200));
    }
    return t;
}

TEST(LeakCheck, EveryMappingReleasesEverything) {
    if (underSanitizer()) {
        GTEST_SKIP() << "valgrind cannot run a sanitizer build; LeakSanitizer checks these runs there";
    }
    if (std::system("valgrind --version >/dev/null 2>&1") != 0) {
        GTEST_FAIL() << "valgrind is missing (scripts/install-deps.sh installs it)";
    }
    ScratchFolder folder;
    writeTestImage(folder.file("anat.nii.gz"), image(24, 2, DT_UINT8, 0));
    writeTestImage(folder.file("bold.nii.gz"), image(10, 4, DT_INT16, 10));
    writeTestImage(folder.file("bold2.nii"), image(9, 4.5, DT_FLOAT32, -6));
    for (int mapping : {1, 2, 3}) {
        SCOPED_TRACE("mapping " + std::to_string(mapping));
        const std::string report = folder.file("valgrind-" + std::to_string(mapping) + ".txt");
        std::string command = "cd '" + folder.path() +
                              "' && valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite,indirect "
                              "--show-leak-kinds=definite,indirect --error-exitcode=99 --log-file='" + report + "' '" +
                              KELDRA_EXECUTABLE + "' run anat.nii.gz bold.nii.gz bold2.nii --mapping " +
                              std::to_string(mapping) + " --out out-" + std::to_string(mapping) +
                              " >/dev/null 2>&1 </dev/null";
        int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readWholeFile(report);
        EXPECT_EQ(readWholeFile(report), "");
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
