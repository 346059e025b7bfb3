// What complete runs do to the host's documents in each mapping: which voxels change, what is
// written back and under which names it is saved, and the notices that let a run go on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/run/run_workspace.h"

namespace orvane {
namespace {

using testing::FakeFmr;
using testing::FakeHost;
using testing::FakeVmr;

// A VMR and FMRs on the same 3x2x1 grid with the same voxel size and identity alignments, so
// that every mapping is the identity and each voxel meets its namesake.
struct SameGridWorkspace {
    FakeHost host;
    FakeVmr& vmr;
    FakeFmr& first;
    FakeFmr* second = nullptr;

    explicit SameGridWorkspace(bool withSecondFmr)
        : vmr(host.addVmr({3, 2, 1}, 2.0f)), first(host.addFmr({3, 2, 1}, kFmrDataInt16, "run1", 2.0f)) {
        vmr.voxels = {1, 2, 3, 4, 5, 6};
        if (withSecondFmr) {
            second = &host.addFmr({3, 2, 1}, kFmrDataFloat32, "run2", 2.0f);
        }
    }

    bool run(int choice) {
        host.answerPrompts({choice});
        return runAlignment(host.lookup());
    }

    bool logged(const std::string& line) const {
        return std::find(host.logLines().begin(), host.logLines().end(), line) != host.logLines().end();
    }
};

class RunMapping : public testing::FakeHostTest {};

TEST_F(RunMapping, FmrIntoVmrShowsTheNormalisedFirstVolume) {
    SameGridWorkspace w(false);
    // Two volumes; the second one's extremes must not take part.
    w.first.intData = {-100, 0, 300, 100, 20, 60, /* second volume */ -30000, 30000, 1, 1, 1, 1};
    EXPECT_TRUE(w.run(1));
    // 225 * (v + 100) / 400: 0, 56.25, 225, 112.5, 67.5, 90.
    EXPECT_EQ(w.vmr.voxels, (std::vector<unsigned char>{1, 56, 225, 113, 68, 90}));
    EXPECT_TRUE(w.host.saves().empty());
    EXPECT_EQ(w.first.intData[0], -100) << "mode 1 leaves the FMR's data alone";
}

TEST_F(RunMapping, WithTwoFmrsTheSecondWinsInTheVmr) {
    SameGridWorkspace w(true);
    w.first.intData = {0, 400, 400, 400, 400, 400};      // 0 and 225 after normalisation
    w.second->floatData = {0.0f, 0.0f, 1.0f, 2.0f, 3.0f, 4.0f};  // 0, 0, 56.25, 112.5, 168.75, 225
    EXPECT_TRUE(w.run(1));
    EXPECT_EQ(w.vmr.voxels, (std::vector<unsigned char>{1, 225, 56, 113, 169, 225}));
}

TEST_F(RunMapping, VmrIntoFmrWritesThreeTimesTheVoxelsBackAndSavesUnderANewName) {
    SameGridWorkspace w(true);
    w.vmr.voxels = {100, 255, 0, 7, 20, 1};
    w.first.intData = {0, 1, 2, 3, 4, 5};
    EXPECT_TRUE(w.run(2));

    const std::vector<std::int16_t> expectedInts = {300, 765, 0, 21, 60, 3};
    const std::vector<float> expectedFloats = {300.0f, 765.0f, 0.0f, 21.0f, 60.0f, 3.0f};
    EXPECT_EQ(w.first.intData, expectedInts);
    EXPECT_EQ(w.second->floatData, expectedFloats);
    EXPECT_EQ(w.vmr.voxels, (std::vector<unsigned char>{100, 255, 0, 7, 20, 1})) << "the VMR is only read";

    ASSERT_EQ(w.host.saves().size(), 2u);
    const testing::SaveRecord& save = w.host.saves()[0];
    EXPECT_EQ(save.documentIndex, 1);
    EXPECT_EQ(save.fmrFileName, "run1_VMR.fmr");
    EXPECT_EQ(save.stcPrefix, "run1_VMR");
    EXPECT_EQ(save.header.fileName(), "run1_VMR.fmr");
    EXPECT_EQ(save.header.stcPrefix(), "run1_VMR");
    EXPECT_EQ(save.header.auxiliaryName(), "");
    EXPECT_EQ(save.intData, expectedInts) << "the data is written before it is saved";
    EXPECT_EQ(w.host.saves()[1].documentIndex, 2);
    EXPECT_EQ(w.host.saves()[1].fmrFileName, "run2_VMR.fmr");
    EXPECT_EQ(w.first.header.stcPrefix(), "run1_VMR") << "the host's header is replaced too";
}

TEST_F(RunMapping, VmrIntoFmrKeepsNormalisedValuesWhereTheVmrIsNotBehind) {
    SameGridWorkspace w(false);
    // The FMR sits one voxel further along x: its last column has no VMR voxel behind it.
    w.first.initialAlignment = testing::translationMatrix(2.0f, 0.0f, 0.0f);
    w.first.intData = {0, 0, 400, 0, 0, 200};  // last column normalises to 225 and 112.5
    w.vmr.voxels = {10, 11, 12, 13, 14, 15};
    EXPECT_TRUE(w.run(2));
    EXPECT_EQ(w.first.intData, (std::vector<std::int16_t>{33, 36, 225, 42, 45, 112}));
}

TEST_F(RunMapping, FmrToFmrFeedsTheSecondIntoTheFirstAndSavesItUnderBothNames) {
    SameGridWorkspace w(true);
    w.first.intData = {0, 400, 400, 400, 100, 0};         // 0, 225, 225, 225, 56.25, 0
    w.second->floatData = {4.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f};  // 225, 0, 56.25, 0, 0, 0
    EXPECT_TRUE(w.run(3));
    EXPECT_EQ(w.vmr.voxels, (std::vector<unsigned char>{225, 225, 56, 225, 56, 6}));
    // FMR 1 takes FMR 2's values where they pass the threshold; 56.25 is stored as 56.
    EXPECT_EQ(w.first.intData, (std::vector<std::int16_t>{225, 225, 56, 225, 56, 0}));
    ASSERT_EQ(w.host.saves().size(), 1u);
    EXPECT_EQ(w.host.saves()[0].documentIndex, 1);
    EXPECT_EQ(w.host.saves()[0].fmrFileName, "run1_from_run2.fmr");
    EXPECT_EQ(w.host.saves()[0].stcPrefix, "run1_from_run2");
    EXPECT_EQ(w.second->floatData[0], 4.0f) << "the second FMR is only read";
}

TEST_F(RunMapping, FmrToFmrTakesEachFmrThroughItsOwnGridAndAlignment) {
    // A row of six 1 mm VMR voxels (centred x -2.5 .. 2.5). FMR 1: three 2 mm voxels, aligned
    // as they are, so VMR voxels 0-1, 2-3 and 4-5 fall in its voxels 0, 1 and 2. FMR 2: three
    // 1 mm voxels shifted 1 mm along x, so VMR voxels 2, 3 and 4 fall in its voxels 0, 1 and 2
    // and the others outside it.
    FakeHost host;
    FakeVmr& vmr = host.addVmr({6, 1, 1}, 1.0f);
    vmr.voxels = {1, 2, 3, 4, 5, 6};
    FakeFmr& first = host.addFmr({3, 1, 1}, kFmrDataInt16, "run1", 2.0f);
    first.intData = {0, 400, 200};  // 0, 225, 112.5
    FakeFmr& second = host.addFmr({3, 1, 1}, kFmrDataFloat32, "run2", 1.0f);
    second.floatData = {0.0f, 2.0f, 4.0f};  // 0, 112.5, 225
    second.initialAlignment = testing::translationMatrix(1.0f, 0.0f, 0.0f);
    host.answerPrompts({3});
    ASSERT_TRUE(runAlignment(host.lookup()));

    // Voxels 0-1: FMR 1 gives nothing above the threshold and FMR 2 does not reach them.
    // Voxel 2: FMR 1's 225; FMR 2's 0 is below the threshold. Voxel 3: FMR 2's 112.5 (113)
    // replaces FMR 1's 225 and goes into FMR 1's voxel 1. Voxel 4: FMR 2's 225 replaces FMR 1's
    // 113 and goes into FMR 1's voxel 2, where voxel 5, outside FMR 2, reads it.
    EXPECT_EQ(vmr.voxels, (std::vector<unsigned char>{1, 2, 225, 113, 225, 225}));
    ASSERT_EQ(host.saves().size(), 1u);
    EXPECT_EQ(host.saves()[0].documentIndex, 1);
    EXPECT_EQ(host.saves()[0].intData, (std::vector<std::int16_t>{0, 112, 225}));
}

TEST_F(RunMapping, AnyAnswerOtherThanOneOrTwoMeansFmrToFmr) {
    for (int choice : {0, 4, -1, 3}) {
        SCOPED_TRACE(choice);
        SameGridWorkspace w(true);
        w.first.intData = {0, 1, 2, 3, 4, 5};
        EXPECT_TRUE(w.run(choice));
        EXPECT_TRUE(w.logged("Projecting FMR1,FMR2->VMR and FMR2->FMR1"));
        ASSERT_EQ(w.host.saves().size(), 1u);
        EXPECT_EQ(w.host.saves()[0].fmrFileName, "run1_from_run2.fmr");
    }
}

TEST_F(RunMapping, FmrToFmrWithOneFmrProjectsItIntoTheVmr) {
    std::vector<unsigned char> viaChoiceOne;
    for (int choice : {1, 3}) {
        SameGridWorkspace w(false);
        w.first.intData = {0, 400, 100, 300, 0, 50};
        EXPECT_TRUE(w.run(choice));
        EXPECT_EQ(w.logged("No second FMR available, FMR to FMR mapping not possible; FMR will be mapped to VMR."),
                  choice == 3);
        EXPECT_TRUE(w.host.saves().empty());
        if (choice == 1) {
            viaChoiceOne = w.vmr.voxels;
        } else {
            EXPECT_EQ(w.vmr.voxels, viaChoiceOne);
        }
    }
    EXPECT_EQ(viaChoiceOne, (std::vector<unsigned char>{1, 225, 56, 169, 5, 28}));
}

TEST_F(RunMapping, AConstantFirstVolumeIsANoticeNotARefusal) {
    SameGridWorkspace w(false);
    w.first.intData = {7, 7, 7, 7, 7, 7};
    EXPECT_TRUE(w.run(1));
    EXPECT_TRUE(w.logged("Document 2 (FMR) has a constant first volume, so all its intensities are set to 0."));
    EXPECT_EQ(w.vmr.voxels, (std::vector<unsigned char>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(w.host.logLines().back(), "Finished.\n");
}

TEST_F(RunMapping, NonFiniteFloatDataNeitherDecidesTheRangeNorShows) {
    SameGridWorkspace w(true);
    const float inf = std::numeric_limits<float>::infinity();
    w.second->floatData = {std::numeric_limits<float>::quiet_NaN(), inf, 0.0f, 100.0f, -inf, 50.0f};
    EXPECT_TRUE(w.run(1));
    // 0 .. 100 spans the range; the non-finite voxels become 0 and stay dark.
    EXPECT_EQ(w.vmr.voxels, (std::vector<unsigned char>{1, 2, 3, 225, 5, 113}));
}

TEST_F(RunMapping, ANameThatDoesNotFitIsNeitherTruncatedNorSaved) {
    const std::string longPrefix(FmrHeader::kFileNameCapacity - 8, 'p');  // fits; with "_VMR.fmr" it does not
    for (int choice : {2, 3}) {
        SCOPED_TRACE(choice);
        SameGridWorkspace w(true);
        ASSERT_TRUE(w.first.header.setStcPrefix(longPrefix));
        w.first.intData = {0, 1, 2, 3, 4, 5};
        const std::vector<std::int16_t> before = w.first.intData;
        EXPECT_TRUE(w.run(choice));
        const std::string newName = choice == 2 ? longPrefix + "_VMR.fmr" : longPrefix + "_from_run2.fmr";
        EXPECT_TRUE(w.logged("Document 2 (FMR) can not be saved under the new name " + newName +
                             ": the name does not fit in the FMR header."));
        for (const testing::SaveRecord& save : w.host.saves()) {
            EXPECT_NE(save.documentIndex, 1);
        }
        EXPECT_EQ(w.first.intData, before) << "nothing is written into an FMR that is not saved";
        EXPECT_EQ(w.first.header.stcPrefix(), longPrefix);
        EXPECT_EQ(w.host.logLines().back(), "Finished.\n");
        // Mode 2 still saved the second FMR; mode 3 saved nothing, so there is nothing to reload.
        EXPECT_EQ(w.logged("Reload FMR(s) and detach any AMRs to see the projection!"), choice == 2);
    }
    SameGridWorkspace w(false);
    ASSERT_TRUE(w.first.header.setStcPrefix(longPrefix));
    EXPECT_TRUE(w.run(2));
    EXPECT_FALSE(w.logged("Reload FMR(s) and detach any AMRs to see the projection!"));
}

TEST_F(RunMapping, AMappingThatCannotBeInvertedSkipsOnlyThatFmr) {
    // A zero FMR voxel size makes the mapping infinite; a zero VMR voxel size makes it singular.
    for (bool zeroInFmr : {true, false}) {
        SCOPED_TRACE(zeroInFmr ? "zero FMR voxel size" : "zero VMR voxel size");
        SameGridWorkspace w(true);
        if (zeroInFmr) {
            w.first.header.setVoxelSize(2.0f, 0.0f, 2.0f);
        } else {
            w.vmr.header.setVoxelSize(2.0f, 2.0f, 0.0f);
        }
        w.first.intData = {0, 1, 2, 3, 4, 5};
        EXPECT_TRUE(w.run(2));
        EXPECT_TRUE(w.logged("Document 2 (FMR) is neither projected nor saved: its mapping from VMR to FMR voxels "
                             "can not be inverted."));
        EXPECT_EQ(w.first.intData, (std::vector<std::int16_t>{0, 1, 2, 3, 4, 5}));
        if (zeroInFmr) {
            ASSERT_EQ(w.host.saves().size(), 1u);
            EXPECT_EQ(w.host.saves()[0].fmrFileName, "run2_VMR.fmr");
            EXPECT_TRUE(w.logged("Reload FMR(s) and detach any AMRs to see the projection!"));
        } else {
            // The VMR is shared, so neither FMR can be projected.
            EXPECT_TRUE(w.host.saves().empty());
        }
        EXPECT_EQ(w.host.logLines().back(), "Finished.\n");
    }
}

TEST_F(RunMapping, RunsAreRepeatableOnTheSameHost) {
    SameGridWorkspace w(false);
    w.first.intData = {0, 400, 100, 300, 0, 50};
    EXPECT_TRUE(w.run(1));
    const std::size_t linesOfOneRun = w.host.logLines().size();
    EXPECT_TRUE(w.run(1));
    EXPECT_EQ(w.host.logLines().size(), 2 * linesOfOneRun);
}

}  // namespace
}  // namespace orvane
