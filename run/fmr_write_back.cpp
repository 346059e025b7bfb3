// Write-back of projected buffers, with conversions that are defined for every float.
#include "run/fmr_write_back.h"

#include <cmath>

#include "host/host_api.h"
#include "host/host_protocol.h"

namespace orvane {

std::int16_t storedInt16(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 32767.0f) {
        return 32767;
    }
    if (value <= -32768.0f) {
        return -32768;
    }
    return static_cast<std::int16_t>(static_cast<std::int32_t>(value));
}

bool writeBackIntoCurrentFmr(const FmrHeader& header, const std::vector<float>& values) {
    const HostApi& host = hostApi();
    if (header.dataType() == kFmrDataInt16) {
        short** volumes = host.kdGetSTCIntDataOfCurrentFMR();
        if (volumes == nullptr || volumes[0] == nullptr) {
            return false;
        }
        short* first = volumes[0];
        for (std::size_t i = 0; i < values.size(); ++i) {
            first[i] = storedInt16(values[i]);
        }
        return true;
    }
    if (header.dataType() == kFmrDataFloat32) {
        float** volumes = host.kdGetSTCFloatDataOfCurrentFMR();
        if (volumes == nullptr || volumes[0] == nullptr) {
            return false;
        }
        float* first = volumes[0];
        for (std::size_t i = 0; i < values.size(); ++i) {
            first[i] = values[i];
        }
        return true;
    }
    return false;
}

}  // namespace orvane
