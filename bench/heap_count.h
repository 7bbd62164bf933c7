// Every allocation of a benchmark that links heap_count.cpp is counted, so
// that the peak of one operation can be read exactly (the system's peak
// counters cannot be reset).
#pragma once

#include <cstddef>

namespace bench {

// The bytes the heap holds now (as the allocator sized them).
std::size_t HeapNow();
// The highest HeapNow() since the last ResetHeapPeak().
std::size_t HeapPeak();
void ResetHeapPeak();

}  // namespace bench
