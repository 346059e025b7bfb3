// What `run` and `demo` are told on the command line, and the one declaration of the options
// they share: --mapping, --out, --plugin, --host-version and --max-image-size (each command
// words the help of the first four its own way), and the picture options --radiological and
// --colour-blind-safe.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

#include "keldra/nifti/volume_file.h"
#include "keldra/picture/alignment_picture.h"
#include "keldra/report/page_document.h"
#include "keldra/workspace/workspace_loader.h"

namespace orvane::keldra {

struct RunOptions {
    std::vector<std::string> documents;
    std::optional<int> mapping;
    std::string outputFolder = "keldra-out";
    std::string pluginPath;
    std::string hostVersion = "2.4.0";
    std::string maxImageSize = "4GiB";
    bool radiological = false;
    bool colourBlindSafe = false;
    bool overwrite = false;
    // The alignment check: skipped with --no-check (run, demo); its thresholds from a JSON file;
    // `check` without pictures.
    bool noCheck = false;
    bool noVmrFile = false;  // vmr.nii.gz is not written; its checksum is still printed
    std::string thresholdsFile;
    bool noPictures = false;
    // Files written before the run on its behalf (the demo's sample), for the report.
    std::vector<std::string> preparedFiles;
    // The demo's sample held in memory, in a build that writes no NIfTI files; replaces
    // `documents` when not empty.
    std::vector<DocumentRequest> sampleInMemory;
};

// The command's own help for the shared options whose meaning it shapes.
struct RunOptionHelp {
    const char* mapping;
    const char* outputFolder;
    const char* plugin;
    const char* hostVersion;
};

// Declares the shared options on `command`, filling `options`.
void addRunOptions(CLI::App& command, RunOptions& options, const RunOptionHelp& help);
void addPictureOptions(CLI::App& command, RunOptions& options);
// --thresholds, and --no-check for the commands that run the module first.
void addCheckOptions(CLI::App& command, RunOptions& options, bool afterTheModule);

picture::PictureOptions pictureOptions(const RunOptions& options);
PageOptions pageOptions(const RunOptions& options);

}  // namespace orvane::keldra
