// A progress line for steps that turn out to be slow: when a step is still running after about
// a second, "keldra: <what>..." appears on standard error; quick steps stay silent, so that
// error output keeps its one clear line. The waiting happens on a helper thread that only
// writes that line and is joined when the step ends.
#pragma once

#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

namespace orvane::keldra {

class SlowStepNotice {
public:
    SlowStepNotice(std::ostream& errors, std::string what);
    ~SlowStepNotice();
    SlowStepNotice(const SlowStepNotice&) = delete;
    SlowStepNotice& operator=(const SlowStepNotice&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread waiter_;
};

}  // namespace orvane::keldra
