// The names projected FMRs are saved under, and the renamed header that carries them.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "run/fmr_renaming.h"

namespace orvane {
namespace {

TEST(FmrRenaming, NewNamesAreWrittenWholeOrNotAtAll) {
    EXPECT_EQ(namesForVmrProjection("run1").fileName, "run1_VMR.fmr");
    EXPECT_EQ(namesForVmrProjection("run1").stcPrefix, "run1_VMR");
    EXPECT_EQ(namesForSecondIntoFirst("run1", "run2").fileName, "run1_from_run2.fmr");
    EXPECT_EQ(namesForSecondIntoFirst("run1", "run2").stcPrefix, "run1_from_run2");

    FmrHeader header;
    std::memset(header.bytes, 0, sizeof header.bytes);
    ASSERT_TRUE(header.setStcPrefix("run1"));
    ASSERT_TRUE(header.setFileName("run1.fmr"));
    ASSERT_TRUE(header.setAuxiliaryName("linked.amr"));
    header.setDimX(64);

    const std::optional<FmrHeader> renamed = renamedHeader(header, namesForVmrProjection("run1"));
    ASSERT_TRUE(renamed.has_value());
    EXPECT_EQ(renamed->fileName(), "run1_VMR.fmr");
    EXPECT_EQ(renamed->stcPrefix(), "run1_VMR");
    EXPECT_EQ(renamed->auxiliaryName(), "");
    EXPECT_EQ(renamed->dimX(), 64);

    // The file-name field is the smaller one: a prefix that fits may still make a file name that
    // does not.
    const std::string prefix(FmrHeader::kFileNameCapacity - 4, 'p');
    EXPECT_FALSE(renamedHeader(header, namesForVmrProjection(prefix)).has_value());
    EXPECT_TRUE(renamedHeader(header, namesForVmrProjection(std::string(FmrHeader::kFileNameCapacity - 9, 'p'))));
    EXPECT_EQ(header.fileName(), "run1.fmr");
    EXPECT_EQ(header.auxiliaryName(), "linked.amr");
}

}  // namespace
}  // namespace orvane
