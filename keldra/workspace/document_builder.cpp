// Building documents from image files and turning them back into file content.
#include "keldra/workspace/document_builder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include "keldra/workspace/position_record.h"
#include "util/file_names.h"

namespace orvane::keldra {

namespace {

StoredTransforms transformsOf(const VolumeFile& file) {
    return {file.sformCode, file.sform, file.qformCode, file.qform};
}

void applyTransforms(const StoredTransforms& t, VolumeFile& file) {
    file.sformCode = t.sformCode;
    file.sform = t.sform;
    file.qformCode = t.qformCode;
    file.qform = t.qform;
}

void setGrid(const DocumentGeometry& g, VolumeFile& file) {
    file.nx = g.grid[0];
    file.ny = g.grid[1];
    file.nz = g.grid[2];
    for (int i = 0; i < 3; ++i) {
        file.voxelSize[i] = g.voxelSize[i];
    }
}

// Values beyond single precision's range become infinities, as the host's float data holds
// them, rather than an undefined conversion.
float toSinglePrecision(double value) {
    if (value > std::numeric_limits<float>::max()) {
        return std::numeric_limits<float>::infinity();
    }
    if (value < -std::numeric_limits<float>::max()) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

// True when `name` ends in `extension` and has a name before it.
bool endsWithExtension(const std::string& name, const std::string& extension) {
    return name.size() > extension.size() &&
           name.compare(name.size() - extension.size(), extension.size(), extension) == 0;
}

// An integer anatomical within 0..225 keeps its values; false, touching nothing, otherwise.
bool keepAsItIs(const VolumeFile& file, std::vector<std::uint8_t>& bytes, std::string& note) {
    if (!isIntegerSampleType(file.sampleType) || file.isScaled()) {
        return false;
    }
    const std::size_t count = bytes.size();
    double low = file.value(0), high = low;
    for (std::size_t i = 1; i < count; ++i) {
        double v = file.value(i);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    if (!(low >= 0 && high <= kAnatomicalTop)) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(file.value(i));
    }
    note = "kept as it is (integers within 0.." + std::to_string(static_cast<int>(high)) + ")";
    return true;
}

// The minimum of the finite values and the value that is to become 225: the 99.5th percentile,
// or the maximum when a volume that is mostly background has its percentile at the minimum.
// False when there are no finite values.
bool scaleRange(const VolumeFile& file, std::size_t count, double& low, double& top) {
    std::vector<double> finite;
    finite.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        double v = file.value(i);
        if (std::isfinite(v)) {
            finite.push_back(v);
        }
    }
    if (finite.empty()) {
        return false;
    }
    low = *std::min_element(finite.begin(), finite.end());
    double high = *std::max_element(finite.begin(), finite.end());
    auto rank = static_cast<std::size_t>(std::floor(kAnatomicalPercentile * static_cast<double>(finite.size() - 1)));
    std::nth_element(finite.begin(), finite.begin() + static_cast<std::ptrdiff_t>(rank), finite.end());
    top = finite[rank];
    if (!(top > low)) {
        top = high;
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> anatomicalBytes(const VolumeFile& file, std::string& note) {
    const std::size_t count = file.voxelsPerVolume();
    std::vector<std::uint8_t> bytes(count, 0);
    if (count == 0 || keepAsItIs(file, bytes, note)) {
        return bytes;
    }
    double low = 0, top = 0;
    if (!scaleRange(file, count, low, top)) {
        note = "no finite values; all voxels set to 0";
        return bytes;
    }
    std::ostringstream text;
    if (!(top > low)) {
        text << "constant value " << low << "; all voxels set to 0";
        note = text.str();
        return bytes;
    }
    // In halves, so that the span of two finite values cannot overflow (the result is the same:
    // halving is exact). A span so small that the factor overflows leaves NaN for the minimum
    // itself, which becomes 0 like everything below the range.
    double factor = kAnatomicalTop / (top / 2 - low / 2);
    for (std::size_t i = 0; i < count; ++i) {
        double v = file.value(i);
        if (!std::isfinite(v)) {
            continue;
        }
        double scaled = std::round((v / 2 - low / 2) * factor);
        bytes[i] = scaled > 0 ? static_cast<std::uint8_t>(std::fmin(scaled, kAnatomicalTop)) : 0;
    }
    text << "scaled linearly from " << file.sampleTypeName << ": minimum " << low << " -> 0, 99.5th percentile " << top
         << " -> " << kAnatomicalTop << ", clamped";
    note = text.str();
    return bytes;
}

std::string documentName(const std::string& path) {
    std::string name = baseName(path.c_str(), false, false).value_or(std::string());
    if (endsWithExtension(name, ".nii.gz")) {
        name = nameWithoutExtension(name.c_str());
    }
    return endsWithExtension(name, ".nii") ? nameWithoutExtension(name.c_str()) : name;
}

bool makeVmrDocument(const std::string& path, const VolumeFile& file, VmrDocument& document, std::string& error) {
    if (file.sampleType == SampleType::Unsupported) {
        error = "holds " + file.sampleTypeName + " data, which an anatomical cannot show";
        return false;
    }
    VmrDocument d;
    if (!adoptGeometry(file, d.geometry, error)) {
        return false;
    }
    d.sourcePath = path;
    d.name = documentName(path);
    d.transforms = transformsOf(file);
    d.header.setDims(file.nx, file.ny, file.nz);
    d.header.setVoxelSize(d.geometry.voxelSize[0], d.geometry.voxelSize[1], d.geometry.voxelSize[2]);
    writePositionRecord(d.geometry, d.position);
    d.voxels = anatomicalBytes(file, d.conversion);
    if (file.volumes > 1) {
        d.conversion += "; first of " + std::to_string(file.volumes) + " volumes";
    }
    document = std::move(d);
    return true;
}

bool makeFmrDocument(const std::string& path, const VolumeFile& file, FmrDocument& document, std::string& error) {
    if (file.sampleType == SampleType::Unsupported) {
        error = "holds " + file.sampleTypeName + " data, which an FMR cannot hold";
        return false;
    }
    FmrDocument d;
    if (!adoptGeometry(file, d.geometry, error)) {
        return false;
    }
    d.sourcePath = path;
    d.transforms = transformsOf(file);
    d.volumes = file.volumes;
    std::string prefix = documentName(path);
    if (!d.header.setStcPrefix(prefix) || !d.header.setFileName(prefix + ".fmr")) {
        error = "has a name too long for an FMR header";
        return false;
    }
    d.header.setDimX(file.nx);
    d.header.setDimY(file.ny);
    d.header.setSlices(file.nz);
    d.header.setVoxelSize(d.geometry.voxelSize[0], d.geometry.voxelSize[1], d.geometry.voxelSize[2]);
    writePositionRecord(d.geometry, d.position);

    const std::size_t count = file.voxelsPerVolume() * static_cast<std::size_t>(file.volumes);
    if (file.sampleType == SampleType::Int16 && !file.isScaled()) {
        d.header.setDataType(kFmrDataInt16);
        d.intData.resize(count);
        std::memcpy(d.intData.data(), file.samples.data(), count * sizeof(std::int16_t));
        d.conversion = "16-bit integers";
    } else if (file.sampleType == SampleType::Float32 && !file.isScaled()) {
        d.header.setDataType(kFmrDataFloat32);
        d.floatData.resize(count);
        std::memcpy(d.floatData.data(), file.samples.data(), count * sizeof(float));
        d.conversion = "32-bit floats";
    } else {
        d.header.setDataType(kFmrDataFloat32);
        d.floatData.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            d.floatData[i] = toSinglePrecision(file.value(i));
        }
        d.conversion = "converted from " + file.sampleTypeName + (file.isScaled() ? " (scaling applied)" : "") +
                       " to 32-bit floats";
    }
    document = std::move(d);
    return true;
}

VolumeFile vmrAsVolumeFile(const VmrDocument& document) {
    VolumeFile file;
    setGrid(document.geometry, file);
    file.volumes = 1;
    file.sampleType = SampleType::UInt8;
    file.samples.assign(document.voxels.begin(), document.voxels.end());
    applyTransforms(document.transforms, file);
    return file;
}

VolumeFile fmrAsVolumeFile(const FmrDocument& document) {
    VolumeFile file;
    setGrid(document.geometry, file);
    file.volumes = document.volumes;
    applyTransforms(document.transforms, file);
    const unsigned char* begin = nullptr;
    std::size_t bytes = 0;
    if (document.header.dataType() == kFmrDataInt16) {
        file.sampleType = SampleType::Int16;
        begin = reinterpret_cast<const unsigned char*>(document.intData.data());
        bytes = document.intData.size() * sizeof(std::int16_t);
    } else {
        file.sampleType = SampleType::Float32;
        begin = reinterpret_cast<const unsigned char*>(document.floatData.data());
        bytes = document.floatData.size() * sizeof(float);
    }
    file.samples.assign(begin, begin + bytes);
    return file;
}

}  // namespace orvane::keldra
