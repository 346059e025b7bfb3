// Run preparation: the workspace check, the FMR and VMR reads and the initial alignments.
#include "run/working_set.h"

#include <string>

#include "host/host_api.h"
#include "host/host_protocol.h"
#include "run/fmr_reading.h"
#include "run/run_log.h"

namespace orvane {

namespace {

constexpr int kVmrDocument = 0;
constexpr int kFirstFmrDocument = 1;
constexpr int kSecondFmrDocument = 2;

// The VMR must come first and an FMR second; a third document counts only when it is an FMR.
// Types are asked for in document order and only as far as the answer needs.
std::optional<bool> checkWorkspace() {
    const HostApi& host = hostApi();
    const int documents = host.kdGetNumberOfDocsInWorkspace();
    if (documents < 2 || host.kdGetDocumentType(kVmrDocument) != kVmrDocumentType ||
        host.kdGetDocumentType(kFirstFmrDocument) != kFmrDocumentType) {
        logText("Document 1 needs to be a VMR and Document 2 an FMR (Document 3 FMR is optional)");
        return std::nullopt;
    }
    return documents > 2 && host.kdGetDocumentType(kSecondFmrDocument) == kFmrDocumentType;
}

bool readVmr(WorkingSet& set) {
    const HostApi& host = hostApi();
    host.kdGetMainHeaderOfCurrentVMR(&set.vmrHeader);
    set.vmrGrid = {set.vmrHeader.dimX(), set.vmrHeader.dimY(), set.vmrHeader.dimZ()};
    if (!checkedVoxelCount(set.vmrGrid, 1)) {
        logText(vmrDocumentName() + " can not be used: its grid of " + gridText(set.vmrGrid) +
                " voxels is empty or too large.");
        return false;
    }
    // The host reports the grid here too; the header is what the run goes by.
    int dimX = 0;
    int dimY = 0;
    int dimZ = 0;
    set.vmrVoxels = host.kdGetCurrentVMR(&dimX, &dimY, &dimZ);
    if (set.vmrVoxels == nullptr) {
        logText(vmrDocumentName() + " can not be used: the host returned no voxels for it.");
        return false;
    }
    host.kdGetScannerPositionHeaderOfCurrentVMR(&set.vmrPosition);
    host.kdGetPastTransformationsHeaderOfCurrentVMR(&set.pastTransformations);
    return true;
}

// The host's initial alignment of one FMR; every call also reports the past-transformation
// matrix, and the last call's report is the one the run keeps.
void calculateInitialAlignment(WorkingSet& set, FmrWorkingCopy& fmr) {
    int ignored[6] = {};
    hostApi().kdCalculateIAMatrix(&fmr.position, &set.vmrPosition, &set.pastTransformations, fmr.initialAlignment.m,
                                  set.pastMatrix.m, &ignored[0], &ignored[1], &ignored[2], &ignored[3], &ignored[4],
                                  &ignored[5]);
}

}  // namespace

std::unique_ptr<WorkingSet> prepareWorkingSet() {
    const HostApi& host = hostApi();
    logText("Check available projects...");
    const std::optional<bool> hasSecondFmr = checkWorkspace();
    if (!hasSecondFmr) {
        return nullptr;
    }

    auto set = std::make_unique<WorkingSet>();
    identityMatrix(set->pastMatrix);

    logText("Get FMR header...");
    host.kdSetAsCurrentDocument(kFirstFmrDocument);
    std::optional<FmrWorkingCopy> first = readCurrentFmr(kFirstFmrDocument);
    if (!first) {
        return nullptr;
    }
    set->fmrs.push_back(std::move(*first));

    logText("Get FMR 2 header...");
    if (*hasSecondFmr) {
        host.kdSetAsCurrentDocument(kSecondFmrDocument);
        std::optional<FmrWorkingCopy> second = readCurrentFmr(kSecondFmrDocument);
        if (!second) {
            return nullptr;
        }
        set->fmrs.push_back(std::move(*second));
    }

    logText("Get VMR header...");
    host.kdSetAsCurrentDocument(kVmrDocument);
    if (!readVmr(*set)) {
        return nullptr;
    }

    calculateInitialAlignment(*set, set->fmrs[0]);
    logMatrix(set->fmrs[0].initialAlignment, "Initial FMR1 to VMR mapping");
    if (set->hasSecondFmr()) {
        calculateInitialAlignment(*set, set->fmrs[1]);
        logMatrix(set->fmrs[1].initialAlignment, "Initial FMR2 to VMR mapping");
    }
    return set;
}

}  // namespace orvane
