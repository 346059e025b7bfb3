// Carrying out the chosen mapping around the projections: the host calls (logging, refresh,
// write-back, saving) happen here, the resampling itself in projection/.
#include "run/chosen_mapping.h"

#include <optional>
#include <vector>

#include "geometry/matrix_inversion.h"
#include "geometry/vmr_to_fmr_matrix.h"
#include "host/host_api.h"
#include "projection/projections.h"
#include "run/fmr_renaming.h"
#include "run/fmr_write_back.h"
#include "run/run_log.h"

namespace orvane {

namespace {

constexpr const char* kReloadHint = "Reload FMR(s) and detach any AMRs to see the projection!";

VolumeView<unsigned char> vmrVolume(WorkingSet& set) { return {set.vmrVoxels, set.vmrGrid}; }

VolumeView<const float> intensitiesOf(const FmrWorkingCopy& fmr) { return {fmr.intensities.data(), fmr.grid}; }

VolumeView<float> writableIntensitiesOf(FmrWorkingCopy& fmr) { return {fmr.intensities.data(), fmr.grid}; }

Matrix4 vmrVoxelToFmrVoxel(const WorkingSet& set, const FmrWorkingCopy& fmr) {
    return computeVmrToFmrMatrix(fmr.header, fmr.position, set.vmrHeader, set.pastMatrix, fmr.initialAlignment,
                                 hostMatrixLog());
}

// Mode 1 for one FMR: its final mapping logged, its intensities projected into the host's VMR
// voxels, the window refreshed.
void projectFmrIntoVmrAndRefresh(WorkingSet& set, const FmrWorkingCopy& fmr) {
    const Matrix4 mapping = vmrVoxelToFmrVoxel(set, fmr);
    logMatrix(mapping, "Final FMR to VMR mapping");
    projectFmrIntoVmr(mapping, intensitiesOf(fmr), vmrVolume(set));
    hostApi().kdUpdateActiveWindow();
}

// Mode 2 for one FMR: the VMR projected into the FMR's intensity buffer, which is written back
// later. False when the mapping cannot be turned around; the buffer is then untouched.
bool projectVmrIntoFmrBuffer(WorkingSet& set, FmrWorkingCopy& fmr) {
    const std::optional<Matrix4> fmrVoxelToVmrVoxel = invertMapping(vmrVoxelToFmrVoxel(set, fmr));
    if (!fmrVoxelToVmrVoxel) {
        logText(fmrDocumentName(fmr.documentIndex) +
                " is neither projected nor saved: its mapping from VMR to FMR voxels can not be inverted.");
        return false;
    }
    logMatrix(*fmrVoxelToVmrVoxel, "Final VMR to FMR mapping");
    projectVmrIntoFmr(*fmrVoxelToVmrVoxel, {set.vmrVoxels, set.vmrGrid}, writableIntensitiesOf(fmr));
    return true;
}

// Makes the FMR current, writes its buffer into its data, renames it and saves it. When the
// new names do not fit, or the host has no data to write into, it logs why and leaves the
// document as it was. True when the FMR was saved.
bool writeBackAndSave(FmrWorkingCopy& fmr, const FmrSaveNames& names, bool announceNewName) {
    const HostApi& host = hostApi();
    host.kdSetAsCurrentDocument(fmr.documentIndex);
    const std::optional<FmrHeader> renamed = renamedHeader(fmr.header, names);
    if (!renamed) {
        logText(fmrDocumentName(fmr.documentIndex) + " can not be saved under the new name " + names.fileName +
                ": the name does not fit in the FMR header.");
        return false;
    }
    if (!writeBackIntoCurrentFmr(fmr.header, fmr.intensities)) {
        logText(fmrDocumentName(fmr.documentIndex) +
                " can not be saved: the host returned no data to write the projection into.");
        return false;
    }
    fmr.header = *renamed;
    if (announceNewName) {
        logText("New name for mapping from second to first FMR:");
        logText(fmr.header.fileName());
    }
    host.kdSetHeaderOfCurrentFMR(&fmr.header);
    host.kdSaveFMRAndSTC(fmr.header.fileNameField(), fmr.header.stcPrefixField());
    return true;
}

void mapFmrsIntoVmr(WorkingSet& set) {
    logText("Projecting FMRs in VMR");
    for (const FmrWorkingCopy& fmr : set.fmrs) {
        projectFmrIntoVmrAndRefresh(set, fmr);
    }
}

void mapVmrIntoFmrs(WorkingSet& set) {
    logText("Projecting VMR in FMR");
    std::vector<FmrWorkingCopy*> projected;
    for (FmrWorkingCopy& fmr : set.fmrs) {
        if (projectVmrIntoFmrBuffer(set, fmr)) {
            projected.push_back(&fmr);
        }
    }
    bool anySaved = false;
    for (FmrWorkingCopy* fmr : projected) {
        anySaved = writeBackAndSave(*fmr, namesForVmrProjection(fmr->header.stcPrefix()), false) || anySaved;
    }
    if (anySaved) {
        logText(kReloadHint);
    }
}

void mapFmrsIntoVmrAndSecondIntoFirst(WorkingSet& set) {
    logText("Projecting FMR1,FMR2->VMR and FMR2->FMR1");
    if (!set.hasSecondFmr()) {
        logText("No second FMR available, FMR to FMR mapping not possible; FMR will be mapped to VMR.");
        projectFmrIntoVmrAndRefresh(set, set.fmrs[0]);
        return;
    }
    FmrWorkingCopy& first = set.fmrs[0];
    const FmrWorkingCopy& second = set.fmrs[1];
    const Matrix4 vmrVoxelToFirstFmrVoxel = vmrVoxelToFmrVoxel(set, first);
    logMatrix(vmrVoxelToFirstFmrVoxel, "Final FMR 1 to VMR mapping");
    const Matrix4 vmrVoxelToSecondFmrVoxel = vmrVoxelToFmrVoxel(set, second);
    logMatrix(vmrVoxelToSecondFmrVoxel, "Final FMR 2 to VMR mapping");
    projectTwoFmrs(vmrVoxelToFirstFmrVoxel, vmrVoxelToSecondFmrVoxel, writableIntensitiesOf(first),
                   intensitiesOf(second), vmrVolume(set));
    hostApi().kdUpdateActiveWindow();

    if (writeBackAndSave(first, namesForSecondIntoFirst(first.header.stcPrefix(), second.header.stcPrefix()), true)) {
        logText(kReloadHint);
    }
}

}  // namespace

void carryOutMapping(WorkingSet& set, int choice) {
    switch (choice) {
        case kMappingFmrIntoVmr:
            mapFmrsIntoVmr(set);
            break;
        case kMappingVmrIntoFmr:
            mapVmrIntoFmrs(set);
            break;
        default:
            mapFmrsIntoVmrAndSecondIntoFirst(set);
            break;
    }
    hostApi().kdUpdateActiveWindow();
}

}  // namespace orvane
