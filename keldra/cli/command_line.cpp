// Parsing keldra's command line and carrying out its commands.
#include "keldra/cli/command_line.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>

#include "keldra/nifti/byte_count.h"
#include "keldra/output/checksum.h"
#include "keldra/sample/demo_files.h"
#include "keldra/workspace/document_builder.h"
#include "keldra/workspace/file_info.h"
#include "keldra/geometry/orientation.h"
#include "keldra/nifti/volume_file_output.h"
#include "keldra/host/platform.h"
#include "keldra/host/plugin_module.h"
#include "keldra/sample/demo_sample.h"
#include "keldra/picture/png_file.h"
#include "keldra/host/plugin_run.h"
#include "keldra/report/run_pictures.h"
#include "keldra/report/run_report.h"
#include "keldra/cli/slow_step_notice.h"
#include "keldra/workspace/workspace_loader.h"

namespace orvane::keldra {

namespace {

namespace fs = std::filesystem;

constexpr const char* kDefaultOutputFolder = "keldra-out";
#if defined(_WIN32)
constexpr const char* kModuleFileName = "orvaneplugin.dll";
#else
constexpr const char* kModuleFileName = "orvaneplugin.so";
#endif
constexpr const char* kLogFileName = "log.txt";
constexpr const char* kVmrResultFileName = "vmr.nii.gz";
constexpr const char* kReportFileName = "report.json";
constexpr const char* kDemoAnatomicalFileName = "demo_anat.nii.gz";
constexpr const char* kDemoFunctionalFileName = "demo_bold.nii.gz";
constexpr const char* kDemoSecondFunctionalFileName = "demo_bold2.nii.gz";

struct RunOptions {
    std::vector<std::string> documents;
    std::optional<int> mapping;
    std::string outputFolder = kDefaultOutputFolder;
    std::string pluginPath;
    std::string hostVersion = "2.4.0";
    std::string maxImageSize = "4GiB";
    bool radiological = false;
    bool colourBlindSafe = false;
    // Files written before the run on its behalf (the demo's sample), for the report.
    std::vector<std::string> preparedFiles;
    // The demo's sample held in memory, in a build that writes no NIfTI files; replaces
    // `documents` when not empty.
    std::vector<DocumentRequest> sampleInMemory;
    bool overwrite = false;
};

picture::PictureOptions pictureOptions(const RunOptions& options) {
    picture::PictureOptions pictures;
    pictures.convention = options.radiological ? picture::Convention::Radiological : picture::Convention::Neurological;
    pictures.edgeColour = options.colourBlindSafe ? picture::EdgeColour::ColourBlindSafe : picture::EdgeColour::Red;
    return pictures;
}

// The help text and parsing of --max-image-size, shared by both commands.
constexpr const char* kMaxImageSizeHelp =
    "Refuse images whose header declares more data than this (K, M, G, T: binary units).\n"
    "Example: --max-image-size 512M";

bool readLimits(const std::string& maxImageSize, VolumeReadLimits& limits, std::string& error) {
    if (!parseByteCount(maxImageSize, limits.maxImageBytes) || limits.maxImageBytes == 0) {
        error = "--max-image-size " + maxImageSize + ": expected a size such as 4G or 512M";
        return false;
    }
    return true;
}

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
    version.major = parts[0];
    version.minor = parts[1];
    version.sub = parts[2];
    return true;
}

int fail(const std::string& message) {
    std::cerr << "keldra: " << message << std::endl;
    return kExitError;
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
    text << g.grid[0] << " x " << g.grid[1] << " x " << g.grid[2] << " voxels of " << g.voxelSize[0] << " x "
         << g.voxelSize[1] << " x " << g.voxelSize[2] << " mm, " << affineSourceName(g.source) << ", "
         << orientationLetters(g.voxelToWorld) << ", ";
    text << std::visit([](const auto& d) { return d.conversion; }, document);
    return text.str();
}

int runCommand(const RunOptions& options) {
    HostSettings settings;
    if (!parseVersion(options.hostVersion, settings.version)) {
        return fail("--host-version " + options.hostVersion + ": expected three numbers such as 2.4.0");
    }
    VolumeReadLimits limits;
    std::string limitError;
    if (!readLimits(options.maxImageSize, limits, limitError)) {
        return fail(limitError);
    }
    settings.integerAnswer = options.mapping;
    settings.interactive = isInteractiveInput();
    settings.outputFolder = options.outputFolder;

    // Refuse before anything is written: this host never writes over an input, and replaces
    // an earlier result only when asked to.
    std::error_code ec;
    std::string error;
    fs::path folder(options.outputFolder);
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
        return fail(options.outputFolder + ": the output folder is a file");
    }
    std::vector<std::string> outputNames = {kLogFileName, kVmrResultFileName, kReportFileName};
    for (const std::string& name : pictureFileNames(static_cast<int>(options.documents.size()))) {
        outputNames.push_back(name);
    }
    settings.outputPolicy.overwrite = options.overwrite;
    for (const DocumentRequest& request : documentRequests(options.documents)) {
        settings.outputPolicy.addInput(request.path);
    }
    for (const std::string& name : outputNames) {
        if (!mayWriteOutput((folder / name).string(), settings.outputPolicy, error)) {
            return fail(error + "; choose another --out folder");
        }
    }

