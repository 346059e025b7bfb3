// The FMR side of run preparation.
#include "run/fmr_reading.h"

#include <cstdint>
#include <string>

#include "host/host_api.h"
#include "host/host_protocol.h"
#include "run/intensity_normalisation.h"
#include "run/run_log.h"

namespace orvane {

namespace {

// The first volume converted to floats; nothing when the host hands out no data.
template <typename Value>
std::optional<std::vector<float>> copyFirstVolume(Value** volumes, std::size_t count) {
    if (volumes == nullptr || volumes[0] == nullptr) {
        return std::nullopt;
    }
    const Value* first = volumes[0];
    std::vector<float> values(count);
    for (std::size_t i = 0; i < count; ++i) {
        values[i] = static_cast<float>(first[i]);
    }
    return values;
}

}  // namespace

std::optional<FmrWorkingCopy> readCurrentFmr(int documentIndex) {
    const HostApi& host = hostApi();
    FmrWorkingCopy fmr;
    fmr.documentIndex = documentIndex;
    host.kdGetHeaderOfCurrentFMR(&fmr.header);
    host.kdGetScannerPositionHeaderOfCurrentFMR(&fmr.position);

    fmr.grid = {fmr.header.dimX(), fmr.header.dimY(), fmr.header.slices()};
    const std::optional<std::size_t> count = checkedVoxelCount(fmr.grid, sizeof(float));
    if (!count) {
        logText(fmrDocumentName(documentIndex) + " can not be used: its grid of " + gridText(fmr.grid) +
                " voxels is empty or too large.");
        return std::nullopt;
    }

    std::optional<std::vector<float>> values;
    const std::int32_t dataType = fmr.header.dataType();
    if (dataType == kFmrDataInt16) {
        values = copyFirstVolume(host.kdGetSTCIntDataOfCurrentFMR(), *count);
    } else if (dataType == kFmrDataFloat32) {
        values = copyFirstVolume(host.kdGetSTCFloatDataOfCurrentFMR(), *count);
    } else {
        logText(fmrDocumentName(documentIndex) + " can not be used: its data type " + integerText(dataType) +
                " is neither 1 (16-bit integers) nor 2 (32-bit floats).");
        return std::nullopt;
    }
    if (!values) {
        logText(fmrDocumentName(documentIndex) + " can not be used: the host returned no data for it.");
        return std::nullopt;
    }

    fmr.intensities = std::move(*values);
    if (normaliseToDisplayRange(fmr.intensities) == NormalisationOutcome::Constant) {
        logText(fmrDocumentName(documentIndex) +
                " has a constant first volume, so all its intensities are set to 0.");
    }
    return fmr;
}

}  // namespace orvane
