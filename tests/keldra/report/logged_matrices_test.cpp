// Reading matrices back from the log: complete dumps in order, anything else skipped.
#include "keldra/report/logged_matrices.h"

#include <gtest/gtest.h>

namespace orvane::keldra {
namespace {

TEST(LoggedMatrices, FindsCompleteDumpsAndSkipsTheRest) {
    const std::vector<std::string> entries = {
        "\norvaneplugin> Started...",
        "Initial FMR1 to VMR mapping: \n\t1.000000\t0.000000\t0.000000\t-2.500000\n\t0.000000\t1.000000\t0.000000\t0.000000\n"
        "\t0.000000\t0.000000\t1.000000\t0.000000\n\t0.000000\t0.000000\t0.000000\t1.000000\n",
        "Truncated: \n\t1.0\t2.0\t3.0\t4.0\n\t1.0\t2.0\n",
        "Split across entries: ",
        "\t0.5\t0\t0\t0\n\t0\t0.5\t0\t0\n\t0\t0\t0.5\t0\n\t0\t0\t0\t1",
        "Finished.\n",
    };
    const std::vector<LoggedMatrix> found = loggedMatrices(entries);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].caption, "Initial FMR1 to VMR mapping");
    EXPECT_EQ(found[0].elements[3], -2.5);
    EXPECT_EQ(found[0].elements[15], 1.0);
    EXPECT_EQ(found[1].caption, "Split across entries");
    EXPECT_EQ(found[1].elements[10], 0.5);
}

}  // namespace
}  // namespace orvane::keldra
