// What the alignment check's tests share: the generator of functionals from the real T1 and
// the T1 prepared as the anatomy, made once per test program (they take a second).
#pragma once

#include <string>

#include "keldra/check/check_levels.h"
#include "tests/data/epi_from_t1.h"

namespace orvane::keldra::check {

struct T1TestData {
    testdata::EpiGenerator generator;
    AnatomyReference anatomy;
    std::string error;  // empty when both are ready
};

inline T1TestData& t1TestData() {
    static T1TestData data = [] {
        T1TestData d;
        if (!d.generator.ok()) {
            d.error = d.generator.error();
        } else if (!prepareAnatomy(d.generator.anatomy(), d.anatomy, d.error) && d.error.empty()) {
            d.error = "the T1 could not be prepared";
        }
        return d;
    }();
    return data;
}

}  // namespace orvane::keldra::check
