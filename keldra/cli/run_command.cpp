// The run command, step by step.
#include "keldra/cli/run_command.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <ctime>
#include <optional>
#include <sstream>

#include "keldra/cli/alignment_check_step.h"
#include "keldra/cli/document_loading.h"
#include "keldra/cli/exit_codes.h"
#include "keldra/cli/image_size_option.h"
#include "keldra/cli/module_path.h"
#include "keldra/cli/output_folder.h"
#include "keldra/cli/run_results.h"
#include "keldra/cli/slow_step_notice.h"
#include "keldra/output/message_line.h"
#include "keldra/geometry/orientation.h"
#include "keldra/host/plain_text.h"
#include "keldra/host/platform.h"
#include "keldra/host/plugin_module.h"
#include "keldra/host/plugin_run.h"
#include "keldra/report/run_page.h"
#include "keldra/report/run_pictures.h"
#include "keldra/report/run_report.h"

namespace orvane::keldra {

namespace {

namespace fs = std::filesystem;

constexpr const char* kLogFileName = "log.txt";

// Three dot-separated whole numbers of up to six digits each, such as 2.4.0.
bool parseVersion(const std::string& text, HostVersion& version) {
    int parts[3] = {0, 0, 0};
    std::size_t position = 0;
    for (int i = 0; i < 3; ++i) {
        std::size_t digits = 0;
        while (position < text.size() && text[position] >= '0' && text[position] <= '9' && digits < 7) {
            parts[i] = parts[i] * 10 + (text[position] - '0');
            ++position;
            ++digits;
        }
        if (digits == 0 || digits > 6) {
            return false;
        }
        if (i < 2) {
            if (position >= text.size() || text[position] != '.') {
                return false;
            }
            ++position;
        }
    }
    if (position != text.size()) {
        return false;
    }
    version = {parts[0], parts[1], parts[2]};
    return true;
}

// The host's settings and the read limits, from the options.
bool readSettings(const RunOptions& options, HostSettings& settings, VolumeReadLimits& limits, std::string& error) {
    if (!parseVersion(options.hostVersion, settings.version)) {
        error = "--host-version " + options.hostVersion + ": expected three numbers such as 2.4.0";
        return false;
    }
    if (!readLimits(options.maxImageSize, limits, error)) {
        return false;
    }
    settings.integerAnswer = options.mapping;
    settings.interactive = isInteractiveInput();
    settings.outputFolder = options.outputFolder;
    settings.outputPolicy.overwrite = options.overwrite;
    for (const DocumentRequest& request : documentRequests(options.documents)) {
        settings.outputPolicy.addInput(request.path);
    }
    if (!options.thresholdsFile.empty()) {
        settings.outputPolicy.addInput(options.thresholdsFile);
    }
    return true;
}

// The plug-in needs the anatomical and a functional: a run with fewer documents is a usage
// error, found before any file is read or the module is loaded.
bool checkDocumentCount(const RunOptions& options, std::string& error) {
    const std::size_t documents =
        options.sampleInMemory.empty() ? options.documents.size() : options.sampleInMemory.size();
    if (documents >= 2) {
        return true;
    }
    error = "keldra run needs the anatomical and at least one functional, but " +
            (documents == 0 ? std::string("no file was") : "only " + options.documents.front() + " was") +
            " given (see keldra run --help)";
    return false;
}

// Refuses before anything is written: this host never writes over an input, replaces an
// earlier result only when asked to, and says at once when the output folder cannot be written.
bool checkOutputsAreFree(const RunOptions& options, const OutputPolicy& policy, std::string& error) {
    if (!checkOutputFolder(options.outputFolder, error) || !checkOutputFolderWritable(options.outputFolder, error)) {
        return false;
    }
    std::vector<std::string> names = {kLogFileName, kVmrResultFileName, kReportFileName, kRunPageFileName};
    if (options.noVmrFile) {
        names.erase(names.begin() + 1);
    }
    for (const std::string& name : pictureFileNames(static_cast<int>(options.documents.size()))) {
        names.push_back(name);
    }
    if (!options.noCheck) {
        for (const std::string& name : checkPictureFileNames(static_cast<int>(options.documents.size()))) {
            names.push_back(name);
        }
    }
    return outputsAreFree(options.outputFolder, names, policy, error);
}

// The module named by --plugin, or the one beside keldra; it becomes an input no output may
// replace.
std::unique_ptr<PluginModule> loadModule(const RunOptions& options, OutputPolicy& policy, std::string& error) {
    const std::string path = modulePath(options.pluginPath);
    std::unique_ptr<PluginModule> module = PluginModule::load(path, error);
    if (!module) {
        error = path + ": " + error;
        return nullptr;
    }
    policy.addInput(path);
    return module;
}

std::string documentSummary(int index, const Document& document) {
    std::ostringstream text;
    const DocumentGeometry& g = std::visit([](const auto& d) -> const DocumentGeometry& { return d.geometry; }, document);
    text << "Document " << index + 1 << ": ";
    if (const auto* vmr = std::get_if<VmrDocument>(&document)) {
        text << "VMR " << vmr->name << " from " << vmr->sourcePath << ", ";
    } else {
        const auto& fmr = std::get<FmrDocument>(document);
        text << "FMR " << fmr.header.fileName() << " from " << fmr.sourcePath << ", " << fmr.volumes
             << (fmr.volumes == 1 ? " volume, " : " volumes, ");
    }
    const std::string letters = orientationLetters(g.voxelToWorld);
    text << g.grid[0] << " x " << g.grid[1] << " x " << g.grid[2] << " voxels of " << g.voxelSize[0] << " x "
         << g.voxelSize[1] << " x " << g.voxelSize[2] << " mm, " << affineSourceName(g.source) << " ("
         << spaceName(g.transformCode) << ", code " << g.transformCode << "), voxel axes towards " << letters[0] << ", "
         << letters[1] << ", " << letters[2] << ", ";
    text << std::visit([](const auto& d) { return d.conversion; }, document);
    return text.str();
}

// What the plug-in is and what the documents are, on stdout and, marked as keldra's, in the log,
// followed there by the warnings (stderr had them already).
void printSummary(const PluginModule& module, const Workspace& workspace, const std::vector<Warning>& warnings,
                  HostLog& log) {
    std::vector<std::string> lines = {"Plug-in:     " + module.metadata().name,
                                      "Description: " + plainText(module.metadata().description),
                                      "Author:      " + plainText(module.metadata().author)};
    for (std::size_t i = 0; i < workspace.documents.size(); ++i) {
        lines.push_back(documentSummary(static_cast<int>(i), workspace.documents[i]));
    }
    for (const std::string& line : lines) {
        std::cout << line << "\n";
        log.note(line);
    }
    std::cout << std::flush;
    for (const Warning& warning : warnings) {
        log.note(warningText(warning));
    }
}

void runThePlugin(const PluginModule& module, Workspace workspace, const HostSettings& settings, HostLog& log,
                  RunOutcome& outcome) {
    // No notice while a person may be answering the mapping prompt.
    std::optional<SlowStepNotice> notice;
    if (settings.integerAnswer || !settings.interactive) {
        notice.emplace(std::cerr, "running the plug-in");
    }
    runPlugin(module, std::move(workspace), settings, log, std::cerr, std::cin, outcome);
}

// Why the plug-in did not run, when it did not.
std::optional<std::string> refusalOf(const RunOutcome& outcome) {
    if (!outcome.created) {
        return "the plug-in module created no plug-in object";
    }
    if (!outcome.initialised || !outcome.executed) {
        return std::string("the plug-in refused to run (") + (outcome.initialised ? "execute" : "initPlugin") +
               " returned false)";
    }
    return std::nullopt;
}

// The log's entries as log.txt holds them.
std::string logText(const HostLog& log) {
    std::string text;
    for (const std::string& entry : log.entries()) {
        text += entry;
        if (entry.empty() || entry.back() != '\n') {
            text += '\n';
        }
    }
    return text;
}

// Closes the log, writes report.json and report.html and says how the run ended.
int finishReport(const RunOutcome& outcome, ReportFacts facts, int exitCode, const std::string& message,
                 const RunOptions& options, const OutputPolicy& policy, HostLog& log) {
    facts.exitCode = exitCode;
    facts.message = message;
    const nlohmann::json report = runReport(outcome, facts);
    std::string reportPath;
    std::string pagePath;
    std::string error;
    if (!log.close(error) || !writeReport(options.outputFolder, report, reportPath, error, policy)) {
        return fail(error);
    }
    std::cout << "keldra: wrote the run's report to " << reportPath << std::endl;
    if (!writeRunPage(options.outputFolder, singleRunPage(report, logText(log)), pageOptions(options), policy,
                      pagePath, error)) {
        return fail(error);
    }
    std::cout << "keldra: wrote the run's page to " << pagePath << std::endl;
    if (!message.empty()) {
        std::cerr << "keldra: " << messageLine(message) << std::endl;
    }
    return exitCode;
}

// What the run brought to the report: the plug-in, the host's warnings and the mapping
// warning (on stderr too), and the files the run wrote so far.
void noteRunFacts(const RunOptions& options, const PluginModule& module, const RunOutcome& outcome, ReportFacts& facts,
                  HostLog& log) {
    facts.requestedMapping = options.mapping;
    facts.plugin = module.metadata();
    facts.pluginPath = modulePath(options.pluginPath);
    for (const Warning& warning : outcome.hostWarnings) {
        log.note(warningText(warning));
        facts.warnings.push_back(warning);
    }
    if (const std::optional<Warning> changed = mappingChangedWarning(options.mapping, outcome.logEntries)) {
        std::cerr << "keldra: " << warningText(*changed) << std::endl;
        log.note(warningText(*changed));
        facts.warnings.push_back(*changed);
    }
    facts.outputFiles = options.preparedFiles;
    facts.outputFiles.push_back((fs::path(options.outputFolder) / kLogFileName).string());
    for (const SavedDocument& saved : outcome.savedDocuments) {
        if (!saved.path.empty()) {
            facts.outputFiles.push_back(saved.path);
        }
    }
}

// What keldra makes of the run's result: the alignment check, the anatomical as it now is, the
// pictures and the report, or why there are none.
int finishRun(const RunOutcome& outcome, ReportFacts& facts, std::future<CheckRun>& check,
              const RunOptions& options, const OutputPolicy& policy, HostLog& log) {
    if (outcome.writeFailure) {
        return fail(*outcome.writeFailure);  // nothing more can be written there
    }
    if (const std::optional<std::string> refusal = refusalOf(outcome)) {
        return finishReport(outcome, facts, kExitRefused, *refusal, options, policy, log);
    }
    std::vector<CheckedFunctional> checked;
    std::string error;
    if (!writeRunResults(outcome, check, options, policy, checked, facts.outputFiles, error)) {
        return fail(error);
    }
    if (!options.noCheck) {
        facts.alignmentCheck = alignmentCheckJson(checked);
    }
    if (!outcome.hostProblems.empty()) {
        return finishReport(outcome, facts, kExitError,
                            "the plug-in finished, but the host had to refuse " +
                                std::to_string(outcome.hostProblems.size()) + " of its requests (see above)",
                            options, policy, log);
    }
    return finishReport(outcome, facts, kExitSuccess, "", options, policy, log);
}

}  // namespace

int runCommand(const RunOptions& options) {
    ReportFacts facts;
    facts.started = std::time(nullptr);
    HostSettings settings;
    VolumeReadLimits limits;
    Workspace workspace;
    check::Thresholds thresholds;
    std::string error;
    if (!readSettings(options, settings, limits, error) || !checkDocumentCount(options, error) ||
        !readCheckThresholds(options.thresholdsFile, thresholds, error) ||
        !checkOutputsAreFree(options, settings.outputPolicy, error) ||
        !loadDocuments(options.sampleInMemory.empty() ? documentRequests(options.documents) : options.sampleInMemory,
                       limits, workspace, facts.warnings, error)) {
        return fail(error);
    }
    const std::unique_ptr<PluginModule> module = loadModule(options, settings.outputPolicy, error);
    HostLog log(std::cout);
    if (!module || !createOutputFolder(options.outputFolder, error) ||
        !log.openFile(options.outputFolder, kLogFileName, settings.outputPolicy, error)) {
        return fail(error);
    }
    printSummary(*module, workspace, facts.warnings, log);
    // The check reads the documents as they were opened, so it goes on while the plug-in runs
    // on a copy of them (made while the check has started reading).
    RunOutcome outcome;
    outcome.before = std::move(workspace);
    std::future<CheckRun> check = startAlignmentCheck(outcome.before, thresholds, options.noCheck);
    runThePlugin(*module, Workspace(outcome.before), settings, log, outcome);

    // The run's result is complete here. What keldra makes of it follows.
    noteRunFacts(options, *module, outcome, facts, log);
    return finishRun(outcome, facts, check, options, settings.outputPolicy, log);
}

}  // namespace orvane::keldra
