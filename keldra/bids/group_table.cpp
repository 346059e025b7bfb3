// Rows, order and text of the group table.
#include "keldra/bids/group_table.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <iomanip>
#include <sstream>

namespace orvane::bids {

namespace {

using nlohmann::json;

std::optional<double> number(const json& object, const char* key) {
    if (object.is_object() && object.contains(key) && object[key].is_number()) {
        double value = object[key].get<double>();
        if (std::isfinite(value)) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<double> element(const json& object, const char* key, std::size_t index) {
    if (object.is_object() && object.contains(key) && object[key].is_array() && object[key].size() == 3 &&
        object[key][index].is_number()) {
        double value = object[key][index].get<double>();
        if (std::isfinite(value)) {
            return value;
        }
    }
    return std::nullopt;
}

std::string text(const json& object, const char* key) {
    return object.is_object() && object.contains(key) && object[key].is_string() ? object[key].get<std::string>()
                                                                                  : std::string();
}

// TSV cells hold no tabs or line breaks; a file name that has them shows them as spaces.
std::string cell(std::string value) {
    if (value.empty()) {
        return "n/a";
    }
    for (char& c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = ' ';
        }
    }
    return value;
}

std::string fixed(const std::optional<double>& value, int decimals) {
    if (!value) {
        return "n/a";
    }
    std::ostringstream out;
    out << std::fixed << std::setprecision(decimals) << *value;
    return out.str();
}

struct Column {
    const char* name;
    const char* description;
    const char* units;
    std::function<std::string(const GroupRow&)> value;
};

const std::vector<Column>& columns() {
    static const std::vector<Column> table = {
        {"subject", "Subject label (sub-)", "", [](const GroupRow& r) { return cell(r.name.entity("sub")); }},
        {"session", "Session label (ses-)", "", [](const GroupRow& r) { return cell(r.name.entity("ses")); }},
        {"task", "Task label (task-)", "", [](const GroupRow& r) { return cell(r.name.entity("task")); }},
        {"acq", "Acquisition label (acq-)", "", [](const GroupRow& r) { return cell(r.name.entity("acq")); }},
        {"run", "Run index (run-)", "", [](const GroupRow& r) { return cell(r.name.entity("run")); }},
        {"echo", "Echo index (echo-)", "", [](const GroupRow& r) { return cell(r.name.entity("echo")); }},
        {"bold", "The bold file, relative to the dataset", "", [](const GroupRow& r) { return cell(r.bold); }},
        {"anatomical", "The T1-weighted anatomical it was checked against, relative to the dataset", "",
         [](const GroupRow& r) { return cell(r.anatomical); }},
        {"verdict", "aligned, check, misaligned, or not checked (see reason)", "",
         [](const GroupRow& r) { return cell(r.verdict); }},
        {"shift_x_mm", "Residual shift to add to the functional's affine, towards the subject's right", "mm",
         [](const GroupRow& r) { return fixed(r.shift[0], 2); }},
        {"shift_y_mm", "Residual shift, towards anterior", "mm", [](const GroupRow& r) { return fixed(r.shift[1], 2); }},
        {"shift_z_mm", "Residual shift, towards superior", "mm", [](const GroupRow& r) { return fixed(r.shift[2], 2); }},
        {"shift_length_mm", "Length of the residual shift", "mm",
         [](const GroupRow& r) { return fixed(r.shiftLength, 2); }},
        {"rotation_x_deg", "Rotation of the rigid refinement about x", "degrees",
         [](const GroupRow& r) { return fixed(r.rotation[0], 2); }},
        {"rotation_y_deg", "Rotation about y", "degrees", [](const GroupRow& r) { return fixed(r.rotation[1], 2); }},
        {"rotation_z_deg", "Rotation about z", "degrees", [](const GroupRow& r) { return fixed(r.rotation[2], 2); }},
        {"rms_displacement_mm", "RMS displacement of the rigid refinement over an 80 mm sphere", "mm",
         [](const GroupRow& r) { return fixed(r.rmsDisplacement, 2); }},
        {"nmi_at_header", "Normalised mutual information at the header alignment", "",
         [](const GroupRow& r) { return fixed(r.nmiAtHeader, 4); }},
        {"nmi_at_best", "Normalised mutual information at the best fit", "",
         [](const GroupRow& r) { return fixed(r.nmiAtBest, 4); }},
        {"flip_suspected", "true when a left-right flip fits better by the calibrated margin", "",
         [](const GroupRow& r) {
             return r.flipSuspected ? std::string(*r.flipSuspected ? "true" : "false") : std::string("n/a");
         }},
        {"head_coverage", "Share of the anatomy's head inside the functional's field of view", "",
         [](const GroupRow& r) { return fixed(r.headCoverage, 3); }},
        {"reason", "Why the run was not checked", "", [](const GroupRow& r) { return cell(r.reason); }},
    };
    return table;
}

int severity(const std::string& verdict) {
    if (verdict == "misaligned") return 0;
    if (verdict == "check") return 1;
    if (verdict == kNotChecked) return 2;
    return 3;
}

std::tuple<std::string, std::string, std::string, std::string> labels(const GroupRow& row) {
    return {row.name.entity("sub"), row.name.entity("ses"), row.name.entity("task"), row.name.entity("acq")};
}

bool tableOrder(const GroupRow& a, const GroupRow& b) {
    if (labels(a) != labels(b)) {
        return labels(a) < labels(b);
    }
    for (const char* index : {"run", "echo"}) {
        int order = compareIndex(a.name.entity(index), b.name.entity(index));
        if (order != 0) {
            return order < 0;
        }
    }
    return a.bold < b.bold;
}

}  // namespace

GroupRow rowWithoutRecord(const BidsName& name, const std::string& bold, const std::string& reason) {
    GroupRow row;
    row.name = name;
    row.bold = bold;
    row.reason = reason;
    return row;
}

GroupRow rowFromRecord(const json& record, const BidsName& name) {
    GroupRow row;
    row.name = name;
    row.bold = text(record, "bold");
    row.anatomical = text(record, "anatomical");
    if (!record.is_object() || !record.contains("checked") || !record["checked"].is_boolean()) {
        row.reason = "the participant output is not a run record";
        return row;
    }
    if (!record["checked"].get<bool>()) {
        row.reason = text(record, "reason");
        if (row.reason.empty()) {
            row.reason = "not checked (no reason recorded)";
        }
        return row;
    }
    const json* check = nullptr;
    if (record.contains("report") && record["report"].is_object() && record["report"].contains("alignment_check") &&
        record["report"]["alignment_check"].is_array() && !record["report"]["alignment_check"].empty()) {
        check = &record["report"]["alignment_check"][0];
    }
    if (!check || text(*check, "verdict").empty()) {
        row.reason = "the run's record holds no verdict";
        return row;
    }
    row.verdict = text(*check, "verdict");
    for (std::size_t i = 0; i < 3; ++i) {
        row.shift[i] = element(*check, "residual_shift_mm", i);
        row.rotation[i] = element(*check, "rotation_deg", i);
    }
    row.shiftLength = number(*check, "residual_shift_length_mm");
    row.rmsDisplacement = number(*check, "rms_displacement_mm");
    row.nmiAtHeader = number(*check, "similarity_at_header");
    row.nmiAtBest = number(*check, "similarity_at_best");
    row.headCoverage = number(*check, "head_coverage");
    if (check->contains("left_right_flip_suspected") && (*check)["left_right_flip_suspected"].is_boolean()) {
        row.flipSuspected = (*check)["left_right_flip_suspected"].get<bool>();
    }
    return row;
}

void sortRows(std::vector<GroupRow>& rows) { std::stable_sort(rows.begin(), rows.end(), tableOrder); }

std::vector<GroupRow> flaggedRows(const std::vector<GroupRow>& rows) {
    std::vector<GroupRow> flagged;
    for (const GroupRow& row : rows) {
        if (row.verdict != "aligned") {
            flagged.push_back(row);
        }
    }
    std::stable_sort(flagged.begin(), flagged.end(), [](const GroupRow& a, const GroupRow& b) {
        if (severity(a.verdict) != severity(b.verdict)) {
            return severity(a.verdict) < severity(b.verdict);
        }
        double shiftA = a.shiftLength.value_or(-1);
        double shiftB = b.shiftLength.value_or(-1);
        if (shiftA != shiftB) {
            return shiftA > shiftB;
        }
        double rmsA = a.rmsDisplacement.value_or(-1);
        double rmsB = b.rmsDisplacement.value_or(-1);
        if (rmsA != rmsB) {
            return rmsA > rmsB;
        }
        return tableOrder(a, b);
    });
    return flagged;
}

std::string tableText(const std::vector<GroupRow>& rows) {
    std::string out;
    for (const Column& column : columns()) {
        out += (out.empty() ? "" : "\t") + std::string(column.name);
    }
    out += "\n";
    for (const GroupRow& row : rows) {
        std::string line;
        for (const Column& column : columns()) {
            line += (line.empty() ? "" : "\t") + column.value(row);
        }
        out += line + "\n";
    }
    return out;
}

json tableSidecar() {
    json sidecar = json::object();
    for (const Column& column : columns()) {
        json description = {{"Description", column.description}};
        if (*column.units) {
            description["Units"] = column.units;
        }
        sidecar[column.name] = description;
    }
    return sidecar;
}

}  // namespace orvane::bids
