// An in-process stand-in for the host, for tests, benchmarks and fuzz targets that drive the
// module's run without the real application.
//
// keldra is a host too, but one backed by files: its answers follow from the NIfTI files it
// opened. The unit tests of the run need to script every answer the host gives (any record
// field, any matrix, any prompt answer), to make single functions fail, return nothing or be
// missing altogether, and to see every call the module makes; a file-backed host can do none of
// that, so this scripted one exists beside it.
//
// A FakeHost holds a workspace of documents (VMRs, FMRs, and placeholder documents of any
// other type), provides the 20 host functions the module calls through lookup(), and records
// everything the module does to it: each call by name, log lines, message boxes, prompts,
// saves (with a snapshot of the saved document) and refreshes.
//
// Usage:
//   orvane::testing::FakeHost host;                  // becomes the active fake host
//   FakeVmr& vmr = host.addVmr({8, 8, 8});
//   FakeFmr& fmr = host.addFmr({4, 4, 4}, kFmrDataInt16, "run1");
//   host.answerPrompts({2});
//   bool ok = orvane::runAlignment(host.lookup());
//   host.logLines(), host.saves(), vmr.voxels, ...
// A test that binds the module to a fake host derives from FakeHostTest (fake_host_test.h).
//
// The host functions are plain C function pointers, so they reach the fake through one
// process-wide "active" pointer: at most one FakeHost may exist at a time (constructing a
// second one while the first lives aborts). Documents are owned by the fake and keep their
// addresses for its whole life, so tests may hold references to them.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "geometry/matrix4.h"
#include "host/host_binding.h"
#include "host/host_protocol.h"
#include "host/records.h"
#include "projection/voxel_grid.h"

namespace orvane::testing {

// How a data accessor answers.
enum class DataAccess {
    Present,             // array of pointers whose element 0 addresses the data
    NullArray,           // the accessor returns null
    NullFirstVolume,     // the array exists but element 0 is null
};

struct FakeFmr {
    FmrHeader header{};
    PositionHeader position{};
    // Every volume of the time course, the first volume first; the accessor matching the header's
    // data type hands out the one of these vectors (16-bit or float) that the test filled.
    std::vector<std::int16_t> intData;
    std::vector<float> floatData;
    DataAccess dataAccess = DataAccess::Present;
    // What kdCalculateIAMatrix reports for this FMR: its initial FMR-to-VMR alignment, and the
    // past-transformation matrix (the VMR's unless set here).
    Matrix4 initialAlignment{};
    std::optional<Matrix4> reportedPastMatrix;

    // The host's arrays of pointers handed out by the accessors.
    std::int16_t* intVolumes[1] = {nullptr};
    float* floatVolumes[1] = {nullptr};
};

struct FakeVmr {
    VmrHeader header{};
    PositionHeader position{};
    PastTransformations past{};
    std::vector<unsigned char> voxels;
    bool voxelsMissing = false;  // kdGetCurrentVMR returns null
    Matrix4 pastMatrix{};        // reported by kdCalculateIAMatrix as the past transformation
};

struct PromptRecord {
    std::string text;
    int defaultValue;
    int minimum;
    int maximum;
};

// One kdSaveFMRAndSTC call and the state of the saved document at that moment.
struct SaveRecord {
    int documentIndex;
    std::string fmrFileName;
    std::string stcPrefix;
    FmrHeader header;
    std::vector<std::int16_t> intData;
    std::vector<float> floatData;
};

class FakeHost {
public:
    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    // --- The workspace. Documents are numbered from 0 in the order they are added. ---

    // A VMR of the given grid with cubic voxels of `voxelSize` mm, all voxels 0, an identity past
    // matrix and a past-transformations record the module must hand back untouched.
    FakeVmr& addVmr(GridSize size, float voxelSize = 1.0f);
    // An FMR with `volumes` volumes of zeros of the given data type (kFmrDataInt16 or
    // kFmrDataFloat32; any other value allocates nothing), voxels of `voxelSize` mm, the STC
    // prefix `prefix`, the file name prefix + ".fmr", a non-empty auxiliary name, slice centres
    // (0,0,30) to (0,0,-30) (no slice-order flip) and an identity initial alignment.
    FakeFmr& addFmr(GridSize size, std::int32_t dataType, const std::string& prefix, float voxelSize = 1.0f,
                    int volumes = 1);
    // A document of another type (e.g. 2), with nothing behind it.
    void addOtherDocument(int type);

    FakeFmr& fmr(int documentIndex);
    FakeVmr& vmr(int documentIndex);
    int documentCount() const { return static_cast<int>(documents_.size()); }

    // --- Behaviour. ---

    // The version kdGetVersionOfKeldra reports; 2.1.0 unless changed.
    void setVersion(int major, int minor, int subVersion);
    // Answers for kdGetIntegerInput, used in order; once they run out it returns the default.
    void answerPrompts(std::vector<int> answers);
    // lookup() reports these functions as not exported.
    void removeFunction(const std::string& name);
    // The named host function throws std::bad_alloc instead of answering, which reaches the
    // module exactly as an allocation failure of its own at that point would.
    void failAllocationIn(const std::string& name);

    // Looks host functions up by name: the 20 functions the module calls, minus removed ones;
    // every other name is not exported.
    HostSymbolLookup lookup() const;

    // --- What happened. ---

    const std::vector<std::string>& calls() const { return calls_; }          // host functions, in call order
    const std::vector<int>& documentTypesAsked() const { return typesAsked_; }  // kdGetDocumentType's indices
    const std::vector<std::string>& logLines() const { return logLines_; }    // each kdLogText text
    std::string logText() const;                                              // all of them, concatenated
    const std::vector<std::string>& messageBoxes() const { return messageBoxes_; }
    const std::vector<PromptRecord>& prompts() const { return prompts_; }
    const std::vector<SaveRecord>& saves() const { return saves_; }
    int refreshCount() const { return refreshCount_; }
    int currentDocument() const { return current_; }

private:
    struct Document {
        int type;
        std::unique_ptr<FakeFmr> fmr;
        std::unique_ptr<FakeVmr> vmr;
    };

    // The host side of each function; the C entry points in the .cpp forward here.
    friend struct FakeHostEntryPoints;
    void record(const char* name);
    FakeFmr* currentFmr();
    FakeVmr* currentVmr();
    void calculateInitialAlignment(const PositionHeader* fmrPosition, const PositionHeader* vmrPosition,
                                   float* initialAlignment, float* pastTransformation);
    int nextPromptAnswer(int defaultValue);

    std::deque<Document> documents_;
    int current_ = -1;
    int version_[3] = {2, 1, 0};
    std::deque<int> promptAnswers_;
    std::set<std::string> removed_;
    std::set<std::string> failing_;
    std::uint32_t nextDocumentTag_ = 1;

    std::vector<std::string> calls_;
    std::vector<int> typesAsked_;
    std::vector<std::string> logLines_;
    std::vector<std::string> messageBoxes_;
    std::vector<PromptRecord> prompts_;
    std::vector<SaveRecord> saves_;
    int refreshCount_ = 0;
};

}  // namespace orvane::testing
