// Counting the bytes in which two equally long buffers differ, eight at a time: how a run's
// changed voxels of an 8-bit anatomical are counted, over whole volumes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::keldra {

// The number of positions i < size with a[i] != b[i].
std::size_t differingBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t size);

}  // namespace orvane::keldra
