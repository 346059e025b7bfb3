// The check command, step by step.
#include "keldra/cli/check_command.h"

#include <filesystem>
#include <iostream>

#include "keldra/cli/alignment_check_step.h"
#include "keldra/cli/document_loading.h"
#include "keldra/cli/exit_codes.h"
#include "keldra/cli/image_size_option.h"
#include "keldra/cli/output_folder.h"
#include "keldra/cli/slow_step_notice.h"
#include "keldra/output/message_line.h"
#include "keldra/picture/png_file.h"
#include "keldra/report/run_page.h"
#include "keldra/report/run_report.h"
#include "keldra/workspace/workspace_loader.h"

namespace orvane::keldra {
namespace {

namespace fs = std::filesystem;

bool picturesWanted(const RunOptions& options) { return !options.noPictures && picture::pngFilesSupported(); }

// With --out: refuses before anything is read when a result could not be written.
bool checkOutputsAreFree(const RunOptions& options, OutputPolicy& policy, std::string& error) {
    if (options.outputFolder.empty()) {
        return true;
    }
    policy.overwrite = options.overwrite;
    for (const std::string& path : options.documents) {
        policy.addInput(path);
    }
    if (!options.thresholdsFile.empty()) {
        policy.addInput(options.thresholdsFile);
    }
    if (!checkOutputFolder(options.outputFolder, error) || !checkOutputFolderWritable(options.outputFolder, error)) {
        return false;
    }
    std::vector<std::string> names = {kReportFileName, kRunPageFileName};
    if (picturesWanted(options)) {
        for (const std::string& name : checkPictureFileNames(static_cast<int>(options.documents.size()) - 1)) {
            names.push_back(name);
        }
    }
    return outputsAreFree(options.outputFolder, names, policy, error);
}

// The anatomical first, the functionals after it, as given.
bool openDocuments(const RunOptions& options, Workspace& workspace, std::vector<Warning>& warnings, std::string& error) {
    VolumeReadLimits limits;
    if (!readLimits(options.maxImageSize, limits, error)) {
        return false;
    }
    std::vector<DocumentRequest> requests;
    for (std::size_t i = 0; i < options.documents.size(); ++i) {
        requests.push_back({options.documents[i], i == 0 ? kVmrDocumentType : kFmrDocumentType, std::nullopt});
    }
    return loadDocuments(requests, limits, workspace, warnings, error);
}

nlohmann::json checkReport(const RunOptions& options, const Workspace& workspace,
                           const std::vector<CheckedFunctional>& checked, const std::vector<Warning>& warnings,
                           const std::vector<std::string>& written, int exitCode) {
    nlohmann::json report;
    report["command"] = "check";
    report["anatomical"] = options.documents.front();
    report["functionals"] = std::vector<std::string>(options.documents.begin() + 1, options.documents.end());
    report["inputs"] = describeInputs(workspace);
    report["warnings"] = warningsJson(warnings);
    report["alignment_check"] = alignmentCheckJson(checked);
    report["outputFiles"] = written;
    report["result"] = {{"exitCode", exitCode}};
    return report;
}

bool writeResults(const RunOptions& options, const Workspace& workspace, const std::vector<CheckedFunctional>& checked,
                  const std::vector<Warning>& warnings, const OutputPolicy& policy, int exitCode, std::string& error) {
    std::vector<std::string> written;
    if (!createOutputFolder(options.outputFolder, error)) {
        return false;
    }
    if (picturesWanted(options)) {
        SlowStepNotice notice(std::cerr, "drawing the pictures");
        if (!writeCheckPictures(workspace, checked, options.outputFolder, pictureOptions(options), policy, written,
                                error)) {
            return false;
        }
    }
    for (const std::string& path : written) {
        std::cout << "keldra: wrote the picture " << path << std::endl;
    }
    const nlohmann::json report = checkReport(options, workspace, checked, warnings, written, exitCode);
    std::string reportPath;
    if (!writeReport(options.outputFolder, report, reportPath, error, policy)) {
        return false;
    }
    std::cout << "keldra: wrote the check's report to " << reportPath << std::endl;
    std::string pagePath;
    if (!writeRunPage(options.outputFolder, singleRunPage(report, ""), pageOptions(options), policy, pagePath,
                      error)) {
        return false;
    }
    std::cout << "keldra: wrote the check's page to " << pagePath << std::endl;
    return true;
}

}  // namespace

CLI::App* declareCheck(CLI::App& app, RunOptions& options) {
    CLI::App* check = app.add_subcommand(
        "check", "Measure whether the files' position information lines up each functional with the\n"
                 "anatomical, without the module: the residual shift, a rigid fit, a left-right flip test,\n"
                 "coverage and a verdict (aligned, check, misaligned) per functional.");
    check->add_option("FILES", options.documents, "The anatomical (.nii or .nii.gz), then one or more functionals.")
        ->required()
        ->expected(2, -1);
    check->add_option("--out", options.outputFolder,
                      "Folder for report.json, report.html and the pictures (check.png, checkerboard.png,\n"
                      "fmrN_check.png, ...); created when missing. Without it nothing is written. Existing files\n"
                      "are never overwritten.");
    check->add_flag("--overwrite", options.overwrite,
                    "Replace results of an earlier check in the output folder; inputs are never replaced.");
    check->add_flag("--no-pictures", options.noPictures, "Write report.json and report.html only.");
    check->add_option("--max-image-size", options.maxImageSize, kMaxImageSizeHelp)->capture_default_str();
    addCheckOptions(*check, options, false);
    addPictureOptions(*check, options);
    check->footer("Exit codes: 0 every functional aligned, 3 the worst verdict is check, 4 misaligned,\n"
                  "2 a usage or input error.\n"
                  "Example: keldra check anat.nii.gz bold.nii.gz --out check-bold");
    return check;
}

int checkCommand(const RunOptions& options) {
    check::Thresholds thresholds;
    OutputPolicy policy;
    Workspace workspace;
    std::vector<Warning> warnings;
    std::string error;
    if (!readCheckThresholds(options.thresholdsFile, thresholds, error) ||
        !checkOutputsAreFree(options, policy, error) || !openDocuments(options, workspace, warnings, error)) {
        return fail(error);
    }
    std::vector<CheckedFunctional> checked;
    {
        SlowStepNotice notice(std::cerr, "checking the alignment");
        checked = checkWorkspace(workspace, thresholds, std::cout);
    }
    const int exitCode = checkExitCode(checked);
    if (!options.outputFolder.empty() && !writeResults(options, workspace, checked, warnings, policy, exitCode, error)) {
        return fail(error);
    }
    return exitCode;
}

}  // namespace orvane::keldra