    Workspace workspace;
    std::vector<std::string> warnings;
    bool loaded = false;
    {
        SlowStepNotice notice(std::cerr, "loading the documents");
        loaded = loadWorkspace(options.sampleInMemory.empty() ? documentRequests(options.documents)
                                                              : options.sampleInMemory,
                               workspace, warnings, error, limits);
    }
    if (!loaded) {
        return fail(error);
    }
    for (const std::string& warning : warnings) {
        std::cerr << "keldra: " << warning << std::endl;
    }

    std::string pluginPath = options.pluginPath;
    if (pluginPath.empty()) {
        pluginPath = executableDirectory() + "/" + kModuleFileName;
    }
    std::unique_ptr<PluginModule> module = PluginModule::load(pluginPath, error);
    if (!module) {
        return fail(pluginPath + ": " + error);
    }
    settings.outputPolicy.addInput(pluginPath);

    fs::create_directories(folder, ec);
    if (ec) {
        return fail(options.outputFolder + ": the output folder cannot be created: " + ec.message());
    }
    HostLog log(std::cout);
    if (!log.openFile(options.outputFolder, kLogFileName, settings.outputPolicy, error)) {
        return fail(error);
    }

    std::cout << "Plug-in:     " << module->metadata().name << "\n"
              << "Description: " << module->metadata().description << "\n"
              << "Author:      " << module->metadata().author << "\n";
    for (std::size_t i = 0; i < workspace.documents.size(); ++i) {
        std::cout << documentSummary(static_cast<int>(i), workspace.documents[i]) << "\n";
    }
    std::cout << std::flush;

    RunOutcome outcome;
    {
        // No notice while a person may be answering the mapping prompt.
        std::optional<SlowStepNotice> notice;
        if (settings.integerAnswer || !settings.interactive) {
            notice.emplace(std::cerr, "running the plug-in");
        }
        outcome = runPlugin(*module, std::move(workspace), settings, log, std::cerr, std::cin);
    }

    // The run's result is complete here: the documents before and after, the initial
    // alignments handed out, the saved files and the log. What keldra makes of it follows:
    // the anatomical as it now is, pictures when something changed, and the report.
    ReportFacts facts;
    facts.requestedMapping = options.mapping;
    facts.outputFiles = options.preparedFiles;
    facts.outputFiles.push_back((folder / kLogFileName).string());
    for (const SavedDocument& saved : outcome.savedDocuments) {
        if (!saved.path.empty()) {
            facts.outputFiles.push_back(saved.path);
        }
    }
    const auto finish = [&](int exitCode, const std::string& message) {
        facts.exitCode = exitCode;
        facts.message = message;
        std::string reportPath;
        std::string reportError;
        if (!log.close(reportError) ||
            !writeReport(options.outputFolder, runReport(outcome, facts), reportPath, reportError, settings.outputPolicy)) {
            return fail(reportError);
        }
        std::cout << "keldra: wrote the run's report to " << reportPath << std::endl;
        if (!message.empty()) {
            std::cerr << "keldra: " << message << std::endl;
        }
        return exitCode;
    };
    if (!outcome.created) {
        return finish(kExitRefused, "the plug-in module created no plug-in object");
    }
    if (!outcome.initialised || !outcome.executed) {
        return finish(kExitRefused, std::string("the plug-in refused to run (") +
                                        (outcome.initialised ? "execute" : "initPlugin") + " returned false)");
    }
    {
        SlowStepNotice notice(std::cerr, "writing the results");
        if (!outcome.after.documents.empty()) {
            if (const auto* vmr = std::get_if<VmrDocument>(&outcome.after.documents.front())) {
                if (volumeFilesSupported()) {
                    if (!writeNewVolumeFile(options.outputFolder, kVmrResultFileName, vmrAsVolumeFile(*vmr), error,
                                            settings.outputPolicy)) {
                        return fail(error);
                    }
                    facts.outputFiles.push_back((folder / kVmrResultFileName).string());
                    std::cout << "keldra: wrote the VMR as it now is to " << (folder / kVmrResultFileName).string()
                              << std::endl;
                }
                std::cout << "keldra: checksum of the VMR as it now is: "
                          << checksumText(vmr->voxels.data(), vmr->voxels.size()) << std::endl;
            }
        }
        if (!picture::pngFilesSupported()) {
            std::cout << "keldra: this build writes no PNG files, so no pictures were drawn" << std::endl;
        } else if (runChangedSomething(outcome)) {
            std::vector<std::string> pictures;
            if (!writeRunPictures(outcome, options.outputFolder, pictureOptions(options), pictures, error,
                                  settings.outputPolicy)) {
                return fail(error);
            }
            for (const std::string& path : pictures) {
                facts.outputFiles.push_back(path);
                std::cout << "keldra: wrote the picture " << path << std::endl;
            }
        } else {
            std::cout << "keldra: the run changed nothing, so no pictures were drawn" << std::endl;
        }
    }
    if (!outcome.hostProblems.empty()) {
        return finish(kExitError, "the plug-in finished, but the host had to refuse " +
                                      std::to_string(outcome.hostProblems.size()) + " of its requests (see above)");
    }
    return finish(kExitSuccess, "");
}

