// Building the run and subject pages from run reports.
#include "keldra/report/run_page.h"

#include <filesystem>
#include <set>

#include "keldra/report/check_picture.h"
#include "keldra/report/checkerboard_picture.h"
#include "keldra/report/picture_file_names.h"
#include "keldra/report/report_values.h"
#include "keldra/report/verdict_marks.h"

namespace orvane::keldra {
namespace {

using nlohmann::json;

std::string fileNameOf(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    return name.empty() ? path : name;
}

Html paragraph(const std::string& value, const std::string& cssClass = {}) {
    return element("p", cssClass.empty() ? Attributes{} : Attributes{{"class", cssClass}}, text(value));
}

Html row(const std::string& label, const Html& value) {
    return element("tr", {}, element("th", {{"scope", "row"}}, text(label)) + element("td", {}, value));
}

std::string shiftText(const std::array<double, 3>& shift) {
    return "R " + formatNumber(shift[0], 1) + ", A " + formatNumber(shift[1], 1) + ", S " + formatNumber(shift[2], 1);
}

// The check's first sentence, as the terminal says it.
std::string checkSentence(const json& check) {
    const auto length = numberMember(check, "residual_shift_length_mm");
    const auto shift = vectorMember(check, "residual_shift_mm");
    if (!length || !shift) {
        const std::string problem = stringMember(check, "problem");
        if (!problem.empty()) {
            return problem;
        }
        const json& reasons = member(check, "reasons");
        return reasons.is_array() && !reasons.empty() && reasons[0].is_string() ? reasons[0].get<std::string>()
                                                                                : "nothing could be measured";
    }
    std::string sentence = "best fit " + formatNumber(*length, 1) + " mm away (" + shiftText(*shift) + ")";
    const auto before = numberMember(check, "similarity_at_header");
    const auto after = numberMember(check, "similarity_at_best");
    if (before && after) {
        sentence += ", NMI " + formatNumber(*before, 2) + " \u2192 " + formatNumber(*after, 2);
    }
    return sentence;
}

Html verdictBanner(PageVerdict verdict, const std::string& subject, const std::string& sentence,
                   const std::vector<std::string>& reasons) {
    Html line = element("strong", {{"class", "verdict-word"}}, text(verdictLabel(verdict)));
    if (!subject.empty()) {
        line += text(" \u2014 " + subject);
    }
    if (!sentence.empty()) {
        line += text(": " + sentence);
    }
    Html content = verdictIcon(verdict) + element("p", {{"class", "verdict-line"}}, line);
    if (!reasons.empty()) {
        Html items;
        for (const std::string& reason : reasons) {
            items += element("li", {}, text(reason));
        }
        content += element("ul", {{"class", "reasons"}}, items);
    }
    return element("div", {{"class", std::string("verdict verdict-") + verdictClass(verdict)}, {"data-verdict", verdictName(verdict)}},
                   content);
}

std::vector<std::string> stringsOf(const json& array) {
    std::vector<std::string> out;
    if (array.is_array()) {
        for (const json& item : array) {
            if (item.is_string()) {
                out.push_back(item.get<std::string>());
            }
        }
    }
    return out;
}

// The thresholds the verdict was decided by, in words.
Html thresholdsText(const json& thresholds) {
    static const std::pair<const char*, const char*> kNames[] = {
        {"aligned_max_shift_mm", "aligned below a shift of %s mm"},
        {"misaligned_min_shift_mm", "misaligned from %s mm"},
        {"aligned_max_rms_mm", "aligned below an RMS displacement of %s mm"},
        {"misaligned_min_rms_mm", "misaligned from %s mm"},
        {"flip_min_margin", "flip suspected from a margin of %s"},
        {"min_head_coverage", "at least %s of the head covered"},
        {"min_fov_inside_anatomy", "at least %s of the field of view inside the anatomy"},
    };
    std::vector<std::string> parts;
    std::set<std::string> known;
    for (const auto& [key, words] : kNames) {
        known.insert(key);
        if (const auto value = numberMember(thresholds, key)) {
            std::string phrase = words;
            const bool share = std::string(key).rfind("min_", 0) == 0;
            phrase.replace(phrase.find("%s"), 2, share ? formatPercent(*value) : formatNumber(*value, key[0] == 'f' ? 2 : 1));
            parts.push_back(phrase);
        }
    }
    if (thresholds.is_object()) {
        for (const auto& [key, value] : thresholds.items()) {
            if (!known.count(key) && value.is_number()) {
                parts.push_back(key + " " + formatNumber(value.get<double>(), 2));
            }
        }
    }
    std::string joined;
    for (const std::string& part : parts) {
        joined += (joined.empty() ? "" : "; ") + part;
    }
    return text(joined);
}

// The check's numbers, one row each; a number that was not measured is left out.
Html checkNumbers(const json& check) {
    Html rows;
    const auto shift = vectorMember(check, "residual_shift_mm");
    if (const auto length = numberMember(check, "residual_shift_length_mm"); length && shift) {
        rows += row("Residual shift", text(formatNumber(*length, 1) + " mm (" + shiftText(*shift) +
                                           "), to add to the functional's transform"));
    }
    const auto rotation = vectorMember(check, "rotation_deg");
    if (const auto rms = numberMember(check, "rms_displacement_mm"); rms && rotation) {
        const auto radius = numberMember(check, "rms_sphere_radius_mm");
        rows += row("Rigid fit", text("rotation " + formatNumber((*rotation)[0], 1) + "\u00b0, " +
                                      formatNumber((*rotation)[1], 1) + "\u00b0, " + formatNumber((*rotation)[2], 1) +
                                      "\u00b0 (about x, y, z); RMS displacement " + formatNumber(*rms, 1) + " mm" +
                                      (radius ? " over a sphere of " + formatNumber(*radius, 0) + " mm radius" : "")));
    }
    const auto nmiHeader = numberMember(check, "similarity_at_header");
    const auto nmiBest = numberMember(check, "similarity_at_best");
    if (nmiHeader || nmiBest) {
        rows += row("Similarity (NMI)", text((nmiHeader ? formatNumber(*nmiHeader, 3) : std::string("not measured")) +
                                             " where the headers place it \u2192 " +
                                             (nmiBest ? formatNumber(*nmiBest, 3) : std::string("not measured")) +
                                             " at the best fit"));
    }
    const auto crHeader = numberMember(check, "correlation_ratio_at_header");
    const auto crBest = numberMember(check, "correlation_ratio_at_best");
    if (crHeader && crBest) {
        rows += row("Correlation ratio", text(formatNumber(*crHeader, 3) + " \u2192 " + formatNumber(*crBest, 3)));
    }
    const auto flip = boolMember(check, "left_right_flip_suspected");
    const auto margin = numberMember(check, "left_right_margin");
    if (flip && margin) {
        rows += row("Left-right test", text(std::string(*flip ? "flip suspected" : "no flip suspected") +
                                            " (the mirrored fit's margin " + formatNumber(*margin, 2) + ")"));
    }
    const auto head = numberMember(check, "head_coverage");
    const auto inside = numberMember(check, "fov_inside_anatomy");
    if (head && inside) {
        rows += row("Coverage", text(formatPercent(*head) + " of the head inside the functional's field of view; " +
                                     formatPercent(*inside) + " of the field of view inside the anatomy"));
    }
    if (const auto samples = numberMember(check, "non_finite_samples"); samples && *samples > 0) {
        rows += row("Non-finite samples", text(formatNumber(*samples, 0) + " left out"));
    }
    const json& thresholds = member(check, "thresholds");
    if (thresholds.is_object()) {
        rows += row("Thresholds used", thresholdsText(thresholds));
    }
    return element("table", {{"class", "numbers"}},
                   element("caption", {}, text("The alignment check's numbers")) + element("tbody", {}, rows));
}

// One picture of a viewer: its role (what the controls call it), file name, label, alt text,
// and what the figure's caption says of it when it is there.
struct Frame {
    const char* role;
    std::string picture;
    std::string label;
    std::string alt;
    std::string caption;
};

// A figure of pictures laid out alike, shown one at a time by the script with the controls
// their roles allow; without the script they show one below the other, each with its label.
Html viewerFigure(const RunSection& section, const std::vector<Frame>& frames, const std::string& caption) {
    std::vector<std::pair<const Frame*, std::string>> present;  // with its URL
    std::set<std::string> roles;
    for (const Frame& frame : frames) {
        const auto found = section.pictures.find(frame.picture);
        if (found != section.pictures.end()) {
            present.emplace_back(&frame, found->second);
            roles.insert(frame.role);
        }
    }
    Html pictures;
    for (const auto& [frame, url] : present) {
        // A picture on its own needs no controls, and keeps its label in view.
        const std::string role = present.size() == 1 ? std::string("single") : frame->role;
        pictures += element("div", {{"class", "frame"}, {"data-frame", role}},
                            element("p", {{"class", "frame-label"}}, text(frame->label + " (" + frame->picture + ")")) +
                                element("img", {{"src", url}, {"alt", frame->alt}, {"decoding", "async"}}));
    }
    if (roles.empty()) {
        return {};
    }
    Html controls;
    const auto button = [](const char* control, const char* label, bool pressed) {
        return element("button", {{"type", "button"}, {"data-control", control}, {"aria-pressed", pressed ? "true" : "false"}},
                       text(label));
    };
    if (roles.count("edges") && roles.count("plain")) {
        controls += button("edges", "Edges", true);
    }
    if (roles.count("after") && (roles.count("plain") || roles.count("edges"))) {
        controls += button("flick", "Flick before / after", false);
    }
    if (roles.count("checkerboard") && roles.size() > 1) {
        controls += button("checkerboard", "Checkerboard", false);
    }
    Html figure;
    if (present.size() > 1 && !controls.empty()) {
        controls += element("span", {{"class", "showing"}, {"aria-live", "polite"}});
        figure += element("div", {{"class", "controls"}, {"hidden", "hidden"}, {"role", "group"}, {"aria-label", "Picture controls"}},
                          controls);
    }
    figure += element("div", {{"class", "frames"}}, pictures);
    std::string words = caption;
    for (const auto& [frame, url] : present) {
        words += (words.empty() ? "" : " ") + frame->caption;
    }
    figure += element("figcaption", {}, text(words));
    return element("figure", {{"class", "viewer"}, {"data-viewer", ""}}, figure);
}

Html singlePicture(const RunSection& section, const std::string& picture, const std::string& label,
                   const std::string& alt, const std::string& caption) {
    return viewerFigure(section, {{"single", picture, label, alt, caption}}, "");
}

// The figures in the anatomy's grid: the run's pictures and the first functional's checkerboard.
Html anatomyViewer(const RunSection& section) {
    return viewerFigure(
        section,
        {{"edges", kAlignmentPicture, "The anatomy with the edges of what the module projected",
          "The anatomical in three rows of slices (axial, coronal, sagittal) with the edges of what the module "
          "projected drawn over it and the outline of the functional's field of view",
          "Edges: what the module projected (red, or yellow in the colour-blind-safe palette) and the functional's "
          "field of view (blue); they should follow the anatomy's outlines in every panel."},
         {"plain", kBeforePicture, "The anatomy before the run, without edges",
          "The same slices of the anatomical before the run, without lines", ""},
         {"after", kAfterPicture, "The anatomy after the run: where the module wrote the functional",
          "The same slices of the anatomical after the run, holding the functional the module projected into it",
          "Flick between before and after to see where the module wrote the functional."},
         {"checkerboard", checkerboardPictureFileName(1), "Checkerboard of the anatomy and the functional placed by the headers",
          "The same slices in tiles that alternate between the anatomical and the functional placed by the files' "
          "transforms; outlines that run on across the tiles' borders mean the two line up",
          "The checkerboard alternates the anatomy with the functional where the headers place it: outlines should "
          "run on across the tiles' borders."}},
        "In the anatomy's grid.");
}

Html checkFigures(const RunSection& section, int functional) {
    Html figures = singlePicture(
        section, checkPictureFileName(functional), "The check: where the headers place the functional and the best fit",
        "The functional's slices with the anatomy's edges where the headers place them (left, with an arrow for the "
        "residual shift) and at the best fit (right)",
        "The functional with the anatomy's edges where the headers place the two (left; the arrow is the residual "
        "shift, drawn three times its length) and at the check's best fit (right). If the headers are right, both "
        "halves look alike.");
    if (functional > 1) {
        figures += singlePicture(section, checkerboardPictureFileName(functional), "Checkerboard of the anatomy and this functional",
                                 "Slices of the anatomical in tiles alternating with the functional placed by the headers",
                                 "The anatomy and this functional, placed by the headers, in alternating tiles: "
                                 "outlines should run on across the tiles' borders.");
    }
    return figures;
}

Html functionalGridFigures(const RunSection& section) {
    Html figures = singlePicture(
        section, kAlignmentFmrPicture, "The functional with the anatomy's edges",
        "The functional's first volume in its own grid with the anatomical's edges drawn over it where the affines "
        "place them",
        "In the functional's grid (the picture of mapping 2): the functional's first volume, as the module saved it "
        "when it changed it, with the anatomy's edges placed by the headers.");
    figures += viewerFigure(
        section,
        {{"plain", functionalBeforePicture(1), "The functional before the run", "The functional's first volume before the run",
          ""},
         {"after", functionalAfterPicture(1), "The functional after the run", "The functional's first volume after the run",
          ""}},
        "The first functional before and after the module wrote into it: flick between the two.");
    return figures;
}

std::string gridText(const json& input) {
    const json& grid = member(input, "grid");
    std::string out;
    if (grid.is_array() && grid.size() == 3 && grid[0].is_number() && grid[1].is_number() && grid[2].is_number()) {
        out = formatNumber(grid[0].get<double>(), 0) + " \u00d7 " + formatNumber(grid[1].get<double>(), 0) + " \u00d7 " +
              formatNumber(grid[2].get<double>(), 0);
    }
    if (const auto mm = vectorMember(input, "voxelSizeMm")) {
        out += (out.empty() ? "" : " of ") + formatNumber((*mm)[0], 2) + " \u00d7 " + formatNumber((*mm)[1], 2) +
               " \u00d7 " + formatNumber((*mm)[2], 2) + " mm";
    }
    return out;
}

std::string transformText(const json& input) {
    std::string transform = stringMember(input, "transform");
    if (const auto code = numberMember(input, "transformCode")) {
        transform += " (code " + formatNumber(*code, 0) + ")";
    }
    return transform;
}

Html filesTable(const json& report) {
    const json& inputs = member(report, "inputs");
    if (!inputs.is_array() || inputs.empty()) {
        return {};
    }
    Html header;
    for (const char* name : {"Document", "File", "Grid", "Transform used", "Volumes"}) {
        header += element("th", {{"scope", "col"}}, text(name));
    }
    Html rows;
    for (const json& input : inputs) {
        const std::string type = stringMember(input, "type");
        const std::string role = type == "VMR" ? "anatomical" : type == "FMR" ? "functional" : type;
        const auto document = numberMember(input, "document");
        const auto volumes = numberMember(input, "volumes");
        rows += element("tr", {},
                        element("td", {}, text((document ? formatNumber(*document, 0) + " " : std::string()) + role)) +
                            element("td", {{"class", "file"}}, text(stringMember(input, "file"))) +
                            element("td", {}, text(gridText(input))) + element("td", {}, text(transformText(input))) +
                            element("td", {}, text(volumes ? formatNumber(*volumes, 0) : std::string("1"))));
    }
    return element("h3", {}, text("Files")) +
           element("table", {{"class", "files"}}, element("thead", {}, element("tr", {}, header)) + element("tbody", {}, rows));
}

// The report's warnings (objects with code, file and sentence, or plain sentences), the section's
// own, and what the check says about the samples it had to leave out.
Html warningsList(const RunSection& section) {
    std::vector<std::pair<std::string, std::string>> warnings;  // code, sentence
    const json& reported = member(section.report, "warnings");
    if (reported.is_array()) {
        for (const json& warning : reported) {
            if (warning.is_string()) {
                warnings.emplace_back("", warning.get<std::string>());
            } else if (warning.is_object()) {
                const std::string file = stringMember(warning, "file");
                const std::string sentence = stringMember(warning, "sentence");
                warnings.emplace_back(stringMember(warning, "code"),
                                      file.empty() || sentence.rfind(file, 0) == 0 ? sentence : file + ": " + sentence);
            }
        }
    }
    for (const std::string& warning : section.warnings) {
        warnings.emplace_back("", warning);
    }
    const json& checks = member(section.report, "alignment_check");
    if (checks.is_array()) {
        for (const json& check : checks) {
            if (const auto samples = numberMember(check, "non_finite_samples"); samples && *samples > 0) {
                warnings.emplace_back("non-finite-samples",
                                      fileNameOf(stringMember(check, "functional")) + ": " + formatNumber(*samples, 0) +
                                          " NaN or infinite samples in the first volume were left out of the check");
            }
        }
    }
    Html items;
    for (const auto& [code, sentence] : warnings) {
        Html item = text(sentence);
        if (!code.empty()) {
            item = element("code", {{"class", "warning-code"}}, text(code)) + text(" ") + item;
        }
        items += element("li", {}, item);
    }
    return element("h3", {}, text("Warnings")) +
           (warnings.empty() ? paragraph("None.", "quiet") : element("ul", {{"class", "warnings"}}, items));
}

Html matrixTable(const std::string& caption, const json& matrix) {
    if (!matrix.is_array()) {
        return {};
    }
    Html rows;
    for (const json& r : matrix) {
        Html cells;
        if (r.is_array()) {
            for (const json& value : r) {
                cells += element("td", {}, text(value.is_number() ? formatNumber(value.get<double>(), 6) : std::string("?")));
            }
        }
        rows += element("tr", {}, cells);
    }
    return element("table", {{"class", "matrix"}}, element("caption", {}, text(caption)) + element("tbody", {}, rows));
}

Html matricesDetails(const json& report) {
    Html tables;
    const json& inputs = member(report, "inputs");
    if (inputs.is_array()) {
        for (const json& input : inputs) {
            tables += matrixTable(fileNameOf(stringMember(input, "file")) + ": voxel to world, " + transformText(input),
                                  member(input, "voxelToWorld"));
        }
    }
    const json& initial = member(report, "initialAlignments");
    if (initial.is_array()) {
        for (const json& record : initial) {
            const auto document = numberMember(record, "fmrDocument");
            tables += matrixTable("The host's initial alignment of document " +
                                      (document ? formatNumber(*document, 0) : std::string("?")),
                                  member(record, "matrix"));
        }
    }
    const json& logged = member(report, "loggedMatrices");
    if (logged.is_array()) {
        for (const json& matrix : logged) {
            tables += matrixTable("Logged by the module: " + stringMember(matrix, "caption"), member(matrix, "matrix"));
        }
    }
    if (tables.empty()) {
        return {};
    }
    return element("details", {{"class", "matrices"}},
                   element("summary", {}, text("Matrices")) + element("div", {{"class", "matrix-list"}}, tables));
}

Html logDetails(const std::string& log) {
    if (log.empty()) {
        return {};
    }
    std::size_t lines = 0;
    for (char c : log) {
        lines += c == '\n' ? 1 : 0;
    }
    return element("details", {{"class", "log"}},
                   element("summary", {}, text("The module's log (" + std::to_string(lines) + " lines)")) +
                       element("pre", {}, text(log)));
}

Html factsList(const RunSection& section) {
    if (section.facts.empty()) {
        return {};
    }
    Html items;
    for (const auto& [label, value] : section.facts) {
        items += element("dt", {}, text(label)) + element("dd", {}, text(value));
    }
    return element("dl", {{"class", "facts"}}, items);
}

// "previous run", "run 2 of 5", "next run": links that work without the script.
Html stepLinks(const RunPage& page, std::size_t index, const std::vector<std::string>& ids) {
    Html links;
    if (index > 0) {
        links += element("a", {{"href", "#" + ids[index - 1]}, {"rel", "prev"}, {"data-step", "previous"}},
                         text("\u2190 previous run"));
    }
    links += element("span", {{"class", "position"}},
                     text("run " + std::to_string(index + 1) + " of " + std::to_string(page.sections.size())));
    if (index + 1 < page.sections.size()) {
        links += element("a", {{"href", "#" + ids[index + 1]}, {"rel", "next"}, {"data-step", "next"}},
                         text("next run \u2192"));
    }
    return element("nav", {{"class", "steps"}, {"aria-label", "Runs"}}, links);
}

PageVerdict worstVerdict(const RunSection& section) {
    const json& checks = member(section.report, "alignment_check");
    if (!checks.is_array() || checks.empty()) {
        return PageVerdict::NotChecked;
    }
    PageVerdict worst = PageVerdict::Aligned;
    for (const json& check : checks) {
        const PageVerdict v = pageVerdict(stringMember(check, "verdict"));
        const auto rank = [](PageVerdict x) {
            return x == PageVerdict::Aligned ? 0 : x == PageVerdict::Check ? 1 : x == PageVerdict::Misaligned ? 3 : 2;
        };
        worst = rank(v) > rank(worst) ? v : worst;
    }
    return worst;
}

Html sectionBody(const RunSection& section) {
    Html body = factsList(section);
    const json& checks = member(section.report, "alignment_check");
    if (!section.notCheckedReason.empty()) {
        body += verdictBanner(PageVerdict::NotChecked, "", section.notCheckedReason, {});
    } else if (!checks.is_array() || checks.empty()) {
        body += verdictBanner(PageVerdict::NotChecked, "", "the alignment check did not run", {});
    }
    Html perFunctional;
    if (checks.is_array()) {
        int functional = 0;
        for (const json& check : checks) {
            ++functional;
            const PageVerdict verdict = pageVerdict(stringMember(check, "verdict"));
            std::vector<std::string> reasons = stringsOf(member(check, "reasons"));
            const std::string sentence = checkSentence(check);
            if (!reasons.empty() && reasons.front() == sentence) {
                reasons.erase(reasons.begin());
            }
            body += verdictBanner(verdict, fileNameOf(stringMember(check, "functional")), sentence, reasons);
            body += checkNumbers(check);
            perFunctional += checkFigures(section, functional);
        }
    }
    Html figures = anatomyViewer(section) + perFunctional + functionalGridFigures(section);
    if (!figures.empty()) {
        body += element("h3", {}, text("Pictures")) + figures;
    }
    body += filesTable(section.report);
    body += warningsList(section);
    body += matricesDetails(section.report);
    body += logDetails(section.log);
    return body;
}

}  // namespace

std::map<std::string, std::string> picturesBesidePage(const std::vector<std::string>& outputFiles) {
    std::map<std::string, std::string> pictures;
    for (const std::string& path : outputFiles) {
        const std::string name = fileNameOf(path);
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) {
            pictures[name] = urlPath(name);
        }
    }
    return pictures;
}

