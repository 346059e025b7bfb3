// Thread priority for background work: the thread's nice value on Linux, where each thread has
// its own and threads started later inherit it; elsewhere nothing.
#include "keldra/cli/background_work.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace orvane::keldra {

#if defined(__linux__)
void lowerThisThreadsPriority() {
    constexpr int kSteps = 10;
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int now = getpriority(PRIO_PROCESS, thread);
    if (errno == 0) {
        // A failure leaves the priority as it was, which is only slower; nothing to report.
        (void)setpriority(PRIO_PROCESS, thread, now + kSteps);
    }
}
#else
void lowerThisThreadsPriority() {}
#endif

}  // namespace orvane::keldra
