// Label options and what they select.
#include "keldra/bids/selection.h"

#include <algorithm>

#include "keldra/bids/dataset_scan.h"

namespace orvane::bids {

namespace {

bool normaliseLabels(std::vector<std::string>& labels, const std::string& prefix, const std::string& option,
                     std::string& error) {
    for (std::string& label : labels) {
        std::string given = label;
        if (label.rfind(prefix, 0) == 0) {
            label = label.substr(prefix.size());
        }
        if (!isBidsLabel(label)) {
            error = option + " " + given + ": a label is letters and digits only";
            return false;
        }
    }
    std::sort(labels.begin(), labels.end());
    labels.erase(std::unique(labels.begin(), labels.end()), labels.end());
    return true;
}

bool named(const std::vector<std::string>& labels, const std::string& value) {
    return labels.empty() || std::find(labels.begin(), labels.end(), value) != labels.end();
}

}  // namespace

bool Selection::normalise(std::string& error) {
    return normaliseLabels(participants, "sub-", "--participant-label", error) &&
           normaliseLabels(sessions, "ses-", "--session-label", error) &&
           normaliseLabels(tasks, "task-", "--task-label", error);
}

bool Selection::selects(const BidsName& name) const {
    return named(participants, name.entity("sub")) && named(sessions, name.entity("ses")) &&
           named(tasks, name.entity("task"));
}

bool selectionMatchesDataset(const Selection& selection, const Dataset& dataset, std::string& error) {
    for (const std::string& label : selection.participants) {
        if (std::find(dataset.subjects.begin(), dataset.subjects.end(), label) == dataset.subjects.end()) {
            error = "--participant-label " + label + ": the dataset has no subject sub-" + label;
            return false;
        }
    }
    auto anyRun = [&](const std::string& key, const std::string& label) {
        return std::any_of(dataset.bolds.begin(), dataset.bolds.end(), [&](const DatasetFile& bold) {
            return named(selection.participants, bold.subject()) && bold.name.entity(key) == label;
        });
    };
    for (const std::string& label : selection.sessions) {
        if (!anyRun("ses", label)) {
            error = "--session-label " + label + ": no bold run of the selected subjects is in session ses-" + label;
            return false;
        }
    }
    for (const std::string& label : selection.tasks) {
        if (!anyRun("task", label)) {
            error = "--task-label " + label + ": no bold run of the selected subjects has task-" + label;
            return false;
        }
    }
    return true;
}

}  // namespace orvane::bids
