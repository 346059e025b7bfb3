// The results of a run, made side by side.
#include "keldra/cli/run_results.h"

#include <filesystem>
#include <future>
#include <iostream>
#include <sstream>

#include "keldra/cli/background_work.h"
#include "keldra/cli/slow_step_notice.h"
#include "keldra/nifti/volume_file_output.h"
#include "keldra/output/checksum.h"
#include "keldra/picture/png_file.h"
#include "keldra/report/run_pictures.h"
#include "keldra/workspace/document_builder.h"

namespace orvane::keldra {

const char* const kVmrResultFileName = "vmr.nii.gz";

std::future<CheckRun> startAlignmentCheck(const Workspace& opened, const check::Thresholds& thresholds, bool skip) {
    if (skip) {
        std::promise<CheckRun> none;
        none.set_value({});
        return none.get_future();
    }
    return std::async(std::launch::async, [&opened, thresholds] {
        std::ostringstream lines;
        CheckRun run;
        run.checked = checkWorkspace(opened, thresholds, lines);
        run.lines = lines.str();
        return run;
    });
}

namespace {

namespace fs = std::filesystem;

// The anatomical as it now is, with its checksum (the file only in a build that writes NIfTI,
// and unless --no-vmr-file); the lines to print are added to `messages`.
bool writeVmrResult(const RunOutcome& outcome, const RunOptions& options, const OutputPolicy& policy,
                    std::vector<std::string>& written, std::string& messages, std::string& error) {
    const VmrDocument* vmr =
        outcome.after.documents.empty() ? nullptr : std::get_if<VmrDocument>(&outcome.after.documents.front());
    if (vmr == nullptr) {
        return true;
    }
    const std::string path = (fs::path(options.outputFolder) / kVmrResultFileName).string();
    std::uint64_t checksum = 0;
    if (volumeFilesSupported() && !options.noVmrFile) {
        const SampleProducer voxels = [vmr](SampleSink& sink, std::string&) {
            return sink.append(vmr->voxels.data(), vmr->voxels.size());
        };
        if (!writeNewNiftiFile(options.outputFolder, kVmrResultFileName, vmrDescription(*vmr), voxels, checksum, error,
                               policy)) {
            return false;
        }
        written.push_back(path);
        messages += "keldra: wrote the VMR as it now is to " + path + "\n";
    } else {
        checksum = fnv1a64(vmr->voxels.data(), vmr->voxels.size());
    }
    messages += "keldra: checksum of the VMR as it now is: " + checksumText(checksum) + "\n";
    return true;
}

// The run's pictures as they were drawn: their paths in the fixed order, or the reason they
// failed.
struct DrawnPictures {
    bool drawn = true;
    std::vector<std::string> paths;
    std::string error;
};

// Starts drawing the run's pictures, when this build writes PNG files: they need only the run's
// documents, so they are drawn beside the writing of vmr.nii.gz and the check; alignment.png
// takes the check's caption line when it is handed over. A check that runs gives that one line
// whenever there are pictures: both need the first anatomical and a functional.
std::future<DrawnPictures> startRunPictures(const RunOutcome& outcome, const RunOptions& options,
                                            const OutputPolicy& policy,
                                            std::shared_future<std::vector<std::string>> checkCaption) {
    if (!picture::pngFilesSupported()) {
        std::promise<DrawnPictures> none;
        none.set_value({});
        return none.get_future();
    }
    const LateCaption caption{options.noCheck ? 0 : 1, std::move(checkCaption)};
    return std::async(std::launch::async, [&outcome, &options, &policy, caption] {
        lowerThisThreadsPriority();
        DrawnPictures pictures;
        pictures.drawn = writeRunPictures(outcome, options.outputFolder, pictureOptions(options), pictures.paths,
                                          pictures.error, policy, caption);
        return pictures;
    });
}

// The check's pictures, whenever the check ran, drawn while the run's may still be in the
// making; then every picture's line, the run's first. When the run changed nothing, only the
// pictures that show where the documents lie were drawn (and that nothing was projected).
bool finishPictures(const RunOutcome& outcome, const std::vector<CheckedFunctional>& checked,
                    std::future<DrawnPictures>& runPictures, const RunOptions& options, const OutputPolicy& policy,
                    std::vector<std::string>& written, std::string& error) {
    if (!picture::pngFilesSupported()) {
        std::cout << "keldra: this build writes no PNG files, so no pictures were drawn" << std::endl;
        return true;
    }
    if (!runChangedSomething(outcome)) {
        std::cout << "keldra: the run changed nothing; the pictures show where the documents lie" << std::endl;
    }
    std::vector<std::string> checkPictures;
    std::string checkError;
    const bool checkPicturesDrawn = writeCheckPictures(outcome.before, checked, options.outputFolder,
                                                       pictureOptions(options), policy, checkPictures, checkError);
    DrawnPictures run = runPictures.get();
    if (!run.drawn) {
        error = run.error;
        return false;
    }
    if (!checkPicturesDrawn) {
        error = checkError;
        return false;
    }
    run.paths.insert(run.paths.end(), checkPictures.begin(), checkPictures.end());
    for (const std::string& path : run.paths) {
        written.push_back(path);
        std::cout << "keldra: wrote the picture " << path << std::endl;
    }
    return true;
}

}  // namespace

bool writeRunResults(const RunOutcome& outcome, std::future<CheckRun>& check, const RunOptions& options,
                     const OutputPolicy& policy, std::vector<CheckedFunctional>& checked,
                     std::vector<std::string>& written, std::string& error) {
    // The drawing is declared before the caption it waits for: should anything below throw, the
    // caption's promise goes first, breaks (alignment.png then fails), and the drawing ends
    // before its future is left.
    std::future<DrawnPictures> runPictures;
    std::promise<std::vector<std::string>> checkCaption;
    runPictures = startRunPictures(outcome, options, policy, checkCaption.get_future().share());
    std::vector<std::string> vmrWritten;
    std::string vmrMessages;
    bool vmrWrote = false;
    {
        SlowStepNotice notice(std::cerr, "writing the results");
        std::future<bool> vmr = std::async(std::launch::async, [&] {
            lowerThisThreadsPriority();
            return writeVmrResult(outcome, options, policy, vmrWritten, vmrMessages, error);
        });
        vmrWrote = vmr.get();
    }
    {
        SlowStepNotice notice(std::cerr, "checking the alignment");
        CheckRun run = check.get();
        checked = std::move(run.checked);
        checkCaption.set_value(alignmentPictureCaption(checked));
        std::cout << run.lines << std::flush;
    }
    if (!vmrWrote) {
        // The run's pictures were drawn meanwhile; they are there, so they are listed.
        const DrawnPictures drawn = runPictures.get();
        written.insert(written.end(), drawn.paths.begin(), drawn.paths.end());
        return false;
    }
    // One write, so that no progress line on stderr can land between a label and its value when
    // both streams go to one place.
    std::cout << vmrMessages << std::flush;
    written.insert(written.end(), vmrWritten.begin(), vmrWritten.end());
    SlowStepNotice notice(std::cerr, "writing the results");
    return finishPictures(outcome, checked, runPictures, options, policy, written, error);
}

}  // namespace orvane::keldra