Html runPageBody(const RunPage& page) {
    std::vector<std::string> ids;
    std::set<std::string> used;
    for (const RunSection& section : page.sections) {
        std::string id = fragmentId(section.id);
        for (int n = 2; used.count(id); ++n) {
            id = fragmentId(section.id) + "-" + std::to_string(n);
        }
        used.insert(id);
        ids.push_back(id);
    }
    Html header = element("h1", {}, text(page.title));
    if (!page.introduction.empty()) {
        header += paragraph(page.introduction, "introduction");
    }
    header += element("p", {{"class", "page-tools"}, {"hidden", "hidden"}},
                      element("label", {}, element("input", {{"type", "checkbox"}, {"data-palette", ""}}) +
                                               text(" colour-blind-safe colours")));
    const bool several = page.sections.size() > 1;
    if (several) {
        header += paragraph("Left and right arrow keys move between the runs.", "hint");
        Html items;
        for (std::size_t i = 0; i < page.sections.size(); ++i) {
            const PageVerdict verdict = worstVerdict(page.sections[i]);
            items += element("li", {{"class", std::string("verdict-") + verdictClass(verdict)}},
                             element("a", {{"href", "#" + ids[i]}},
                                     verdictIcon(verdict) + text(" " + page.sections[i].title + " \u2014 " +
                                                                 verdictLabel(verdict))));
        }
        header += element("nav", {{"class", "run-index"}, {"aria-label", "Runs of this page"}}, element("ol", {}, items));
    }
    Html sections;
    for (std::size_t i = 0; i < page.sections.size(); ++i) {
        const RunSection& section = page.sections[i];
        const std::string titleId = ids[i] + "-title";
        Html content = element("h2", {{"id", titleId}}, text(section.title));
        if (several) {
            content += stepLinks(page, i, ids);
        }
        content += sectionBody(section);
        sections += element("section",
                            {{"class", "run"},
                             {"id", ids[i]},
                             {"tabindex", "-1"},
                             {"aria-labelledby", titleId},
                             {"data-verdict", verdictName(worstVerdict(section))}},
                            content);
    }
    return element("header", {{"class", "page-header"}}, header) + element("main", {}, sections) +
           element("footer", {}, paragraph("Written by keldra. The pictures lie beside this page; every number comes "
                                           "from the run's report."));
}

