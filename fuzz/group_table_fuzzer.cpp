// Fuzz target: a set of run records as a group level finds them (entity stems and record texts,
// any of them broken) through the group table: rows, table order, the flagged table and their
// text. Every table has a header and one line per row, each with one cell per column; the
// flagged table holds every run that is not aligned, worst first.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "keldra/bids/group_table.h"
#include "keldra/bids/json_file.h"

using namespace orvane::bids;

namespace {

void checkTable(const std::string& table, std::size_t rows) {
    std::size_t lines = 0;
    std::size_t start = 0;
    std::size_t header = 0;
    while (start < table.size()) {
        const std::size_t end = table.find('\n', start);
        if (end == std::string::npos) {
            __builtin_trap();  // every line ends
        }
        const std::size_t tabs = static_cast<std::size_t>(std::count(table.begin() + static_cast<long>(start),
                                                                    table.begin() + static_cast<long>(end), '\t'));
        if (lines == 0) {
            header = tabs;
        } else if (tabs != header) {
            __builtin_trap();
        }
        ++lines;
        start = end + 1;
    }
    if (lines != rows + 1) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<GroupRow> rows;
    while (input.remaining_bytes() > 0 && rows.size() < 64) {
        BidsName name;
        std::string problem;
        if (!parseBidsName(input.ConsumeRandomLengthString(64) + "_bold.nii.gz", name, problem)) {
            parseBidsName("sub-01_bold.nii.gz", name, problem);
        }
        const std::string record = input.ConsumeRandomLengthString(4096);
        nlohmann::json value;
        if (parseJsonText(record, JsonLimits(), value, problem)) {
            rows.push_back(rowFromRecord(value, name));
        } else {
            rows.push_back(rowWithoutRecord(name, record, "the participant output cannot be read: " + problem));
        }
    }
    sortRows(rows);
    const std::vector<GroupRow> flagged = flaggedRows(rows);
    checkTable(tableText(rows), rows.size());
    checkTable(tableText(flagged), flagged.size());
    const auto aligned = static_cast<std::size_t>(
        std::count_if(rows.begin(), rows.end(), [](const GroupRow& r) { return r.verdict == "aligned"; }));
    if (flagged.size() + aligned != rows.size()) {
        __builtin_trap();
    }
    for (std::size_t i = 1; i < flagged.size(); ++i) {
        auto rank = [](const std::string& v) { return v == "misaligned" ? 0 : v == "check" ? 1 : v == kNotChecked ? 2 : 3; };
        if (rank(flagged[i - 1].verdict) > rank(flagged[i].verdict)) {
            __builtin_trap();
        }
    }
    return 0;
}
