// The plug-in module's metadata may carry HTML markup for the host's dialogs ("<BR>", "<i>");
// a terminal or a report shows the text without it.
#pragma once

#include <string>

namespace orvane::keldra {

// `html` without its tags: line breaks and paragraphs become a space, other tags vanish, the
// common character entities are decoded and runs of white space become one space.
std::string plainText(const std::string& html);

}  // namespace orvane::keldra