// Builds the sample, writes it where the user can open it, and runs on it as `run` would.
int demoCommand(RunOptions options) {
    std::error_code ec;
    const fs::path folder(options.outputFolder);
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
        return fail(options.outputFolder + ": the output folder is a file");
    }
    const bool withSecond = options.mapping.value_or(1) == 3;
    std::vector<std::string> names = {kDemoAnatomicalFileName, kDemoFunctionalFileName};
    if (withSecond) {
        names.push_back(kDemoSecondFunctionalFileName);
    }
    // A build that writes no NIfTI files runs on the sample in memory instead.
    const bool writeSample = volumeFilesSupported();
    for (const std::string& name : names) {
        if (writeSample && fs::exists(fs::symlink_status(folder / name, ec))) {
            return fail((folder / name).string() +
                        ": it already exists and is never overwritten; choose another --out folder");
        }
    }
    fs::create_directories(folder, ec);
    if (ec) {
        return fail(options.outputFolder + ": the output folder cannot be created: " + ec.message());
    }
    std::vector<std::pair<std::string, VolumeFile>> files;
    {
        SlowStepNotice notice(std::cerr, "building the sample");
        const DemoSample sample = makeDemoSample();
        files.emplace_back(kDemoAnatomicalFileName, anatomicalVolumeFile(sample.anatomical));
        files.emplace_back(kDemoFunctionalFileName, functionalVolumeFile(sample.functional));
        if (withSecond) {
            files.emplace_back(kDemoSecondFunctionalFileName, functionalVolumeFile(sample.secondFunctional));
        }
    }
    if (!writeSample) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            DocumentRequest request;
            request.path = files[i].first;
            request.type = i == 0 ? kDocumentTypeVmr : kDocumentTypeFmr;
            request.content = asReadFromNifti1File(files[i].second);
            options.sampleInMemory.push_back(std::move(request));
        }
        std::cout << "keldra: this build writes no NIfTI files, so the sample stays in memory" << std::endl;
    }
    std::vector<std::string> written;
    std::string error;
    if (writeSample) {
        SlowStepNotice notice(std::cerr, "writing the sample");
        if (!writeDemoFiles(options.outputFolder, files, written, error)) {
            return fail(error);
        }
    }
    for (const std::string& path : written) {
        std::cout << "keldra: wrote the sample file " << path << std::endl;
    }
    options.documents = written;
    options.preparedFiles = written;
    if (!options.mapping) {
        options.mapping = 1;
    }
    const int exitCode = runCommand(options);
    if (exitCode == kExitSuccess && picture::pngFilesSupported()) {
        std::cout << "keldra: open " << (folder / "alignment.png").string()
                  << " to see whether the functional lines up with the anatomy" << std::endl;
    }
    return exitCode;
}

