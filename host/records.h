// Fixed-size records exchanged with the host: the FMR header, the scanner position record,
// the VMR header and the VMR's past-transformations record. Each is a plain byte block of the
// host's size; the module reads and writes only the fields named here, at their byte offsets,
// and hands every other byte back untouched. Multi-byte fields are little-endian, which is the
// byte order of every platform the host runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "host/host_protocol.h"

namespace orvane {

namespace record_detail {

template <typename T>
T readField(const unsigned char* bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

template <typename T>
void writeField(unsigned char* bytes, std::size_t offset, T value) {
    std::memcpy(bytes + offset, &value, sizeof value);
}

// Reads a NUL-terminated text field of `capacity` bytes; stops at the field's end when the
// host left no terminator inside it.
std::string readText(const unsigned char* bytes, std::size_t offset, std::size_t capacity);

// Writes `text` and its terminator into a field of `capacity` bytes. Returns false and leaves
// the field unchanged when the text and its terminator do not fit; never writes past the field.
bool writeText(unsigned char* bytes, std::size_t offset, std::size_t capacity, const std::string& text);

}  // namespace record_detail

struct Point3 {
    float x;
    float y;
    float z;
};

// FMR header, 1160 bytes. Text capacities include the terminating NUL:
// file name 0..307 (308 bytes), STC prefix 368..896 (529 bytes), auxiliary name 897..1159 (263 bytes).
struct FmrHeader {
    static constexpr std::size_t kSize = 1160;
    static constexpr std::size_t kFileNameOffset = 0;
    static constexpr std::size_t kFileNameCapacity = 308;
    static constexpr std::size_t kDimXOffset = 308;
    static constexpr std::size_t kDimYOffset = 312;
    static constexpr std::size_t kSlicesOffset = 316;
    static constexpr std::size_t kVoxelSizeXOffset = 320;
    static constexpr std::size_t kVoxelSizeYOffset = 324;
    static constexpr std::size_t kVoxelSizeZOffset = 328;
    static constexpr std::size_t kDataTypeOffset = 356;
    static constexpr std::size_t kStcPrefixOffset = 368;
    static constexpr std::size_t kStcPrefixCapacity = 529;
    static constexpr std::size_t kAuxiliaryNameOffset = 897;
    static constexpr std::size_t kAuxiliaryNameCapacity = 263;

    unsigned char bytes[kSize];

    std::int32_t dimX() const { return record_detail::readField<std::int32_t>(bytes, kDimXOffset); }
    std::int32_t dimY() const { return record_detail::readField<std::int32_t>(bytes, kDimYOffset); }
    std::int32_t slices() const { return record_detail::readField<std::int32_t>(bytes, kSlicesOffset); }
    float voxelSizeX() const { return record_detail::readField<float>(bytes, kVoxelSizeXOffset); }
    float voxelSizeY() const { return record_detail::readField<float>(bytes, kVoxelSizeYOffset); }
    float voxelSizeZ() const { return record_detail::readField<float>(bytes, kVoxelSizeZOffset); }
    std::int32_t dataType() const { return record_detail::readField<std::int32_t>(bytes, kDataTypeOffset); }

    void setDimX(std::int32_t v) { record_detail::writeField(bytes, kDimXOffset, v); }
    void setDimY(std::int32_t v) { record_detail::writeField(bytes, kDimYOffset, v); }
    void setSlices(std::int32_t v) { record_detail::writeField(bytes, kSlicesOffset, v); }
    void setVoxelSize(float x, float y, float z) {
        record_detail::writeField(bytes, kVoxelSizeXOffset, x);
        record_detail::writeField(bytes, kVoxelSizeYOffset, y);
        record_detail::writeField(bytes, kVoxelSizeZOffset, z);
    }
    void setDataType(std::int32_t v) { record_detail::writeField(bytes, kDataTypeOffset, v); }

