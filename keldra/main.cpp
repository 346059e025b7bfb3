// keldra: a command-line stand-in for the host application. It opens NIfTI files as the
// workspace's documents, exports the host API, loads the plug-in module and runs it.
#include <exception>
#include <iostream>

#include "keldra/cli/command_line.h"
#include "keldra/cli/interruption.h"
#include "keldra/memory/heap_reuse.h"
#include "keldra/output/file_system.h"

int main(int argc, char** argv) {
    orvane::keldra::keepFreedHeapMemoryForReuse();
    orvane::keldra::reportOversizedWritesAsErrors();
    try {
        orvane::keldra::InterruptWatcher interruptions;
        return orvane::keldra::runCommandLine(argc, argv, interruptions);
    } catch (const std::exception& e) {
        std::cerr << "keldra: " << e.what() << std::endl;
    } catch (...) {
        std::cerr << "keldra: unexpected failure" << std::endl;
    }
    return orvane::keldra::kExitError;
}
