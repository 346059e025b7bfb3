// Fuzz target: a workspace of random documents (types, grids, voxel sizes, data types, data
// with NaN and huge values, position records, initial alignments and past matrices, text
// fields without their terminating zero, missing data and functions) and a random mapping
// answer, through a complete alignment run against the fake host. The fake host's data always
// matches the grids its records state, as a real host's does; everything else may be hostile.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "run/alignment_run.h"
#include "tests/support/fake_host.h"

using namespace orvane;
using namespace orvane::testing;

namespace {

constexpr const char* kHostFunctions[] = {
    "kdGetVersionOfKeldra", "kdShowLogTab", "kdLogText", "kdMessageBox", "kdGetIntegerInput",
    "kdGetNumberOfDocsInWorkspace", "kdGetDocumentType", "kdSetAsCurrentDocument", "kdGetHeaderOfCurrentFMR",
    "kdSetHeaderOfCurrentFMR", "kdGetScannerPositionHeaderOfCurrentFMR", "kdGetSTCIntDataOfCurrentFMR",
    "kdGetSTCFloatDataOfCurrentFMR", "kdSaveFMRAndSTC", "kdGetMainHeaderOfCurrentVMR", "kdGetCurrentVMR",
    "kdGetScannerPositionHeaderOfCurrentVMR", "kdGetPastTransformationsHeaderOfCurrentVMR", "kdCalculateIAMatrix",
    "kdUpdateActiveWindow"};

// Mostly ordinary numbers, often the values that break arithmetic.
float anyFloat(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 9)) {
        case 0: return std::numeric_limits<float>::quiet_NaN();
        case 1: return std::numeric_limits<float>::infinity();
        case 2: return -std::numeric_limits<float>::infinity();
        case 3: return std::numeric_limits<float>::max();
        case 4: return std::numeric_limits<float>::denorm_min();
        case 5: return 0.0f;
        case 6: return in.ConsumeFloatingPoint<float>();
        default: return in.ConsumeFloatingPointInRange<float>(-300.0f, 300.0f);
    }
}

// A sensible value most of the time, so that runs get deep; anything at all otherwise.
float voxelSize(FuzzedDataProvider& in) { return in.ConsumeBool() ? in.ConsumeFloatingPointInRange(0.5f, 4.0f) : anyFloat(in); }

GridSize grid(FuzzedDataProvider& in) {
    return {in.ConsumeIntegralInRange<std::int32_t>(-1, 12), in.ConsumeIntegralInRange<std::int32_t>(-1, 12),
            in.ConsumeIntegralInRange<std::int32_t>(-1, 12)};
}

void fillMatrix(FuzzedDataProvider& in, Matrix4& m) {
    identityMatrix(m);
    int changes = in.ConsumeIntegralInRange(0, 16);
    for (int i = 0; i < changes; ++i) {
        m.m[in.ConsumeIntegralInRange(0, 15)] = anyFloat(in);
    }
}

// Overwrites a text field of a record with random bytes, which need not end in a zero.
void scribble(FuzzedDataProvider& in, unsigned char* field, std::size_t capacity) {
    std::string text = in.ConsumeRandomLengthString(capacity);
    std::memcpy(field, text.data(), text.size());
    if (in.ConsumeBool() && text.size() < capacity) {
        field[text.size()] = '\0';
    }
}

void addFmr(FakeHost& host, FuzzedDataProvider& in, int index) {
    std::int32_t dataType = in.PickValueInArray<std::int32_t>({1, 2, 1, 2, 0, 3, -1});
    FakeFmr& fmr = host.addFmr(grid(in), dataType, "run" + std::to_string(index), voxelSize(in),
                               in.ConsumeIntegralInRange(1, 3));
    fmr.header.setVoxelSize(voxelSize(in), voxelSize(in), voxelSize(in));
    for (std::int16_t& v : fmr.intData) {
        v = in.ConsumeIntegral<std::int16_t>();
    }
    for (float& v : fmr.floatData) {
        v = in.ConsumeBool() ? in.ConsumeFloatingPointInRange(0.0f, 1000.0f) : anyFloat(in);
    }
    if (in.ConsumeBool()) {
        fmr.position.setFirstSliceCentre({anyFloat(in), anyFloat(in), anyFloat(in)});
        fmr.position.setLastSliceCentre({anyFloat(in), anyFloat(in), anyFloat(in)});
    }
    fillMatrix(in, fmr.initialAlignment);
    if (in.ConsumeBool()) {
        Matrix4 past;
        fillMatrix(in, past);
        fmr.reportedPastMatrix = past;
    }
    fmr.dataAccess = in.PickValueInArray(
        {DataAccess::Present, DataAccess::Present, DataAccess::Present, DataAccess::NullArray, DataAccess::NullFirstVolume});
    switch (in.ConsumeIntegralInRange(0, 5)) {
        case 0: scribble(in, fmr.header.bytes + FmrHeader::kFileNameOffset, FmrHeader::kFileNameCapacity); break;
        case 1: scribble(in, fmr.header.bytes + FmrHeader::kStcPrefixOffset, FmrHeader::kStcPrefixCapacity); break;
        case 2: scribble(in, fmr.header.bytes + FmrHeader::kAuxiliaryNameOffset, FmrHeader::kAuxiliaryNameCapacity); break;
        default: break;
    }
}

void addVmr(FakeHost& host, FuzzedDataProvider& in) {
    FakeVmr& vmr = host.addVmr(grid(in), voxelSize(in));
    vmr.header.setVoxelSize(voxelSize(in), voxelSize(in), voxelSize(in));
    for (unsigned char& v : vmr.voxels) {
        v = in.ConsumeIntegral<unsigned char>();
    }
    fillMatrix(in, vmr.pastMatrix);
    vmr.voxelsMissing = in.ConsumeIntegralInRange(0, 7) == 0;
    if (in.ConsumeBool()) {
        std::string past = in.ConsumeBytesAsString(PastTransformations::kSize);
        std::memcpy(vmr.past.bytes, past.data(), past.size());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    FakeHost host;
    if (in.ConsumeIntegralInRange(0, 15) == 0) {
        host.setVersion(in.ConsumeIntegralInRange(0, 3), in.ConsumeIntegralInRange(0, 9), in.ConsumeIntegralInRange(0, 9));
    }
    // Usually the workspace a run expects (VMR, FMR, perhaps a second FMR); sometimes anything.
    const bool ordinary = in.ConsumeIntegralInRange(0, 3) != 0;
    const int documents = ordinary ? in.ConsumeIntegralInRange(2, 3) : in.ConsumeIntegralInRange(0, 4);
    for (int d = 0; d < documents; ++d) {
        int type = ordinary ? (d == 0 ? kVmrDocumentType : kFmrDocumentType)
                            : in.PickValueInArray({kVmrDocumentType, kFmrDocumentType, 2, 0});
        if (type == kVmrDocumentType) {
            addVmr(host, in);
        } else if (type == kFmrDocumentType) {
            addFmr(host, in, d);
        } else {
            host.addOtherDocument(type);
        }
    }
    host.answerPrompts({in.ConsumeBool() ? in.ConsumeIntegralInRange(1, 3) : in.ConsumeIntegral<int>()});
    if (in.ConsumeIntegralInRange(0, 15) == 0) {
        host.removeFunction(in.PickValueInArray(kHostFunctions));
    }
    bool finished = runAlignment(host.lookup());
    if (finished && host.logText().find("Finished.\n") == std::string::npos) {
        __builtin_trap();  // a run that reports success has logged its end
    }
    return 0;
}
