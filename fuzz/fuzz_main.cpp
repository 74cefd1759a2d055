// The libFuzzer entry of one target; the build names the target function with
// SETUP_FUZZ_TARGET (fuzz/CMakeLists.txt builds one program per target).
#include <cstddef>
#include <cstdint>

#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  setup::fuzz::SETUP_FUZZ_TARGET(data, size);
  return 0;
}
