// Work a run needs done but nothing waits on soon (compressing vmr.nii.gz, drawing the run's
// own pictures) runs on threads of lower priority than the work that decides when the run ends
// (the alignment check, then its pictures), so that on a busy machine the latter is not held up
// by the former. Every result is the same; only the order in which the cores serve the threads
// changes.
#pragma once

namespace orvane::keldra {

// Lowers the calling thread's priority a few steps, and with it that of the threads it starts
// afterwards; does nothing where threads have no priority of their own or it cannot be changed.
void lowerThisThreadsPriority();

}  // namespace orvane::keldra
