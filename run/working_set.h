// Everything an alignment run gathers from the host before it projects: per FMR its records,
// its normalised first volume and the host's initial alignment; the VMR's records and voxels;
// the past-transformation matrix. The run owns all of it except the voxels and data arrays,
// which belong to the host and are only reached through pointers.
#pragma once

#include <memory>
#include <vector>

#include "geometry/matrix4.h"
#include "host/records.h"
#include "projection/voxel_grid.h"

namespace orvane {

struct FmrWorkingCopy {
    int documentIndex = 0;  // 1 for the first FMR, 2 for the second
    FmrHeader header{};
    PositionHeader position{};
    GridSize grid;
    std::vector<float> intensities;  // the first volume scaled to 0..225, one value per voxel
    Matrix4 initialAlignment{};      // FMR to VMR, as the host computed it
};

struct WorkingSet {
    std::vector<FmrWorkingCopy> fmrs;  // one or two
    VmrHeader vmrHeader{};
    PositionHeader vmrPosition{};
    PastTransformations pastTransformations{};
    GridSize vmrGrid;
    unsigned char* vmrVoxels = nullptr;  // the host's, written in place
    Matrix4 pastMatrix{};                // from the last kdCalculateIAMatrix call

    bool hasSecondFmr() const { return fmrs.size() > 1; }
};

// Checks the workspace, reads both kinds of document and asks the host for the initial
// alignments, logging as it goes (from "Check available projects..." to the last initial
// alignment). On a refusal it has logged one sentence saying which document is unusable and
// why, and returns null; nothing of the host's has been changed.
std::unique_ptr<WorkingSet> prepareWorkingSet();

}  // namespace orvane
