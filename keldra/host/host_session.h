// The host's state while a module runs: the workspace, the current document, the log pane,
// the answers to prompts, and a record of what the module asked the host to do. The exported
// host functions (host_exports.cpp) forward to the active session; they have no other state.
#pragma once

#include <array>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/host_protocol.h"
#include "host/records.h"
#include "keldra/workspace/documents.h"
#include "keldra/workspace/warning.h"
#include "keldra/host/host_log.h"
#include "keldra/host/platform.h"
#include "keldra/output/output_files.h"

namespace orvane::keldra {

struct HostSettings {
    HostVersion version{2, 4, 0};
    // The answer to every integer prompt, when given on the command line.
    std::optional<int> integerAnswer;
    // Whether a person can answer prompts on standard input.
    bool interactive = false;
    // Where saved documents go; must exist.
    std::string outputFolder = ".";
    // What saving may replace.
    OutputPolicy outputPolicy;
};

// One initial alignment handed to the module.
struct InitialAlignmentRecord {
    int fmrDocument = -1;  // the workspace index of the FMR whose position record was passed
    std::array<float, 16> matrix{};
};

// What the header of a functional the plug-in saved says of it (its descrip field); everything
// else of the input's timing and labels is kept.
constexpr const char* kSavedFunctionalDescription = "keldra: volume 1 holds the plug-in's projection, the others the input's";

struct SavedDocument {
    int document = -1;
    std::string path;          // empty when the build writes no NIfTI files and kept it in memory
    std::string dataChecksum;  // of the samples as saved, for comparing runs
};

class HostSession {
public:
    HostSession(Workspace workspace, HostSettings settings, HostLog& log, std::ostream& errors, std::istream& input);

    // The host's operations, one per host function the module calls.
    bool getVersion(int* major, int* minor, int* sub);
    bool showLogTab();
    bool logText(const char* text);
    bool messageBox(const char* text);
    int integerInput(const char* prompt, int defaultValue, int minimum, int maximum);
    int numberOfDocuments() const;
    int documentTypeOf(int index);
    bool setCurrentDocument(int index);
    bool getFmrHeader(FmrHeader* header);
    bool setFmrHeader(const FmrHeader* header);
    bool getFmrPosition(PositionHeader* position);
    short** fmrIntData();
    float** fmrFloatData();
    bool saveFmr(const char* fmrFileName, const char* stcPrefix);
    bool getVmrHeader(VmrHeader* header);
    unsigned char* currentVmr(int* dimX, int* dimY, int* dimZ);
    bool getVmrPosition(PositionHeader* position);
    bool getPastTransformations(PastTransformations* past);
    bool calculateInitialAlignment(const PositionHeader* fmrPosition, const PositionHeader* vmrPosition,
                                   float* initialAlignment, float* pastTransformation, int* outs[6]);
    bool updateActiveWindow();

    // A host function this host does not provide was called.
    void notProvided(const char* name);
    // Something went wrong inside a host function (an exception caught at the boundary).
    void internalFailure(const char* name, const char* what);

    const Workspace& workspace() const { return workspace_; }
    Workspace& workspace() { return workspace_; }
    int refreshCount() const { return refreshes_; }
    const std::vector<InitialAlignmentRecord>& initialAlignments() const { return alignments_; }
    const std::vector<SavedDocument>& savedDocuments() const { return saved_; }
    // Requests the host had to refuse in a way the module cannot see (it ignores the results),
    // such as a save that would overwrite a file. keldra ends with an error when any occurred.
    const std::vector<std::string>& problems() const { return problems_; }
    // What the host had to decide on the plug-in's behalf, such as a prompt's default answer.
    const std::vector<Warning>& warnings() const { return warnings_; }
    // The first file the module asked for that could not be written although it was allowed.
    const std::optional<std::string>& writeFailure() const { return writeFailure_; }

private:
    FmrDocument* currentFmr(const char* function);
    // The start of each volume of the current FMR, whose samples have `sampleBytes` bytes:
    // in its data for the volumes in memory, in inaccessible memory for those still in the
    // file, so that reading one the host has not read faults instead of seeing other values.
    std::vector<unsigned char*> volumeTable(FmrDocument& fmr, unsigned char* data, std::size_t sampleBytes);
    VmrDocument* currentVmrDocument(const char* function);
    void refuse(const std::string& message);
    void warn(const char* code, const std::string& sentence);

    Workspace workspace_;
    HostSettings settings_;
    HostLog& log_;
    std::ostream& errors_;
    std::istream& input_;
    int current_ = -1;
    int refreshes_ = 0;
    // Per document, the arrays of volume pointers handed out by the data accessors; kept here
    // so that they stay valid for the rest of the run.
    std::vector<std::vector<short*>> intVolumes_;
    std::vector<std::vector<float*>> floatVolumes_;
    // Per document, where the volumes still in the file are handed out (see volumeTable).
    std::vector<std::unique_ptr<InaccessibleMemory>> unreadVolumes_;
    std::vector<InitialAlignmentRecord> alignments_;
    std::vector<SavedDocument> saved_;
    std::vector<std::string> problems_;
    std::vector<Warning> warnings_;
    std::optional<std::string> writeFailure_;
};

// The session the exported host functions act on. The host functions take no context
// argument, so one session is active at a time, for the duration of a module run.
HostSession* activeHostSession();

class ActiveHostSession {
public:
    explicit ActiveHostSession(HostSession& session);
    ~ActiveHostSession();
    ActiveHostSession(const ActiveHostSession&) = delete;
    ActiveHostSession& operator=(const ActiveHostSession&) = delete;

private:
    HostSession* previous_;
};

}  // namespace orvane::keldra
