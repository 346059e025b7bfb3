// Clearing the upper halves of the vector registers after ISA-L. A function of its own, so that
// it is always a real call: across a call the compiler keeps no vector values in registers.
#include "keldra/deflate/vector_state.h"

namespace orvane::keldra {

void clearUpperVectorState() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    // The instruction exists where AVX does, and only there does ISA-L use wide registers.
    if (__builtin_cpu_supports("avx")) {
        __asm__ volatile("vzeroupper" ::: "memory");
    }
#endif
}

}  // namespace orvane::keldra
