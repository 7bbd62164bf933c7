#include "heap_count.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace {
std::size_t g_current = 0;
std::size_t g_peak = 0;

void* Counted(std::size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  g_current += _msize(p);
  if (g_current > g_peak) g_peak = g_current;
  return p;
}

void Uncounted(void* p) {
  if (!p) return;
  g_current -= _msize(p);
  std::free(p);
}
}  // namespace

namespace bench {
std::size_t HeapNow() { return g_current; }
std::size_t HeapPeak() { return g_peak; }
void ResetHeapPeak() { g_peak = g_current; }
}  // namespace bench

void* operator new(std::size_t n) { return Counted(n); }
void* operator new[](std::size_t n) { return Counted(n); }
void operator delete(void* p) noexcept { Uncounted(p); }
void operator delete[](void* p) noexcept { Uncounted(p); }
void operator delete(void* p, std::size_t) noexcept { Uncounted(p); }
void operator delete[](void* p, std::size_t) noexcept { Uncounted(p); }
