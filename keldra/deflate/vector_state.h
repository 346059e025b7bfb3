// ISA-L's vector code returns with the upper halves of the wide vector registers in use. On
// x86-64 processors the 128-bit code compiled for everything else then runs markedly slower
// (the pictures drawn after PNG files were written took twice as long), until the upper halves
// are cleared. Every call into ISA-L is followed by this.
#pragma once

namespace orvane::keldra {

// Clears the upper halves of the vector registers where the processor has them; nothing
// elsewhere. Preserves every value the compiler keeps in registers across a call.
void clearUpperVectorState();

}  // namespace orvane::keldra
