// The fake host's workspace, its 20 host functions and its records of what the module did.
#include "tests/support/fake_host.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <new>

namespace orvane::testing {

namespace {

FakeHost* activeHost = nullptr;

FakeHost& active() {
    if (activeHost == nullptr) {
        std::abort();  // a host function was called after its fake host died
    }
    return *activeHost;
}

// Writes a tag into bytes the module never reads, so that records can be told apart when the
// module hands copies of them back.
void stampTag(PositionHeader& position, std::uint32_t tag) { std::memcpy(position.bytes, &tag, sizeof tag); }

}  // namespace

// The C entry points: each records its call and forwards to the active fake host.
struct FakeHostEntryPoints {
    static bool getVersion(int* major, int* minor, int* subVersion) {
        FakeHost& h = active();
        h.record("kdGetVersionOfKeldra");
        *major = h.version_[0];
        *minor = h.version_[1];
        *subVersion = h.version_[2];
        return true;
    }
    static bool showLogTab() {
        active().record("kdShowLogTab");
        return true;
    }
    static bool logText(const char* text) {
        FakeHost& h = active();
        h.record("kdLogText");
        h.logLines_.emplace_back(text);
        return true;
    }
    static bool messageBox(const char* text) {
        FakeHost& h = active();
        h.record("kdMessageBox");
        h.messageBoxes_.emplace_back(text);
        return true;
    }
    static int integerInput(const char* prompt, int defaultValue, int minimum, int maximum) {
        FakeHost& h = active();
        h.record("kdGetIntegerInput");
        h.prompts_.push_back({prompt, defaultValue, minimum, maximum});
        return h.nextPromptAnswer(defaultValue);
    }
    static int documentCount() {
        FakeHost& h = active();
        h.record("kdGetNumberOfDocsInWorkspace");
        return h.documentCount();
    }
    static int documentType(int index) {
        FakeHost& h = active();
        h.record("kdGetDocumentType");
        h.typesAsked_.push_back(index);
        if (index < 0 || index >= h.documentCount()) {
            return -1;
        }
        return h.documents_[static_cast<std::size_t>(index)].type;
    }
    static bool setCurrentDocument(int index) {
        FakeHost& h = active();
        h.record("kdSetAsCurrentDocument");
        if (index < 0 || index >= h.documentCount()) {
            return false;
        }
        h.current_ = index;
        return true;
    }
    static bool getFmrHeader(FmrHeader* header) {
        FakeHost& h = active();
        h.record("kdGetHeaderOfCurrentFMR");
        FakeFmr* fmr = h.currentFmr();
        if (fmr == nullptr) {
            return false;
        }
        *header = fmr->header;
        return true;
    }
    static bool setFmrHeader(FmrHeader* header) {
        FakeHost& h = active();
        h.record("kdSetHeaderOfCurrentFMR");
        FakeFmr* fmr = h.currentFmr();
        if (fmr == nullptr) {
            return false;
        }
        fmr->header = *header;
        return true;
    }
    static bool getFmrPosition(PositionHeader* position) {
        FakeHost& h = active();
        h.record("kdGetScannerPositionHeaderOfCurrentFMR");
        FakeFmr* fmr = h.currentFmr();
        if (fmr == nullptr) {
            return false;
        }
        *position = fmr->position;
        return true;
    }
    static short** intData() {
        FakeHost& h = active();
        h.record("kdGetSTCIntDataOfCurrentFMR");
        FakeFmr* fmr = h.currentFmr();
        if (fmr == nullptr || fmr->dataAccess == DataAccess::NullArray) {
            return nullptr;
        }
        fmr->intVolumes[0] = fmr->dataAccess == DataAccess::Present ? fmr->intData.data() : nullptr;
        static_assert(sizeof(short) == sizeof(std::int16_t), "16-bit data");
        return reinterpret_cast<short**>(fmr->intVolumes);
    }
    static float** floatData() {
        FakeHost& h = active();
        h.record("kdGetSTCFloatDataOfCurrentFMR");
        FakeFmr* fmr = h.currentFmr();
        if (fmr == nullptr || fmr->dataAccess == DataAccess::NullArray) {
            return nullptr;
        }
        fmr->floatVolumes[0] = fmr->dataAccess == DataAccess::Present ? fmr->floatData.data() : nullptr;
        return fmr->floatVolumes;
    }
    static bool saveFmrAndStc(const char* fmrFileName, const char* stcPrefix) {
        FakeHost& h = active();
        h.record("kdSaveFMRAndSTC");
        FakeFmr* fmr = h.currentFmr();
        if (fmr == nullptr) {
            return false;
        }
        h.saves_.push_back({h.current_, fmrFileName, stcPrefix, fmr->header, fmr->intData, fmr->floatData});
        return true;
    }
    static bool getVmrHeader(VmrHeader* header) {
        FakeHost& h = active();
        h.record("kdGetMainHeaderOfCurrentVMR");
        FakeVmr* vmr = h.currentVmr();
        if (vmr == nullptr) {
            return false;
        }
        *header = vmr->header;
        return true;
    }
    static unsigned char* currentVmrVoxels(int* dimX, int* dimY, int* dimZ) {
        FakeHost& h = active();
        h.record("kdGetCurrentVMR");
        FakeVmr* vmr = h.currentVmr();
        if (vmr == nullptr || vmr->voxelsMissing) {
            return nullptr;
        }
        *dimX = vmr->header.dimX();
        *dimY = vmr->header.dimY();
        *dimZ = vmr->header.dimZ();
        return vmr->voxels.data();
    }
    static bool getVmrPosition(PositionHeader* position) {
        FakeHost& h = active();
        h.record("kdGetScannerPositionHeaderOfCurrentVMR");
        FakeVmr* vmr = h.currentVmr();
        if (vmr == nullptr) {
            return false;
        }
        *position = vmr->position;
        return true;
    }
    static bool getPastTransformations(PastTransformations* past) {
        FakeHost& h = active();
        h.record("kdGetPastTransformationsHeaderOfCurrentVMR");
        FakeVmr* vmr = h.currentVmr();
        if (vmr == nullptr) {
            return false;
        }
        *past = vmr->past;
        return true;
    }
    static bool calculateInitialAlignment(PositionHeader* fmrPosition, PositionHeader* vmrPosition,
                                          PastTransformations*, float* initialAlignment, float* pastTransformation,
                                          int* out1, int* out2, int* out3, int* out4, int* out5, int* out6) {
        FakeHost& h = active();
        h.record("kdCalculateIAMatrix");
        for (int* out : {out1, out2, out3, out4, out5, out6}) {
            *out = 0;
        }
        h.calculateInitialAlignment(fmrPosition, vmrPosition, initialAlignment, pastTransformation);
        return true;
    }
    static bool updateActiveWindow() {
        FakeHost& h = active();
        h.record("kdUpdateActiveWindow");
        ++h.refreshCount_;
        return true;
    }
};

FakeHost::FakeHost() {
    if (activeHost != nullptr) {
        std::abort();  // two fake hosts at once would share the host functions
    }
    activeHost = this;
}

FakeHost::~FakeHost() { activeHost = nullptr; }

FakeVmr& FakeHost::addVmr(GridSize size, float voxelSize) {
    auto vmr = std::make_unique<FakeVmr>();
    vmr->header.setDims(size.x, size.y, size.z);
    vmr->header.setVoxelSize(voxelSize, voxelSize, voxelSize);
    stampTag(vmr->position, nextDocumentTag_++);
    for (std::size_t i = 0; i < PastTransformations::kSize; ++i) {
        vmr->past.bytes[i] = static_cast<unsigned char>(i * 7u);
    }
    if (std::optional<std::size_t> count = checkedVoxelCount(size, 1)) {
        vmr->voxels.assign(*count, 0);
    }
    identityMatrix(vmr->pastMatrix);
    FakeVmr& result = *vmr;
    documents_.push_back({kVmrDocumentType, nullptr, std::move(vmr)});
    return result;
}

FakeFmr& FakeHost::addFmr(GridSize size, std::int32_t dataType, const std::string& prefix, float voxelSize,
                          int volumes) {
    auto fmr = std::make_unique<FakeFmr>();
    fmr->header.setDimX(size.x);
    fmr->header.setDimY(size.y);
    fmr->header.setSlices(size.z);
    fmr->header.setVoxelSize(voxelSize, voxelSize, voxelSize);
    fmr->header.setDataType(dataType);
    if (!fmr->header.setStcPrefix(prefix) || !fmr->header.setFileName(prefix + ".fmr") ||
        !fmr->header.setAuxiliaryName("aux-" + prefix)) {
        // Tests that need names which do not fit write them into the header themselves.
        std::abort();
    }
    fmr->position.setFirstSliceCentre({0.0f, 0.0f, 30.0f});
    fmr->position.setLastSliceCentre({0.0f, 0.0f, -30.0f});
    stampTag(fmr->position, nextDocumentTag_++);
    const std::size_t count = checkedVoxelCount(size, 4).value_or(0) * static_cast<std::size_t>(volumes);
    if (dataType == kFmrDataInt16) {
        fmr->intData.assign(count, 0);
    } else if (dataType == kFmrDataFloat32) {
        fmr->floatData.assign(count, 0.0f);
    }
    identityMatrix(fmr->initialAlignment);
    FakeFmr& result = *fmr;
    documents_.push_back({kFmrDocumentType, std::move(fmr), nullptr});
    return result;
}

void FakeHost::addOtherDocument(int type) { documents_.push_back({type, nullptr, nullptr}); }

FakeFmr& FakeHost::fmr(int documentIndex) {
    FakeFmr* fmr = documents_.at(static_cast<std::size_t>(documentIndex)).fmr.get();
    if (fmr == nullptr) {
        std::abort();
    }
    return *fmr;
}

FakeVmr& FakeHost::vmr(int documentIndex) {
    FakeVmr* vmr = documents_.at(static_cast<std::size_t>(documentIndex)).vmr.get();
    if (vmr == nullptr) {
        std::abort();
    }
    return *vmr;
}

void FakeHost::setVersion(int major, int minor, int subVersion) {
    version_[0] = major;
    version_[1] = minor;
    version_[2] = subVersion;
}

void FakeHost::answerPrompts(std::vector<int> answers) { promptAnswers_.assign(answers.begin(), answers.end()); }

void FakeHost::removeFunction(const std::string& name) { removed_.insert(name); }

void FakeHost::failAllocationIn(const std::string& name) { failing_.insert(name); }

HostSymbolLookup FakeHost::lookup() const {
    using E = FakeHostEntryPoints;
    const std::map<std::string, GenericHostFunction> provided = {
        {"kdGetVersionOfKeldra", reinterpret_cast<GenericHostFunction>(&E::getVersion)},
        {"kdShowLogTab", reinterpret_cast<GenericHostFunction>(&E::showLogTab)},
        {"kdLogText", reinterpret_cast<GenericHostFunction>(&E::logText)},
        {"kdMessageBox", reinterpret_cast<GenericHostFunction>(&E::messageBox)},
        {"kdGetIntegerInput", reinterpret_cast<GenericHostFunction>(&E::integerInput)},
        {"kdGetNumberOfDocsInWorkspace", reinterpret_cast<GenericHostFunction>(&E::documentCount)},
        {"kdGetDocumentType", reinterpret_cast<GenericHostFunction>(&E::documentType)},
        {"kdSetAsCurrentDocument", reinterpret_cast<GenericHostFunction>(&E::setCurrentDocument)},
        {"kdGetHeaderOfCurrentFMR", reinterpret_cast<GenericHostFunction>(&E::getFmrHeader)},
        {"kdSetHeaderOfCurrentFMR", reinterpret_cast<GenericHostFunction>(&E::setFmrHeader)},
        {"kdGetScannerPositionHeaderOfCurrentFMR", reinterpret_cast<GenericHostFunction>(&E::getFmrPosition)},
        {"kdGetSTCIntDataOfCurrentFMR", reinterpret_cast<GenericHostFunction>(&E::intData)},
        {"kdGetSTCFloatDataOfCurrentFMR", reinterpret_cast<GenericHostFunction>(&E::floatData)},
        {"kdSaveFMRAndSTC", reinterpret_cast<GenericHostFunction>(&E::saveFmrAndStc)},
        {"kdGetMainHeaderOfCurrentVMR", reinterpret_cast<GenericHostFunction>(&E::getVmrHeader)},
        {"kdGetCurrentVMR", reinterpret_cast<GenericHostFunction>(&E::currentVmrVoxels)},
        {"kdGetScannerPositionHeaderOfCurrentVMR", reinterpret_cast<GenericHostFunction>(&E::getVmrPosition)},
        {"kdGetPastTransformationsHeaderOfCurrentVMR",
         reinterpret_cast<GenericHostFunction>(&E::getPastTransformations)},
        {"kdCalculateIAMatrix", reinterpret_cast<GenericHostFunction>(&E::calculateInitialAlignment)},
        {"kdUpdateActiveWindow", reinterpret_cast<GenericHostFunction>(&E::updateActiveWindow)},
    };
    std::map<std::string, GenericHostFunction> exported;
    for (const auto& [name, function] : provided) {
        if (removed_.count(name) == 0) {
            exported.emplace(name, function);
        }
    }
    return [exported](const char* name) -> GenericHostFunction {
        auto found = exported.find(name);
        return found == exported.end() ? nullptr : found->second;
    };
}

std::string FakeHost::logText() const {
    std::string text;
    for (const std::string& line : logLines_) {
        text += line;
    }
    return text;
}

void FakeHost::record(const char* name) {
    calls_.emplace_back(name);
    if (failing_.count(name) != 0) {
        throw std::bad_alloc();
    }
}

FakeFmr* FakeHost::currentFmr() {
    if (current_ < 0 || current_ >= documentCount()) {
        return nullptr;
    }
    return documents_[static_cast<std::size_t>(current_)].fmr.get();
}

FakeVmr* FakeHost::currentVmr() {
    if (current_ < 0 || current_ >= documentCount()) {
        return nullptr;
    }
    return documents_[static_cast<std::size_t>(current_)].vmr.get();
}

void FakeHost::calculateInitialAlignment(const PositionHeader* fmrPosition, const PositionHeader* vmrPosition,
                                         float* initialAlignment, float* pastTransformation) {
    Matrix4 alignment;
    Matrix4 past;
    identityMatrix(alignment);
    identityMatrix(past);
    for (const Document& document : documents_) {
        if (document.vmr && std::memcmp(document.vmr->position.bytes, vmrPosition->bytes, PositionHeader::kSize) == 0) {
            past = document.vmr->pastMatrix;
        }
    }
    for (const Document& document : documents_) {
        if (document.fmr && std::memcmp(document.fmr->position.bytes, fmrPosition->bytes, PositionHeader::kSize) == 0) {
            alignment = document.fmr->initialAlignment;
            if (document.fmr->reportedPastMatrix) {
                past = *document.fmr->reportedPastMatrix;
            }
            break;
        }
    }
    std::memcpy(initialAlignment, alignment.m, sizeof alignment.m);
    std::memcpy(pastTransformation, past.m, sizeof past.m);
}

int FakeHost::nextPromptAnswer(int defaultValue) {
    if (promptAnswers_.empty()) {
        return defaultValue;
    }
    const int answer = promptAnswers_.front();
    promptAnswers_.pop_front();
    return answer;
}

}  // namespace orvane::testing
