// Building documents from image files and describing them for writing.
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

StoredTransforms transformsOf(const ImageDescription& file) {
    return {file.sformCode, file.sform, file.qformCode, file.qform};
}

void applyTransforms(const StoredTransforms& t, ImageDescription& file) {
    file.sformCode = t.sformCode;
    file.sform = t.sform;
    file.qformCode = t.qformCode;
    file.qform = t.qform;
}

void setGrid(const DocumentGeometry& g, ImageDescription& file) {
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

// The display range (cal_min, cal_max) stays when every finite value in memory (all that the
// run can have written) lies within it; values beyond it would show clipped, so it is then
// cleared.
void keepDisplayRangeWhereTrue(const FmrDocument& document, TimingAndLabels& timing) {
    const double low = timing.displayMinimum;
    const double high = timing.displayMaximum;
    if (low == 0 && high == 0) {
        return;
    }
    const auto inside = [&](double v) { return !std::isfinite(v) || (v >= low && v <= high); };
    const bool allInside = std::all_of(document.intData.begin(), document.intData.end(), inside) &&
                           std::all_of(document.floatData.begin(), document.floatData.end(), inside);
    if (!allInside) {
        timing.displayMinimum = 0;
        timing.displayMaximum = 0;
    }
}

}  // namespace

std::string documentName(const std::string& path) {
    std::string name = baseName(path.c_str(), false, false).value_or(std::string());
    if (endsWithExtension(name, ".nii.gz")) {
        name = nameWithoutExtension(name.c_str());
    }
    return endsWithExtension(name, ".nii") ? nameWithoutExtension(name.c_str()) : name;
}

bool fmrKeepsSamples(const ImageDescription& description) {
    return (description.sampleType == SampleType::Int16 || description.sampleType == SampleType::Float32) &&
           !description.isScaled();
}

void convertToFmrFloats(const SampleView& samples, float* floats) {
    for (std::size_t i = 0; i < samples.count; ++i) {
        floats[i] = toSinglePrecision(samples.value(i));
    }
}

bool makeVmrDocument(const std::string& path, const ImageDescription& description, const SampleView& firstVolume,
                     VmrDocument& document, std::string& error) {
    if (description.sampleType == SampleType::Unsupported) {
        error = "holds " + description.sampleTypeName + " data, which an anatomical cannot show";
        return false;
    }
    VmrDocument d;
    if (!adoptGeometry(description, d.geometry, error)) {
        return false;
    }
    d.sourcePath = path;
    d.name = documentName(path);
    d.transforms = transformsOf(description);
    d.header.setDims(description.nx, description.ny, description.nz);
    d.header.setVoxelSize(d.geometry.voxelSize[0], d.geometry.voxelSize[1], d.geometry.voxelSize[2]);
    writePositionRecord(d.geometry, d.position);
    d.voxels = anatomicalBytes(firstVolume, description.sampleTypeName, d.conversion);
    d.fileVolumes = description.volumes;
    if (description.volumes > 1) {
        d.conversion += "; first of " + std::to_string(description.volumes) + " volumes";
    }
    document = std::move(d);
    return true;
}

bool makeVmrDocument(const std::string& path, const VolumeFile& file, VmrDocument& document, std::string& error) {
    SampleView first = file.view();
    first.count = std::min(first.count, file.voxelsPerVolume());
    return makeVmrDocument(path, file, first, document, error);
}

