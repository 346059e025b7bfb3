// Parsing and composing BIDS file names.
#include "keldra/bids/bids_name.h"

#include <algorithm>

namespace orvane::bids {

namespace {

bool isDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> splitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

}  // namespace

bool isBidsLabel(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

int compareIndex(const std::string& a, const std::string& b) {
    auto significant = [](const std::string& text) {
        std::size_t first = text.find_first_not_of('0');
        return first == std::string::npos ? std::string() : text.substr(first);
    };
    if (a.empty() || b.empty()) {
        return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
    }
    std::string x = significant(a);
    std::string y = significant(b);
    if (x.size() != y.size()) {
        return x.size() < y.size() ? -1 : 1;
    }
    return x.compare(y) < 0 ? -1 : (x == y ? 0 : 1);
}

std::string BidsName::entity(const std::string& key) const {
    for (const auto& [k, v] : entities) {
        if (k == key) {
            return v;
        }
    }
    return {};
}

std::string BidsName::entityStem() const {
    std::string stem;
    for (const auto& [key, value] : entities) {
        stem += (stem.empty() ? "" : "_") + key + "-" + value;
    }
    return stem;
}

std::string BidsName::fileName() const { return entityStem() + "_" + suffix + extension; }

bool parseBidsName(const std::string& fileName, BidsName& name, std::string& error) {
    name = BidsName();
    std::size_t dot = fileName.find('.');
    const std::string stem = fileName.substr(0, dot);
    name.extension = dot == std::string::npos ? std::string() : fileName.substr(dot);
    std::vector<std::string> parts = splitAt(stem, '_');
    if (parts.size() < 2) {
        error = "not a BIDS name (expected sub-<label>_..._<suffix>)";
        return false;
    }
    name.suffix = parts.back();
    parts.pop_back();
    if (!isBidsLabel(name.suffix)) {
        error = "not a BIDS name (the suffix \"" + name.suffix + "\" is not letters and digits)";
        return false;
    }
    for (const std::string& part : parts) {
        std::size_t dash = part.find('-');
        const std::string key = part.substr(0, dash);
        const std::string value = dash == std::string::npos ? std::string() : part.substr(dash + 1);
        if (dash == std::string::npos || !isBidsLabel(key) || !isBidsLabel(value)) {
            error = "not a BIDS name (\"" + part + "\" is not key-label, both letters and digits)";
            return false;
        }
        if (!name.entity(key).empty()) {
            error = "not a BIDS name (the entity \"" + key + "\" appears twice)";
            return false;
        }
        if ((key == "run" || key == "echo") && !isDigits(value)) {
            error = "not a BIDS name (" + key + "-" + value + " is not a whole number)";
            return false;
        }
        name.entities.emplace_back(key, value);
    }
    if (name.entities.front().first != "sub") {
        error = "not a BIDS name (it does not start with sub-<label>)";
        return false;
    }
    return true;
}

}  // namespace orvane::bids
