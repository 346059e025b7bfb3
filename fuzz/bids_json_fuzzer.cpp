// Fuzz target: any bytes as the JSON a dataset or a crashed task may hold, through the bounded
// reader and then as a bold sidecar, as a run's record read back by --skip-existing and as a
// row of the group table. Accepted JSON must write back to text that parses to the same value;
// the row must make one table line of every column.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "keldra/bids/group_table.h"
#include "keldra/bids/json_file.h"
#include "keldra/bids/run_record.h"

using namespace orvane::bids;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    nlohmann::json value;
    std::string problem;
    if (!parseJsonText(text, JsonLimits(), value, problem)) {
        if (problem.empty() || problem.find('\n') != std::string::npos) {
            __builtin_trap();  // a reason, on one line
        }
        return 0;
    }
    nlohmann::json again;
    if (!parseJsonText(jsonText(value), JsonLimits(), again, problem) || again != value) {
        __builtin_trap();
    }
    nlohmann::json facts = nlohmann::json::object();
    if (addSidecarFacts(value, facts) != value.is_object() || facts.size() > 5) {
        __builtin_trap();
    }
    recordSaysChecked(value);

    BidsName name;
    if (!parseBidsName("sub-01_task-rest_run-1_bold.nii.gz", name, problem)) {
        __builtin_trap();
    }
    const std::string table = tableText({rowFromRecord(value, name)});
    const std::size_t headerEnd = table.find('\n');
    const auto tabs = [&table](std::size_t from, std::size_t to) {
        return std::count(table.begin() + static_cast<long>(from), table.begin() + static_cast<long>(to), '\t');
    };
    if (headerEnd == std::string::npos || table.find('\n', headerEnd + 1) != table.size() - 1 ||
        tabs(0, headerEnd) != tabs(headerEnd + 1, table.size())) {
        __builtin_trap();  // a header and one row, cell for cell
    }
    return 0;
}
