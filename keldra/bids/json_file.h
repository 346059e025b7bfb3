// Reading JSON that anyone may have written (sidecars, dataset descriptions, the outputs of
// tasks that crashed) without trusting it: the file must be a regular file within a size limit,
// and nesting deeper than a limit is refused before any value is built, so a file nested a
// hundred thousand levels deep costs a scan, not the stack. Writing always produces valid UTF-8:
// bytes that are not are replaced, so a file name from a foreign file system cannot stop a run.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace orvane::bids {

struct JsonLimits {
    std::uint64_t maxBytes = std::uint64_t{16} << 20;
    int maxDepth = 64;
};

// Parses `text`. False with a one-line reason ("not valid JSON: ... at byte N", "nested deeper
// than N levels") in `error`.
bool parseJsonText(const std::string& text, const JsonLimits& limits, nlohmann::json& value, std::string& error);

// Reads and parses the file at `path` (links followed). False with a one-line reason, without
// the path, in `error`.
bool readJsonFile(const std::string& path, const JsonLimits& limits, nlohmann::json& value, std::string& error);

// `value` as indented text ending in a newline; invalid UTF-8 in strings is replaced.
std::string jsonText(const nlohmann::json& value);

// `text` as a JSON file written by keldra gives it back: bytes that are not UTF-8 replaced by
// U+FFFD. A path read from keldra's report equals this of the path keldra was given.
std::string asWrittenInJson(const std::string& text);

}  // namespace orvane::bids
