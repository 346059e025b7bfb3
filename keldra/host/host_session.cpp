// The host's operations on its workspace.
#include "keldra/host/host_session.h"

#include <cstring>
#include <istream>
#include <optional>
#include <ostream>

#include "keldra/output/checksum.h"
#include "keldra/output/message_line.h"
#include "keldra/workspace/document_builder.h"
#include "keldra/workspace/initial_alignment.h"
#include "keldra/nifti/volume_file_output.h"

namespace orvane::keldra {

namespace {

HostSession*& activeSlot() {
    static HostSession* session = nullptr;
    return session;
}

std::string firstLine(const char* text) {
    std::string s = text != nullptr ? text : "";
    std::size_t end = s.find('\n');
    return end == std::string::npos ? s : s.substr(0, end);
}

// The text without the blanks around it.
std::string trimmed(const std::string& text) {
    const std::size_t begin = text.find_first_not_of(" \t\r");
    const std::size_t end = text.find_last_not_of(" \t\r");
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

bool parseWholeNumber(const std::string& text, int& value) {
    const std::string number = trimmed(text);
    if (number.empty()) {
        return false;
    }
    try {
        std::size_t used = 0;
        long v = std::stol(number, &used);
        if (used != number.size() || v < -2147483647L || v > 2147483647L) {
            return false;
        }
        value = static_cast<int>(v);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

HostSession* activeHostSession() { return activeSlot(); }

ActiveHostSession::ActiveHostSession(HostSession& session) : previous_(activeSlot()) { activeSlot() = &session; }

ActiveHostSession::~ActiveHostSession() { activeSlot() = previous_; }

HostSession::HostSession(Workspace workspace, HostSettings settings, HostLog& log, std::ostream& errors,
                         std::istream& input)
    : workspace_(std::move(workspace)),
      settings_(std::move(settings)),
      log_(log),
      errors_(errors),
      input_(input),
      intVolumes_(workspace_.documents.size()),
      floatVolumes_(workspace_.documents.size()),
      unreadVolumes_(workspace_.documents.size()) {}

void HostSession::refuse(const std::string& message) { errors_ << "keldra: " << messageLine(message) << std::endl; }

void HostSession::warn(const char* code, const std::string& sentence) {
    Warning warning{code, "", sentence, ""};
    errors_ << "keldra: " << warningText(warning) << std::endl;
    warnings_.push_back(std::move(warning));
}

void HostSession::notProvided(const char* name) {
    errors_ << "keldra: this host does not provide " << name << std::endl;
}

void HostSession::internalFailure(const char* name, const char* what) {
    std::string message = std::string(name) + " failed: " + what;
    refuse(message);
    problems_.push_back(message);
}

bool HostSession::getVersion(int* major, int* minor, int* sub) {
    if (major == nullptr || minor == nullptr || sub == nullptr) {
        return false;
    }
    *major = settings_.version.major;
    *minor = settings_.version.minor;
    *sub = settings_.version.sub;
    return true;
}

bool HostSession::showLogTab() { return true; }

bool HostSession::logText(const char* text) {
    if (text == nullptr) {
        return false;
    }
    log_.write(text);
    return true;
}

bool HostSession::messageBox(const char* text) {
    if (text == nullptr) {
        return false;
    }
    errors_ << "keldra message box: " << text << std::endl;
    log_.write(std::string("Message box: ") + text);
    return true;
}

int HostSession::integerInput(const char* prompt, int defaultValue, int minimum, int maximum) {
    if (settings_.integerAnswer) {
        int answer = *settings_.integerAnswer;
        if (answer >= minimum && answer <= maximum) {
            return answer;
        }
        warn(warning_code::kDefaultAnswer,
             "the given answer " + std::to_string(answer) + " is outside " + std::to_string(minimum) + ".." +
                 std::to_string(maximum) + "; answering \"" + firstLine(prompt) + "\" with the default " +
                 std::to_string(defaultValue));
        return defaultValue;
    }
    if (!settings_.interactive) {
        warn(warning_code::kDefaultAnswer,
             "no answer given on the command line and standard input is not a terminal; answering \"" +
                 firstLine(prompt) + "\" with the default " + std::to_string(defaultValue));
        return defaultValue;
    }
    std::ostream& out = log_.console();
    out << (prompt != nullptr ? prompt : "") << "\n";
    for (;;) {
        out << "Enter a number from " << minimum << " to " << maximum << " [" << defaultValue << "]: " << std::flush;
        std::string line;
        if (!std::getline(input_, line)) {
            out << "\n";
            return defaultValue;
        }
        if (line.find_first_not_of(" \t\r") == std::string::npos) {
            return defaultValue;
        }
        int value = 0;
        if (!parseWholeNumber(line, value)) {
            out << "\"" << trimmed(line) << "\" is not a whole number.\n";
        } else if (value < minimum || value > maximum) {
            out << value << " is not one of the choices " << minimum << " to " << maximum << ".\n";
        } else {
            return value;
        }
    }
}

int HostSession::numberOfDocuments() const { return static_cast<int>(workspace_.documents.size()); }

int HostSession::documentTypeOf(int index) {
    if (index < 0 || index >= numberOfDocuments()) {
        refuse("there is no document " + std::to_string(index) + " in the workspace");
        return 0;
    }
    return documentType(workspace_.documents[static_cast<std::size_t>(index)]);
}

bool HostSession::setCurrentDocument(int index) {
    if (index < 0 || index >= numberOfDocuments()) {
        refuse("there is no document " + std::to_string(index) + " in the workspace");
        return false;
    }
    current_ = index;
    return true;
}

FmrDocument* HostSession::currentFmr(const char* function) {
    if (current_ >= 0 && current_ < numberOfDocuments()) {
        if (auto* fmr = std::get_if<FmrDocument>(&workspace_.documents[static_cast<std::size_t>(current_)])) {
            return fmr;
        }
    }
    refuse(std::string(function) + ": the current document is not an FMR");
    return nullptr;
}

VmrDocument* HostSession::currentVmrDocument(const char* function) {
    if (current_ >= 0 && current_ < numberOfDocuments()) {
        if (auto* vmr = std::get_if<VmrDocument>(&workspace_.documents[static_cast<std::size_t>(current_)])) {
            return vmr;
        }
    }
    refuse(std::string(function) + ": the current document is not a VMR");
    return nullptr;
}

bool HostSession::getFmrHeader(FmrHeader* header) {
    FmrDocument* fmr = currentFmr("kdGetHeaderOfCurrentFMR");
    if (fmr == nullptr || header == nullptr) {
        return false;
    }
    std::memcpy(header->bytes, fmr->header.bytes, sizeof header->bytes);
    return true;
}

bool HostSession::setFmrHeader(const FmrHeader* header) {
    FmrDocument* fmr = currentFmr("kdSetHeaderOfCurrentFMR");
    if (fmr == nullptr || header == nullptr) {
        return false;
    }
    // The document's data is laid out by its grid and data type; a header that changes them
    // would no longer describe it.
    const FmrHeader& now = fmr->header;
    if (header->dimX() != now.dimX() || header->dimY() != now.dimY() || header->slices() != now.slices() ||
        header->dataType() != now.dataType()) {
        refuse("kdSetHeaderOfCurrentFMR: refused a header that changes the FMR's grid or data type");
        return false;
    }
    std::memcpy(fmr->header.bytes, header->bytes, sizeof header->bytes);
    return true;
}

bool HostSession::getFmrPosition(PositionHeader* position) {
    FmrDocument* fmr = currentFmr("kdGetScannerPositionHeaderOfCurrentFMR");
    if (fmr == nullptr || position == nullptr) {
        return false;
    }
    std::memcpy(position->bytes, fmr->position.bytes, sizeof position->bytes);
    return true;
}

std::vector<unsigned char*> HostSession::volumeTable(FmrDocument& fmr, unsigned char* data, std::size_t sampleBytes) {
    const std::size_t volumeBytes = fmr.voxelsPerVolume() * sampleBytes;
    const int inMemory = fmr.volumesInMemory();
    std::unique_ptr<InaccessibleMemory>& unread = unreadVolumes_[static_cast<std::size_t>(current_)];
    if (!unread && fmr.volumes > inMemory) {
        unread = InaccessibleMemory::reserve(volumeBytes * static_cast<std::size_t>(fmr.volumes - inMemory));
    }
    std::vector<unsigned char*> table;
    for (int v = 0; v < fmr.volumes; ++v) {
        if (v < inMemory) {
            table.push_back(data + volumeBytes * static_cast<std::size_t>(v));
        } else {
            table.push_back(unread ? unread->data() + volumeBytes * static_cast<std::size_t>(v - inMemory) : nullptr);
        }
    }
    return table;
}

short** HostSession::fmrIntData() {
    FmrDocument* fmr = currentFmr("kdGetSTCIntDataOfCurrentFMR");
    if (fmr == nullptr || fmr->header.dataType() != kFmrDataInt16) {
        return nullptr;
    }
    std::vector<short*>& table = intVolumes_[static_cast<std::size_t>(current_)];
    if (table.empty()) {
        static_assert(sizeof(short) == sizeof(std::int16_t), "16-bit data is handed out as short");
        for (unsigned char* volume :
             volumeTable(*fmr, reinterpret_cast<unsigned char*>(fmr->intData.data()), sizeof(std::int16_t))) {
            table.push_back(reinterpret_cast<short*>(volume));
        }
    }
    return table.data();
}

float** HostSession::fmrFloatData() {
    FmrDocument* fmr = currentFmr("kdGetSTCFloatDataOfCurrentFMR");
    if (fmr == nullptr || fmr->header.dataType() != kFmrDataFloat32) {
        return nullptr;
    }
    std::vector<float*>& table = floatVolumes_[static_cast<std::size_t>(current_)];
    if (table.empty()) {
        for (unsigned char* volume :
             volumeTable(*fmr, reinterpret_cast<unsigned char*>(fmr->floatData.data()), sizeof(float))) {
            table.push_back(reinterpret_cast<float*>(volume));
        }
    }
    return table.data();
}

bool HostSession::saveFmr(const char* fmrFileName, const char* stcPrefix) {
    FmrDocument* fmr = currentFmr("kdSaveFMRAndSTC");
    if (fmr == nullptr || fmrFileName == nullptr || stcPrefix == nullptr) {
        return false;
    }
    std::string prefix = stcPrefix;
    std::string reason;
    if (!isSafeFilePrefix(prefix, reason)) {
        std::string message = "kdSaveFMRAndSTC: refused to save \"" + prefix + "\": " + reason;
        refuse(message);
        problems_.push_back(message);
        return false;
    }
    // The volumes in memory as they are now, then those still in the file, read from it as
    // they are written.
    const SampleView inMemory = fmrSamplesInMemory(*fmr);
    const std::size_t inMemoryBytes = inMemory.count * sampleSize(inMemory.type);
    if (!volumeFilesSupported()) {
        const std::string checksum = checksumText(inMemory.data, inMemoryBytes);
        saved_.push_back({current_, "", checksum});
        log_.console() << "keldra: kept FMR " << fmrFileName << " as " << prefix
                       << " in memory (this build writes no NIfTI files); data checksum " << checksum << std::endl;
        return true;
    }
    bool inputUnreadable = false;  // a fault of the input, not of the place written to
    const SampleProducer samples = [&](SampleSink& sink, std::string& problem) {
        if (!sink.append(inMemory.data, inMemoryBytes)) {
            return false;
        }
        if (fmr->laterVolumes && !fmr->laterVolumes->read(sink, problem)) {
            inputUnreadable = !problem.empty();
            if (!problem.empty()) {
                problem = fmr->sourcePath + " " + problem;
            }
            return false;
        }
        return true;
    };
    std::string error;
    std::uint64_t written = 0;
    ImageDescription description = fmrDescription(*fmr);
    description.timing.description = kSavedFunctionalDescription;
    const std::string path = settings_.outputFolder + "/" + prefix + ".nii.gz";
    const bool allowed = mayWriteOutput(path, settings_.outputPolicy, error);
    // Where the document holds the file's samples as stored, the saved file takes the later
    // volumes' compressed bytes from it rather than compressing them again.
    std::optional<UnchangedInputSamples> unchanged;
    if (fmr->laterVolumes) {
        unchanged = fmr->laterVolumes->unchangedSamples();
    }
    SampleView firstVolume = inMemory;
    firstVolume.count = fmr->voxelsPerVolume();
    if (!allowed || !writeNewNiftiFile(settings_.outputFolder, prefix + ".nii.gz", description, firstVolume,
                                       unchanged ? &*unchanged : nullptr, samples, written, error,
                                       settings_.outputPolicy)) {
        std::string message = "kdSaveFMRAndSTC: " + error;
        problems_.push_back(message);
        if (!allowed || inputUnreadable) {
            refuse(message);  // the other results are still written
        } else if (!writeFailure_) {
            writeFailure_ = error;  // nothing more can be written there; said once, when keldra ends
        }
        return false;
    }
    const std::string checksum = checksumText(written);
    saved_.push_back({current_, path, checksum});
    log_.console() << "keldra: saved FMR " << fmrFileName << " as " << path << "; data checksum " << checksum
                   << std::endl;
    return true;
}

bool HostSession::getVmrHeader(VmrHeader* header) {
    VmrDocument* vmr = currentVmrDocument("kdGetMainHeaderOfCurrentVMR");
    if (vmr == nullptr || header == nullptr) {
        return false;
    }
    std::memcpy(header->bytes, vmr->header.bytes, sizeof header->bytes);
    return true;
}

unsigned char* HostSession::currentVmr(int* dimX, int* dimY, int* dimZ) {
    VmrDocument* vmr = currentVmrDocument("kdGetCurrentVMR");
    if (vmr == nullptr) {
        return nullptr;
    }
    if (dimX != nullptr) *dimX = vmr->geometry.grid[0];
    if (dimY != nullptr) *dimY = vmr->geometry.grid[1];
    if (dimZ != nullptr) *dimZ = vmr->geometry.grid[2];
    return vmr->voxels.data();
}

bool HostSession::getVmrPosition(PositionHeader* position) {
    VmrDocument* vmr = currentVmrDocument("kdGetScannerPositionHeaderOfCurrentVMR");
    if (vmr == nullptr || position == nullptr) {
        return false;
    }
    std::memcpy(position->bytes, vmr->position.bytes, sizeof position->bytes);
    return true;
}

bool HostSession::getPastTransformations(PastTransformations* past) {
    if (currentVmrDocument("kdGetPastTransformationsHeaderOfCurrentVMR") == nullptr || past == nullptr) {
        return false;
    }
    // This host applies no transformations to a VMR, so there are none to record.
    std::memset(past->bytes, 0, sizeof past->bytes);
    return true;
}

bool HostSession::calculateInitialAlignment(const PositionHeader* fmrPosition, const PositionHeader* vmrPosition,
                                            float* initialAlignment, float* pastTransformation, int* outs[6]) {
    if (fmrPosition == nullptr || vmrPosition == nullptr || initialAlignment == nullptr ||
        pastTransformation == nullptr) {
        refuse("kdCalculateIAMatrix: called without its records or matrices");
        return false;
    }
    float matrix[16];
    std::string error;
    if (!computeInitialAlignment(*fmrPosition, *vmrPosition, matrix, error)) {
        std::string message = "kdCalculateIAMatrix: " + error;
        refuse(message);
        problems_.push_back(message);
        return false;
    }
    std::memcpy(initialAlignment, matrix, sizeof matrix);
    for (int i = 0; i < 16; ++i) {
        pastTransformation[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    }
    for (int i = 0; i < 6; ++i) {
        if (outs[i] != nullptr) {
            *outs[i] = 0;
        }
    }
    InitialAlignmentRecord record;
    std::memcpy(record.matrix.data(), matrix, sizeof matrix);
    for (int d = 0; d < numberOfDocuments(); ++d) {
        const auto* fmr = std::get_if<FmrDocument>(&workspace_.documents[static_cast<std::size_t>(d)]);
        if (fmr != nullptr && std::memcmp(fmr->position.bytes, fmrPosition->bytes, sizeof fmr->position.bytes) == 0) {
            record.fmrDocument = d;
            break;
        }
    }
    alignments_.push_back(record);
    return true;
}

bool HostSession::updateActiveWindow() {
    ++refreshes_;
    return true;
}

}  // namespace orvane::keldra
