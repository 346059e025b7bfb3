// The web files of keldra's pages, kept as real files in report/html/ and built into keldra
// (cmake/EmbedTextFiles.cmake): the page skeleton, its style, and the scripts of the controls.
// Each comes with the SHA-256 digest of its bytes, by which the pages' Content-Security-Policy
// allows exactly that script and that style and nothing else.
#pragma once

#include <string_view>

namespace orvane::keldra {

struct EmbeddedText {
    std::string_view text;
    std::string_view sha256Hex;  // 64 lower-case hexadecimal digits
};

EmbeddedText pageSkeleton();     // page.html, with {{slots}} for page_document.h
EmbeddedText pageStyle();        // page.css
EmbeddedText pageScript();       // page.js: what every page's controls share
EmbeddedText runPageScript();    // run_page.js: the figures' controls, moving between runs
EmbeddedText groupPageScript();  // group_page.js: sorting, filters, ratings and their export

}  // namespace orvane::keldra
