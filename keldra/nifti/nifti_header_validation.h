// Checking a NIfTI-1 or NIfTI-2 header, byte by byte, before any library interprets it.
// Broken files are common (cut-off downloads, odd converters, scanner exports with nonsense in
// them), and a library that repairs a header without saying so draws a wrong picture. Every
// field the host relies on is checked here; a header that passes can be converted and its data
// read without any guessing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace orvane::keldra {

constexpr std::size_t kNifti1HeaderSize = 348;
constexpr std::size_t kNifti2HeaderSize = 540;

// The image data keldra reads when no other limit is given: 4 GiB.
constexpr std::uint64_t kDefaultMaxImageBytes = std::uint64_t{4} << 30;
// Header extensions (skipped, never parsed) may take up at most this much.
constexpr std::uint64_t kLargestHeaderExtensions = std::uint64_t{256} << 20;
// Voxel sizes outside this range (millimetres) are not taken from any scanner; beyond it the
// single-precision records the host hands out lose the geometry.
constexpr double kSmallestVoxelSize = 1e-6;
constexpr double kLargestVoxelSize = 1e6;
// Transform elements and offsets beyond this (millimetres) are refused for the same reason.
constexpr double kLargestWorldCoordinate = 1e9;

struct NiftiHeaderRules {
    bool compressed = false;  // the name ends in .nii.gz (only used to word messages)
    std::uint64_t maxImageBytes = kDefaultMaxImageBytes;
    // The size of the whole file when it is known (an uncompressed file); the declared data
    // must then lie inside it.
    std::optional<std::uint64_t> fileSize;
};

// What a valid header declares, in host byte order.
struct NiftiHeaderFacts {
    int version = 1;          // 1 or 2
    bool swapped = false;     // the file was written in the other byte order
    std::size_t headerSize = kNifti1HeaderSize;
    int dimensions = 0;       // dim[0]
    std::int64_t dim[8] = {0, 1, 1, 1, 1, 1, 1, 1};  // unused dimensions read as 1
    std::uint64_t voxels = 0;
    int datatype = 0;
    int bytesPerVoxel = 0;
    std::uint64_t dataOffset = 0;  // vox_offset
    std::uint64_t dataBytes = 0;   // voxels * bytesPerVoxel
    // pixdim as stored; the NIfTI library replaces a time step of 0 by 1 when it reads one.
    double pixdim[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

// The header size that the first four bytes of a file claim in either byte order (348 for
// NIfTI-1, 540 for NIfTI-2), or 0 when they claim neither.
std::size_t claimedNiftiHeaderSize(const unsigned char* firstFourBytes);

// Checks `header` (its first claimedNiftiHeaderSize bytes). On failure returns false with one
// sentence, without the file name, in `error`.
bool validateNiftiHeader(const unsigned char* header, std::size_t size, const NiftiHeaderRules& rules,
                         NiftiHeaderFacts& facts, std::string& error);

}  // namespace orvane::keldra
