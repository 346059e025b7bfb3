// The group page: counts that add up, a row per run linking to its section, and a strip plot
// whose axis reaches the largest shift, so an outlier is drawn where it lies.
#include "keldra/report/group_page.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvane::keldra::testing {
namespace {

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

GroupPage samplePage() {
    GroupPage page;
    page.title = "Alignment of a study";
    page.thresholds = {2.0, 4.0};
    const char* verdicts[] = {"aligned", "aligned", "check", "misaligned", "not checked"};
    const double shifts[] = {0.4, 1.1, 3.0, 47.0, -1};
    for (int i = 0; i < 5; ++i) {
        GroupPageRun run;
        run.subject = "0" + std::to_string(i + 1);
        run.task = i < 3 ? "rest" : "nback";
        run.id = "sub-" + run.subject + "_task-" + run.task;
        run.bold = "sub-" + run.subject + "/func/" + run.id + "_bold.nii.gz";
        run.verdict = verdicts[i];
        if (shifts[i] >= 0) {
            run.shiftLengthMm = shifts[i];
        } else {
            run.reason = "<b>no anatomical</b>";
        }
        run.href = "sub-" + run.subject + ".html#" + run.id;
        page.runs.push_back(run);
    }
    return page;
}

TEST(GroupPage, CountsRowsAndLinks) {
    const std::string html = groupPageBody(samplePage()).markup();
    for (const auto& [verdict, count] : {std::pair<std::string, int>{"aligned", 2}, {"check", 1}, {"misaligned", 1},
                                         {"not checked", 1}}) {
        EXPECT_NE(html.find("data-count=\"" + verdict + "\"><svg"), std::string::npos);
        const std::size_t at = html.find("data-count=\"" + verdict + "\"");
        EXPECT_NE(html.find("<strong>" + std::to_string(count) + "</strong> " + verdict, at), std::string::npos) << verdict;
    }
    EXPECT_EQ(occurrences(html, "<tr id=\"run-"), 5u);
    EXPECT_NE(html.find("<a href=\"sub-04.html#sub-04_task-nback\" title=\"sub-04/func/sub-04_task-nback_bold.nii.gz\">"
                        "sub-04_task-nback</a>"),
              std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;no anatomical&lt;/b&gt;"), std::string::npos);
    // Four runs have a shift, so four points, each a link; the fifth is counted in its band.
    EXPECT_EQ(occurrences(html, "<a class=\"point"), 4u);
    EXPECT_NE(html.find("1 run, 1 without a shift"), std::string::npos);
}

TEST(GroupPage, StripPlotAxisReachesTheLargestShift) {
    const StripThresholds thresholds{2.0, 4.0};
    EXPECT_EQ(stripAxisEnd(47.0, thresholds), 50.0);
    EXPECT_EQ(stripAxisEnd(0.8, thresholds), 10.0);  // room for the misaligned threshold
    EXPECT_EQ(stripAxisEnd(120.0, {}), 200.0);
    EXPECT_DOUBLE_EQ(stripAxisPosition(47.0, 50.0), std::sqrt(47.0 / 50.0));
    EXPECT_DOUBLE_EQ(stripAxisPosition(0.0, 50.0), 0.0);
    // The outlier's square is inside the plot: its x lies within the axis.
    const std::string html = groupPageBody(samplePage()).markup();
    const std::size_t point = html.find("<a class=\"point verdict-misaligned\"");
    ASSERT_NE(point, std::string::npos);
    const std::size_t x = html.find("<rect class=\"shape\" x=\"", point);
    ASSERT_NE(x, std::string::npos);
    const double left = std::stod(html.substr(x + 23));
    EXPECT_GT(left, 170 + 0.9 * 760);
    EXPECT_LT(left, 170 + 760);
}

}  // namespace
}  // namespace orvane::keldra::testing
