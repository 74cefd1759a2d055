#include <algorithm>
#include <atomic>
#include <clocale>
#include <thread>

#include "platform/posix/posix_controls.h"
#include "platform/system_info.h"

namespace setup::platform {

namespace {
std::atomic<uint16_t> langId{0x0409};
std::atomic<uint64_t> physicalMemory{uint64_t{2} << 30};
}  // namespace

uint64_t TotalPhysicalMemory() { return physicalMemory; }

uint16_t SystemDefaultLangId() { return langId; }

unsigned ProcessorCount() { return std::max(1u, std::thread::hardware_concurrency()); }

// Native runs measure nothing that needs one processor.
FirstProcessorScope::FirstProcessorScope() = default;
FirstProcessorScope::~FirstProcessorScope() = default;

void UseDotDecimalSeparator() { std::setlocale(LC_NUMERIC, "C"); }

namespace posix {
void SetSystemDefaultLangId(uint16_t id) { langId = id; }
void SetTotalPhysicalMemory(uint64_t bytes) { physicalMemory = bytes; }
}  // namespace posix

}  // namespace setup::platform
