// Fuzz target: the bytes of an image file (gzip-compressed when they start like gzip) through
// keldra's checked reader, then, when it accepts them, into an anatomical and a functional
// document, their position records and the initial alignment between the two, as a run would.
#include <cstddef>
#include <cstdint>
#include <string>

#include "keldra/nifti/byte_source.h"
#include "keldra/workspace/document_builder.h"
#include "keldra/workspace/initial_alignment.h"
#include "keldra/nifti/nifti_file_reader.h"
#include "keldra/workspace/workspace_loader.h"

using namespace orvane::keldra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool compressed = size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
    MemorySource source(data, size);
    NiftiHeaderRules rules;
    rules.compressed = compressed;
    rules.maxImageBytes = 1u << 20;  // small, so that each input is quick
    if (!compressed) {
        rules.fileSize = size;
    }
    VolumeFile file;
    std::string problem;
    if (!readNiftiImage(source, compressed ? "fuzz.nii.gz" : "fuzz.nii", rules, file, problem)) {
        if (problem.empty()) {
            __builtin_trap();  // every refusal must say why
        }
        return 0;
    }
    transformDisagreementWarning("fuzz.nii", file);
    nonFiniteSamplesWarning("fuzz.nii", file, orvane::kFmrDocumentType);

    VmrDocument vmr;
    FmrDocument fmr;
    std::string vmrProblem, fmrProblem;
    bool vmrMade = makeVmrDocument("fuzz.nii", file, vmr, vmrProblem);
    bool fmrMade = makeFmrDocument("fuzz.nii", file, fmr, fmrProblem);
    if (vmrMade != fmrMade) {
        __builtin_trap();  // both roles share the same geometry checks
    }
    if (vmrMade) {
        float matrix[16];
        std::string alignmentProblem;
        computeInitialAlignment(fmr.position, vmr.position, matrix, alignmentProblem);
        VolumeFile again = fmrAsVolumeFile(fmr);
        if (again.samples.size() != fmr.voxelsPerVolume() * static_cast<std::size_t>(fmr.volumes) *
                                        sampleSize(again.sampleType)) {
            __builtin_trap();
        }
    }
    return 0;
}
