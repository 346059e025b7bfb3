// Choosing the anatomical for a bold run.
#include "keldra/bids/anatomical_choice.h"

#include <algorithm>

namespace orvane::bids {

namespace {

// True when `a` is preferred to `b` among candidates of one place.
bool preferred(const DatasetFile* a, const DatasetFile* b) {
    const bool aPresent = a->content == ContentState::Present;
    const bool bPresent = b->content == ContentState::Present;
    if (aPresent != bPresent) {
        return aPresent;
    }
    if (a->name.entities.size() != b->name.entities.size()) {
        return a->name.entities.size() < b->name.entities.size();
    }
    int run = compareIndex(a->name.entity("run"), b->name.entity("run"));
    if (run != 0) {
        return run < 0;
    }
    return a->relativePath < b->relativePath;
}

std::string sessionName(const std::string& session) { return session.empty() ? "no session" : "session ses-" + session; }

}  // namespace

AnatomicalChoice chooseAnatomical(const DatasetFile& bold, const std::vector<DatasetFile>& anatomicals) {
    AnatomicalChoice choice;
    std::vector<const DatasetFile*> ownSession;
    std::vector<const DatasetFile*> withoutSession;
    std::vector<const DatasetFile*> otherSessions;
    for (const DatasetFile& anatomical : anatomicals) {
        if (anatomical.subject() != bold.subject()) {
            continue;
        }
        if (anatomical.session() == bold.session()) {
            ownSession.push_back(&anatomical);
        } else if (anatomical.session().empty()) {
            withoutSession.push_back(&anatomical);
        } else {
            otherSessions.push_back(&anatomical);
        }
    }
    std::vector<const DatasetFile*> candidates;
    std::string place;
    if (!ownSession.empty()) {
        candidates = ownSession;
        place = bold.session().empty() ? "of the subject (no session)" : "of the run's own session ses-" + bold.session();
    } else if (!withoutSession.empty()) {
        candidates = withoutSession;
        place = "of the subject without a session (none in ses-" + bold.session() + ")";
    } else if (!otherSessions.empty()) {
        std::string first = (*std::min_element(otherSessions.begin(), otherSessions.end(), [](auto* a, auto* b) {
                                return a->session() < b->session();
                            }))->session();
        for (const DatasetFile* anatomical : otherSessions) {
            if (anatomical->session() == first) {
                candidates.push_back(anatomical);
            }
        }
        place = "of session ses-" + first + ", the first session with one (none in " + sessionName(bold.session()) +
                " or without a session)";
    } else {
        choice.rule = "the subject sub-" + bold.subject() + " has no T1-weighted anatomical (anat/*_T1w.nii[.gz])";
        return choice;
    }
    std::sort(candidates.begin(), candidates.end(), preferred);
    choice.anatomical = candidates.front();
    for (const DatasetFile* candidate : candidates) {
        choice.candidates.push_back(candidate->relativePath);
    }
    choice.rule = candidates.size() == 1
                      ? "the only T1w " + place
                      : "the first of " + std::to_string(candidates.size()) + " T1w " + place +
                            " (content present first, then fewest entities, then lowest run, then name)";
    return choice;
}

}  // namespace orvane::bids
