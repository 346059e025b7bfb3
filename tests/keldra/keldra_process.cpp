// Running the built keldra.
#include "tests/keldra/keldra_process.h"

#include <sys/wait.h>

#include <cstdlib>

#include "tests/keldra/nifti_fixture.h"

namespace orvane::keldra::testing {

namespace {

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

}  // namespace

ProcessResult runKeldra(const std::vector<std::string>& arguments, const std::string& folder) {
    std::string command = "cd " + quoted(folder) + " && " + quoted(KELDRA_EXECUTABLE);
    for (const std::string& a : arguments) {
        command += " " + quoted(a);
    }
    std::string out = folder + "/.keldra-stdout", err = folder + "/.keldra-stderr";
    command += " >" + quoted(out) + " 2>" + quoted(err) + " </dev/null";
    int status = std::system(command.c_str());
    ProcessResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readWholeFile(out);
    result.err = readWholeFile(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return result;
}

}  // namespace orvane::keldra::testing
