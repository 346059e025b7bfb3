// A small pool of threads that take tasks in turn.
#include "keldra/report/parallel_tasks.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

namespace orvane::keldra {

bool runInParallel(const std::vector<Task>& tasks, std::string& error) {
    std::vector<std::string> errors(tasks.size());
    std::vector<char> succeeded(tasks.size(), 0);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < tasks.size(); i = next++) {
            try {
                succeeded[i] = tasks[i](errors[i]) ? 1 : 0;
            } catch (const std::exception& e) {
                errors[i] = e.what();
            }
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t helpers = std::min<std::size_t>(cores, tasks.size()) - (tasks.empty() ? 0 : 1);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < helpers; ++t) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        if (!succeeded[i]) {
            error = errors[i];
            return false;
        }
    }
    return true;
}

}  // namespace orvane::keldra
