// Calibration of the alignment check: runs it over many generated functionals with known errors
// (and nibabel's real pair) and prints, per group of cases, the error of the estimated shift,
// the verdicts, the left-right margins and the time taken, as the table in
// docs/alignment-check.md. Not a test: it takes minutes, and its output chooses thresholds.
//   check_calibration [--quick] [--cases] [--only PREFIX] [--write DIR]
//   (--cases: also one line per case; --only: just the groups whose name starts with PREFIX;
//   --write: instead, write the T1 and three example functionals (aligned, shifted by 6 mm,
//   flipped) as NIfTI files into DIR, to try keldra on)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "keldra/check/alignment_check.h"
#include "tests/data/epi_from_t1.h"
#include "tests/data/nifti_volumes.h"

namespace {

using orvane::keldra::check::AlignmentCheck;
using orvane::keldra::Vector3d;
using orvane::testdata::EpiSettings;
using orvane::testdata::Flip;

struct Outcome {
    std::string group;
    double trueShift = 0;
    double error = 0;  // |estimated - true| of the translation
    AlignmentCheck check;
    double seconds = 0;
};

Vector3d randomDirection(std::mt19937& random) {
    std::normal_distribution<double> g(0, 1);
    Vector3d d{g(random), g(random), g(random)};
    return (1.0 / orvane::keldra::length(d)) * d;
}

int writeExamples(const std::string& folder) {
    orvane::testdata::EpiGenerator generator;
    std::string error;
    EpiSettings aligned;
    EpiSettings shifted = aligned;
    shifted.trueShiftMm = {3.5, -4.0, 2.5};  // 6 mm
    EpiSettings flipped = aligned;
    flipped.flip = Flip::VoxelOrder;
    using orvane::testdata::StoredAs;
    const bool ok = generator.ok() &&
                    orvane::testdata::writeNiftiVolume(folder + "/t1.nii.gz", generator.anatomy(), StoredAs::Int16, error) &&
                    orvane::testdata::writeNiftiVolume(folder + "/aligned.nii.gz", generator.functional(aligned),
                                                       StoredAs::Int16, error) &&
                    orvane::testdata::writeNiftiVolume(folder + "/shifted_6mm.nii.gz", generator.functional(shifted),
                                                       StoredAs::Int16, error) &&
                    orvane::testdata::writeNiftiVolume(folder + "/flipped.nii.gz", generator.functional(flipped),
                                                       StoredAs::Int16, error);
    if (!ok) {
        std::fprintf(stderr, "%s\n", generator.ok() ? error.c_str() : generator.error().c_str());
        return 2;
    }
    return 0;
}

std::string onlyGroups;

Outcome run(const std::string& group, const orvane::keldra::check::AnatomyReference& anatomy, const orvane::keldra::check::Volume& f,
            const Vector3d& truth) {
    Outcome o;
    if (group.compare(0, onlyGroups.size(), onlyGroups) != 0) {
        o.group = "(skipped)";
        return o;
    }
    o.group = group;
    const auto start = std::chrono::steady_clock::now();
    o.check = orvane::keldra::check::checkAlignment(anatomy, f, orvane::keldra::check::Thresholds{});
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    o.trueShift = orvane::keldra::length(truth);
    o.error = orvane::keldra::length(o.check.shiftMm - truth);
    return o;
}

double quantileOf(std::vector<double> v, double q) {
    if (v.empty()) {
        return NAN;
    }
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
}

void printCase(const Outcome& o) {
    const AlignmentCheck& c = o.check;
    std::printf("%-22s true %5.1f  est (%6.2f %6.2f %6.2f) err %5.2f  rot (%5.1f %5.1f %5.1f) rms %5.2f  nmi %.3f->%.3f "
                "mirror %.3f margin %+.3f  cov %.2f/%.2f  %-10s %.2fs %d evals\n",
                o.group.c_str(), o.trueShift, c.shiftMm.x, c.shiftMm.y, c.shiftMm.z, o.error, c.rotationDegrees.x,
                c.rotationDegrees.y, c.rotationDegrees.z, c.rmsDisplacementMm, c.nmiAtHeader, c.nmiAtBest, c.nmiMirrored,
                c.leftRightMargin, c.headCoverage, c.fieldOfViewInsideAnatomy, orvane::keldra::check::verdictName(c.verdict),
                o.seconds, c.evaluations);
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = false, perCase = false;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        quick = quick || std::strcmp(argv[i], "--quick") == 0;
        perCase = perCase || std::strcmp(argv[i], "--cases") == 0;
        if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        }
        if (std::strcmp(argv[i], "--write") == 0 && i + 1 < argc) {
            return writeExamples(argv[++i]);
        }
    }
    orvane::testdata::EpiGenerator generator;
    if (!generator.ok()) {
        std::fprintf(stderr, "%s\n", generator.error().c_str());
        return 2;
    }
    std::string error;
    orvane::keldra::check::AnatomyReference anatomy;
    const auto prepared = std::chrono::steady_clock::now();
    if (!orvane::keldra::check::prepareAnatomy(generator.anatomy(), anatomy, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::printf("anatomy prepared in %.3f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - prepared).count());
    std::mt19937 random(20240611);
    std::vector<Outcome> outcomes;
    onlyGroups = only;
    const auto report = [&](const Outcome& o) {
        if (o.group == "(skipped)") {
            return;
        }
        if (perCase) {
            printCase(o);
            std::fflush(stdout);
        }
        outcomes.push_back(o);
    };
    const int perLength = quick ? 4 : 16;
    unsigned seed = 1;
    // Aligned pairs and pure translations of fixed lengths in random directions.
    for (double length : {0.0, 3.0, 4.0, 6.0, 10.0}) {
        for (int n = 0; n < perLength; ++n) {
            EpiSettings settings = orvane::testdata::variedEpiSettings(random, seed++);
            settings.trueShiftMm = length * randomDirection(random);
            char group[32];
            std::snprintf(group, sizeof group, length == 0 ? "aligned" : "shift %.0f mm", length);
            report(run(group, anatomy, generator.functional(settings), settings.trueShiftMm));
        }
    }
    // Translations of any length up to 15 mm.
    for (int n = 0; n < (quick ? 8 : 40); ++n) {
        EpiSettings settings = orvane::testdata::variedEpiSettings(random, seed++);
        settings.trueShiftMm = (15.0 * std::cbrt(std::uniform_real_distribution<double>(0, 1)(random))) * randomDirection(random);
        report(run("shift 0-15 mm", anatomy, generator.functional(settings), settings.trueShiftMm));
    }
    // Small rotations with and without a shift.
    for (int n = 0; n < perLength; ++n) {
        EpiSettings settings = orvane::testdata::variedEpiSettings(random, seed++);
        std::uniform_real_distribution<double> degrees(-5, 5);
        settings.trueRotationDegrees = {degrees(random), degrees(random), degrees(random)};
        settings.trueShiftMm = (n % 2 ? 4.0 : 0.0) * randomDirection(random);
        report(run("rotation <=5 deg", anatomy, generator.functional(settings), settings.trueShiftMm));
    }
    // Left-right flips of the data, aligned and shifted.
    for (int n = 0; n < perLength; ++n) {
        EpiSettings settings = orvane::testdata::variedEpiSettings(random, seed++);
        settings.flip = Flip::VoxelOrder;
        settings.trueShiftMm = (n % 2 ? 5.0 : 0.0) * randomDirection(random);
        report(run("flipped", anatomy, generator.functional(settings), settings.trueShiftMm));
    }
    // nibabel's real pair, as given and with its functional's header shifted.
    orvane::keldra::check::Volume nibabelAnatomy, nibabelFunctional;
    orvane::keldra::check::AnatomyReference nibabelReference;
    if (orvane::testdata::readNiftiVolume(orvane::testdata::kNibabelAnatomicalPath, nibabelAnatomy, error) &&
        orvane::testdata::readNiftiVolume(orvane::testdata::kNibabelFunctionalPath, nibabelFunctional, error) &&
        orvane::keldra::check::prepareAnatomy(nibabelAnatomy, nibabelReference, error)) {
        const Outcome pair = run("nibabel pair", nibabelReference, nibabelFunctional, {});
        report(pair);
        // The pair's own residual (the headers of a real pair need not agree to the millimetre)
        // is part of the truth for its shifted copies.
        const Vector3d own = pair.check.shiftMm;
        // Its functional's data mirrored along the left-right voxel axis, header kept.
        orvane::keldra::check::Volume mirrored = nibabelFunctional;
        for (int k = 0; k < mirrored.size[2]; ++k) {
            for (int j = 0; j < mirrored.size[1]; ++j) {
                for (int i = 0; i < mirrored.size[0]; ++i) {
                    mirrored.samples[mirrored.index(i, j, k)] = nibabelFunctional.at(mirrored.size[0] - 1 - i, j, k);
                }
            }
        }
        report(run("nibabel flipped", nibabelReference, mirrored, {}));
        for (double length : {3.0, 6.0, 10.0}) {
            for (int n = 0; n < (quick ? 1 : 4); ++n) {
                const Vector3d shift = length * randomDirection(random);
                orvane::keldra::check::Volume moved = nibabelFunctional;
                // The header moved by -shift: the check must find +shift.
                moved.voxelToWorld = orvane::keldra::Affine::translation(-1.0 * shift) * moved.voxelToWorld;
                char group[32];
                std::snprintf(group, sizeof group, "nibabel shift %.0f mm", length);
                report(run(group, nibabelReference, moved, shift + own));
            }
        }
    } else {
        std::fprintf(stderr, "nibabel's pair left out: %s\n", error.c_str());
    }

    // The table, one row per group in order of first appearance.
    std::vector<std::string> groups;
    for (const Outcome& o : outcomes) {
        if (std::find(groups.begin(), groups.end(), o.group) == groups.end()) {
            groups.push_back(o.group);
        }
    }
    std::printf("\n| cases | n | shift error median / 95 %% / max (mm) | within 1 mm | aligned / check / misaligned | "
                "left-right margin min / max | flagged flip | RMS median (mm) | seconds median |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (const std::string& g : groups) {
        std::vector<double> errors, margins, rms, seconds;
        int verdicts[3] = {0, 0, 0}, within = 0, flips = 0;
        for (const Outcome& o : outcomes) {
            if (o.group != g) {
                continue;
            }
            errors.push_back(o.error);
            margins.push_back(o.check.leftRightMargin);
            rms.push_back(o.check.rmsDisplacementMm);
            seconds.push_back(o.seconds);
            verdicts[static_cast<int>(o.check.verdict)]++;
            within += o.error <= 1.0 ? 1 : 0;
            flips += o.check.leftRightFlipSuspected ? 1 : 0;
        }
        std::printf("| %s | %zu | %.2f / %.2f / %.2f | %d | %d / %d / %d | %+.3f / %+.3f | %d | %.2f | %.2f |\n", g.c_str(),
                    errors.size(), quantileOf(errors, 0.5), quantileOf(errors, 0.95), quantileOf(errors, 1.0), within,
                    verdicts[0], verdicts[1], verdicts[2], quantileOf(margins, 0.0), quantileOf(margins, 1.0), flips,
                    quantileOf(rms, 0.5), quantileOf(seconds, 0.5));
    }
    return 0;
}
