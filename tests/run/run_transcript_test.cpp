// The log of complete runs, line by line and character by character, for each mapping with one
// and with two FMRs, and the host calls around the prompt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geometry/matrix_inversion.h"
#include "tests/run/run_workspace.h"

namespace orvane {
namespace {

using testing::RunWorkspace;

const char* const kIdentityRows[4] = {"1.000000\t0.000000\t0.000000\t0.000000", "0.000000\t1.000000\t0.000000\t0.000000",
                                      "0.000000\t0.000000\t1.000000\t0.000000", "0.000000\t0.000000\t0.000000\t1.000000"};

std::string dump(const std::string& caption, const char* r0, const char* r1, const char* r2, const char* r3) {
    return caption + ": \n\t" + r0 + "\n\t" + r1 + "\n\t" + r2 + "\n\t" + r3 + "\n";
}

std::string identityDump(const std::string& caption) {
    return dump(caption, kIdentityRows[0], kIdentityRows[1], kIdentityRows[2], kIdentityRows[3]);
}

const char* const kHalfRows[4] = {"0.500000\t0.000000\t0.000000\t0.000000", "0.000000\t0.500000\t0.000000\t0.000000",
                                  "0.000000\t0.000000\t0.500000\t0.000000", "0.000000\t0.000000\t0.000000\t1.000000"};

std::string halfDump(const std::string& caption) {
    return dump(caption, kHalfRows[0], kHalfRows[1], kHalfRows[2], kHalfRows[3]);
}

// The second FMR's mapping: halve, flip the slices, and undo its 2 mm shift along x.
std::string secondFinalDump(const std::string& caption) {
    return dump(caption, "0.500000\t0.000000\t0.000000\t-1.000000", kHalfRows[1],
                "0.000000\t0.000000\t-0.500000\t0.000000", kHalfRows[3]);
}

std::vector<std::string> opening(bool twoFmrs) {
    std::vector<std::string> lines = {"\norvaneplugin> Started...", "Check available projects...", "Get FMR header...",
                                      "Get FMR 2 header...", "Get VMR header...",
                                      identityDump("Initial FMR1 to VMR mapping")};
    if (twoFmrs) {
        lines.push_back(dump("Initial FMR2 to VMR mapping", "1.000000\t0.000000\t0.000000\t2.000000", kIdentityRows[1],
                             kIdentityRows[2], kIdentityRows[3]));
    }
    return lines;
}

std::vector<std::string> firstFmrFactors() {
    return {identityDump("Flipping matrix, based on slice acquisition order"), halfDump("FMR inverse scaling matrix"),
            identityDump("VMR scaling matrix"), halfDump("Final VMR 2 FMR matrix")};
}

std::vector<std::string> secondFmrFactors() {
    return {dump("Flipping matrix, based on slice acquisition order", kIdentityRows[0], kIdentityRows[1],
                 "0.000000\t0.000000\t-1.000000\t0.000000", kIdentityRows[3]),
            halfDump("FMR inverse scaling matrix"), identityDump("VMR scaling matrix"),
            secondFinalDump("Final VMR 2 FMR matrix")};
}

void append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
}

// The inverse is the inversion routine's to compute; what the run owes is to log it here.
std::string inverseDump(const Matrix4& vmrToFmr) {
    Matrix4 inverse;
    EXPECT_TRUE(invertMatrix4(vmrToFmr, inverse));
    return toText(inverse, "Final VMR to FMR mapping");
}

Matrix4 firstFinal() {
    Matrix4 m;
    scalingMatrix(m, 0.5f, 0.5f, 0.5f);
    return m;
}

Matrix4 secondFinal() {
    Matrix4 m;
    scalingMatrix(m, 0.5f, 0.5f, -0.5f);
    m.at(0, 3) = -1.0f;
    return m;
}

class RunTranscript : public testing::FakeHostTest {};

TEST_F(RunTranscript, FmrIntoVmr) {
    for (bool twoFmrs : {false, true}) {
        SCOPED_TRACE(twoFmrs ? "two FMRs" : "one FMR");
        RunWorkspace workspace(twoFmrs);
        EXPECT_TRUE(workspace.run(1));
        std::vector<std::string> expected = opening(twoFmrs);
        expected.push_back("Projecting FMRs in VMR");
        append(expected, firstFmrFactors());
        expected.push_back(halfDump("Final FMR to VMR mapping"));
        if (twoFmrs) {
            append(expected, secondFmrFactors());
            expected.push_back(secondFinalDump("Final FMR to VMR mapping"));
        }
        expected.push_back("Finished.\n");
        EXPECT_EQ(workspace.host.logLines(), expected);
        EXPECT_TRUE(workspace.host.saves().empty());
        // Each projection into the VMR refreshes, and the run refreshes once more at the end.
        EXPECT_EQ(workspace.host.refreshCount(), twoFmrs ? 3 : 2);
    }
}

TEST_F(RunTranscript, VmrIntoFmr) {
    for (bool twoFmrs : {false, true}) {
        SCOPED_TRACE(twoFmrs ? "two FMRs" : "one FMR");
        RunWorkspace workspace(twoFmrs);
        EXPECT_TRUE(workspace.run(2));
        std::vector<std::string> expected = opening(twoFmrs);
        expected.push_back("Projecting VMR in FMR");
        append(expected, firstFmrFactors());
        expected.push_back(inverseDump(firstFinal()));
        if (twoFmrs) {
            append(expected, secondFmrFactors());
            expected.push_back(inverseDump(secondFinal()));
        }
        expected.push_back("Reload FMR(s) and detach any AMRs to see the projection!");
        expected.push_back("Finished.\n");
        EXPECT_EQ(workspace.host.logLines(), expected);
        ASSERT_EQ(workspace.host.saves().size(), twoFmrs ? 2u : 1u);
        EXPECT_EQ(workspace.host.refreshCount(), 1);
    }
}

TEST_F(RunTranscript, FmrToFmr) {
    for (bool twoFmrs : {false, true}) {
        SCOPED_TRACE(twoFmrs ? "two FMRs" : "one FMR");
        RunWorkspace workspace(twoFmrs);
        EXPECT_TRUE(workspace.run(3));
        std::vector<std::string> expected = opening(twoFmrs);
        expected.push_back("Projecting FMR1,FMR2->VMR and FMR2->FMR1");
        if (twoFmrs) {
            append(expected, firstFmrFactors());
            expected.push_back(halfDump("Final FMR 1 to VMR mapping"));
            append(expected, secondFmrFactors());
            expected.push_back(secondFinalDump("Final FMR 2 to VMR mapping"));
            expected.push_back("New name for mapping from second to first FMR:");
            expected.push_back("run1_from_run2.fmr");
            expected.push_back("Reload FMR(s) and detach any AMRs to see the projection!");
        } else {
            expected.push_back("No second FMR available, FMR to FMR mapping not possible; FMR will be mapped to VMR.");
            append(expected, firstFmrFactors());
            expected.push_back(halfDump("Final FMR to VMR mapping"));
        }
        expected.push_back("Finished.\n");
        EXPECT_EQ(workspace.host.logLines(), expected);
        EXPECT_EQ(workspace.host.saves().size(), twoFmrs ? 1u : 0u);
    }
}

TEST_F(RunTranscript, PastFlipAddsItsMatrixBeforeTheFinalOne) {
    RunWorkspace workspace(false);
    Matrix4 past;
    scalingMatrix(past, -1.0f, 1.0f, 1.0f);
    workspace.vmr->pastMatrix = past;
    EXPECT_TRUE(workspace.run(1));
    const std::vector<std::string>& lines = workspace.host.logLines();
    ASSERT_EQ(lines.size(), opening(false).size() + 8u);
    EXPECT_EQ(lines[lines.size() - 4],
              dump("Incorporating flip in past VMR transformation", "-1.000000\t0.000000\t0.000000\t0.000000",
                   kIdentityRows[1], kIdentityRows[2], kIdentityRows[3]));
    EXPECT_EQ(lines[lines.size() - 3], dump("Final VMR 2 FMR matrix", "-0.500000\t0.000000\t0.000000\t0.000000",
                                            kHalfRows[1], kHalfRows[2], kHalfRows[3]));
}

TEST_F(RunTranscript, TheLastReportedPastMatrixServesBothFmrs) {
    RunWorkspace workspace(true);
    Matrix4 flipped;
    scalingMatrix(flipped, -1.0f, 1.0f, 1.0f);
    workspace.second->reportedPastMatrix = flipped;  // only the second alignment call reports it
    EXPECT_TRUE(workspace.run(1));
    const std::string caption = "Incorporating flip in past VMR transformation";
    int flipsLogged = 0;
    for (const std::string& line : workspace.host.logLines()) {
        flipsLogged += line.rfind(caption, 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(flipsLogged, 2);
}

TEST_F(RunTranscript, TheVmrIsCurrentWhenTheUserIsAskedAndThePromptOffersOneToThree) {
    RunWorkspace workspace(true);
    EXPECT_TRUE(workspace.run(1));
    ASSERT_EQ(workspace.host.prompts().size(), 1u);
    const testing::PromptRecord& prompt = workspace.host.prompts()[0];
    EXPECT_EQ(prompt.text, "Please select a mapping:\n1. FMR -> VMR\n2. VMR -> FMR\n3. FMR -> FMR");
    EXPECT_EQ(prompt.defaultValue, 1);
    EXPECT_EQ(prompt.minimum, 1);
    EXPECT_EQ(prompt.maximum, 3);

    // The documents are visited 1, 2, then 0, and both initial alignments precede the prompt.
    const std::vector<std::string>& calls = workspace.host.calls();
    std::vector<std::string> documentCalls;
    for (const std::string& call : calls) {
        if (call == "kdSetAsCurrentDocument" || call == "kdCalculateIAMatrix" || call == "kdGetIntegerInput" ||
            call == "kdShowLogTab" || call == "kdGetVersionOfKeldra") {
            documentCalls.push_back(call);
        }
    }
    EXPECT_EQ(documentCalls, (std::vector<std::string>{"kdGetVersionOfKeldra", "kdShowLogTab",
                                                       "kdSetAsCurrentDocument", "kdSetAsCurrentDocument",
                                                       "kdSetAsCurrentDocument", "kdCalculateIAMatrix",
                                                       "kdCalculateIAMatrix", "kdGetIntegerInput"}));
    EXPECT_EQ(workspace.host.currentDocument(), 0);
}

}  // namespace
}  // namespace orvane
