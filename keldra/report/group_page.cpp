// Building the group page.
#include "keldra/report/group_page.h"

#include <functional>
#include <map>
#include <set>

#include "keldra/report/report_values.h"
#include "keldra/report/verdict_marks.h"

namespace orvane::keldra {
namespace {

// A column of the table: its heading, how the script sorts it, its width when the script lays
// the rows out one by one (a CSS grid track), and its cell.
struct Column {
    const char* heading;
    const char* sort;  // "text" or "number"
    const char* width;
    std::function<Html(const GroupPageRun&)> cell;
};

Html textCell(const std::string& value, const std::string& cssClass = {}) {
    Attributes attributes;
    if (!cssClass.empty()) {
        attributes.emplace_back("class", cssClass);
    }
    return element("td", attributes, text(value.empty() ? std::string("n/a") : value));
}

// A number shown rounded, sorted by its full value; missing values sort last either way.
Html numberCell(const std::optional<double>& value, int decimals) {
    if (!value) {
        return element("td", {{"class", "number"}, {"data-value", ""}}, text("n/a"));
    }
    return element("td", {{"class", "number"}, {"data-value", formatNumber(*value, 6)}},
                   text(formatNumber(*value, decimals)));
}

// Sorting by verdict puts them in order of concern.
int verdictRank(PageVerdict verdict) {
    switch (verdict) {
        case PageVerdict::Aligned: return 0;
        case PageVerdict::Check: return 1;
        case PageVerdict::NotChecked: return 2;
        case PageVerdict::Misaligned: return 3;
    }
    return 2;
}

std::vector<Column> columns(const std::vector<GroupPageRun>& runs) {
    bool sessions = false, acqs = false, indices = false, echoes = false;
    for (const GroupPageRun& run : runs) {
        sessions = sessions || !run.session.empty();
        acqs = acqs || !run.acq.empty();
        indices = indices || !run.run.empty();
        echoes = echoes || !run.echo.empty();
    }
    std::vector<Column> table;
    table.push_back({"File", "text", "minmax(11em, 3fr)", [](const GroupPageRun& r) {
                         return element("td", {{"class", "file"}, {"data-value", r.id}},
                                        element("a", {{"href", r.href}, {"title", r.bold}}, text(r.id)));
                     }});
    table.push_back({"Subject", "text", "4.5em", [](const GroupPageRun& r) { return textCell(r.subject); }});
    if (sessions) {
        table.push_back({"Session", "text", "4.5em", [](const GroupPageRun& r) { return textCell(r.session); }});
    }
    table.push_back({"Task", "text", "5em", [](const GroupPageRun& r) { return textCell(r.task); }});
    if (acqs) {
        table.push_back({"Acq", "text", "4.5em", [](const GroupPageRun& r) { return textCell(r.acq); }});
    }
    if (indices) {
        table.push_back({"Run", "text", "3.5em", [](const GroupPageRun& r) { return textCell(r.run); }});
    }
    if (echoes) {
        table.push_back({"Echo", "text", "3.5em", [](const GroupPageRun& r) { return textCell(r.echo); }});
    }
    table.push_back({"Verdict", "number", "7em", [](const GroupPageRun& r) {
                         const PageVerdict v = pageVerdict(r.verdict);
                         return element("td",
                                        {{"class", std::string("verdict-cell verdict-") + verdictClass(v)},
                                         {"data-value", std::to_string(verdictRank(v))}},
                                        text(verdictName(v)));
                     }});
    table.push_back({"Shift (mm)", "number", "5em", [](const GroupPageRun& r) {
                         Html cell = numberCell(r.shiftLengthMm, 1);
                         if (r.shiftMm[0] && r.shiftMm[1] && r.shiftMm[2]) {
                             // The direction, for a pointer resting on the length.
                             const std::string direction = "R " + formatNumber(*r.shiftMm[0], 1) + ", A " +
                                                           formatNumber(*r.shiftMm[1], 1) + ", S " +
                                                           formatNumber(*r.shiftMm[2], 1);
                             cell = element("td",
                                            {{"class", "number"},
                                             {"data-value", formatNumber(*r.shiftLengthMm, 6)},
                                             {"title", direction}},
                                            text(formatNumber(*r.shiftLengthMm, 1)));
                         }
                         return cell;
                     }});
    table.push_back({"RMS (mm)", "number", "5em", [](const GroupPageRun& r) { return numberCell(r.rmsDisplacementMm, 1); }});
    table.push_back({"NMI, headers", "number", "5em", [](const GroupPageRun& r) { return numberCell(r.nmiAtHeader, 3); }});
    table.push_back({"NMI, best fit", "number", "5em", [](const GroupPageRun& r) { return numberCell(r.nmiAtBest, 3); }});
    table.push_back({"Flip?", "text", "4.5em", [](const GroupPageRun& r) {
                         return textCell(r.flipSuspected ? (*r.flipSuspected ? "yes" : "no") : "");
                     }});
    table.push_back({"Coverage", "number", "5.5em", [](const GroupPageRun& r) {
                         if (!r.headCoverage) {
                             return numberCell(std::nullopt, 0);
                         }
                         return element("td", {{"class", "number"}, {"data-value", formatNumber(*r.headCoverage, 6)}},
                                        text(formatPercent(*r.headCoverage)));
                     }});
    table.push_back({"Reason", "text", "minmax(7em, 2fr)", [](const GroupPageRun& r) {
                         return element("td", {{"class", "reason"}, {"title", r.reason}}, text(r.reason));
                     }});
    return table;
}

Html runsTable(const std::vector<GroupPageRun>& runs) {
    const std::vector<Column> table = columns(runs);
    Html heading;
    for (const Column& column : table) {
        heading += element("th", {{"scope", "col"}, {"data-sort", column.sort}, {"data-width", column.width}},
                           text(column.heading));
    }
    heading += element("th", {{"scope", "col"}, {"class", "rating-heading"}, {"data-width", "minmax(7em, 1.5fr)"}},
                       text("Rating and note"));
    Html rows;
    for (const GroupPageRun& run : runs) {
        Html cells;
        for (const Column& column : table) {
            cells += column.cell(run);
        }
        cells += element("td", {{"class", "rating"}});
        rows += element("tr",
                        {{"id", "run-" + fragmentId(run.id)},
                         {"data-id", run.id},
                         {"data-bold", run.bold},
                         {"data-verdict", verdictName(pageVerdict(run.verdict))},
                         {"data-subject", run.subject},
                         {"data-session", run.session},
                         {"data-task", run.task},
                         {"data-acq", run.acq},
                         {"data-run", run.run},
                         {"data-echo", run.echo}},
                        cells);
    }
    return element("div", {{"class", "table-wrap"}},
                   element("table", {{"class", "runs"}, {"id", "runs"}},
                           element("caption", {}, text("Every run, in the group table's order")) +
                               element("thead", {}, element("tr", {}, heading)) + element("tbody", {}, rows)));
}

Html filterSelect(const char* label, const char* key, const std::set<std::string>& values,
                  const std::function<std::string(const std::string&)>& name) {
    Html options = element("option", {{"value", ""}}, text("all"));
    for (const std::string& value : values) {
        options += element("option", {{"value", value}}, text(name(value)));
    }
    return element("label", {}, text(label) + element("select", {{"data-filter", key}}, options));
}

Html filtersForm(const std::vector<GroupPageRun>& runs) {
    std::set<std::string> tasks, sessions, subjects;
    for (const GroupPageRun& run : runs) {
        tasks.insert(run.task);
        if (!run.session.empty()) {
            sessions.insert(run.session);
        }
        subjects.insert(run.subject);
    }
    const auto same = [](const std::string& value) { return value.empty() ? std::string("(none)") : value; };
    Html fields = filterSelect("Verdict", "verdict", {"aligned", "check", "misaligned", "not checked"}, same);
    fields += filterSelect("Task", "task", tasks, same);
    if (!sessions.empty()) {
        fields += filterSelect("Session", "session", sessions, same);
    }
    fields += filterSelect("Subject", "subject", subjects, same);
    fields += element("output", {{"class", "shown-count"}, {"aria-live", "polite"}});
    fields += element("button", {{"type", "button"}, {"data-export", ""}}, text("Export ratings (TSV)"));
    fields += element("span", {{"class", "rated-count"}, {"aria-live", "polite"}});
    return element("form", {{"class", "filters"}, {"hidden", "hidden"}, {"aria-label", "Filters and ratings"}}, fields);
}

Html countsList(const std::vector<GroupPageRun>& runs) {
    std::map<PageVerdict, std::size_t> counts;
    for (const GroupPageRun& run : runs) {
        ++counts[pageVerdict(run.verdict)];
    }
    Html items = element("li", {}, element("strong", {}, text(std::to_string(runs.size()))) +
                                       text(runs.size() == 1 ? " run" : " runs"));
    for (PageVerdict v : {PageVerdict::Aligned, PageVerdict::Check, PageVerdict::Misaligned, PageVerdict::NotChecked}) {
        items += element("li", {{"class", std::string("verdict-") + verdictClass(v)}, {"data-count", verdictName(v)}},
                         verdictIcon(v) + element("strong", {}, text(std::to_string(counts[v]))) +
                             text(std::string(" ") + verdictName(v)));
    }
    return element("ul", {{"class", "counts"}}, items);
}

Html plotFigure(const GroupPage& page) {
    std::vector<StripPoint> points;
    std::vector<std::string> tasks;
    std::set<std::string> seen;
    for (const GroupPageRun& run : page.runs) {
        if (seen.insert(run.task).second) {
            tasks.push_back(run.task);
        }
        std::string label = "sub-" + run.subject;
        for (const auto& [key, value] : {std::pair<const char*, const std::string&>{"ses", run.session},
                                         {"task", run.task}, {"acq", run.acq}, {"run", run.run}, {"echo", run.echo}}) {
            if (!value.empty()) {
                label += std::string(" ") + key + "-" + value;
            }
        }
        points.push_back({run.task, run.shiftLengthMm, pageVerdict(run.verdict), run.id, run.href, label});
    }
    std::sort(tasks.begin(), tasks.end());
    std::string caption = "Each point is a run (its shape and colour give its verdict); click one to open it. ";
    if (page.thresholds.alignedMaxMm && page.thresholds.misalignedMinMm) {
        caption += "Dashed lines: the thresholds, aligned below " + formatNumber(*page.thresholds.alignedMaxMm, 1) +
                   " mm, misaligned from " + formatNumber(*page.thresholds.misalignedMinMm, 1) + " mm. ";
    }
    caption += "The axis ends at a round number above the largest shift, so no run is left out.";
    return element("figure", {{"class", "plot"}},
                   stripPlot(points, tasks, page.thresholds) + element("figcaption", {}, text(caption)));
}

}  // namespace

Html groupPageBody(const GroupPage& page) {
    Html header = element("h1", {}, text(page.title));
    if (!page.introduction.empty()) {
        header += element("p", {{"class", "introduction"}}, text(page.introduction));
    }
    header += element("p", {{"class", "page-tools"}, {"hidden", "hidden"}},
                      element("label", {}, element("input", {{"type", "checkbox"}, {"data-palette", ""}}) +
                                               text(" colour-blind-safe colours")));
    Html main = element("section", {{"class", "summary"}, {"aria-labelledby", "counts-title"}},
                        element("h2", {{"id", "counts-title"}}, text("Runs by verdict")) + countsList(page.runs));
    main += element("section", {{"aria-labelledby", "plot-title"}},
                    element("h2", {{"id", "plot-title"}}, text("Residual shift by task")) + plotFigure(page));
    main += element("section", {{"aria-labelledby", "table-title"}},
                    element("h2", {{"id", "table-title"}}, text("Every run")) +
                        element("p", {{"class", "hint"}},
                                text("Sort by any column, filter, and rate each run; ratings stay in this browser "
                                     "until exported.")) +
                        filtersForm(page.runs) + runsTable(page.runs));
    return element("header", {{"class", "page-header"}}, header) + element("main", {}, main) +
           element("footer", {}, element("p", {}, text("Written by keldra from the participant outputs. Each run's "
                                                       "link opens its section of the subject page.")));
}

std::string groupPageDocument(const GroupPage& page, const PageOptions& options) {
    return pageDocument(page.title, groupPageBody(page), PageKind::Group, options);
}

}  // namespace orvane::keldra
