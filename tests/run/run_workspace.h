// A small workspace shared by the run tests: an 8x8x8 VMR of 1 mm voxels, FMR "run1"
// (16-bit, 4x4x4 voxels of 2 mm, identity alignment, no slice flip) and, when asked, FMR "run2"
// (float, 4x4x4 voxels of 2 mm, moved 2 mm along x, slices acquired upward so they flip).
#pragma once

#include <string>
#include <vector>

#include "run/alignment_run.h"
#include "tests/support/fake_host.h"
#include "tests/support/fake_host_test.h"

namespace orvane::testing {

inline Matrix4 translationMatrix(float x, float y, float z) {
    Matrix4 m;
    identityMatrix(m);
    m.at(0, 3) = x;
    m.at(1, 3) = y;
    m.at(2, 3) = z;
    return m;
}

struct RunWorkspace {
    FakeHost host;
    FakeVmr* vmr = nullptr;
    FakeFmr* first = nullptr;
    FakeFmr* second = nullptr;

    explicit RunWorkspace(bool withSecondFmr) {
        vmr = &host.addVmr({8, 8, 8}, 1.0f);
        for (std::size_t i = 0; i < vmr->voxels.size(); ++i) {
            vmr->voxels[i] = static_cast<unsigned char>(i % 200);
        }
        first = &host.addFmr({4, 4, 4}, kFmrDataInt16, "run1", 2.0f);
        for (std::size_t i = 0; i < first->intData.size(); ++i) {
            first->intData[i] = static_cast<std::int16_t>((i * 37) % 500 - 100);
        }
        if (withSecondFmr) {
            second = &host.addFmr({4, 4, 4}, kFmrDataFloat32, "run2", 2.0f);
            for (std::size_t i = 0; i < second->floatData.size(); ++i) {
                second->floatData[i] = static_cast<float>((i * 53) % 300) * 0.5f;
            }
            second->initialAlignment = translationMatrix(2.0f, 0.0f, 0.0f);
            second->position.setFirstSliceCentre({0.0f, 0.0f, -30.0f});
            second->position.setLastSliceCentre({0.0f, 0.0f, 30.0f});
        }
    }

    bool run(int choice) {
        host.answerPrompts({choice});
        return runAlignment(host.lookup());
    }
};

}  // namespace orvane::testing
