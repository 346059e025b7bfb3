// The files keldra has mapped into memory, by the addresses they occupy: a fixed table that a
// signal handler may read. Reading a mapped page past the end of a file that someone cut short
// while it was mapped raises SIGBUS at that address; the table tells the handler which file it
// was, so that keldra can say so in one line instead of dying of a bus error.
//
// Filling and clearing a slot and looking an address up touch only lock-free atomics and the
// slot's fixed path buffer: no allocation, no lock, safe inside a signal handler.
#pragma once

#include <cstddef>

namespace orvane::keldra {

// How many mappings the table holds at once; keldra maps one or two files at a time. A mapping
// made while every slot is taken is simply not named.
constexpr int kMappedRangeSlots = 16;

// Enters the `size` bytes at `begin`, the mapping of the file `path`; returns the slot, or -1
// when none is free (or the path does not fit its buffer).
int enterMappedRange(const void* begin, std::size_t size, const char* path);

// Empties the slot `slot` (from enterMappedRange; -1 is ignored), before the range is unmapped.
void clearMappedRange(int slot);

// The slot whose range holds `address`, or -1. Async-signal-safe.
int mappedRangeHolding(const void* address);

// The path of the file mapped in `slot`; valid while that mapping stays (a thread blocked in the
// bus-error handler keeps it, since the mapping's owner is the reader that faulted).
const char* mappedRangePath(int slot);

}  // namespace orvane::keldra
