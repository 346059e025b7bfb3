// A lock per run, held while the run is checked, so that two participant processes given the
// same subject (overlapping label lists, a re-run started while the first still runs) never
// check one run at once. It is an advisory lock on a hidden file beside the run's outputs: the
// system releases it when its process ends, however it ends, so a killed task leaves no lock
// that blocks the next one.
#pragma once

#include <string>

namespace orvane::bids {

class RunLock {
public:
    RunLock() = default;
    ~RunLock();
    RunLock(RunLock&& other) noexcept;
    RunLock& operator=(RunLock&& other) noexcept;
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    enum class Result { Acquired, Busy, Failed };
    // Tries to take the lock at `path` without waiting. Failed comes with the reason in `error`.
    Result tryAcquire(const std::string& path, std::string& error);
    bool held() const { return descriptor_ >= 0; }
    // Removes the lock file and releases the lock.
    void release();

private:
    int descriptor_ = -1;
    std::string path_;
};

}  // namespace orvane::bids
