// Sample access for VolumeFile, independent of the file format.
#include "keldra/nifti/volume_file.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace orvane::keldra {

std::size_t sampleSize(SampleType type) {
    switch (type) {
        case SampleType::UInt8:
        case SampleType::Int8:
            return 1;
        case SampleType::Int16:
        case SampleType::UInt16:
            return 2;
        case SampleType::Int32:
        case SampleType::UInt32:
        case SampleType::Float32:
            return 4;
        case SampleType::Int64:
        case SampleType::UInt64:
        case SampleType::Float64:
            return 8;
        case SampleType::Unsupported:
            break;
    }
    return 0;
}

bool isIntegerSampleType(SampleType type) {
    return type != SampleType::Float32 && type != SampleType::Float64 && type != SampleType::Unsupported;
}

namespace {

template <typename T>
double rawAt(const unsigned char* data, std::size_t i) {
    T v;
    std::memcpy(&v, data + i * sizeof(T), sizeof(T));
    return static_cast<double>(v);
}

template <typename T>
std::size_t countNonFinite(const unsigned char* data, std::size_t count) {
    std::size_t found = 0;
    for (std::size_t i = 0; i < count; ++i) {
        T v;
        std::memcpy(&v, data + i * sizeof(T), sizeof(T));
        found += std::isfinite(v) ? 0 : 1;
    }
    return found;
}

}  // namespace

SampleView VolumeFile::view() const {
    const std::size_t size = sampleSize(sampleType);
    return {samples.data(), size == 0 ? 0 : samples.size() / size, sampleType, slope, intercept};
}

double SampleView::value(std::size_t i) const {
    double raw = 0;
    switch (type) {
        case SampleType::UInt8: raw = rawAt<std::uint8_t>(data, i); break;
        case SampleType::Int8: raw = rawAt<std::int8_t>(data, i); break;
        case SampleType::Int16: raw = rawAt<std::int16_t>(data, i); break;
        case SampleType::UInt16: raw = rawAt<std::uint16_t>(data, i); break;
        case SampleType::Int32: raw = rawAt<std::int32_t>(data, i); break;
        case SampleType::UInt32: raw = rawAt<std::uint32_t>(data, i); break;
        case SampleType::Int64: raw = rawAt<std::int64_t>(data, i); break;
        case SampleType::UInt64: raw = rawAt<std::uint64_t>(data, i); break;
        case SampleType::Float32: raw = rawAt<float>(data, i); break;
        case SampleType::Float64: raw = rawAt<double>(data, i); break;
        case SampleType::Unsupported: return 0;
    }
    return slope != 0 ? slope * raw + intercept : raw;
}

std::size_t nonFiniteSamples(const SampleView& samples) {
    if (samples.type != SampleType::Float32 && samples.type != SampleType::Float64) {
        return 0;
    }
    if (samples.isScaled()) {
        // Scaling can carry a finite sample beyond the range of doubles.
        std::size_t found = 0;
        for (std::size_t i = 0; i < samples.count; ++i) {
            found += std::isfinite(samples.value(i)) ? 0 : 1;
        }
        return found;
    }
    return samples.type == SampleType::Float32 ? countNonFinite<float>(samples.data, samples.count)
                                               : countNonFinite<double>(samples.data, samples.count);
}

}  // namespace orvane::keldra
