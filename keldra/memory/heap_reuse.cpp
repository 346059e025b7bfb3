// The heap's settings for freed memory, through glibc's mallopt where it exists.
#include "keldra/memory/heap_reuse.h"

#include <cstdlib>  // defines __GLIBC__ where glibc is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace orvane::keldra {

void keepFreedHeapMemoryForReuse() {
#if defined(__GLIBC__)
    // glibc's own limits when it raises them by itself after freeing a large mapped buffer,
    // fixed from the start.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

}  // namespace orvane::keldra
