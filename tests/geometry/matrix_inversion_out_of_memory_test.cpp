// Running out of memory at any allocation inside invertMatrix4 is reported as a failure that
// leaves the destination alone, never as an exception. This test program's global operator new
// can be told to fail at the n-th allocation from now.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "geometry/matrix_inversion.h"

namespace {

// Allocations left before the failing one; 0 means no failure is planned.
long allocationsBeforeFailure = 0;

}  // namespace

// Once the replacements below are inlined, the compiler sees the malloc behind new meet the
// free behind delete and takes the matched pair for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    if (allocationsBeforeFailure > 0 && --allocationsBeforeFailure == 0) {
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }

void operator delete(void* block, std::size_t) noexcept { std::free(block); }

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace orvane {
namespace {

TEST(InvertMatrix4, AllocationFailureAnywhereIsReportedAndLeavesTheDestinationAlone) {
    const float elements[16] = {0.3f, 0.1f, -0.2f, 12, 0.05f, -0.33f, 0.1f, -20, 0.2f, 0.1f, 0.31f, 7, 0, 0, 0, 1};
    Matrix4 source;
    std::memcpy(source.m, elements, sizeof source.m);
    Matrix4 untouched;
    for (float& e : untouched.m) {
        e = -7.0f;
    }

    int failuresSeen = 0;
    for (long failAt = 1; failAt < 100; ++failAt) {
        Matrix4 destination = untouched;
        allocationsBeforeFailure = failAt;
        const bool inverted = invertMatrix4(source, destination);
        const bool failureHappened = allocationsBeforeFailure == 0;
        allocationsBeforeFailure = 0;
        if (!failureHappened) {
            EXPECT_TRUE(inverted);
            break;
        }
        ++failuresSeen;
        EXPECT_FALSE(inverted) << "allocation " << failAt;
        EXPECT_EQ(std::memcmp(destination.m, untouched.m, sizeof untouched.m), 0) << "allocation " << failAt;
    }
    // The work matrices, the singular values, V, the scratch vector and the result.
    EXPECT_GE(failuresSeen, 5) << failuresSeen;
}

}  // namespace
}  // namespace orvane
