#pragma once

#include <cstdint>

// Every operator new of the process is counted while this binary's replacements are linked in
// (countingAllocator.cpp). libFLAC and libsoxr allocate with malloc, which is not counted: their
// buffers are made once at start-up, and what a decoding loop does per frame is ours.
namespace countingallocator {

// Allocations by operator new (every form) since the process began, all threads together.
int64_t allocations();

} // namespace countingallocator
