// Sample access for VolumeFile, independent of the file format.
#include "keldra/nifti/volume_file.h"

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
double rawAt(const std::vector<unsigned char>& samples, std::size_t i) {
    T v;
    std::memcpy(&v, samples.data() + i * sizeof(T), sizeof(T));
    return static_cast<double>(v);
}

}  // namespace

double VolumeFile::value(std::size_t i) const {
    double raw = 0;
    switch (sampleType) {
        case SampleType::UInt8: raw = rawAt<std::uint8_t>(samples, i); break;
        case SampleType::Int8: raw = rawAt<std::int8_t>(samples, i); break;
        case SampleType::Int16: raw = rawAt<std::int16_t>(samples, i); break;
        case SampleType::UInt16: raw = rawAt<std::uint16_t>(samples, i); break;
        case SampleType::Int32: raw = rawAt<std::int32_t>(samples, i); break;
        case SampleType::UInt32: raw = rawAt<std::uint32_t>(samples, i); break;
        case SampleType::Int64: raw = rawAt<std::int64_t>(samples, i); break;
        case SampleType::UInt64: raw = rawAt<std::uint64_t>(samples, i); break;
        case SampleType::Float32: raw = rawAt<float>(samples, i); break;
        case SampleType::Float64: raw = rawAt<double>(samples, i); break;
        case SampleType::Unsupported: return 0;
    }
    return slope != 0 ? slope * raw + intercept : raw;
}

}  // namespace orvane::keldra
