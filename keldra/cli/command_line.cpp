// Declaring keldra's commands and their options, parsing, and handing over to the command.
#include "keldra/cli/command_line.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "keldra/cli/check_command.h"
#if !defined(_WIN32)
#include "keldra/cli/bids_command.h"
#endif
#include "keldra/cli/demo_command.h"
#include "keldra/cli/image_size_option.h"
#include "keldra/cli/info_command.h"
#include "keldra/cli/module_path.h"
#include "keldra/cli/run_command.h"
#include "keldra/host/plugin_module.h"
#include "keldra/report/keldra_version.h"

namespace orvane::keldra {

namespace {

CLI::App* declareRun(CLI::App& app, RunOptions& options) {
    CLI::App* run = app.add_subcommand("run", "Open the files as documents and run the plug-in on them.");
    run->add_option("DOC", options.documents,
                    "Files (.nii or .nii.gz) opened in order as the workspace's documents: the first as the\n"
                    "anatomical (VMR), the others as functionals (FMRs); the plug-in needs the anatomical and\n"
                    "one or two functionals. Prefix a name with vmr: or fmr: to open it as that type; the order\n"
                    "of the files is kept, so the anatomical still comes first, e.g.\n"
                    "vmr:T1w_run-01.nii.gz fmr:bold.nii.gz")
        ->required();
    RunOptionHelp help;
    help.mapping = "Answer to the plug-in's mapping prompt: 1 FMR -> VMR, 2 VMR -> FMR, 3 FMR -> FMR.\n"
                   "Without it the prompt is asked on the terminal, or answered with its default when\n"
                   "standard input is not a terminal. Example: --mapping 2";
    help.outputFolder = "Folder for log.txt, vmr.nii.gz (the anatomical after the run), saved FMRs, the pictures,\n"
                        "report.json and report.html (the page to read in a browser); created\n"
                        "when missing. Existing files are never overwritten. Example: --out check-bold";
    help.plugin = "The plug-in module to load (default: orvaneplugin.so beside the keldra executable).\n"
                  "Example: --plugin build/bin/orvaneplugin.so";
    help.hostVersion = "The version this host reports to the plug-in, to try its version check.\n"
                       "Example: --host-version 2.0.9";
    addRunOptions(*run, options, help);
    run->add_flag("--overwrite", options.overwrite,
                  "Replace results of an earlier run in the output folder. Files named on the command line\n"
                  "and the plug-in module are never replaced, under any name.");
    addPictureOptions(*run, options);
    addCheckOptions(*run, options, true);
    run->footer("Example: keldra run anat.nii.gz bold.nii.gz --mapping 1 --out check-bold");
    return run;
}

CLI::App* declareDemo(CLI::App& app, RunOptions& options) {
    CLI::App* demo = app.add_subcommand(
        "demo", "Build a synthetic head (a 1 mm anatomical and an oblique functional of 10 volumes),\n"
                "write it as NIfTI files and run the plug-in on it exactly as `run` would.");
    RunOptionHelp help;
    help.mapping = "The plug-in's mapping: 1 FMR -> VMR (default), 2 VMR -> FMR, 3 FMR -> FMR (adds a\n"
                   "second functional, demo_bold2.nii.gz). Example: --mapping 2";
    help.outputFolder = "Folder for the sample (demo_anat.nii.gz, demo_bold.nii.gz), the log, the pictures and\n"
                        "report.json; created when missing. Example: --out demo-out";
    help.plugin = "The plug-in module to load (default: orvaneplugin.so beside the keldra executable).";
    help.hostVersion = "The version this host reports to the plug-in.";
    addRunOptions(*demo, options, help);
    addPictureOptions(*demo, options);
    addCheckOptions(*demo, options, true);
    demo->footer("Example: keldra demo --out demo-out, then open demo-out/report.html in a browser");
    return demo;
}

CLI::App* declareInfo(CLI::App& app, std::string& path, std::string& maxImageSize) {
    CLI::App* info = app.add_subcommand("info", "Print what the host makes of a file: grid, voxel size, data type,\n"
                                                "the transform used, orientation, slice order and slice centres.");
    info->add_option("FILE", path, "A .nii or .nii.gz file. Example: keldra info bold.nii.gz")->required();
    info->add_option("--max-image-size", maxImageSize, kMaxImageSizeHelp)->capture_default_str();
    return info;
}

// keldra's version, and the name and version of the module it loads by default.
std::string versionText() {
    const std::string path = modulePath("");
    std::string error;
    const std::unique_ptr<PluginModule> module = PluginModule::load(path, error);
    std::string text = std::string("keldra ") + kKeldraVersion + "\nplug-in module: ";
    if (!module) {
        return text + "none loaded from " + path + " (" + error + ")";
    }
    const PluginMetadata& metadata = module->metadata();
    return text + metadata.name + ", version " + (metadata.version.empty() ? "unknown" : metadata.version) + ", from " +
           path;
}

}  // namespace

// `interruptions` is handed to the BIDS levels, which the Windows build does not have.
int runCommandLine(int argc, char** argv, [[maybe_unused]] InterruptWatcher& interruptions) {
    CLI::App app{"keldra: a command-line stand-in for the host application. It opens NIfTI files as the\n"
                 "documents of a workspace, loads the plug-in module through the operating system's loader\n"
                 "and runs it, writing what the host would show.",
                 "keldra"};
    app.require_subcommand(1);
    app.set_version_flag("--version", [] { return versionText(); }, "Print keldra's version and the plug-in module's, and exit.");
    app.footer("Exit codes: 0 the run succeeded, 1 the plug-in refused to run, 2 a usage or input error;\n"
               "keldra check: 0 every functional aligned, 3 the worst verdict is check, 4 misaligned.\n"
               "Examples:\n"
               "  keldra demo --out demo-out\n"
               "  keldra run anat.nii.gz bold.nii.gz --mapping 1 --out check-bold\n"
               "  keldra check anat.nii.gz bold.nii.gz --out check-bold\n"
               "  keldra info bold.nii.gz\n"
               "  keldra bids /data/study /data/study/derivatives/keldra participant");
    RunOptions options;
    std::string infoPath;
    std::string infoMaxImageSize = "4GiB";
    const CLI::App* run = declareRun(app, options);
    CLI::App* demo = declareDemo(app, options);
    RunOptions checkOptions;
    checkOptions.outputFolder.clear();  // check writes only where --out says
    const CLI::App* check = declareCheck(app, checkOptions);
    declareInfo(app, infoPath, infoMaxImageSize);
#if !defined(_WIN32)
    std::string bidsSampleFolder;
    demo->add_option("--bids", bidsSampleFolder,
                     "Instead, write a small BIDS dataset made from the synthetic head into this folder (which\n"
                     "must not exist or be empty), to try `keldra bids` on. Example: --bids study");
    BidsCommandOptions bidsOptions;
    const CLI::App* bidsCommand = addBidsCommand(app, bidsOptions);
#endif
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForVersion& e) {
        std::cout << e.what() << std::endl;
        return kExitSuccess;
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "keldra: " << e.what() << " (see keldra --help)" << std::endl;
        return kExitError;
    }
    if (run->parsed()) {
        return runCommand(options);
    }
#if !defined(_WIN32)
    if (bidsCommand->parsed()) {
        return runBidsCommand(bidsOptions, executableDirectory() + "/keldra", interruptions);
    }
    if (demo->parsed() && !bidsSampleFolder.empty()) {
        return bidsSampleCommand(bidsSampleFolder);
    }
#endif
    if (demo->parsed()) {
        return demoCommand(options);
    }
    if (check->parsed()) {
        return checkCommand(checkOptions);
    }
    return infoCommand(infoPath, infoMaxImageSize);
}

}  // namespace orvane::keldra
