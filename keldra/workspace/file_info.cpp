// Describing an image file as the host sees it.
#include "keldra/workspace/file_info.h"

#include <iomanip>
#include <ostream>
#include <sstream>

#include "keldra/geometry/orientation.h"
#include "keldra/workspace/document_builder.h"
#include "keldra/workspace/document_geometry.h"
#include "keldra/workspace/initial_alignment.h"
#include "keldra/workspace/position_record.h"
#include "keldra/nifti/volume_file.h"
#include "keldra/workspace/workspace_loader.h"

namespace orvane::keldra {

namespace {

std::string point(const Vector3d& p) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(3) << "(" << p.x << ", " << p.y << ", " << p.z << ") mm";
    return text.str();
}

// The orientation letter of a direction with the side's name, such as "A (anterior)".
std::string directionText(const Vector3d& direction) {
    const char letter = orientationLetter(direction);
    const char* side = letter == 'R'   ? "right"
                       : letter == 'L' ? "left"
                       : letter == 'A' ? "anterior"
                       : letter == 'P' ? "posterior"
                       : letter == 'S' ? "superior"
                                       : "inferior";
    return std::string(1, letter) + " (" + side + ")";
}

std::string sliceOrderText(const DocumentGeometry& geometry, const PositionHeader& record) {
    std::ostringstream text;
    if (geometry.grid[2] < 2) {
        text << "a single slice";
    } else {
        text << "from the first to the last slice towards " << directionText(sliceCentre(geometry, geometry.grid[2] - 1) -
                                                                              sliceCentre(geometry, 0));
    }
    SliceOrderFlip flip = sliceOrderFlip(record.firstSliceCentre(), record.lastSliceCentre());
    text << "; the plug-in's slice-order flip as an FMR: ";
    if (flip.z < 0) {
        text << "slice axis negated";
    } else if (flip.x < 0) {
        text << "x axis negated";
    } else {
        text << "none";
    }
    return text.str();
}

std::string functionalStorage(const VolumeFile& file) {
    if (file.sampleType == SampleType::Int16 && !file.isScaled()) {
        return "16-bit integers (STC data type 1)";
    }
    if (file.sampleType == SampleType::Float32 && !file.isScaled()) {
        return "32-bit floats (STC data type 2)";
    }
    return "converted to 32-bit floats (STC data type 2)";
}

// The time between volumes with its unit, as the header gives it.
std::string timeStepText(const VolumeFile& file) {
    if (file.volumes < 2 && file.timing.timeStep == 0) {
        return "none (a single volume)";
    }
    std::ostringstream text;
    text << file.timing.timeStep;
    switch (file.timing.timeUnits) {
        case kUnitsSecond: text << " s"; break;
        case kUnitsMillisecond: text << " ms"; break;
        case kUnitsMicrosecond: text << " us"; break;
        default: text << " (the header gives no time unit)"; break;
    }
    if (!file.timing.timeStepUsable()) {
        text << ", which is no usable time step";
    }
    return text.str();
}

}  // namespace

bool describeFile(const std::string& path, std::ostream& out, std::string& error, const VolumeReadLimits& limits) {
    VolumeFile file;
    std::string problem;
    if (!readVolumeFile(path, limits, file, problem)) {
        error = path + ": " + problem;
        return false;
    }
    if (file.sampleType == SampleType::Unsupported) {
        error = path + ": holds " + file.sampleTypeName + " data, which the host cannot open";
        return false;
    }
    DocumentGeometry geometry;
    if (!adoptGeometry(file, geometry, problem)) {
        error = path + ": " + problem;
        return false;
    }
    PositionHeader record{};
    writePositionRecord(geometry, record);

    std::string conversion;
    anatomicalBytes(file, conversion);
    out << "File:               " << path << "\n";
    out << "Grid:               " << file.nx << " x " << file.ny << " x " << file.nz << " voxels, " << file.volumes
        << (file.volumes == 1 ? " volume" : " volumes") << "\n";
    out << "Voxel size:         " << file.voxelSize[0] << " x " << file.voxelSize[1] << " x " << file.voxelSize[2]
        << " mm\n";
    out << "Data type:          " << file.sampleTypeName;
    if (file.isScaled()) {
        out << " (scaled: slope " << file.slope << ", intercept " << file.intercept << ")";
    }
    out << "\n";
    out << "  as a VMR:         " << conversion << "\n";
    out << "  as an FMR:        " << functionalStorage(file) << "\n";
    out << "Transform used:     " << affineSourceName(geometry.source) << " (" << spaceName(geometry.transformCode)
        << ", code " << geometry.transformCode << ")\n";
    out << "Transform codes:    sform " << file.sformCode << " (" << spaceName(file.sformCode) << "), qform "
        << file.qformCode << " (" << spaceName(file.qformCode) << ")\n";
    out << "Time step (TR):     " << timeStepText(file) << "\n";
    std::string letters = orientationLetters(geometry.voxelToWorld);
    out << "Orientation:        " << letters << " (the voxel axes point towards " << letters[0] << ", " << letters[1]
        << ", " << letters[2] << ")\n";
    out << "Slice order:        " << sliceOrderText(geometry, record) << "\n";
    out << "First slice centre: " << point(sliceCentre(geometry, 0)) << "\n";
    out << "Last slice centre:  " << point(sliceCentre(geometry, geometry.grid[2] - 1)) << "\n";
    for (const Warning& warning : fileWarnings(path, file, kFmrDocumentType)) {
        out << warningText(warning) << "\n";
    }
    return true;
}

}  // namespace orvane::keldra
