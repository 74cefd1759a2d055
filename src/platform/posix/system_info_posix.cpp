#include <atomic>
#include <clocale>

#include "platform/posix/posix_controls.h"
#include "platform/system_info.h"

namespace setup::platform {

namespace {
std::atomic<uint16_t> langId{0x0409};
std::atomic<uint64_t> physicalMemory{uint64_t{2} << 30};
}  // namespace

uint64_t TotalPhysicalMemory() { return physicalMemory; }

uint16_t SystemDefaultLangId() { return langId; }

void RestrictToFirstProcessor() {}

void UseDotDecimalSeparator() { std::setlocale(LC_NUMERIC, "C"); }

namespace posix {
void SetSystemDefaultLangId(uint16_t id) { langId = id; }
void SetTotalPhysicalMemory(uint64_t bytes) { physicalMemory = bytes; }
}  // namespace posix

}  // namespace setup::platform
