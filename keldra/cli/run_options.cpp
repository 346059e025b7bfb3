// Declaring and reading the options `run` and `demo` share.
#include "keldra/cli/run_options.h"

#include "keldra/cli/image_size_option.h"

namespace orvane::keldra {

void addRunOptions(CLI::App& command, RunOptions& options, const RunOptionHelp& help) {
    command.add_option_function<int>(
               "--mapping", [&options](const int& value) { options.mapping = value; }, help.mapping)
        ->check(CLI::Range(1, 3));
    command.add_option("--out", options.outputFolder, help.outputFolder)->capture_default_str();
    command.add_option("--plugin", options.pluginPath, help.plugin);
    command.add_option("--host-version", options.hostVersion, help.hostVersion)->capture_default_str();
    command.add_option("--max-image-size", options.maxImageSize, kMaxImageSizeHelp)->capture_default_str();
    command.add_flag("--no-vmr-file", options.noVmrFile,
                     "Do not write vmr.nii.gz, the anatomical as the run left it; its checksum is still\n"
                     "printed. Files the plug-in saves are written as always.");
}

void addPictureOptions(CLI::App& command, RunOptions& options) {
    command.add_flag("--radiological", options.radiological,
                     "Draw the pictures with the patient's left on the right (default: neurological,\n"
                     "left on the left). The letters in every panel say which side is which.");
    command.add_flag("--colour-blind-safe", options.colourBlindSafe,
                     "Draw the functional's edges in yellow instead of red, and colour the page's verdicts\n"
                     "blue, orange and wine instead of green, amber and red.");
}

void addCheckOptions(CLI::App& command, RunOptions& options, bool afterTheModule) {
    command.add_option("--thresholds", options.thresholdsFile,
                       "A JSON file of the alignment check's thresholds, replacing the defaults it names\n"
                       "(docs/alignment-check.md). Example: --thresholds strict.json")
        ->check(CLI::ExistingFile);
    if (afterTheModule) {
        command.add_flag("--no-check", options.noCheck,
                         "Skip the alignment check that follows the module's run (see keldra check).");
    }
}

picture::PictureOptions pictureOptions(const RunOptions& options) {
    picture::PictureOptions pictures;
    pictures.convention = options.radiological ? picture::Convention::Radiological : picture::Convention::Neurological;
    pictures.edgeColour = options.colourBlindSafe ? picture::EdgeColour::ColourBlindSafe : picture::EdgeColour::Red;
    return pictures;
}

PageOptions pageOptions(const RunOptions& options) {
    PageOptions page;
    page.colourBlindSafe = options.colourBlindSafe;
    return page;
}

}  // namespace orvane::keldra
