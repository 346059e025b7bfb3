// Writes a group page of generated runs, for bench/group_page_bench.mjs to time in a browser:
//   group_page_sample FOLDER [RUNS]   (1000 runs by default)
// The runs spread over four tasks, two sessions and a subject per four runs; their shifts are
// mostly small with a tail of outliers up to 60 mm, and one in fifty was not checked. The same
// arguments give the same page.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

#include "keldra/report/group_page.h"

using namespace orvane::keldra;

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: group_page_sample FOLDER [RUNS]" << std::endl;
        return 2;
    }
    const std::string folder = argv[1];
    const int count = argc == 3 ? std::atoi(argv[2]) : 1000;
    if (count < 1) {
        std::cerr << "group_page_sample: RUNS must be a whole number above 0" << std::endl;
        return 2;
    }
    std::mt19937 random(20240611);
    std::lognormal_distribution<double> shift(-0.3, 0.7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const char* tasks[] = {"rest", "nback", "motor", "faces"};

    GroupPage page;
    page.title = "Alignment of " + std::to_string(count) + " generated runs";
    page.introduction = "A generated group page for timing sorting and filtering in a browser.";
    page.thresholds = {2.0, 4.0};
    for (int i = 0; i < count; ++i) {
        GroupPageRun run;
        char subject[16];
        std::snprintf(subject, sizeof subject, "%03d", i / 4 + 1);
        run.subject = subject;
        run.session = std::to_string(i % 2 + 1);
        run.task = tasks[(i / 2) % 4];
        run.run = "1";
        run.id = "sub-" + run.subject + "_ses-" + run.session + "_task-" + run.task + "_run-1";
        run.bold = "sub-" + run.subject + "/ses-" + run.session + "/func/" + run.id + "_bold.nii.gz";
        run.href = "sub-" + run.subject + ".html#" + run.id;
        if (unit(random) < 0.02) {
            run.verdict = "not checked";
            run.reason = "no anatomical for this subject";
        } else {
            double length = shift(random);
            if (unit(random) < 0.01) {
                length = 10 + 50 * unit(random);
            }
            const double theta = 2 * 3.141592653589793 * unit(random);
            const double phi = std::acos(2 * unit(random) - 1);
            run.shiftMm[0] = length * std::sin(phi) * std::cos(theta);
            run.shiftMm[1] = length * std::sin(phi) * std::sin(theta);
            run.shiftMm[2] = length * std::cos(phi);
            run.shiftLengthMm = length;
            run.rmsDisplacementMm = length * (1.0 + 0.1 * unit(random));
            run.nmiAtHeader = 1.25 - 0.01 * length;
            run.nmiAtBest = 1.27;
            run.flipSuspected = false;
            run.headCoverage = 0.6 + 0.3 * unit(random);
            run.verdict = length < 2 ? "aligned" : length < 4 ? "check" : "misaligned";
        }
        page.runs.push_back(run);
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    OutputPolicy policy;
    policy.overwrite = true;
    std::string error;
    if (!writePage(folder, kGroupPageFileName, groupPageDocument(page, {}), policy, error)) {
        std::cerr << "group_page_sample: " << error << std::endl;
        return 1;
    }
    std::cout << (std::filesystem::path(folder) / kGroupPageFileName).string() << std::endl;
    return 0;
}
