// Runs that must not take place: each says why in one log line (or, for an old host, in a
// message box), returns false, and leaves every document of the host as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/run/run_workspace.h"

namespace orvane {
namespace {

using testing::DataAccess;
using testing::FakeHost;
using testing::RunWorkspace;

// Everything of the host's that a run could change.
struct HostDataSnapshot {
    std::vector<std::vector<unsigned char>> vmrVoxels;
    std::vector<std::vector<std::int16_t>> intData;
    std::vector<std::vector<float>> floatData;
    std::vector<std::string> fmrHeaders;

    explicit HostDataSnapshot(FakeHost& host) {
        for (int d = 0; d < host.documentCount(); ++d) {
            if (d == 0) {
                vmrVoxels.push_back(host.vmr(0).voxels);
                continue;
            }
            testing::FakeFmr& fmr = host.fmr(d);
            intData.push_back(fmr.intData);
            floatData.push_back(fmr.floatData);
            fmrHeaders.emplace_back(reinterpret_cast<const char*>(fmr.header.bytes), FmrHeader::kSize);
        }
    }
    bool operator==(const HostDataSnapshot& o) const {
        return vmrVoxels == o.vmrVoxels && intData == o.intData && floatData == o.floatData &&
               fmrHeaders == o.fmrHeaders;
    }
};

// Runs the workspace, expecting a refusal whose last log line is `sentence`, before the prompt.
void expectRefusal(RunWorkspace& workspace, const std::string& sentence) {
    const HostDataSnapshot before(workspace.host);
    EXPECT_FALSE(workspace.run(1));
    ASSERT_FALSE(workspace.host.logLines().empty());
    EXPECT_EQ(workspace.host.logLines().back(), sentence);
    EXPECT_TRUE(workspace.host.prompts().empty());
    EXPECT_TRUE(workspace.host.saves().empty());
    EXPECT_EQ(workspace.host.refreshCount(), 0);
    EXPECT_TRUE(HostDataSnapshot(workspace.host) == before) << "host data changed";
}

const std::string kWorkspaceRefusal = "Document 1 needs to be a VMR and Document 2 an FMR (Document 3 FMR is optional)";

class RunRefusals : public testing::FakeHostTest {};

// Document types are asked for in document order, only of documents that exist and only as far
// as the answer needs: a host may fail on an index past its last document.
TEST_F(RunRefusals, WorkspaceMustHoldAVmrThenAnFmr) {
    // V a VMR, F an FMR, O a document of another type.
    const struct {
        const char* documents;
        bool accepted;
        std::vector<int> typesAsked;
    } cases[] = {
        {"", false, {}},
        {"V", false, {}},
        {"FV", false, {0}},
        {"VO", false, {0, 1}},
        {"VOF", false, {0, 1}},
        {"VF", true, {0, 1}},
        {"VFF", true, {0, 1, 2}},
        {"VFO", true, {0, 1, 2}},
        {"VFFF", true, {0, 1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.documents);
        FakeHost host;
        for (const char* kind = c.documents; *kind != '\0'; ++kind) {
            if (*kind == 'V') {
                host.addVmr({4, 4, 4});
            } else if (*kind == 'F') {
                host.addFmr({4, 4, 4}, kFmrDataInt16, "run");
            } else {
                host.addOtherDocument(2);
            }
        }
        EXPECT_EQ(runAlignment(host.lookup()), c.accepted);
        EXPECT_EQ(host.documentTypesAsked(), c.typesAsked);
        if (!c.accepted) {
            EXPECT_EQ(host.logLines(), (std::vector<std::string>{"\norvaneplugin> Started...",
                                                                 "Check available projects...", kWorkspaceRefusal}));
        }
    }
}

TEST_F(RunRefusals, AThirdDocumentThatIsNotAnFmrIsIgnored) {
    RunWorkspace workspace(false);
    workspace.host.addOtherDocument(2);
    EXPECT_TRUE(workspace.run(3));
    const std::vector<std::string>& lines = workspace.host.logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "No second FMR available, FMR to FMR mapping not possible; FMR will be mapped to VMR."),
              lines.end());
}

TEST_F(RunRefusals, AnOldHostIsToldInAMessageBoxBeforeAnythingIsLogged) {
    for (int sub : {-1, 99}) {
        RunWorkspace workspace(false);
        workspace.host.setVersion(2, 0, sub);
        EXPECT_FALSE(workspace.run(1));
        EXPECT_EQ(workspace.host.messageBoxes(),
                  std::vector<std::string>{"Can not execute this plugin - Keldra version 2.1.0 or higher required."});
        EXPECT_TRUE(workspace.host.logLines().empty());
        EXPECT_EQ(workspace.host.calls(), (std::vector<std::string>{"kdGetVersionOfKeldra", "kdMessageBox"}));
    }
}

TEST_F(RunRefusals, AMissingHostFunctionIsNamedBeforeAnyOtherCall) {
    const char* const required[] = {
        "kdShowLogTab", "kdMessageBox", "kdGetIntegerInput", "kdUpdateActiveWindow", "kdGetNumberOfDocsInWorkspace",
        "kdGetDocumentType", "kdSetAsCurrentDocument", "kdCalculateIAMatrix", "kdGetHeaderOfCurrentFMR",
        "kdSetHeaderOfCurrentFMR", "kdGetSTCFloatDataOfCurrentFMR", "kdGetSTCIntDataOfCurrentFMR", "kdSaveFMRAndSTC",
        "kdGetScannerPositionHeaderOfCurrentFMR", "kdGetCurrentVMR", "kdGetMainHeaderOfCurrentVMR",
        "kdGetScannerPositionHeaderOfCurrentVMR", "kdGetPastTransformationsHeaderOfCurrentVMR"};
    for (const char* name : required) {
        SCOPED_TRACE(name);
        RunWorkspace workspace(true);
        workspace.host.removeFunction(name);
        EXPECT_FALSE(workspace.run(1));
        EXPECT_EQ(workspace.host.logLines(),
                  std::vector<std::string>{"Can not execute this plugin - the host does not provide the function " +
                                           std::string(name) + "."});
        EXPECT_EQ(workspace.host.calls(), std::vector<std::string>{"kdLogText"});
    }
    for (const char* name : {"kdLogText", "kdGetVersionOfKeldra"}) {
        SCOPED_TRACE(name);
        RunWorkspace workspace(true);
        workspace.host.removeFunction(name);
        EXPECT_FALSE(workspace.run(1));
        EXPECT_TRUE(workspace.host.calls().empty());
    }
}

TEST_F(RunRefusals, FmrGridsThatAreEmptyNegativeOrTooLarge) {
    const int big = std::numeric_limits<std::int32_t>::max();
    const struct {
        GridSize grid;
        const char* text;
    } cases[] = {
        {{0, 4, 4}, "0 x 4 x 4"},
        {{4, -4, 4}, "4 x -4 x 4"},
        {{4, 4, 0}, "4 x 4 x 0"},
        {{big, big, big}, "2147483647 x 2147483647 x 2147483647"},
    };
    for (int document : {1, 2}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.text) + " in document " + std::to_string(document + 1));
            RunWorkspace workspace(true);
            testing::FakeFmr& fmr = workspace.host.fmr(document);
            fmr.header.setDimX(c.grid.x);
            fmr.header.setDimY(c.grid.y);
            fmr.header.setSlices(c.grid.z);
            expectRefusal(workspace, "Document " + std::to_string(document + 1) + " (FMR) can not be used: its grid of " +
                                         c.text + " voxels is empty or too large.");
        }
    }
}

