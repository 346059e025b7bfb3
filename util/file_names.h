// Names derived from file names and paths: without the extension, the base name of a path,
// and with the extension replaced. Inputs are NUL-terminated strings that may be null where
// stated; results are owned by the caller.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// `name` up to, not including, its last '.'; a name without a dot is returned whole.
// A null or empty name gives "''" (two apostrophes).
std::string nameWithoutExtension(const char* name);

// The base name of `path`: what follows its last separator, which is '/' when the path has
// one and '\' otherwise; a separator in the first position counts too ("/scan" gives "scan").
// With stripExtension the base name ends before its last '.', if it has one (the first
// character is kept even when it is that dot). With appendDash a '-' follows. A path that
// ends with its separator has an empty base name. Null or empty path: no result.
std::optional<std::string> baseName(const char* path, bool stripExtension, bool appendDash);

// nameWithoutExtension(name) followed by `suffix` as given.
std::string replaceExtension(const char* name, std::string_view suffix);

}  // namespace orvane
