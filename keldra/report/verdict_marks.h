// How the pages show a verdict: a word and a shape, never colour alone. Aligned is a circle with
// a tick, check a triangle with an exclamation mark, misaligned a square with a cross, and a run
// that was not checked a hollow circle with a question mark. The colours come from the page's
// palette (page.css), the shapes from here, so the strip plot's points and the banners agree.
#pragma once

#include <string>
#include <string_view>

#include "keldra/report/html_markup.h"

namespace orvane::keldra {

enum class PageVerdict { Aligned, Check, Misaligned, NotChecked };

// "aligned", "check" and "misaligned" as the check writes them; anything else is not checked.
PageVerdict pageVerdict(std::string_view verdict);
// The class the page's style colours by: "aligned", "check", "misaligned", "not-checked".
const char* verdictClass(PageVerdict verdict);
// "Aligned", "Check", "Misaligned", "Not checked".
const char* verdictLabel(PageVerdict verdict);
// The verdict's name as report.json and the group table write it.
const char* verdictName(PageVerdict verdict);

// The shape as SVG drawn in a 20 x 20 box, for an <svg> or a <symbol>.
Html verdictShape(PageVerdict verdict);
// An inline icon of the shape, hidden from screen readers (the word beside it says it).
Html verdictIcon(PageVerdict verdict);

}  // namespace orvane::keldra
