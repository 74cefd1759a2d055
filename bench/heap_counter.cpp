#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<size_t> heapInUse{0};
std::atomic<size_t> heapPeak{0};
}  // namespace

size_t bench::HeapInUse() { return heapInUse; }
size_t bench::HeapPeak() { return heapPeak; }
void bench::ResetHeapPeak() { heapPeak = heapInUse.load(); }

void* operator new(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  const size_t now = heapInUse += malloc_usable_size(p);
  size_t peak = heapPeak;
  while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
  }
  return p;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  heapInUse -= malloc_usable_size(p);
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
