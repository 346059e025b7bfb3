// Fuzz target: any bytes as a file name through the BIDS name parser. What it accepts must
// compose back to the same name, parse again to the same entities, be selected by its own
// labels, and give output names that stay inside their folder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "keldra/bids/bids_name.h"
#include "keldra/bids/output_layout.h"
#include "keldra/bids/selection.h"
#include "keldra/output/output_files.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fileName(reinterpret_cast<const char*>(data), size);
    bids::BidsName name;
    std::string problem;
    if (!bids::parseBidsName(fileName, name, problem)) {
        if (problem.empty()) {
            __builtin_trap();  // every refusal says why
        }
        return 0;
    }
    if (name.fileName() != fileName) {
        __builtin_trap();
    }
    bids::BidsName again;
    if (!bids::parseBidsName(name.fileName(), again, problem) || again.entities != name.entities ||
        again.suffix != name.suffix || again.extension != name.extension) {
        __builtin_trap();
    }
    for (const std::string& output : {bids::recordFileName(name), bids::lockFileName(name),
                                      bids::workFolderName(name), bids::outputFileName(name, "alignment_fmr.png")}) {
        if (!keldra::isSafeFilePrefix(output, problem)) {
            __builtin_trap();
        }
    }
    const std::string folder = bids::runOutputFolder(name);
    if (folder.find("..") != std::string::npos || folder.rfind("sub-", 0) != 0) {
        __builtin_trap();
    }
    bids::Selection selection;
    selection.participants = {"sub-" + name.entity("sub")};
    if (!name.entity("task").empty()) {
        selection.tasks = {name.entity("task")};
    }
    if (!selection.normalise(problem) || !selection.selects(name)) {
        __builtin_trap();
    }
    const std::string run = name.entity("run");
    const std::string echo = name.entity("echo");
    if (bids::compareIndex(run, echo) != -bids::compareIndex(echo, run)) {
        __builtin_trap();
    }
    return 0;
}