std::string runPageDocument(const RunPage& page, const PageOptions& options) {
    return pageDocument(page.title, runPageBody(page), PageKind::Run, options);
}

RunPage singleRunPage(const json& report, const std::string& log) {
    std::string anatomical;
    std::vector<std::string> functionals;
    const json& inputs = member(report, "inputs");
    if (inputs.is_array()) {
        for (const json& input : inputs) {
            const std::string name = fileNameOf(stringMember(input, "file"));
            if (stringMember(input, "type") == "VMR") {
                anatomical = anatomical.empty() ? name : anatomical;
            } else {
                functionals.push_back(name);
            }
        }
    }
    std::string subject;
    for (const std::string& name : functionals) {
        subject += (subject.empty() ? "" : ", ") + name;
    }
    RunPage page;
    page.title = (subject.empty() ? std::string("keldra") : subject) +
                 (anatomical.empty() ? std::string() : " against " + anatomical);
    const auto mapping = numberMember(report, "mapping");
    if (stringMember(report, "command") == "check") {
        page.introduction = "keldra check: the alignment check alone, without the module.";
    } else {
        page.introduction = "keldra ran the module" +
                            (mapping ? " (mapping " + formatNumber(*mapping, 0) + ")" : std::string()) +
                            ", then its own alignment check.";
    }
    RunSection section;
    section.id = "run";
    section.title = subject.empty() ? page.title : subject;
    section.report = report;
    const json& written = member(report, "outputFiles");
    std::vector<std::string> files;
    if (written.is_array()) {
        for (const json& file : written) {
            if (file.is_string()) {
                files.push_back(file.get<std::string>());
            }
        }
    }
    section.pictures = picturesBesidePage(files);
    section.log = log;
    page.sections.push_back(std::move(section));
    return page;
}

bool writeRunPage(const std::string& folder, const RunPage& page, const PageOptions& options,
                  const OutputPolicy& policy, std::string& path, std::string& error) {
    path = (std::filesystem::path(folder) / kRunPageFileName).string();
    return writePage(folder, kRunPageFileName, runPageDocument(page, options), policy, error);
}

}  // namespace orvane::keldra
