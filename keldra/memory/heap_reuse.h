// How the ordinary heap treats memory that is freed. A run frees and takes buffers of up to a
// few MiB over and over (the pictures' rows and images, the compressed members of an output
// file); handing each back to the system and having the next one faulted in again page by page
// costs more than the work done in them. Volumes have memory of their own (volume_memory.h).
#pragma once

namespace orvane::keldra {

// Lets the heap keep up to 64 MiB of freed memory for reuse, and serve buffers below 32 MiB
// itself instead of mapping each from the system. Called once, before any thread starts; does
// nothing where the C library offers no such setting.
void keepFreedHeapMemoryForReuse();

}  // namespace orvane::keldra