    std::string fileName() const { return record_detail::readText(bytes, kFileNameOffset, kFileNameCapacity); }
    std::string stcPrefix() const { return record_detail::readText(bytes, kStcPrefixOffset, kStcPrefixCapacity); }
    std::string auxiliaryName() const {
        return record_detail::readText(bytes, kAuxiliaryNameOffset, kAuxiliaryNameCapacity);
    }
    // Each setter returns false, leaving the field as it was, when the name does not fit.
    [[nodiscard]] bool setFileName(const std::string& s) {
        return record_detail::writeText(bytes, kFileNameOffset, kFileNameCapacity, s);
    }
    [[nodiscard]] bool setStcPrefix(const std::string& s) {
        return record_detail::writeText(bytes, kStcPrefixOffset, kStcPrefixCapacity, s);
    }
    [[nodiscard]] bool setAuxiliaryName(const std::string& s) {
        return record_detail::writeText(bytes, kAuxiliaryNameOffset, kAuxiliaryNameCapacity, s);
    }
    // The host's pointers to the two text fields, as handed to kdSaveFMRAndSTC.
    const char* fileNameField() const { return reinterpret_cast<const char*>(bytes + kFileNameOffset); }
    const char* stcPrefixField() const { return reinterpret_cast<const char*>(bytes + kStcPrefixOffset); }
};

// Scanner position record of an FMR or a VMR, 80 bytes. The module reads only the two slice
// centres; every other byte belongs to the host.
struct PositionHeader {
    static constexpr std::size_t kSize = 80;
    static constexpr std::size_t kFirstSliceCentreOffset = 8;
    static constexpr std::size_t kLastSliceCentreOffset = 20;

    unsigned char bytes[kSize];

    Point3 firstSliceCentre() const { return readPoint(kFirstSliceCentreOffset); }
    Point3 lastSliceCentre() const { return readPoint(kLastSliceCentreOffset); }
    void setFirstSliceCentre(Point3 p) { writePoint(kFirstSliceCentreOffset, p); }
    void setLastSliceCentre(Point3 p) { writePoint(kLastSliceCentreOffset, p); }

private:
    Point3 readPoint(std::size_t offset) const {
        return {record_detail::readField<float>(bytes, offset), record_detail::readField<float>(bytes, offset + 4),
                record_detail::readField<float>(bytes, offset + 8)};
    }
    void writePoint(std::size_t offset, Point3 p) {
        record_detail::writeField(bytes, offset, p.x);
        record_detail::writeField(bytes, offset + 4, p.y);
        record_detail::writeField(bytes, offset + 8, p.z);
    }
};

// Main header of a VMR, 368 bytes.
struct VmrHeader {
    static constexpr std::size_t kSize = 368;
    static constexpr std::size_t kDimXOffset = 304;
    static constexpr std::size_t kDimYOffset = 308;
    static constexpr std::size_t kDimZOffset = 312;
    static constexpr std::size_t kVoxelSizeXOffset = 332;
    static constexpr std::size_t kVoxelSizeYOffset = 336;
    static constexpr std::size_t kVoxelSizeZOffset = 340;

    unsigned char bytes[kSize];

    std::int32_t dimX() const { return record_detail::readField<std::int32_t>(bytes, kDimXOffset); }
    std::int32_t dimY() const { return record_detail::readField<std::int32_t>(bytes, kDimYOffset); }
    std::int32_t dimZ() const { return record_detail::readField<std::int32_t>(bytes, kDimZOffset); }
    float voxelSizeX() const { return record_detail::readField<float>(bytes, kVoxelSizeXOffset); }
    float voxelSizeY() const { return record_detail::readField<float>(bytes, kVoxelSizeYOffset); }
    float voxelSizeZ() const { return record_detail::readField<float>(bytes, kVoxelSizeZOffset); }

    void setDims(std::int32_t x, std::int32_t y, std::int32_t z) {
        record_detail::writeField(bytes, kDimXOffset, x);
        record_detail::writeField(bytes, kDimYOffset, y);
        record_detail::writeField(bytes, kDimZOffset, z);
    }
    void setVoxelSize(float x, float y, float z) {
        record_detail::writeField(bytes, kVoxelSizeXOffset, x);
        record_detail::writeField(bytes, kVoxelSizeYOffset, y);
        record_detail::writeField(bytes, kVoxelSizeZOffset, z);
    }
};

// The VMR's past-transformations record, 10108 bytes, never interpreted by the module: it is
// filled by the host and handed back to it unchanged.
struct PastTransformations {
    static constexpr std::size_t kSize = 10108;
    unsigned char bytes[kSize];
};

static_assert(sizeof(FmrHeader) == FmrHeader::kSize, "FMR header layout is the host's");
static_assert(sizeof(PositionHeader) == PositionHeader::kSize, "position record layout is the host's");
static_assert(sizeof(VmrHeader) == VmrHeader::kSize, "VMR header layout is the host's");
static_assert(sizeof(PastTransformations) == PastTransformations::kSize, "past transformations layout is the host's");
static_assert(std::is_trivially_copyable<FmrHeader>::value && std::is_standard_layout<FmrHeader>::value, "");
static_assert(std::is_trivially_copyable<PositionHeader>::value && std::is_standard_layout<PositionHeader>::value, "");
static_assert(std::is_trivially_copyable<VmrHeader>::value && std::is_standard_layout<VmrHeader>::value, "");
static_assert(std::is_trivially_copyable<PastTransformations>::value, "");

}  // namespace orvane
