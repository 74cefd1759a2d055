#pragma once
// Counts the bytes a benchmark program holds through operator new, and their peak:
// linking heap_counter.cpp replaces the global operator new and delete.

#include <cstddef>

namespace bench {

size_t HeapInUse();
size_t HeapPeak();
// Starts a new peak from what is held now.
void ResetHeapPeak();

}  // namespace bench
