// keldra's messages are one line each, and they name files whose names may hold anything the
// file system allows: line breaks, tabs, other control characters. In a message these are
// written as escapes (\n, \t, \x1b), so a message stays one line that names the file exactly.
#pragma once

#include <string>

namespace orvane::keldra {

std::string messageLine(const std::string& text);

}  // namespace orvane::keldra
