// The run and subject pages from reports: names that are markup show as text, a damaged report
// (a record of another version, a truncated one) gives a page rather than a crash, the figures
// hold only the pictures that exist, and a page of several runs links each to the next.
#include "keldra/report/run_page.h"

#include <gtest/gtest.h>

namespace orvane::keldra::testing {
namespace {

using nlohmann::json;

const char* kHostile = "<img src=x onerror=alert(1)>.nii.gz";

json checkedReport() {
    json check = {{"functional", std::string("/data/") + kHostile},
                  {"verdict", "misaligned"},
                  {"residual_shift_mm", {6.04, -1.96, 0.0}},
                  {"residual_shift_length_mm", 6.35},
                  {"similarity_at_header", 1.21},
                  {"similarity_at_best", 1.32},
                  {"reasons", {"best fit 6.3 mm away (R 6.0, A -2.0, S 0.0)", "covers 10 % of the head"}},
                  {"non_finite_samples", 12},
                  {"thresholds", {{"aligned_max_shift_mm", 2.0}, {"misaligned_min_shift_mm", 4.0}}}};
    return {{"inputs", {{{"document", 1}, {"type", "VMR"}, {"file", "anat.nii.gz"}, {"transform", "sform"}, {"transformCode", 1}},
                        {{"document", 2}, {"type", "FMR"}, {"file", std::string("/data/") + kHostile}}}},
            {"alignment_check", {check}},
            {"warnings", {{{"code", "sform-qform"}, {"file", "anat.nii.gz"}, {"sentence", "sform and qform differ by 3 mm"}}}},
            {"outputFiles", {"out/check.png", "out/checkerboard.png", "out/log.txt"}}};
}

TEST(RunPage, ShowsTheVerdictNumbersAndWarningsWithNamesAsText) {
    const std::string page = runPageBody(singleRunPage(checkedReport(), "Finished.\n<script>x</script>\n")).markup();
    EXPECT_EQ(page.find("<img src=x"), std::string::npos);
    EXPECT_EQ(page.find("<script>x"), std::string::npos);
    EXPECT_NE(page.find("&lt;img src=x onerror=alert(1)&gt;.nii.gz against anat.nii.gz"), std::string::npos);
    EXPECT_NE(page.find("<strong class=\"verdict-word\">Misaligned</strong>"), std::string::npos);
    EXPECT_NE(page.find("best fit 6.3 mm away (R 6.0, A \u22122.0, S 0.0), NMI 1.21 \u2192 1.32"), std::string::npos);
    EXPECT_NE(page.find("<li>covers 10 % of the head</li>"), std::string::npos);
    EXPECT_NE(page.find("sform and qform differ by 3 mm"), std::string::npos);
    EXPECT_NE(page.find("12 NaN or infinite samples"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;x&lt;/script&gt;"), std::string::npos);
    // Pictures that were not written are not offered, and a lone picture needs no controls.
    EXPECT_NE(page.find("src=\"checkerboard.png\""), std::string::npos);
    EXPECT_EQ(page.find("alignment.png"), std::string::npos);
    EXPECT_EQ(page.find("alignment_fmr.png"), std::string::npos);
    EXPECT_EQ(page.find("data-control"), std::string::npos);
    EXPECT_NE(page.find("data-frame=\"single\""), std::string::npos);
}

TEST(RunPage, DamagedReportsGiveAPageNotACrash) {
    for (const json& report : {json(nullptr), json::array(), json("text"),
                               json{{"alignment_check", {{{"verdict", 3}, {"residual_shift_mm", "far"}}}}},
                               json{{"inputs", {1, "x", nullptr}}, {"loggedMatrices", {{{"matrix", {{1, "a"}, 2}}}}}},
                               json{{"warnings", {1, {{"sentence", 2}}}}, {"outputFiles", 7}}}) {
        const std::string page = runPageDocument(singleRunPage(report, ""), {});
        EXPECT_NE(page.find("</html>"), std::string::npos) << report.dump();
    }
}

TEST(RunPage, SeveralRunsLinkToEachOtherAndKeepDistinctAnchors) {
    RunPage page;
    page.title = "sub-01";
    for (int i = 0; i < 3; ++i) {
        RunSection section;
        section.id = "sub-01_task-rest";  // the same twice over: anchors must still differ
        section.title = "run " + std::to_string(i + 1);
        if (i == 2) {
            section.notCheckedReason = "no anatomical";
        } else {
            section.report = checkedReport();
        }
        page.sections.push_back(section);
    }
    const std::string html = runPageBody(page).markup();
    EXPECT_NE(html.find("id=\"sub-01_task-rest\""), std::string::npos);
    EXPECT_NE(html.find("id=\"sub-01_task-rest-2\""), std::string::npos);
    EXPECT_NE(html.find("id=\"sub-01_task-rest-3\""), std::string::npos);
    EXPECT_NE(html.find("<a href=\"#sub-01_task-rest-2\" rel=\"next\""), std::string::npos);
    EXPECT_NE(html.find("<a href=\"#sub-01_task-rest\" rel=\"prev\""), std::string::npos);
    EXPECT_NE(html.find("run 3 of 3"), std::string::npos);
    EXPECT_NE(html.find("<strong class=\"verdict-word\">Not checked</strong>: no anatomical"), std::string::npos);
}

}  // namespace
}  // namespace orvane::keldra::testing