bool makeFmrRecords(const std::string& path, const ImageDescription& description, FmrDocument& document,
                    std::string& error) {
    if (description.sampleType == SampleType::Unsupported) {
        error = "holds " + description.sampleTypeName + " data, which an FMR cannot hold";
        return false;
    }
    FmrDocument d;
    if (!adoptGeometry(description, d.geometry, error)) {
        return false;
    }
    d.sourcePath = path;
    d.transforms = transformsOf(description);
    d.volumes = description.volumes;
    d.timing = description.timing;
    std::string prefix = documentName(path);
    if (!d.header.setStcPrefix(prefix) || !d.header.setFileName(prefix + ".fmr")) {
        error = "has a name too long for an FMR header";
        return false;
    }
    d.header.setDimX(description.nx);
    d.header.setDimY(description.ny);
    d.header.setSlices(description.nz);
    d.header.setVoxelSize(d.geometry.voxelSize[0], d.geometry.voxelSize[1], d.geometry.voxelSize[2]);
    writePositionRecord(d.geometry, d.position);
    if (description.sampleType == SampleType::Int16 && !description.isScaled()) {
        d.header.setDataType(kFmrDataInt16);
        d.conversion = "16-bit integers";
    } else if (description.sampleType == SampleType::Float32 && !description.isScaled()) {
        d.header.setDataType(kFmrDataFloat32);
        d.conversion = "32-bit floats";
    } else {
        d.header.setDataType(kFmrDataFloat32);
        d.conversion = "converted from " + description.sampleTypeName +
                       (description.isScaled() ? " (scaling applied)" : "") + " to 32-bit floats";
    }
    document = std::move(d);
    return true;
}

bool makeFmrDocument(const std::string& path, const VolumeFile& file, FmrDocument& document, std::string& error) {
    FmrDocument d;
    if (!makeFmrRecords(path, file, d, error)) {
        return false;
    }
    const std::size_t count = file.voxelsPerVolume() * static_cast<std::size_t>(file.volumes);
    if (d.header.dataType() == kFmrDataInt16) {
        d.intData.resize(count);
        std::memcpy(d.intData.data(), file.samples.data(), count * sizeof(std::int16_t));
    } else if (fmrKeepsSamples(file)) {
        d.floatData.resize(count);
        std::memcpy(d.floatData.data(), file.samples.data(), count * sizeof(float));
    } else {
        d.floatData.resize(count);
        SampleView samples = file.view();
        samples.count = count;
        convertToFmrFloats(samples, d.floatData.data());
    }
    document = std::move(d);
    return true;
}

ImageDescription vmrDescription(const VmrDocument& document) {
    ImageDescription d;
    setGrid(document.geometry, d);
    d.volumes = 1;
    d.sampleType = SampleType::UInt8;
    applyTransforms(document.transforms, d);
    return d;
}

ImageDescription fmrDescription(const FmrDocument& document) {
    ImageDescription d;
    setGrid(document.geometry, d);
    d.volumes = document.volumes;
    d.sampleType = document.header.dataType() == kFmrDataInt16 ? SampleType::Int16 : SampleType::Float32;
    applyTransforms(document.transforms, d);
    d.timing = document.timing;
    keepDisplayRangeWhereTrue(document, d.timing);
    return d;
}

SampleView fmrSamplesInMemory(const FmrDocument& document) {
    SampleView samples;
    if (document.header.dataType() == kFmrDataInt16) {
        samples.data = reinterpret_cast<const unsigned char*>(document.intData.data());
        samples.count = document.intData.size();
        samples.type = SampleType::Int16;
    } else {
        samples.data = reinterpret_cast<const unsigned char*>(document.floatData.data());
        samples.count = document.floatData.size();
        samples.type = SampleType::Float32;
    }
    return samples;
}

VolumeFile vmrAsVolumeFile(const VmrDocument& document) {
    VolumeFile file;
    static_cast<ImageDescription&>(file) = vmrDescription(document);
    file.samples.assign(document.voxels.begin(), document.voxels.end());
    return file;
}

VolumeFile fmrAsVolumeFile(const FmrDocument& document) {
    VolumeFile file;
    static_cast<ImageDescription&>(file) = fmrDescription(document);
    const SampleView samples = fmrSamplesInMemory(document);
    file.samples.assign(samples.data, samples.data + samples.count * sampleSize(samples.type));
    return file;
}

}  // namespace orvane::keldra