TEST_F(RunRefusals, VmrGridsThatAreEmptyNegativeOrTooLarge) {
    const int big = std::numeric_limits<std::int32_t>::max();
    for (GridSize grid : {GridSize{8, 0, 8}, GridSize{-8, 8, 8}, GridSize{big, big, big}}) {
        RunWorkspace workspace(false);
        workspace.vmr->header.setDims(grid.x, grid.y, grid.z);
        expectRefusal(workspace, "Document 1 (VMR) can not be used: its grid of " + std::to_string(grid.x) + " x " +
                                     std::to_string(grid.y) + " x " + std::to_string(grid.z) +
                                     " voxels is empty or too large.");
    }
}

TEST_F(RunRefusals, FmrDataTypeOtherThanIntegersOrFloats) {
    for (int type : {0, 3, -1}) {
        RunWorkspace workspace(true);
        workspace.second->header.setDataType(type);
        expectRefusal(workspace, "Document 3 (FMR) can not be used: its data type " + std::to_string(type) +
                                     " is neither 1 (16-bit integers) nor 2 (32-bit floats).");
    }
}

TEST_F(RunRefusals, HostReturnsNoDataOrNoVoxels) {
    for (DataAccess access : {DataAccess::NullArray, DataAccess::NullFirstVolume}) {
        for (int document : {1, 2}) {
            RunWorkspace workspace(true);
            workspace.host.fmr(document).dataAccess = access;
            expectRefusal(workspace, "Document " + std::to_string(document + 1) +
                                         " (FMR) can not be used: the host returned no data for it.");
        }
    }
    RunWorkspace workspace(true);
    workspace.vmr->voxelsMissing = true;
    expectRefusal(workspace, "Document 1 (VMR) can not be used: the host returned no voxels for it.");
}

TEST_F(RunRefusals, AllocationFailureAnywhereIsReportedAndReleasesEverything) {
    for (const char* where : {"kdGetSTCFloatDataOfCurrentFMR", "kdCalculateIAMatrix", "kdGetIntegerInput"}) {
        SCOPED_TRACE(where);
        RunWorkspace workspace(true);
        workspace.host.failAllocationIn(where);
        expectRefusal(workspace, "The run was cancelled: there is not enough memory.");
    }
    // After the projections have started the run still ends in false with the same sentence.
    RunWorkspace workspace(true);
    workspace.host.failAllocationIn("kdSaveFMRAndSTC");
    EXPECT_FALSE(workspace.run(2));
    EXPECT_EQ(workspace.host.logLines().back(), "The run was cancelled: there is not enough memory.");
}

}  // namespace
}  // namespace orvane
