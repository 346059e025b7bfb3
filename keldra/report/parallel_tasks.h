// Independent tasks run side by side on a few threads, such as the pictures of a run: each is
// drawn and written on its own, and a two-core machine draws two at once.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orvane::keldra {

// A task returns false with the reason in its argument when it fails.
using Task = std::function<bool(std::string& error)>;

// Runs every task, on up to as many threads as the machine has cores (and never more than
// there are tasks). True when all succeeded; otherwise false with the reason of the first
// failed task in the list's order.
bool runInParallel(const std::vector<Task>& tasks, std::string& error);

}  // namespace orvane::keldra
