// Record layouts: every field the module reads or writes sits at the byte offset of the host's
// table of the records, and names never overrun their fields.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "host/records.h"

namespace orvane {
namespace {

// The four bytes of an int32 or float32 field.
template <typename T>
std::uint32_t bitsOf(T value) {
    static_assert(sizeof(T) == 4, "numeric record fields are four bytes");
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

// A numeric field as the host's table gives it, with the record's accessor for it.
template <typename Record>
struct NumericField {
    const char* name;
    std::size_t offset;
    std::uint32_t (*read)(const Record&);
};

const NumericField<FmrHeader> kFmrFields[] = {
    {"dimX", 308, [](const FmrHeader& h) { return bitsOf(h.dimX()); }},
    {"dimY", 312, [](const FmrHeader& h) { return bitsOf(h.dimY()); }},
    {"nSlices", 316, [](const FmrHeader& h) { return bitsOf(h.slices()); }},
    {"voxel size x", 320, [](const FmrHeader& h) { return bitsOf(h.voxelSizeX()); }},
    {"voxel size y", 324, [](const FmrHeader& h) { return bitsOf(h.voxelSizeY()); }},
    {"voxel size z", 328, [](const FmrHeader& h) { return bitsOf(h.voxelSizeZ()); }},
    {"data type", 356, [](const FmrHeader& h) { return bitsOf(h.dataType()); }},
};

const NumericField<PositionHeader> kPositionFields[] = {
    {"first slice centre x", 8, [](const PositionHeader& p) { return bitsOf(p.firstSliceCentre().x); }},
    {"first slice centre y", 12, [](const PositionHeader& p) { return bitsOf(p.firstSliceCentre().y); }},
    {"first slice centre z", 16, [](const PositionHeader& p) { return bitsOf(p.firstSliceCentre().z); }},
    {"last slice centre x", 20, [](const PositionHeader& p) { return bitsOf(p.lastSliceCentre().x); }},
    {"last slice centre y", 24, [](const PositionHeader& p) { return bitsOf(p.lastSliceCentre().y); }},
    {"last slice centre z", 28, [](const PositionHeader& p) { return bitsOf(p.lastSliceCentre().z); }},
};

const NumericField<VmrHeader> kVmrFields[] = {
    {"dimX", 304, [](const VmrHeader& h) { return bitsOf(h.dimX()); }},
    {"dimY", 308, [](const VmrHeader& h) { return bitsOf(h.dimY()); }},
    {"dimZ", 312, [](const VmrHeader& h) { return bitsOf(h.dimZ()); }},
    {"voxel size x", 332, [](const VmrHeader& h) { return bitsOf(h.voxelSizeX()); }},
    {"voxel size y", 336, [](const VmrHeader& h) { return bitsOf(h.voxelSizeY()); }},
    {"voxel size z", 340, [](const VmrHeader& h) { return bitsOf(h.voxelSizeZ()); }},
};

// A value of its own for field i, valid both as an int32 and as a (normal) float32.
std::uint32_t fieldValue(std::size_t i) { return bitsOf(100.5f + static_cast<float>(i)); }
float floatValue(std::size_t i) { return 100.5f + static_cast<float>(i); }
std::int32_t intValue(std::size_t i) { return static_cast<std::int32_t>(fieldValue(i)); }

// Each field, given a value of its own at its offset in an otherwise zero record, reads back
// as that value through its accessor.
template <typename Record, std::size_t N>
void expectReadAtTheirOffsets(const NumericField<Record> (&fields)[N]) {
    Record record;
    std::memset(record.bytes, 0, sizeof record.bytes);
    for (std::size_t i = 0; i < N; ++i) {
        const std::uint32_t value = fieldValue(i);
        std::memcpy(record.bytes + fields[i].offset, &value, 4);
    }
    for (std::size_t i = 0; i < N; ++i) {
        EXPECT_EQ(fields[i].read(record), fieldValue(i)) << fields[i].name << " at " << fields[i].offset;
    }
}

// After the setters have given each field the value of its own, that value is in the bytes at
// the field's offset.
template <typename Record, std::size_t N>
void expectWrittenAtTheirOffsets(const Record& record, const NumericField<Record> (&fields)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        std::uint32_t stored;
        std::memcpy(&stored, record.bytes + fields[i].offset, 4);
        EXPECT_EQ(stored, fieldValue(i)) << fields[i].name << " at " << fields[i].offset;
    }
}

TEST(Records, EveryNumericFieldIsReadFromItsOffset) {
    expectReadAtTheirOffsets(kFmrFields);
    expectReadAtTheirOffsets(kPositionFields);
    expectReadAtTheirOffsets(kVmrFields);
}

TEST(Records, EveryNumericFieldIsWrittenAtItsOffset) {
    FmrHeader fmr{};
    fmr.setDimX(intValue(0));
    fmr.setDimY(intValue(1));
    fmr.setSlices(intValue(2));
    fmr.setVoxelSize(floatValue(3), floatValue(4), floatValue(5));
    fmr.setDataType(intValue(6));
    expectWrittenAtTheirOffsets(fmr, kFmrFields);

    PositionHeader position{};
    position.setFirstSliceCentre({floatValue(0), floatValue(1), floatValue(2)});
    position.setLastSliceCentre({floatValue(3), floatValue(4), floatValue(5)});
    expectWrittenAtTheirOffsets(position, kPositionFields);

    VmrHeader vmr{};
    vmr.setDims(intValue(0), intValue(1), intValue(2));
    vmr.setVoxelSize(floatValue(3), floatValue(4), floatValue(5));
    expectWrittenAtTheirOffsets(vmr, kVmrFields);
}

// The FMR header's text fields: offset and capacity (terminator included) as the host lays
// them out, and the header's accessors for them.
struct TextField {
    const char* name;
    std::size_t offset;
    std::size_t capacity;
    std::string (*read)(const FmrHeader&);
    bool (*write)(FmrHeader&, const std::string&);
};

const TextField kFmrTextFields[] = {
    {"file name", 0, 308, [](const FmrHeader& h) { return h.fileName(); },
     [](FmrHeader& h, const std::string& s) { return h.setFileName(s); }},
    {"STC prefix", 368, 529, [](const FmrHeader& h) { return h.stcPrefix(); },
     [](FmrHeader& h, const std::string& s) { return h.setStcPrefix(s); }},
    {"auxiliary name", 897, 263, [](const FmrHeader& h) { return h.auxiliaryName(); },
     [](FmrHeader& h, const std::string& s) { return h.setAuxiliaryName(s); }},
};

TEST(Records, TextFieldsSitAtTheirOffsetsAndNamesNeverOverrunThem) {
    for (const TextField& field : kFmrTextFields) {
        SCOPED_TRACE(field.name);
        FmrHeader header;
        std::memset(header.bytes, 0x5a, sizeof header.bytes);

        std::memcpy(header.bytes + field.offset, "run1", 5);
        EXPECT_EQ(field.read(header), "run1");

        // The longest name that fits fills the field to its last byte, and not one byte more.
        const std::string longest(field.capacity - 1, 'p');
        ASSERT_TRUE(field.write(header, longest));
        EXPECT_EQ(field.read(header), longest);
        EXPECT_EQ(header.bytes[field.offset + field.capacity - 1], '\0');
        if (field.offset > 0) {
            EXPECT_EQ(header.bytes[field.offset - 1], 0x5a);
        }
        if (field.offset + field.capacity < FmrHeader::kSize) {
            EXPECT_EQ(header.bytes[field.offset + field.capacity], 0x5a);
        }

        EXPECT_FALSE(field.write(header, longest + "x"));
        EXPECT_FALSE(field.write(header, std::string("a\0b", 3)));
        EXPECT_EQ(field.read(header), longest);

        // Text the host left unterminated ends with the field.
        std::memset(header.bytes, 'x', sizeof header.bytes);
        EXPECT_EQ(field.read(header), std::string(field.capacity, 'x'));
    }
}

}  // namespace
}  // namespace orvane
