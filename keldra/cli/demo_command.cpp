// The demo command.
#include "keldra/cli/demo_command.h"

#include <filesystem>
#include <iostream>
#include <system_error>
#include <utility>

#include "keldra/cli/exit_codes.h"
#include "keldra/cli/output_folder.h"
#include "keldra/cli/run_command.h"
#include "keldra/cli/slow_step_notice.h"
#include "keldra/report/run_page.h"
#include "keldra/sample/demo_files.h"
#include "keldra/sample/demo_sample.h"

namespace orvane::keldra {

namespace {

namespace fs = std::filesystem;

constexpr const char* kDemoAnatomicalFileName = "demo_anat.nii.gz";
constexpr const char* kDemoFunctionalFileName = "demo_bold.nii.gz";
constexpr const char* kDemoSecondFunctionalFileName = "demo_bold2.nii.gz";

using SampleFiles = std::vector<std::pair<std::string, VolumeFile>>;

// The sample's file names: the anatomical, the functional and, for mapping 3, the second
// functional.
std::vector<std::string> sampleFileNames(bool withSecondFunctional) {
    std::vector<std::string> names = {kDemoAnatomicalFileName, kDemoFunctionalFileName};
    if (withSecondFunctional) {
        names.push_back(kDemoSecondFunctionalFileName);
    }
    return names;
}

// The sample is never written over anything, not even with --overwrite.
bool checkSampleNamesAreFree(const std::string& folder, const std::vector<std::string>& names, std::string& error) {
    std::error_code ec;
    for (const std::string& name : names) {
        const fs::path path = fs::path(folder) / name;
        if (fs::exists(fs::symlink_status(path, ec))) {
            error = path.string() + ": it already exists and is never overwritten; choose another --out folder";
            return false;
        }
    }
    return true;
}

// The sample's files under the given names.
SampleFiles buildSample(const std::vector<std::string>& names) {
    SlowStepNotice notice(std::cerr, "building the sample");
    const DemoSample sample = makeDemoSample();
    SampleFiles files;
    files.emplace_back(names[0], anatomicalVolumeFile(sample.anatomical));
    files.emplace_back(names[1], functionalVolumeFile(sample.functional));
    if (names.size() > 2) {
        files.emplace_back(names[2], functionalVolumeFile(sample.secondFunctional));
    }
    return files;
}

// The sample as documents held in memory, as reading its files would give them.
std::vector<DocumentRequest> sampleInMemory(const SampleFiles& files) {
    std::vector<DocumentRequest> requests;
    for (std::size_t i = 0; i < files.size(); ++i) {
        DocumentRequest request;
        request.path = files[i].first;
        request.type = i == 0 ? kVmrDocumentType : kFmrDocumentType;
        request.content = asReadFromNifti1File(files[i].second);
        requests.push_back(std::move(request));
    }
    return requests;
}

}  // namespace

int demoCommand(RunOptions options) {
    std::string error;
    if (!checkOutputFolder(options.outputFolder, error)) {
        return fail(error);
    }
    const std::vector<std::string> names = sampleFileNames(options.mapping.value_or(1) == 3);
    // A build that writes no NIfTI files runs on the sample in memory instead.
    const bool writeSample = volumeFilesSupported();
    if ((writeSample && !checkSampleNamesAreFree(options.outputFolder, names, error)) ||
        !createOutputFolder(options.outputFolder, error)) {
        return fail(error);
    }
    const SampleFiles files = buildSample(names);
    std::vector<std::string> written;
    if (!writeSample) {
        options.sampleInMemory = sampleInMemory(files);
        std::cout << "keldra: this build writes no NIfTI files, so the sample stays in memory" << std::endl;
    } else {
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
    options.mapping = options.mapping.value_or(1);
    const int exitCode = runCommand(options);
    if (exitCode == kExitSuccess) {
        std::cout << "keldra: open " << (fs::path(options.outputFolder) / kRunPageFileName).string()
                  << " in a browser to see whether the functional lines up with the anatomy" << std::endl;
    }
    return exitCode;
}

}  // namespace orvane::keldra