int infoCommand(const std::string& path, const std::string& maxImageSize) {
    std::string error;
    VolumeReadLimits limits;
    if (!readLimits(maxImageSize, limits, error)) {
        return fail(error);
    }
    if (!describeFile(path, std::cout, error, limits)) {
        return fail(error);
    }
    return kExitSuccess;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
    CLI::App app{"keldra: a command-line stand-in for the host application. It opens NIfTI files as the\n"
                 "documents of a workspace, loads the plug-in module through the operating system's loader\n"
                 "and runs it, writing what the host would show.",
                 "keldra"};
    app.require_subcommand(1);
    app.footer("Exit codes: 0 the run succeeded, 1 the plug-in refused to run, 2 a usage or input error.\n"
               "Examples:\n"
               "  keldra demo --out demo-out\n"
               "  keldra run anat.nii.gz bold.nii.gz --mapping 1 --out check-bold\n"
               "  keldra info bold.nii.gz");

    RunOptions options;
    CLI::App* run = app.add_subcommand("run", "Open the files as documents and run the plug-in on them.");
    run->add_option("DOC", options.documents,
                    "Files (.nii or .nii.gz) opened in order as the workspace's documents: the first as the\n"
                    "anatomical (VMR), the others as functionals (FMRs). Prefix a name with vmr: or fmr: to\n"
                    "open it as that type, e.g. fmr:bold.nii.gz vmr:anat.nii.gz.")
        ->required();
    run->add_option_function<int>(
           "--mapping", [&options](const int& value) { options.mapping = value; },
           "Answer to the plug-in's mapping prompt: 1 FMR -> VMR, 2 VMR -> FMR, 3 FMR -> FMR.\n"
           "Without it the prompt is asked on the terminal, or answered with its default when\n"
           "standard input is not a terminal. Example: --mapping 2")
        ->check(CLI::Range(1, 3));
    run->add_option("--out", options.outputFolder,
                    "Folder for log.txt, vmr.nii.gz (the anatomical after the run) and saved FMRs; created\n"
                    "when missing. Existing files are never overwritten. Example: --out check-bold")
        ->capture_default_str();
    run->add_option("--plugin", options.pluginPath,
                    "The plug-in module to load (default: orvaneplugin.so beside the keldra executable).\n"
                    "Example: --plugin build/bin/orvaneplugin.so");
    run->add_option("--host-version", options.hostVersion,
                    "The version this host reports to the plug-in, to try its version check.\n"
                    "Example: --host-version 2.0.9")
        ->capture_default_str();
    run->add_option("--max-image-size", options.maxImageSize, kMaxImageSizeHelp)->capture_default_str();
    run->add_flag("--overwrite", options.overwrite,
                  "Replace results of an earlier run in the output folder. Files named on the command line\n"
                  "and the plug-in module are never replaced, under any name.");
    run->footer("Example: keldra run anat.nii.gz bold.nii.gz --mapping 1 --out check-bold");

    const auto addPictureOptions = [&options](CLI::App* command) {
        command->add_flag("--radiological", options.radiological,
                          "Draw the pictures with the patient's left on the right (default: neurological,\n"
                          "left on the left). The letters in every panel say which side is which.");
        command->add_flag("--colour-blind-safe", options.colourBlindSafe,
                          "Draw the functional's edges in yellow instead of red.");
    };
    addPictureOptions(run);

    CLI::App* demo = app.add_subcommand(
        "demo", "Build a synthetic head (a 1 mm anatomical and an oblique functional of 10 volumes),\n"
                "write it as NIfTI files and run the plug-in on it exactly as `run` would.");
    demo->add_option_function<int>(
            "--mapping", [&options](const int& value) { options.mapping = value; },
            "The plug-in's mapping: 1 FMR -> VMR (default), 2 VMR -> FMR, 3 FMR -> FMR (adds a\n"
            "second functional, demo_bold2.nii.gz). Example: --mapping 2")
        ->check(CLI::Range(1, 3));
    demo->add_option("--out", options.outputFolder,
                     "Folder for the sample (demo_anat.nii.gz, demo_bold.nii.gz), the log, the pictures and\n"
                     "report.json; created when missing. Example: --out demo-out")
        ->capture_default_str();
    demo->add_option("--plugin", options.pluginPath,
                     "The plug-in module to load (default: orvaneplugin.so beside the keldra executable).");
    demo->add_option("--host-version", options.hostVersion, "The version this host reports to the plug-in.")
        ->capture_default_str();
    addPictureOptions(demo);
    demo->footer("Example: keldra demo --out demo-out, then open demo-out/alignment.png");

    std::string infoPath;
    CLI::App* info = app.add_subcommand("info", "Print what the host makes of a file: grid, voxel size, data type,\n"
                                                "the transform used, orientation, slice order and slice centres.");
    info->add_option("FILE", infoPath, "A .nii or .nii.gz file. Example: keldra info bold.nii.gz")->required();
    std::string infoMaxImageSize = "4GiB";
    info->add_option("--max-image-size", infoMaxImageSize, kMaxImageSizeHelp)->capture_default_str();

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "keldra: " << e.what() << " (see keldra --help)" << std::endl;
        return kExitError;
    }
    if (run->parsed()) {
        return runCommand(options);
    }
    if (demo->parsed()) {
        return demoCommand(options);
    }
    return infoCommand(infoPath, infoMaxImageSize);
}

}  // namespace orvane::keldra
