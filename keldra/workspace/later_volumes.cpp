// Reading a functional's later volumes when they are needed.
#include "keldra/workspace/later_volumes.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "keldra/workspace/document_builder.h"

namespace orvane::keldra {

namespace {

// About this much of the file is read and handed over at a time.
constexpr std::size_t kPieceBytes = std::size_t{4} << 20;

}  // namespace

LaterVolumes::LaterVolumes(std::string path, const VolumeReadLimits& limits, const ImageDescription& description,
                           const FileStamp& stamp)
    : path_(std::move(path)), limits_(limits), description_(description), stamp_(stamp) {}

bool LaterVolumes::read(SampleSink& sink, std::string& error) const {
    std::unique_ptr<VolumeFileReader> reader = openVolumeFile(path_, limits_, error);
    if (!reader) {
        return false;
    }
    const ImageDescription& now = reader->description();
    if (!(reader->stamp() == stamp_) || now.volumes != description_.volumes ||
        now.volumeBytes() != description_.volumeBytes() || now.sampleType != description_.sampleType) {
        error = "has changed since keldra opened it, so its volumes cannot be saved as they were";
        return false;
    }
    // Streamed, never mapped, so that only a few pieces are in memory at any time. The first
    // volume is the document's own.
    const std::size_t volumeBytes = description_.volumeBytes();
    std::vector<unsigned char> stored(volumeBytes);
    if (!reader->readVolumes(1, stored.data(), error)) {
        return false;
    }
    const bool keep = fmrKeepsSamples(description_);
    const int perPiece = static_cast<int>(std::max<std::size_t>(1, kPieceBytes / std::max<std::size_t>(volumeBytes, 1)));
    for (int volume = 1; volume < description_.volumes; volume += perPiece) {
        const int count = std::min(perPiece, description_.volumes - volume);
        const std::size_t voxels = description_.voxelsPerVolume() * static_cast<std::size_t>(count);
        stored.resize(voxels * sampleSize(description_.sampleType));
        if (!reader->readVolumes(count, stored.data(), error)) {
            return false;
        }
        std::vector<unsigned char> piece;
        if (keep) {
            piece.swap(stored);
        } else {
            piece.resize(voxels * sizeof(float));
            convertToFmrFloats({stored.data(), voxels, description_.sampleType, description_.slope,
                                description_.intercept},
                               reinterpret_cast<float*>(piece.data()));
        }
        if (!sink.append(std::move(piece))) {
            return false;
        }
    }
    return true;
}

std::optional<UnchangedInputSamples> LaterVolumes::unchangedSamples() const {
    if (!fmrKeepsSamples(description_)) {
        return std::nullopt;
    }
    return UnchangedInputSamples{path_, description_, stamp_, limits_};
}

}  // namespace orvane::keldra
