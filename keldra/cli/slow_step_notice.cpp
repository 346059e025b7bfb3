// The delayed progress line.
#include "keldra/cli/slow_step_notice.h"

#include <chrono>

namespace orvane::keldra {

SlowStepNotice::SlowStepNotice(std::ostream& errors, std::string what) {
    waiter_ = std::thread([this, &errors, what = std::move(what)] {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!finished_.wait_for(lock, std::chrono::milliseconds(900), [this] { return done_; })) {
            errors << "keldra: " << what << "..." << std::endl;
        }
    });
}

SlowStepNotice::~SlowStepNotice() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    finished_.notify_all();
    waiter_.join();
}

}  // namespace orvane::keldra
