// The verdicts' words and shapes.
#include "keldra/report/verdict_marks.h"

namespace orvane::keldra {

namespace {

struct VerdictWords {
    PageVerdict verdict;
    const char* name;       // as report.json and the group table write it
    const char* cssClass;
    const char* label;
};

constexpr VerdictWords kWords[] = {
    {PageVerdict::Aligned, "aligned", "aligned", "Aligned"},
    {PageVerdict::Check, "check", "check", "Check"},
    {PageVerdict::Misaligned, "misaligned", "misaligned", "Misaligned"},
    {PageVerdict::NotChecked, "not checked", "not-checked", "Not checked"},
};

const VerdictWords& wordsOf(PageVerdict verdict) {
    for (const VerdictWords& words : kWords) {
        if (words.verdict == verdict) {
            return words;
        }
    }
    return kWords[3];
}

}  // namespace

PageVerdict pageVerdict(std::string_view verdict) {
    for (const VerdictWords& words : kWords) {
        if (verdict == words.name) {
            return words.verdict;
        }
    }
    return PageVerdict::NotChecked;
}

const char* verdictClass(PageVerdict verdict) { return wordsOf(verdict).cssClass; }

const char* verdictLabel(PageVerdict verdict) { return wordsOf(verdict).label; }

const char* verdictName(PageVerdict verdict) { return wordsOf(verdict).name; }

Html verdictShape(PageVerdict verdict) {
    switch (verdict) {
        case PageVerdict::Aligned:
            return Html::trusted("<circle class=\"shape\" cx=\"10\" cy=\"10\" r=\"9\"/>"
                                 "<path class=\"mark\" d=\"M5.5 10.5l3 3 6-7\"/>");
        case PageVerdict::Check:
            return Html::trusted("<path class=\"shape\" d=\"M10 1 19.5 18.5H.5z\"/>"
                                 "<path class=\"mark\" d=\"M10 7v5.5M10 14.5v1.5\"/>");
        case PageVerdict::Misaligned:
            return Html::trusted("<rect class=\"shape\" x=\"1.5\" y=\"1.5\" width=\"17\" height=\"17\" rx=\"2\"/>"
                                 "<path class=\"mark\" d=\"M6 6l8 8M14 6l-8 8\"/>");
        case PageVerdict::NotChecked:
            break;
    }
    return Html::trusted("<circle class=\"shape hollow\" cx=\"10\" cy=\"10\" r=\"8.5\"/>"
                         "<path class=\"mark dark\" d=\"M7.5 7.8a2.5 2.5 0 1 1 3.6 2.2c-.8.4-1.1.9-1.1 1.7v.6M10 14.2v1.6\"/>");
}

Html verdictIcon(PageVerdict verdict) {
    return element("svg",
                   {{"class", std::string("icon verdict-") + verdictClass(verdict)},
                    {"viewBox", "0 0 20 20"},
                    {"aria-hidden", "true"},
                    {"focusable", "false"}},
                   verdictShape(verdict));
}

}  // namespace orvane::keldra
